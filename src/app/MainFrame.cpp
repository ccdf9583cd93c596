#include "app/MainFrame.h"

#include "editor/form/CCAudioView.h"

namespace tolmarin {

CMainFrame::CMainFrame(CCAudioView* view, const QString& title) : m_view(view) {
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setMenuBar(nullptr);
    auto* holder = new QWidget(this);
    view->setParent(holder);
    view->move(0, 0);
    setCentralWidget(holder);
    setFixedSize(kWidth, kHeight);
    move(0, 0);
}

}  // namespace tolmarin
