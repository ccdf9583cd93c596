#include "editor/form/EditGuard.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "controls/TransparentLabel.h"
#include "editor/form/FormText.h"
#include "editor/form/LinkDialogs.h"
#include "link/LinkController.h"
#include "model/ChannelSet.h"
#include "protocol/ProgramFile.h"

namespace tolmarin {

namespace {

// How often the strip's count, the recovery copy and a close under way look at the edits.
constexpr int kPendingRefreshMs = 250;
constexpr int kCloseWaitTickMs = 50;

EditGuard::CloseAnswer CloseAnswerOf(TextId button) {
    switch (button) {
        case TextId::CloseSendAgain:
            return EditGuard::CloseAnswer::SendAgain;
        case TextId::CloseSave:
            return EditGuard::CloseAnswer::Save;
        case TextId::CloseDiscard:
            return EditGuard::CloseAnswer::Discard;
        default:
            return EditGuard::CloseAnswer::Cancel;
    }
}

}  // namespace

EditGuard::EditGuard(QWidget* form, SharedState& state, ChannelSet& channels, BusyPopup* busy,
                     TransparentLabel* count)
    : QObject(form),
      m_form(form),
      m_state(state),
      m_channels(channels),
      m_busy(busy),
      m_count(count) {
    m_pendingTimer = new QTimer(this);
    connect(m_pendingTimer, &QTimer::timeout, this, [this] { ShowPendingCount(); });
    m_pendingTimer->start(kPendingRefreshMs);
    m_closeTimer = new QTimer(this);
    connect(m_closeTimer, &QTimer::timeout, this, [this] { OnCloseWaitTick(); });
}

EditGuard::~EditGuard() {
    if (m_state.ui.sink == this) {
        m_state.ui.sink = m_heldSink;
    }
}

void EditGuard::UseController(LinkController* controller) {
    m_controller = controller;
    disconnect(m_liveChoiceConnection);
    // Queued: the controller announces it from inside the reply handling.
    m_liveChoiceConnection = connect(
        m_controller, &LinkController::liveChoiceNeeded, this, [this] { AskLiveChoice(); },
        Qt::QueuedConnection);
}

QString EditGuard::RecoveryPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("unsaved-live-program.Data12File"));
}

std::vector<UnsentEdit> EditGuard::AtRisk() {
    std::vector<UnsentEdit> edits = m_controller->UnsentEdits();
    if (m_saved) {
        // A value the last saved file holds is not lost with the window.
        const std::vector<UnsentEdit> unsaved =
            DifferencesBetween(*m_saved, RecordBlocks(m_channels));
        std::erase_if(edits, [&](const UnsentEdit& e) {
            return std::find(unsaved.begin(), unsaved.end(), e) == unsaved.end();
        });
    }
    return edits;
}

void EditGuard::NoteSaved() {
    m_saved = RecordBlocks(m_channels);
    ShowPendingCount();
}

void EditGuard::ShowPendingCount() {
    if (m_controller == nullptr) {
        return;
    }
    const std::size_t count = AtRisk().size();
    m_count->setText(
        count == 0 ? QString()
                   : UiText(m_state.ui, TextId::PendingEdits).arg(static_cast<qulonglong>(count)));
    KeepRecoveryCopy(count != 0);
}

void EditGuard::KeepRecoveryCopy(bool atRisk) {
    const QString path = RecoveryPath();
    if (!atRisk) {
        if (m_recovered) {
            QFile::remove(path);
            m_recovered.reset();
        }
        return;
    }
    const ChannelBlocks blocks = RecordBlocks(m_channels);
    if (m_recovered == blocks) {
        return;  // kept already
    }
    // The live program as the records hold it, in the program file's form, written by the
    // one safe writer so a crash mid-write leaves the earlier copy whole.
    DeviceImage copy = m_state.image;
    std::copy(blocks.begin(), blocks.end(), copy.Data(0).begin());
    QDir().mkpath(QFileInfo(path).absolutePath());
    FileWriteResult why;
    if (WriteSingleProgramFile(copy, path.toStdString(), Overwrite::Replace, &why) ==
        FileStatus::Ok) {
        m_recovered = blocks;
    } else {
        // Tried again at the next edit, said once: the copy is a safety net, editing works.
        m_recovered = blocks;
        if (!std::exchange(m_recoveryWarned, true)) {
            m_state.ui.Report(TextId::RecoveryFailed, MessageKind::Warning,
                              path.toStdString() + ": " + why.systemText);
        }
    }
}

