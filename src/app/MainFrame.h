#pragma once

#include <QMainWindow>

namespace tolmarin {

class MainForm;

// The editor's one window: fixed at 985 x 735, no menu bar, the form at its top left.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 985;
    static constexpr int kHeight = 735;

    MainFrame(MainForm* view, const QString& title);

    MainForm* View() const { return m_view; }

protected:
    // The form decides: edits still on their way are sent first.
    void closeEvent(QCloseEvent* event) override;

private:
    MainForm* m_view;
};

}  // namespace tolmarin
