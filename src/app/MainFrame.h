#pragma once

#include <QMainWindow>

namespace tolmarin {

class CCAudioView;

// The editor's one window: fixed at 985 x 735, no menu bar, the form at its top left.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 985;
    static constexpr int kHeight = 735;

    CMainFrame(CCAudioView* view, const QString& title);

    CCAudioView* View() const { return m_view; }

private:
    CCAudioView* m_view;
};

}  // namespace tolmarin
