#pragma once

#include <array>
#include <map>
#include <vector>

#include "text/Texts.h"

class QComboBox;
class QObject;
class QPainter;
class QProgressBar;
class QStyle;
class QWidget;

namespace tolmarin {

class Lamp;
class ParameterBinder;
class PictureButton;
class PictureRadio;
class ResponseGraph;
class TransparentLabel;

// The main form's widgets, made from the form's description.
struct FormWidgets {
    std::map<int, QWidget*> byId;  // every control, a field's spin under its own id
    std::map<int, PictureButton*> buttons;
    QComboBox* ampMode = nullptr;
    QProgressBar* progress = nullptr;
    ResponseGraph* graph = nullptr;
    PictureRadio* linkCheck = nullptr;
    std::vector<Lamp*> lamps;                     // CH1, CH2
    std::vector<TransparentLabel*> temperatures;  // CH1, CH2
    TransparentLabel* pendingCount = nullptr;     // the strip's count of unsent edits
};

// The form's fixed size, its focus (a field being typed in gives it up on Enter) and the
// template's font its controls inherit.
void SetUpForm(QWidget* form);

// Makes every control of the form description on form, hands those that edit a parameter
// to binder, and lets keyFilter see every control's keys.
FormWidgets CreateFormWidgets(QWidget* form, QObject* keyFilter, ParameterBinder& binder);

// A picture button's six pictures: on look normal, hover, pressed; off look the same.
using ButtonPictures = std::array<int, 6>;
void SetPictures(PictureButton* button, const ButtonPictures& pictures);
// The pictures of every button that carries a label in the interface language.
void ShowLanguagePictures(const FormWidgets& widgets, Language language);

// Only CH1 plays in bridge mode: CH2's button, sensitivity and switches and the link check box
// are locked then, and free in the other modes.
void ShowModeLocks(const FormWidgets& widgets, int mode);
// The texts of the form's own controls in the interface language: the link check box and
// the amplifier-mode list, which then selects mode.
void ShowLanguageTexts(const FormWidgets& widgets, const UiState& ui, int mode);
// The background picture of language; the strip below it continues its bottom row.
void PaintFormBackground(QPainter& painter, Language language);

// The style of the form's narrow lists; one for the process.
QStyle* FormListStyle();

}  // namespace tolmarin
