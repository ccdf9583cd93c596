#include "app/MainFrame.h"

#include <QCloseEvent>
#include <QImage>
#include <QPalette>

#include "controls/BitmapSource.h"
#include "editor/form/MainForm.h"
#include "formdesc/FormDescription.h"

namespace tolmarin {

// The form's reserved strip fits in the window's margin below it.
static_assert(form::kFormHeightWithStrip <= MainFrame::kHeight);

MainFrame::MainFrame(MainForm* view, const QString& title) : m_view(view) {
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setMenuBar(nullptr);
    // The window is a little larger than the form's picture; the margin takes the colour of
    // the picture's bottom-left corner so the form seems to run on.
    auto* holder = new QWidget(this);
    const QImage corner = LoadBitmap(form::kBitmapBackgroundEn).toImage();
    if (!corner.isNull()) {
        QPalette p = holder->palette();
        p.setColor(QPalette::Window, corner.pixelColor(0, corner.height() - 1));
        holder->setPalette(p);
        holder->setAutoFillBackground(true);
    }
    view->setParent(holder);
    view->move(0, 0);
    setCentralWidget(holder);
    setFixedSize(kWidth, kHeight);
    move(0, 0);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (m_view != nullptr && !m_view->ReadyToClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace tolmarin
