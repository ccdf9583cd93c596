#include "editor/form/FormText.h"

#include <QMessageBox>
#include <QPushButton>

namespace tolmarin {

void ShowMessageBox(QWidget* parent, const UiState& ui, const QString& text, MessageKind kind) {
    QMessageBox box(parent);
    box.setWindowTitle(UiText(ui, TextId::FormTitle));
    box.setText(text);
    switch (kind) {
        case MessageKind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageKind::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    QPushButton* ok = box.addButton(UiText(ui, TextId::FormMessageOk), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.exec();
}

}  // namespace tolmarin

namespace tolmarin {

namespace {
constexpr int kFormFontPx = 18;
constexpr int kMediumWeight = 500;
}  // namespace

QFont FormFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(kFormFontPx);
    f.setWeight(static_cast<QFont::Weight>(kMediumWeight));
    f.setStyleHint(QFont::SansSerif);
    return f;
}

}  // namespace tolmarin
