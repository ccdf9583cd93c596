#include "editor/form/FormWidgets.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStyleOptionComplex>

#include "controls/BitmapSource.h"
#include "controls/Fader.h"
#include "controls/FixedList.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormText.h"
#include "editor/form/ParameterBinder.h"
#include "editor/graph/ResponseGraph.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"
#include "text/SelectionLists.h"

namespace tolmarin {

using namespace form;

namespace {

constexpr int kSpinWidthPx = 13;
constexpr int kLinkCheckWidthPx = 180;
constexpr int kListArrowPx = 14;
constexpr int kProgressMax = 100;
constexpr int kTemplateFontPx = 11;

int EntryUnit(FieldUnit unit) {
    switch (unit) {
        case FieldUnit::Metres:
            return entry::kDelayMetres;
        case FieldUnit::Feet:
            return entry::kDelayFeet;
        case FieldUnit::Own:
            break;
    }
    return ParameterBinder::kOwnUnit;
}

// The form's lists are narrow (the template's widths): a slimmer arrow leaves the text room.
class ListStyle : public QProxyStyle {
public:
    ListStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect r = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_ComboBox) {
            return r;
        }
        const QRect frame = option->rect;
        if (sub == SC_ComboBoxArrow) {
            return QRect(frame.right() - kListArrowPx + 1, frame.top(), kListArrowPx,
                         frame.height());
        }
        if (sub == SC_ComboBoxEditField) {
            constexpr int kInset = 2;
            return QRect(frame.left() + kInset, frame.top() + kInset,
                         frame.width() - kListArrowPx - 2 * kInset, frame.height() - 2 * kInset);
        }
        return r;
    }
};

// Makes the controls of the description one by one; those that edit a parameter go to the
// binder with their column (band, channel or input).
class Maker {
public:
    Maker(QWidget* form, QObject* keyFilter, ParameterBinder& binder)
        : m_form(form), m_keyFilter(keyFilter), m_binder(binder) {}

    QWidget* Make(const ControlDef& c, FormWidgets& out);

private:
    QWidget* m_form;
    QObject* m_keyFilter;
    ParameterBinder& m_binder;
};

QWidget* Maker::Make(const ControlDef& c, FormWidgets& out) {
    const QRect r = DialogRect(c.x, c.y, c.w, c.h);
    const int index = c.index;
    const ParamDef* param = c.param.empty() ? nullptr : ParamByName(c.param);
    if (param != nullptr && !ParameterBinder::Binds(*param)) {
        param = nullptr;
    }
    switch (c.kind) {
        case ControlKind::SkinButton: {
            auto* b = new PictureButton(m_form);
            b->SetControlId(c.id);
            b->setGeometry(r);
            if (c.bitmaps[0] != 0) {
                SetPictures(b, c.bitmaps);
            }
            if (param != nullptr) {
                m_binder.BindSwitch(*param, index, b);
            }
            out.buttons[c.id] = b;
            return b;
        }
        case ControlKind::DropList:
        case ControlKind::ComboEdit: {
            auto* l = new FixedList(m_form);
            l->setStyle(FormListStyle());
            if (param != nullptr) {
                m_binder.BindList(*param, index, l);
            }
            if (c.control == Control::AmpMode) {
                out.ampMode = l;
            }
            l->setGeometry(r);
            return l;
        }
        case ControlKind::Progress:
            out.progress = new QProgressBar(m_form);
            out.progress->setTextVisible(false);
            out.progress->setRange(0, kProgressMax);
            out.progress->setValue(0);
            out.progress->setGeometry(r);
            return out.progress;
        case ControlKind::Graph:
            out.graph = new ResponseGraph(m_form);
            out.graph->SetControlId(c.id);
            out.graph->setGeometry(r);
            return out.graph;
        case ControlKind::LinkCheck:
            out.linkCheck = new PictureRadio(PictureRadio::Style::Check, m_form);
            out.linkCheck->SetControlId(c.id);
            out.linkCheck->setCheckable(true);
            // The label is set per language later; leave room for the longer one.
            out.linkCheck->setGeometry(
                QRect(r.topLeft(), QSize(std::max(r.width(), kLinkCheckWidthPx), r.height())));
            return out.linkCheck;
        case ControlKind::TempLabel: {
            auto* t = new TransparentLabel(m_form);
            t->SetControlId(c.id);
            t->setGeometry(r);
            if (c.control == Control::PendingCount) {
                out.pendingCount = t;
                return t;
            }
            t->setText(QStringLiteral("100"));
            out.temperatures.push_back(t);
            return t;
        }
        case ControlKind::Picture: {
            auto* p = new QLabel(m_form);
            p->setPixmap(LoadBitmap(c.bitmaps[0]));
            p->setGeometry(QRect(r.topLeft(), p->pixmap().size()));
            return p;
        }
        case ControlKind::Lamp: {
            auto* l = new Lamp(m_form);
            l->SetControlId(c.id);
            l->setGeometry(r);
            l->Init();
            out.lamps.push_back(l);
            return l;
        }
        case ControlKind::NumField: {
            auto* e = new NumberField(m_form);
            e->SetControlId(c.id);
            auto* spin = new NumberSpin(m_form);
            spin->SetControlId(c.spinId);
            // The spin sits inside the field's width, at its right.
            e->setGeometry(r.adjusted(0, 0, -kSpinWidthPx, 0));
            spin->setGeometry(
                QRect(r.right() - kSpinWidthPx + 1, r.top(), kSpinWidthPx, r.height()));
            if (param != nullptr) {
                m_binder.BindField(*param, index, e, spin, EntryUnit(c.unit));
            }
            spin->installEventFilter(m_keyFilter);
            out.byId[c.spinId] = spin;
            return e;
        }
        case ControlKind::Fader: {
            auto* f = new Fader(m_form);
            f->SetControlId(c.id);
            f->setGeometry(r);  // the track picture then sizes it
            f->SetBitmapChannel(c.bitmaps[0], 0, true, Fader::kColourFromPixel, 0, 0);
            f->SetBitmapThumb(c.bitmaps[1], c.bitmaps[2], true, Fader::kColourFromPixel, 0, 0);
            // The margin insets the thumb from the track's left edge; the track pictures hide
            // the part of the volume thumb that overhangs them.
            f->SetMargin(c.margin, 0, 0, 0);
            f->SetVertical(true);
            if (param != nullptr) {
                m_binder.BindFader(*param, index, f);
            }
            return f;
        }
    }
    return nullptr;
}

}  // namespace