QDialog* EditGuard::MakeQuestionBox(const Question& question) const {
    // A dialog of fixed size set before it is shown: the question's own layout, and no
    // resizing after the window exists.
    auto* box = new QDialog(m_form);
    box->setWindowTitle(UiText(m_state.ui, TextId::BusyCaption));
    auto* column = new QVBoxLayout(box);
    auto* top = new QHBoxLayout;
    column->addLayout(top);
    auto* icon = new QLabel(box);
    icon->setPixmap(box->style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QLabel(question.text, box);
    text->setWordWrap(true);
    text->setMinimumWidth(360);
    top->addWidget(text, 1);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    row->addStretch();
    for (std::size_t i = 0; i < question.buttons.size(); ++i) {
        auto* b = new QPushButton(UiText(m_state.ui, question.buttons[i]), box);
        const int result = static_cast<int>(i) + 1;
        connect(b, &QPushButton::clicked, box, [box, result] { box->done(result); });
        b->setAutoDefault(false);
        b->setDefault(static_cast<int>(i) == question.defaultButton);
        row->addWidget(b);
    }
    box->setFixedSize(box->sizeHint());
    return box;
}

void EditGuard::ShowMessage(std::string_view text, MessageKind kind) {
    m_heldMessages.emplace_back(std::string(text), kind);
}

void EditGuard::Ask(const Question& question, std::function<void(TextId)> answer) {
    const auto buttonAt = [question](int i) {
        const int n = static_cast<int>(question.buttons.size());
        return question
            .buttons[static_cast<std::size_t>(i >= 0 && i < n ? i : question.escapeButton)];
    };
    if (m_asker) {
        answer(buttonAt(m_asker(question)));
        return;
    }
    // Not a nested event loop: the link goes on (and may give up) while the question is on
    // screen, and its messages wait for the answer instead of stacking a second modal box
    // over it that would swallow the first click.
    m_asking = true;
    m_heldSink = m_state.ui.sink;
    m_state.ui.sink = this;
    QDialog* box = MakeQuestionBox(question);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this, buttonAt, answer](int result) {
        // Escape and the window's close button end with 0: the escape button's answer.
        const int index = result - 1;
        m_asking = false;
        m_state.ui.sink = m_heldSink;
        std::vector<std::pair<std::string, MessageKind>> held;
        held.swap(m_heldMessages);
        const TextId chosen = buttonAt(index);
        // Told after the answer, in the order they came: nothing the link said is lost.
        QTimer::singleShot(0, this, [this, held, chosen, answer] {
            for (const auto& [text, kind] : held) {
                if (m_state.ui.sink != nullptr) {
                    m_state.ui.sink->ShowMessage(text, kind);
                }
            }
            answer(chosen);
        });
    });
    box->open();
}

