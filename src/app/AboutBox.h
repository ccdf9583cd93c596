#pragma once

#include <QDialog>
#include <QIcon>
#include <QObject>
#include <QRectF>

#include "text/Texts.h"

class QLabel;
class QPushButton;

namespace tolmarin {

// The About box: the icon, "Tolmarin <major.minor>" and an OK button, in the interface
// language of the moment it opens.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const UiState& ui, QWidget* parent);

    QLabel& Text() const { return *m_text; }
    QPushButton& Ok() const { return *m_ok; }

private:
    QLabel* m_text;
    QPushButton* m_ok;
};

// Opens the About box from F1 anywhere in the window and from a click on the product name
// that the form's background picture carries in its top bar.
class AboutHook : public QObject {
    Q_OBJECT
public:
    // window: where F1 is heard; form: the widget that paints the background at its origin.
    AboutHook(QWidget* window, QWidget* form, const UiState& ui);

    // Where the product name stands in the picture of the given language (its two lines).
    static QRectF NameBox(Language language);

    // Runs the About box modally.
    void Show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    const UiState& m_ui;
};

// The application icon at its sizes, drawn from its SVG (also the window's icon).
QIcon AppIcon();

}  // namespace tolmarin
