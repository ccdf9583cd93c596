#include "editor/form/HistoryStrip.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

#include "editor/form/FormText.h"
#include "editor/history/EditHistory.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"

namespace tolmarin {

namespace {

QToolButton* MakeButton(QWidget* form, form::Control id, const char* objectName) {
    auto* b = new QToolButton(form);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setFocusPolicy(Qt::NoFocus);  // a field being typed in keeps its focus
    for (const form::ControlDef& c : form::ReservedControls()) {
        if (c.control == id) {
            const form::PixelRect r = form::PlacedRect(c);
            b->setGeometry(r.x, r.y, r.width, r.height);
        }
    }
    b->show();
    return b;
}

QString Tip(const UiState& ui, TextId pattern, TextId none, const std::string& step) {
    return step.empty() ? UiText(ui, none) : UiText(ui, pattern).arg(QString::fromStdString(step));
}

}  // namespace

HistoryStrip::HistoryStrip(QWidget* form, EditHistory& history, const UiState& ui)
    : QObject(form), m_history(history), m_ui(ui) {
    m_undo = MakeButton(form, form::Control::Undo, "undo");
    m_redo = MakeButton(form, form::Control::Redo, "redo");
    m_ab = MakeButton(form, form::Control::AbToggle, "abToggle");
    m_ab->setCheckable(true);
    m_ab->setPopupMode(QToolButton::DelayedPopup);
    auto* menu = new QMenu(m_ab);
    m_copyAToB = menu->addAction(QString());
    m_copyBToA = menu->addAction(QString());
    m_ab->setMenu(menu);
    m_ab->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(m_undo, &QToolButton::clicked, this, [this] {
        Before();
        m_history.Undo();
    });
    connect(m_redo, &QToolButton::clicked, this, [this] {
        Before();
        m_history.Redo();
    });
    connect(m_ab, &QToolButton::clicked, this, [this] {
        Before();
        m_history.SwitchAb();
    });
    connect(m_ab, &QWidget::customContextMenuRequested, this,
            [this, menu](QPoint at) { menu->popup(m_ab->mapToGlobal(at)); });
    connect(m_copyAToB, &QAction::triggered, this, [this] {
        Before();
        m_history.CopyAToB();
    });
    connect(m_copyBToA, &QAction::triggered, this, [this] {
        Before();
        m_history.CopyBToA();
    });

    const auto key = [form, this](const QKeySequence& keys, auto slot) {
        auto* s = new QShortcut(keys, form);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] {
        Before();
        m_history.Undo();
    });
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] {
        Before();
        m_history.Redo();
    });
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] {
        Before();
        m_history.Redo();
    });
    key(QKeySequence(Qt::CTRL | Qt::Key_B), [this] {
        Before();
        m_history.SwitchAb();
    });

    connect(&m_history.Stack(), &QUndoStack::indexChanged, this, &HistoryStrip::ApplyLanguage);
    connect(&m_history, &EditHistory::compareChanged, this, &HistoryStrip::ApplyLanguage);
    ApplyLanguage();
}

void HistoryStrip::Before() {
    if (m_before) {
        m_before();
    }
}

void HistoryStrip::ApplyLanguage() {
    const Language lang = m_ui.language;
    m_undo->setText(UiText(m_ui, TextId::HistoryUndo));
    m_redo->setText(UiText(m_ui, TextId::HistoryRedo));
    m_undo->setEnabled(m_history.Stack().canUndo());
    m_redo->setEnabled(m_history.Stack().canRedo());
    m_undo->setToolTip(
        Tip(m_ui, TextId::HistoryUndoTip, TextId::HistoryNothingToUndo, m_history.UndoText(lang)));
    m_redo->setToolTip(
        Tip(m_ui, TextId::HistoryRedoTip, TextId::HistoryNothingToRedo, m_history.RedoText(lang)));
    const bool b = m_history.BActive();
    const QString active = UiText(m_ui, b ? TextId::CompareB : TextId::CompareA);
    const QString other = UiText(m_ui, b ? TextId::CompareA : TextId::CompareB);
    m_ab->setText(QStringLiteral("A|B: ") + active);
    m_ab->setChecked(b);
    m_ab->setToolTip(UiText(m_ui, TextId::CompareTip).arg(active, other));
    m_copyAToB->setText(UiText(m_ui, TextId::CompareCopyAToB));
    m_copyBToA->setText(UiText(m_ui, TextId::CompareCopyBToA));
}

}  // namespace tolmarin
