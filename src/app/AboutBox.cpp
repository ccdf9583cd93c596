#include "app/AboutBox.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "Version.h"
#include "art/FormLayout.h"
#include "editor/form/FormText.h"

namespace tolmarin {

namespace {
constexpr int kIconPx = 48;
constexpr int kMargin = 16;
}  // namespace

QIcon AppIcon() {
    // Rendered here rather than by Qt's SVG icon plugin, which is a separate package.
    QSvgRenderer svg(QStringLiteral(":/icons/org.tolmarin.Tolmarin.svg"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

AboutBox::AboutBox(const UiState& ui, QWidget* parent) : QDialog(parent) {
    setWindowTitle(UiText(ui, TextId::AboutCaption));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(kIconPx, kIconPx));
    m_text = new QLabel(UiText(ui, TextId::AboutVersion).arg(QLatin1String(kVersionShort)), this);
    m_ok = new QPushButton(UiText(ui, TextId::AboutOk), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->setSpacing(kMargin);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(m_text, 1, Qt::AlignVCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kMargin);
    column->addLayout(row);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

AboutHook::AboutHook(QWidget* window, QWidget* form, const UiState& ui)
    : QObject(form), m_window(window), m_ui(ui) {
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
    connect(f1, &QShortcut::activated, this, &AboutHook::Show);
    form->installEventFilter(this);
}

QRectF AboutHook::NameBox(Language language) {
    const art::BackgroundLayout layout = art::LayoutBackground(language == Language::English);
    const QString product = QString::fromUtf8(Tr(TextId::ArtProduct, language));
    QRectF box;
    for (const art::FormText& t : layout.texts) {
        if (t.role == art::TextRole::Brand || t.text == product) {
            box = box.united(t.box);
        }
    }
    return box;
}

void AboutHook::Show() {
    AboutBox box(m_ui, m_window);
    box.exec();
}

bool AboutHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton &&
            NameBox(m_ui.language).contains(press->position())) {
            Show();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tolmarin
