#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/EditLedger.h"
#include "text/Texts.h"

class QDialog;
class QTimer;
class QWidget;

namespace tolmarin {

class BusyPopup;
class ChannelSet;
class LinkController;
class TransparentLabel;
struct SharedState;

// Keeps the PC's settings from being lost without a word: the strip's count of settings the
// amplifier has not acknowledged (linked or not), the wait and the question when the window
// closes with some, the question at link-up when the PC holds edits of its own, and a
// recovery copy of the unsaved live program for a start after a crash.
class EditGuard : public QObject, public MessageSink {
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
    // The close question's answers ("Send again" only while the link is up).
    enum class CloseAnswer { SendAgain, Save, Discard, Cancel };
    // The link-up question's answers, in button order.
    enum class LinkUpAnswer { SendPc, TakeAmplifier };
    // Asks without a nested event loop; answer gets the chosen button (Escape: the escape
    // button). The link's messages wait for the answer.
    void Ask(const Question& question, std::function<void(TextId)> answer);
    // The program-file save: true only when the file was written.
    using Saver = std::function<bool()>;

    // form is the window's content (its window is closed once the edits are safe); busy and
    // count are the form's busy pop-up and the strip's label. All borrowed.
    EditGuard(QWidget* form, SharedState& state, ChannelSet& channels, BusyPopup* busy,
              TransparentLabel* count);
    ~EditGuard() override;

    // The controller whose edits are watched; its link-up question is asked from here.
    void UseController(LinkController* controller);
    // Tests answer the questions themselves; null goes back to message boxes.
    void SetAsker(Asker asker) { m_asker = std::move(asker); }
    void SetSaver(Saver saver) { m_saver = std::move(saver); }
    // The dialog a question is asked with (also for pictures of it): its buttons in the
    // question's order; it ends with result 1 + the chosen button's position, 0 by Escape.
    QDialog* MakeQuestionBox(const Question& question) const;
    // linked: the link is up, so "Send again" is offered.
    Question CloseQuestion(const std::string& edits, bool linked = true) const;
    Question LinkUpQuestion(const std::string& edits) const;
    // Switching the amplifier off; Enter and Escape keep it on.
    Question PowerOffQuestion() const;

    // Whether the window may close now. Edits not yet sent on an open link are sent first,
    // with the busy pop-up, for at most the close wait; the window closes when nothing of
    // the PC's is left unacknowledged and unsaved, or the operator is asked.
    bool ReadyToClose();
    void SetCloseWait(int ms) { m_closeWaitMs = ms; }
    bool Closing() const { return m_closing; }
    // A question is on screen.
    bool Asking() const { return m_asking; }
    // Shows the count in the strip now and keeps the recovery copy (it follows on a timer).
    void ShowPendingCount();
    // The PC's settings are in a file now: they are not at risk until edited again.
    void NoteSaved();
    // The settings the amplifier has not acknowledged and no file holds.
    std::vector<UnsentEdit> AtRisk();

    // Where the recovery copy of the unsaved live program is kept.
    static QString RecoveryPath();

    // MessageSink: while a question is on screen, the link's messages wait for its answer.
    void ShowMessage(std::string_view text, MessageKind kind) override;

private:
    void AskLiveChoice();
    // Asks; answer gets the chosen button's text (the escape button's when closed).
    void StartCloseWait();
    void OnCloseWaitTick();
    void AskClose(const std::vector<UnsentEdit>& edits);
    void OnCloseAnswer(CloseAnswer answer);
    void CloseNow();
    void KeepRecoveryCopy(bool atRisk);

    QWidget* m_form;
    SharedState& m_state;
    ChannelSet& m_channels;
    BusyPopup* m_busy;
    TransparentLabel* m_count;
    LinkController* m_controller = nullptr;
    Asker m_asker;
    Saver m_saver;
    QTimer* m_pendingTimer = nullptr;
    QTimer* m_closeTimer = nullptr;
    QDeadlineTimer m_closeDeadline;
    int m_closeWaitMs = 3000;
    bool m_closing = false;        // sending the last edits before closing
    bool m_closeApproved = false;  // nothing left at risk, or the operator let it go
    bool m_asking = false;
    bool m_deciding = false;  // inside ReadyToClose: the close under way is the one approved
    MessageSink* m_heldSink = nullptr;  // the form's sink while a question holds messages
    std::vector<std::pair<std::string, MessageKind>> m_heldMessages;
    std::optional<ChannelBlocks> m_saved;      // the records as last saved to a file
    std::optional<ChannelBlocks> m_recovered;  // the records as last kept in the copy
    bool m_recoveryWarned = false;
    QMetaObject::Connection m_liveChoiceConnection;
};

}  // namespace tolmarin