EditGuard::Question EditGuard::CloseQuestion(const std::string& edits, bool linked) const {
    Question q;
    q.text = UiText(m_state.ui, linked ? TextId::CloseUnsent : TextId::CloseUnsaved) +
             QLatin1Char(' ') + QString::fromStdString(edits) + QLatin1Char('.');
    if (linked) {
        q.buttons = {TextId::CloseSendAgain, TextId::CloseSave, TextId::CloseDiscard,
                     TextId::CloseCancel};
    } else {
        q.buttons = {TextId::CloseSave, TextId::CloseDiscard, TextId::CloseCancel};
    }
    // Keeping the settings is what a slip of the Enter key should do.
    q.defaultButton = 0;
    q.escapeButton = static_cast<int>(q.buttons.size()) - 1;
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

EditGuard::Question EditGuard::PowerOffQuestion() const {
    Question q;
    q.text = UiText(m_state.ui, TextId::PowerOffQuestion);
    q.buttons = {TextId::PowerOffConfirm, TextId::PowerKeepOn};
    // A slip of Enter or Escape keeps the room playing.
    q.defaultButton = 1;
    q.escapeButton = 1;
    return q;
}

void EditGuard::AskLiveChoice() {
    if (!m_controller->LiveChoicePending() || m_asking) {
        return;
    }
    const std::string edits = DescribeEdits(m_controller->UnsentEdits(), m_state.ui);
    Ask(LinkUpQuestion(edits), [this](TextId chosen) {
        m_controller->ResolveLiveChoice(chosen == TextId::LinkUpSendPc ? LiveChoice::SendPc
                                                                       : LiveChoice::TakeAmplifier);
        ShowPendingCount();
    });
}

bool EditGuard::ReadyToClose() {
    if (m_closeApproved) {
        return true;
    }
    if (m_closing || m_asking) {
        return false;  // still sending, or asking
    }
    if (m_controller->Linked() && m_controller->LiveKnown() &&
        !m_controller->UnsentEdits().empty()) {
        StartCloseWait();
        return false;
    }
    const std::vector<UnsentEdit> atRisk = AtRisk();
    if (atRisk.empty()) {
        KeepRecoveryCopy(false);
        return true;
    }
    // An answer given at once (a test's) approves this very close.
    m_deciding = true;
    AskClose(atRisk);
    m_deciding = false;
    return m_closeApproved;
}

void EditGuard::StartCloseWait() {
    m_closing = true;
    m_busy->ShowBusy(BusyState::Shown);
    m_closeDeadline = QDeadlineTimer(m_closeWaitMs);
    m_closeTimer->start(kCloseWaitTickMs);
}

void EditGuard::OnCloseWaitTick() {
    const bool linked = m_controller->Linked();
    if (linked && m_controller->UnsentEdits().empty()) {
        m_closeTimer->stop();
        m_busy->ShowBusy(BusyState::Hidden);
        m_closing = false;
        CloseNow();
        return;
    }
    if (linked && !m_closeDeadline.hasExpired()) {
        return;
    }
    m_closeTimer->stop();
    m_busy->ShowBusy(BusyState::Hidden);
    m_closing = false;
    // What a file holds already is not asked about.
    const std::vector<UnsentEdit> atRisk = AtRisk();
    if (atRisk.empty()) {
        CloseNow();
        return;
    }
    AskClose(atRisk);
}

void EditGuard::AskClose(const std::vector<UnsentEdit>& edits) {
    const bool linked = m_controller->Linked() && m_controller->LiveKnown();
    Ask(CloseQuestion(DescribeEdits(edits, m_state.ui), linked),
        [this](TextId chosen) { OnCloseAnswer(CloseAnswerOf(chosen)); });
}

void EditGuard::OnCloseAnswer(CloseAnswer answer) {
    switch (answer) {
        case CloseAnswer::SendAgain:
            if (m_controller->Linked()) {
                StartCloseWait();
            } else {
                // The link went while the question was open: ask what is left, unlinked.
                QTimer::singleShot(0, m_form->window(), [w = m_form->window()] { w->close(); });
            }
            break;
        case CloseAnswer::Save:
            // A cancelled or failed save keeps the window, and with it the settings.
            if (m_saver && m_saver()) {
                NoteSaved();
                CloseNow();
            }
            break;
        case CloseAnswer::Discard:
            CloseNow();
            break;
        case CloseAnswer::Cancel:
            break;
    }
}

void EditGuard::CloseNow() {
    m_closeApproved = true;
    // Closed on purpose: nothing is to be offered at the next start.
    QFile::remove(RecoveryPath());
    m_recovered.reset();
    if (!m_deciding) {
        m_form->window()->close();
    }
}

}  // namespace tolmarin
