// Slips of the keyboard on the form: nothing typed by mistake reaches the amplifier.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "FormRig.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "form/FormIds.h"

namespace tolmarin::testing {
namespace {

using namespace form;

constexpr int kMinus10Db = 50;
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

TEST(FormSafeEntry, BridgeModeControlsOfCh2ReportDisabled) {
    FormRig r;
    r.Choose(kAmpMode, kModeBridge);
    EXPECT_FALSE(r.Get<PictureButton>(kChannelButton + 1)->isEnabled());
    EXPECT_FALSE(r.Get<PictureButton>(kMute + 1)->isEnabled());
    EXPECT_FALSE(r.Get<PictureRadio>(kLinkCheck)->isEnabled());
    r.Choose(kAmpMode, kModeStereo);
    EXPECT_TRUE(r.Get<PictureButton>(kChannelButton + 1)->isEnabled());
    EXPECT_TRUE(r.Get<PictureButton>(kMute + 1)->isEnabled());
    EXPECT_TRUE(r.Get<PictureRadio>(kLinkCheck)->isEnabled());
}

}  // namespace
}  // namespace tolmarin::testing