void SetUpForm(QWidget* form) {
    form->setFixedSize(kFormWidth, kFormHeightWithStrip);
    form->setFocusPolicy(Qt::StrongFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTemplateFontPx);
    form->setFont(font);
}

FormWidgets CreateFormWidgets(QWidget* form, QObject* keyFilter, ParameterBinder& binder) {
    FormWidgets out;
    Maker maker(form, keyFilter, binder);
    for (const ControlDef& c : FormControls()) {
        QWidget* w = maker.Make(c, out);
        if (c.kind != ControlKind::Picture && c.kind != ControlKind::NumField) {
            w->setVisible(!c.hidden);
        }
        w->installEventFilter(keyFilter);
        out.byId[c.id] = w;
    }
    binder.SetGraph(out.graph);
    out.linkCheck->setFont(FormFont());
    for (TransparentLabel* t : out.temperatures) {
        t->setFont(FormFont());
    }
    return out;
}

void SetPictures(PictureButton* button, const ButtonPictures& p) {
    button->SetBitmaps(p[0], p[1], p[2], p[3], p[4], p[5]);
}

void ShowLanguagePictures(const FormWidgets& widgets, Language language) {
    const bool english = language == Language::English;
    for (const ControlDef& c : FormControls()) {
        if (c.bitmapsEn[0] != 0) {
            SetPictures(widgets.buttons.at(c.id), english ? c.bitmapsEn : c.bitmapsZh);
        }
    }
}

void ShowModeLocks(const FormWidgets& widgets, int mode) {
    for (int id : {kLinkCheck, kChannelButton + 1, kSensitivity + 1, kMute + 1, kPolarity + 1}) {
        widgets.byId.at(id)->setEnabled(mode != kModeBridge);
    }
}

void ShowLanguageTexts(const FormWidgets& widgets, const UiState& ui, int mode) {
    widgets.linkCheck->setText(UiText(ui, TextId::FormLinkCheck));
    widgets.ampMode->clear();
    for (const std::string& text : ListTexts(SelectionList::AmpMode, ui.language)) {
        widgets.ampMode->addItem(QString::fromStdString(text));
    }
    widgets.ampMode->setCurrentIndex(mode);
}

void PaintFormBackground(QPainter& painter, Language language) {
    const QPixmap background =
        LoadBitmap(language == Language::English ? kBitmapBackgroundEn : kBitmapBackgroundZh);
    painter.drawPixmap(0, 0, background);
    const PixelRect strip = StripRect();
    painter.drawPixmap(QRect(strip.x, strip.y, strip.width, strip.height), background,
                       QRect(0, background.height() - 1, background.width(), 1));
}

// One for the process, owned by the application so that it outlives every list.
QStyle* FormListStyle() {
    static QPointer<ListStyle> style;
    if (style.isNull()) {
        style = new ListStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

}  // namespace tolmarin
