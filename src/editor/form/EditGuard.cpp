#include "editor/form/EditGuard.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "controls/TransparentLabel.h"
#include "editor/form/FormText.h"
#include "editor/form/LinkDialogs.h"
#include "link/LinkController.h"
#include "model/EditLedger.h"

namespace tolmarin {

namespace {

// How often the strip's count and a close under way look at the edits on their way.
constexpr int kPendingRefreshMs = 250;
constexpr int kCloseWaitTickMs = 50;

}  // namespace

EditGuard::EditGuard(QWidget* form, SharedState& state, BusyPopup* busy, TransparentLabel* count)
    : QObject(form), m_form(form), m_state(state), m_busy(busy), m_count(count) {
    m_pendingTimer = new QTimer(this);
    connect(m_pendingTimer, &QTimer::timeout, this, [this] { ShowPendingCount(); });
    m_pendingTimer->start(kPendingRefreshMs);
    m_closeTimer = new QTimer(this);
    connect(m_closeTimer, &QTimer::timeout, this, [this] { OnCloseWaitTick(); });
}

void EditGuard::UseController(LinkController* controller) {
    m_controller = controller;
    disconnect(m_liveChoiceConnection);
    // Queued: the controller announces it from inside the reply handling.
    m_liveChoiceConnection = connect(
        m_controller, &LinkController::liveChoiceNeeded, this, [this] { AskLiveChoice(); },
        Qt::QueuedConnection);
}

void EditGuard::ShowPendingCount() {
    // Unlinked, the edits are the PC's own, not waiting: the next link-up asks about them.
    const std::size_t count = m_controller->Linked() ? m_controller->UnsentEdits().size() : 0;
    m_count->setText(
        count == 0 ? QString()
                   : UiText(m_state.ui, TextId::PendingEdits).arg(static_cast<qulonglong>(count)));
}

QMessageBox* EditGuard::MakeQuestionBox(const Question& question) const {
    auto* box = new QMessageBox(m_form);
    box->setWindowTitle(UiText(m_state.ui, TextId::BusyCaption));
    box->setIcon(QMessageBox::Question);
    box->setText(question.text);
    for (std::size_t i = 0; i < question.buttons.size(); ++i) {
        QPushButton* b =
            box->addButton(UiText(m_state.ui, question.buttons[i]), QMessageBox::ActionRole);
        if (static_cast<int>(i) == question.defaultButton) {
            box->setDefaultButton(b);
        }
        if (static_cast<int>(i) == question.escapeButton) {
            box->setEscapeButton(b);
        }
    }
    return box;
}

int EditGuard::Ask(const Question& question) {
    if (m_asker) {
        return m_asker(question);
    }
    std::unique_ptr<QMessageBox> box(MakeQuestionBox(question));
    box->exec();
    const auto buttons = box->buttons();
    const int answer = static_cast<int>(buttons.indexOf(box->clickedButton()));
    return answer >= 0 ? answer : question.escapeButton;
}

EditGuard::Question EditGuard::CloseQuestion(const std::string& edits) const {
    Question q;
    q.text = UiText(m_state.ui, TextId::CloseUnsent) + QLatin1Char(' ') +
             QString::fromStdString(edits) + QLatin1Char('.');
    q.buttons = {TextId::CloseSendAgain, TextId::CloseDiscard, TextId::CloseStay};
    q.defaultButton = static_cast<int>(CloseAnswer::SendAgain);
    q.escapeButton = static_cast<int>(CloseAnswer::Stay);
    return q;
}

EditGuard::Question EditGuard::LinkUpQuestion(const std::string& edits) const {
    Question q;
    q.text = UiText(m_state.ui, TextId::LinkUpEdits) + QLatin1Char(' ') +
             QString::fromStdString(edits) + QStringLiteral(".\n\n") +
             UiText(m_state.ui, TextId::LinkUpQuestion);
    q.buttons = {TextId::LinkUpSendPc, TextId::LinkUpTakeAmp};
    // Taking the amplifier's is what every link-up did before edits were kept.
    q.defaultButton = static_cast<int>(LinkUpAnswer::TakeAmplifier);
    q.escapeButton = q.defaultButton;
    return q;
}

void EditGuard::AskLiveChoice() {
    if (!m_controller->LiveChoicePending()) {
        return;
    }
    const std::string edits = DescribeEdits(m_controller->UnsentEdits(), m_state.ui);
    const int answer = Ask(LinkUpQuestion(edits));
    m_controller->ResolveLiveChoice(answer == static_cast<int>(LinkUpAnswer::SendPc)
                                        ? LiveChoice::SendPc
                                        : LiveChoice::TakeAmplifier);
    ShowPendingCount();
}

bool EditGuard::ReadyToClose() {
    if (m_closeApproved) {
        return true;
    }
    if (m_closing) {
        return false;  // still sending
    }
    // Unlinked, the edits stay the PC's (the next link-up asks about them).
    if (!m_controller->Linked() || !m_controller->LiveKnown() ||
        m_controller->UnsentEdits().empty()) {
        return true;
    }
    StartCloseWait();
    return false;
}

void EditGuard::StartCloseWait() {
    m_closing = true;
    m_busy->ShowBusy(BusyState::Shown);
    m_closeDeadline = QDeadlineTimer(m_closeWaitMs);
    m_closeTimer->start(kCloseWaitTickMs);
}

void EditGuard::OnCloseWaitTick() {
    const bool linked = m_controller->Linked();
    const std::vector<UnsentEdit> unsent = m_controller->UnsentEdits();
    if (linked && unsent.empty()) {
        m_closeTimer->stop();
        m_busy->ShowBusy(BusyState::Hidden);
        m_closing = false;
        m_closeApproved = true;
        m_form->window()->close();
        return;
    }
    if (linked && !m_closeDeadline.hasExpired()) {
        return;
    }
    m_closeTimer->stop();
    m_busy->ShowBusy(BusyState::Hidden);
    m_closing = false;
    switch (static_cast<CloseAnswer>(Ask(CloseQuestion(DescribeEdits(unsent, m_state.ui))))) {
        case CloseAnswer::SendAgain:
            if (m_controller->Linked()) {
                StartCloseWait();
            }
            break;
        case CloseAnswer::Discard:
            m_closeApproved = true;
            m_form->window()->close();
            break;
        case CloseAnswer::Stay:
            break;
    }
}

}  // namespace tolmarin
