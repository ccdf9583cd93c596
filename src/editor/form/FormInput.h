#pragma once

#include <QObject>

class QWidget;

namespace tolmarin {

class EditHistory;

// Watches the input every control of the form gets, for the history and for typed text: a
// press and release on the graph, a fader or a spin is one gesture (one step), wheel notches
// may join the last step, any other press or key starts a step of its own. Enter gives the
// focus to the form, so a field being typed in commits its value; a document shortcut
// commits typed text first.
class FormInput : public QObject {
    Q_OBJECT
public:
    // form and history are borrowed; the watch is a child of the form.
    FormInput(QWidget* form, EditHistory& history);

    // A field of the form holding typed text commits it.
    void CommitTypedText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_form;
    EditHistory& m_history;
};

}  // namespace tolmarin
