#pragma once

#include <functional>

#include <QObject>

class QAction;
class QToolButton;
class QWidget;

namespace tolmarin {

class EditHistory;
class UiState;

// The undo, redo and A/B buttons of the strip below the equaliser, and the keys that do the
// same: Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z, Ctrl+B. Each button's tooltip names what it would
// do, in the current language. The A/B button shows the active setting; its menu copies one
// setting onto the other.
class HistoryStrip : public QObject {
    Q_OBJECT
public:
    HistoryStrip(QWidget* form, EditHistory& history, const UiState& ui);

    QToolButton* UndoButton() const { return m_undo; }
    QToolButton* RedoButton() const { return m_redo; }
    QToolButton* AbButton() const { return m_ab; }

    // Texts and tooltips in the current language.
    void ApplyLanguage();
    // Runs before every undo, redo, switch or copy the strip or its keys make (the form
    // commits a field's typed text there).
    void SetBeforeStep(std::function<void()> before) { m_before = std::move(before); }

private:
    void Before();

    EditHistory& m_history;
    const UiState& m_ui;
    std::function<void()> m_before;
    QToolButton* m_undo = nullptr;
    QToolButton* m_redo = nullptr;
    QToolButton* m_ab = nullptr;
    QAction* m_copyAToB = nullptr;
    QAction* m_copyBToA = nullptr;
};

}  // namespace tolmarin
