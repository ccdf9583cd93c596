#pragma once

#include <QString>
#include <string_view>

#include "text/Texts.h"

class QWidget;

namespace tolmarin {

// A catalogue text in the interface language of the moment.
inline QString UiText(const UiState& ui, TextId id) {
    return QString::fromUtf8(ui.Text(id));
}

// A modal message box with an OK button, titled and labelled in the current language.
void ShowMessageBox(QWidget* parent, const UiState& ui, const QString& text, MessageKind kind);

}  // namespace tolmarin

#include <QFont>

namespace tolmarin {

// The form font (link check box and the temperature readouts); the list font of the
// parameter table is the list control's own.
QFont FormFont();

}  // namespace tolmarin
