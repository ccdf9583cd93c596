// Slips of the keyboard on the form: nothing typed by mistake reaches the amplifier.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QSignalSpy>

#include "FormRig.h"
#include "controls/FontLabel.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "editor/form/LinkDialogs.h"
#include "formdesc/FormIds.h"

namespace tolmarin::testing {
namespace {

using namespace form;

constexpr int kMinus10Db = 50;

// With TOLMARIN_PICTURES naming a folder, the widget as drawn is kept there to be looked at.
void SavePicture(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("TOLMARIN_PICTURES");
    if (!folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}

QString Suffix(Language language) {
    return language == Language::English ? QStringLiteral("-en.png") : QStringLiteral("-zh.png");
}

// The text drawn whole: the font it is drawn in leaves it inside the label.
bool Whole(const FontLabel& label) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(label.ShownHeight());
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(label.Text()) <= label.width() &&
           metrics.height() <= label.height();
}
constexpr int kBand = 3;

// Every command the form hears from a field or its spin.
struct Commands {
    Commands(FormRig& r, int fieldId, int spinId)
        : field(r.Get<NumberField>(fieldId), &NumberField::commandSent),
          spin(r.Get<NumberSpin>(spinId), &NumberSpin::commandSent) {}
    int Count() const { return field.count() + spin.count(); }
    QSignalSpy field;
    QSignalSpy spin;
};

TEST(FormSafeEntry, AClearedVolumeFieldKeepsMinus10DbOnEnterAndSendsNothing) {
    FormRig r;
    r.Type(kVolume, "-10");
    ASSERT_EQ(r.channels.Channel(0).GetVolumeDb(), kMinus10Db);
    Commands commands(r, kVolume, kVolumeSpin);
    NumberField* e = r.Get<NumberField>(kVolume);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(r.channels.Channel(0).GetVolumeDb(), kMinus10Db);
    EXPECT_EQ(r.Get<NumberSpin>(kVolumeSpin)->GetPos(), kMinus10Db);
    EXPECT_EQ(e->text(), QStringLiteral("-10"));
    EXPECT_EQ(commands.Count(), 0);
}

TEST(FormSafeEntry, ACommaInABandGainIsItsDecimalPointAndEscapeSendsNothing) {
    FormRig r;
    r.Click(r.Get<PictureButton>(kBandBypass + kBand));  // the band in use
    r.Type(kBandGain + kBand, "2,5");
    const Filter& band = r.channels.Channel(0).Band(kBand);
    EXPECT_EQ(band.GetGainStep(), 225);
    EXPECT_EQ(r.Get<NumberField>(kBandGain + kBand)->text(), QStringLiteral("2.5"));

    Commands commands(r, kBandGain + kBand, kBandGainSpin + kBand);
    NumberField* e = r.Get<NumberField>(kBandGain + kBand);
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("15"));
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_FALSE(e->hasFocus());
    EXPECT_EQ(e->text(), QStringLiteral("2.5"));
    EXPECT_EQ(band.GetGainStep(), 225);
    EXPECT_EQ(commands.Count(), 0);
}

TEST(FormSafeEntry, TypedTextInAnyListChangesNothing) {
    FormRig r;
    const auto lists = r.view->findChildren<QComboBox*>();
    ASSERT_GE(lists.size(), 10);
    for (QComboBox* l : lists) {
        if (!l->isEnabled() || !l->isVisible()) {
            continue;
        }
        const int count = l->count();
        const int index = l->currentIndex();
        QSignalSpy activated(l, &QComboBox::activated);
        l->setFocus();
        QTest::keyClicks(l, QStringLiteral("Hello 3 b"));
        QTest::keyClick(l, Qt::Key_Return);
        EXPECT_FALSE(l->isEditable()) << l->currentText().toStdString();
        EXPECT_EQ(l->count(), count);
        EXPECT_EQ(l->currentIndex(), index) << l->currentText().toStdString();
        EXPECT_EQ(activated.count(), 0);
    }
}

TEST(FormPopups, BusyAndDoneTextsShowWholeInBothLanguages) {
    for (const Language language : {Language::English, Language::Chinese}) {
        FormRig r;
        r.fresh->ui.language = language;
        BusyPopup& busy = r.view->BusyWindow();
        busy.ShowBusy(BusyState::Shown);
        EXPECT_TRUE(Whole(*busy.Text())) << busy.Text()->Text().toStdString();
        SavePicture(busy, QStringLiteral("popup-busy") + Suffix(language));
        DonePopup& done = r.view->DoneWindow();
        for (TransferDirection direction : {TransferDirection::Up, TransferDirection::Down}) {
            done.ShowTransferDone(direction, busy);
            EXPECT_TRUE(Whole(*done.Text())) << done.Text()->Text().toStdString();
        }
        done.ShowTransferDone(TransferDirection::Up, busy);
        SavePicture(done, QStringLiteral("popup-done") + Suffix(language));
        done.hide();
    }
}

TEST(ConnectDialogText, EveryLabelAndChoiceShowsWholeInBothLanguages) {
    for (const Language language : {Language::English, Language::Chinese}) {
        FormRig r;
        r.fresh->ui.language = language;
        ConnectDialog dlg(*r.fresh, r.settings, LinkKind::Usb);
        dlg.show();
        for (QAbstractButton* radio : {dlg.UsbRadio(), dlg.NetworkRadio()}) {
            EXPECT_LE(radio->sizeHint().width(), radio->width()) << radio->text().toStdString();
        }
        for (QLabel* label : dlg.findChildren<QLabel*>()) {
            EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
            // Beside its field, on the same row.
            ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
            EXPECT_EQ(label->y(), label->buddy()->y()) << label->text().toStdString();
            EXPECT_LT(label->geometry().right(), label->buddy()->x());
        }
        SavePicture(dlg, QStringLiteral("connect-dialog") + Suffix(language));
    }
}

TEST(FormSafeEntry, BridgeModeControlsOfCh2ReportDisabled) {
    FormRig r;
    r.Choose(kAmpMode, kModeBridge);
    SavePicture(*r.view, QStringLiteral("form-bridge") + Suffix(Language::English));
    EXPECT_FALSE(r.Get<PictureButton>(kChannelButton + 1)->isEnabled());
    EXPECT_FALSE(r.Get<PictureButton>(kMute + 1)->isEnabled());
    EXPECT_FALSE(r.Get<PictureRadio>(kLinkCheck)->isEnabled());
    r.Choose(kAmpMode, kModeStereo);
    EXPECT_TRUE(r.Get<PictureButton>(kChannelButton + 1)->isEnabled());
    EXPECT_TRUE(r.Get<PictureButton>(kMute + 1)->isEnabled());
    EXPECT_TRUE(r.Get<PictureRadio>(kLinkCheck)->isEnabled());

    r.Click(r.Get<PictureButton>(kLanguage));
    r.Choose(kAmpMode, kModeBridge);
    EXPECT_FALSE(r.Get<PictureButton>(kMute + 1)->isEnabled());
    SavePicture(*r.view, QStringLiteral("form-bridge") + Suffix(Language::Chinese));
}

}  // namespace
}  // namespace tolmarin::testing
