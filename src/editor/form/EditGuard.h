#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "text/Texts.h"

class QMessageBox;
class QTimer;
class QWidget;

namespace tolmarin {

class BusyPopup;
class LinkController;
class TransparentLabel;
struct SharedState;

// Keeps the form's edits from being lost without a word: the strip's count of edits still
// on their way, the wait and the question when the window closes with some unsent, and the
// question at link-up when the PC holds edits of its own.
class EditGuard : public QObject {
    Q_OBJECT
public:
    // A question: text, then its buttons; the answer is a button's position. Escape
    // answers with escapeButton.
    struct Question {
        QString text;
        std::vector<TextId> buttons;
        int defaultButton = 0;
        int escapeButton = 0;
    };
    using Asker = std::function<int(const Question&)>;
    // The close question's answers, in button order.
    enum class CloseAnswer { SendAgain, Discard, Stay };
    // The link-up question's answers, in button order.
    enum class LinkUpAnswer { SendPc, TakeAmplifier };

    // form is the window's content (its window is closed once the edits have gone); busy and
    // count are the form's busy pop-up and the strip's label. All borrowed.
    EditGuard(QWidget* form, SharedState& state, BusyPopup* busy, TransparentLabel* count);

    // The controller whose edits are watched; its link-up question is asked from here.
    void UseController(LinkController* controller);
    // Tests answer the questions themselves; null goes back to message boxes.
    void SetAsker(Asker asker) { m_asker = std::move(asker); }
    // The message box a question is asked with (also for pictures of it).
    QMessageBox* MakeQuestionBox(const Question& question) const;
    Question CloseQuestion(const std::string& edits) const;
    Question LinkUpQuestion(const std::string& edits) const;

    // Whether the window may close now. Edits not yet sent on an open link are sent first,
    // with the busy pop-up, for at most the close wait; the window closes when they have
    // arrived, or the operator is asked to send again, discard them or stay.
    bool ReadyToClose();
    void SetCloseWait(int ms) { m_closeWaitMs = ms; }
    bool Closing() const { return m_closing; }
    // Shows the count of unsent edits in the strip now (it follows on its own timer).
    void ShowPendingCount();

private:
    void AskLiveChoice();
    int Ask(const Question& question);
    void StartCloseWait();
    void OnCloseWaitTick();

    QWidget* m_form;
    SharedState& m_state;
    BusyPopup* m_busy;
    TransparentLabel* m_count;
    LinkController* m_controller = nullptr;
    Asker m_asker;
    QTimer* m_pendingTimer = nullptr;
    QTimer* m_closeTimer = nullptr;
    QDeadlineTimer m_closeDeadline;
    int m_closeWaitMs = 3000;
    bool m_closing = false;        // sending the last edits before closing
    bool m_closeApproved = false;  // nothing left to send, or the operator let them go
    QMetaObject::Connection m_liveChoiceConnection;
};

}  // namespace tolmarin
