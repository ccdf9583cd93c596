#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ControlsTestSupport.h"
#include "controls/ControlsUi.h"
#include "controls/NameEdit.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "model/ValueEntry.h"
#include "support/RecordingSink.h"

namespace tolmarin {
namespace {

// One field with its spin, configured as the form does, and a second field to take the
// focus away.
class Field : public ::testing::Test {
protected:
    void Configure(int id, int kind, int minimum, int maximum, double step = 0.0,
                   double offset = 0.0) {
        edit->SetControlId(id);
        spin->SetControlId(id + 10);
        edit->SetStep(step);
        edit->SetOffset(offset);
        edit->SetKind(kind);
        spin->SetBuddy(edit);
        spin->SetRange(minimum, maximum);
    }

    void SetUp() override {
        // Placed by hand: a layout would size the window, which the offscreen platform
        // answers with a warning.
        window.resize(200, 100);
        edit->setParent(&window);
        spin->setParent(&window);
        other->setParent(&window);
        edit->setGeometry(10, 10, 75, 20);
        spin->setGeometry(85, 10, 16, 20);
        other->setGeometry(10, 50, 75, 20);
        testing::ShowActive(window);
        SetControlsUiState(&ui);
    }
    void TearDown() override { SetControlsUiState(nullptr); }

    // Types into the field and leaves it, as a user does.
    void Enter(const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        other->setFocus();
    }

    QWidget window;
    NumberField* edit = new NumberField;
    NumberSpin* spin = new NumberSpin;
    QLineEdit* other = new QLineEdit;
    testing::RecordingSink sink;
    UiState ui{Language::English, &sink};
};

TEST_F(Field, LeavingAfterTypingCommitsOnceWithTheFieldsRules) {
    Configure(3050, entry::kDelayMs, 0, 1467);
    QSignalSpy commands(edit, &NumberField::commandSent);
    Enter("5");
    EXPECT_EQ(edit->GetValue(), 238);
    EXPECT_EQ(edit->text(), "4.998");
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 3050);

    // Leaving again without typing commits nothing.
    edit->setFocus();
    other->setFocus();
    EXPECT_EQ(commands.count(), 1);
}

TEST_F(Field, DistanceFieldsShowTheDelayAtTheSpeedOfSound) {
    Configure(3051, entry::kDelayMetres, 0, 1467);
    spin->SetPos(477);
    EXPECT_EQ(edit->text(), "3.442");
    Configure(3052, entry::kDelayFeet, 0, 1467);
    spin->SetPos(477);
    EXPECT_EQ(edit->text(), "11.293");
    // A distance commit reads its text at once: nothing is left for the form to re-read.
    Enter("3.442");
    EXPECT_FALSE(edit->IsDirty());
}

TEST_F(Field, AnAttackBetweenTheTwoScalesLeavesTheValueAndRestoresItsText) {
    Configure(3131, entry::kAttack, 0, 106);
    spin->SetPos(50);
    QSignalSpy commands(edit, &NumberField::commandSent);
    Enter("0.95");
    EXPECT_EQ(spin->GetPos(), 50);
    EXPECT_EQ(edit->text(), "44ms");
    EXPECT_EQ(commands.count(), 1);
}

TEST_F(Field, OnlyTheNumbersOwnCharactersCanBeTyped) {
    Configure(3130, entry::kLevel, 0, 400, 0.1);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "a1b.-2 x");
    EXPECT_EQ(edit->text(), "1.-2");
    EXPECT_TRUE(edit->IsDirty());
    // Enter shows the start of the text and keeps the focus; it commits nothing.
    QSignalSpy commands(edit, &NumberField::commandSent);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->cursorPosition(), 0);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(Field, CommaIsTheDecimalPointWhereThereAreDecimalsAndOnlyOneCanBeTyped) {
    Configure(3450, entry::kGain, 0, 400, 0.1, 20.0);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "2,5,.");
    EXPECT_EQ(edit->text(), "2,5");
    other->setFocus();
    EXPECT_EQ(edit->GetValue(), 225);
    EXPECT_EQ(edit->text(), "2.5");

    Configure(3070, entry::kFrequency, 20, 20000);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "1,000");
    EXPECT_EQ(edit->text(), "1000");
}

TEST_F(Field, AnEmptiedFieldKeepsItsValueAndEscapeDropsTheTyping) {
    Configure(3133, entry::kVolume, 0, 60, 1.0, 60.0);
    spin->SetPos(50);
    QSignalSpy commands(edit, &NumberField::commandSent);
    Enter("");
    EXPECT_EQ(edit->GetValue(), 50);
    EXPECT_EQ(edit->text(), "-10");

    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "0");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "-10");
    EXPECT_EQ(spin->GetPos(), 50);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(Field, SettingFromCodeNeitherMarksDirtyNorNotifies) {
    Configure(3070, entry::kFrequency, 20, 20000);
    QSignalSpy edits(edit, &NumberField::commandSent);
    QSignalSpy spins(spin, &NumberSpin::commandSent);
    spin->SetPos(1000);
    edit->SetValue(30000);  // outside the range: ignored
    EXPECT_EQ(edit->text(), "1000");
    EXPECT_FALSE(edit->IsDirty());
    EXPECT_EQ(edits.count() + spins.count(), 0);
}

TEST_F(Field, WheelStepsOneIndexPerNotchAndAlwaysNotifies) {
    Configure(3450, entry::kGain, 0, 400, 0.1, 20.0);
    spin->SetPos(200);
    QSignalSpy commands(edit, &NumberField::commandSent);
    const QPoint centre = edit->rect().center();
    auto wheel = [&](int delta) {
        QWheelEvent event(centre, edit->mapToGlobal(centre), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit, &event);
    };
    wheel(120);
    EXPECT_EQ(spin->GetPos(), 201);
    EXPECT_EQ(commands.count(), 1);
    wheel(60);
    EXPECT_EQ(spin->GetPos(), 201);
    EXPECT_EQ(commands.count(), 2);
    wheel(-60);
    wheel(-120);
    EXPECT_EQ(spin->GetPos(), 200);
    EXPECT_EQ(commands.count(), 4);

    // Over a frequency a notch is one point of the response grid, not one hertz.
    Configure(3300, entry::kFrequency, 20, 20000);
    spin->SetPos(1000);
    wheel(120);
    EXPECT_EQ(spin->GetPos(), 1030);
    EXPECT_EQ(edit->text(), "1030");
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(spin->GetPos(), 972);
    spin->SetPos(20000);
    wheel(120);
    EXPECT_EQ(spin->GetPos(), 20000);
}

TEST_F(Field, TypedTextOutsideTheRangeIsReadQuietlyAsNoChange) {
    Configure(3300, entry::kFrequency, 20, 20000);
    spin->SetPos(700);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "25000");
    EXPECT_EQ(spin->GetPos(), 700);
    EXPECT_EQ(edit->text(), "25000");  // the quiet reading rebuilds nothing
    other->setFocus();
    EXPECT_EQ(spin->GetPos(), 20000);
}

TEST_F(Field, FrequencyArrowsStepAlongTheGridInWholeHertz) {
    Configure(3300, entry::kFrequency, 20, 20000);
    const struct {
        int from, delta, to;
    } cases[] = {{1000, 1, 1030}, {1000, -1, 972}, {19585, 1, 20000}, {20000, 1, 20000},
                 {20, -1, 20},    {1015, 1, 1030}, {1015, -1, 1000},  {21, -1, 20}};
    for (const auto& c : cases) {
        spin->SetPos(c.from);
        spin->Step(c.delta);
        EXPECT_EQ(spin->GetPos(), c.to) << c.from << " " << c.delta;
        EXPECT_EQ(edit->text(), QString::number(c.to));
    }
    // A low shelf stops at the top of its range instead of the next grid point.
    spin->SetRange(20, 2000);
    spin->SetPos(1990);
    spin->Step(1);
    EXPECT_EQ(spin->GetPos(), 2000);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Field, ArrowKeyInTheFieldStartsFromTheTypedTextAndNotifiesAtOnce) {
    Configure(3301, entry::kFrequency, 20, 20000);
    spin->SetPos(1000);
    QSignalSpy commands(spin, &NumberSpin::commandSent);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "5000");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(spin->GetPos(), 5187);
    EXPECT_EQ(edit->text(), "5187");
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 3311);
}

TEST_F(Field, AClickOnAnArrowNotifiesOnceAtReleaseAndNotFromTheStep) {
    Configure(3050, entry::kDelayMs, 0, 1467);
    QSignalSpy commands(spin, &NumberSpin::commandSent);
    const QPoint up(spin->width() / 2, 2);
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(spin->GetPos(), 1);
    EXPECT_EQ(commands.count(), 0);
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(commands.count(), 1);

    // At the end of the range a click changes nothing and tells nobody.
    const QPoint down(spin->width() / 2, spin->height() - 2);
    spin->SetPos(0);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, down);
    EXPECT_EQ(spin->GetPos(), 0);
    EXPECT_EQ(commands.count(), 1);
}

TEST_F(Field, AHeldArrowIsReportedByThePacingTimerAndOnceMoreAtRelease) {
    Configure(3060, entry::kDelayMs, 0, 1467);
    QSignalSpy commands(spin, &NumberSpin::commandSent);
    const QPoint up(spin->width() / 2, 2);
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, up);
    ASSERT_TRUE(commands.wait(5000));
    EXPECT_EQ(commands.count(), 1);
    // A step while the button is held (as the arrow's repeat makes) is not told at once,
    // but at release.
    const int before = spin->GetPos();
    spin->Step(1);
    EXPECT_EQ(spin->GetPos(), before + 1);
    EXPECT_EQ(commands.count(), 1);
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(commands.count(), 2);
}

// The arrow's own repeat, without waiting for it.
void FireRepeat(NumberSpin* spin) {
    auto* repeat = spin->findChild<QTimer*>(QStringLiteral("arrowRepeat"));
    ASSERT_NE(repeat, nullptr);
    ASSERT_TRUE(repeat->isActive());
    QMetaObject::invokeMethod(repeat, "timeout");
}

TEST_F(Field, AHeldArrowSpeedsUpSoTheDelayCrossesItsRangeInAFewSeconds) {
    Configure(3050, entry::kDelayMs, 0, 1467);
    const QPoint up(spin->width() / 2, 2);
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, up);
    // The first half second keeps single steps for fine setting.
    for (int i = 0; i < 10; ++i) {
        FireRepeat(spin);
    }
    EXPECT_EQ(spin->GetPos(), 11);
    // The repeat comes every 50 ms: 80 repeats are four seconds.
    int repeats = 10;
    while (spin->GetPos() < 1467 && repeats < 200) {
        FireRepeat(spin);
        ++repeats;
    }
    EXPECT_EQ(spin->GetPos(), 1467);
    EXPECT_LE(repeats, 80);
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, up);

    // A new press starts slow again.
    const QPoint down(spin->width() / 2, spin->height() - 2);
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, down);
    FireRepeat(spin);
    EXPECT_EQ(spin->GetPos(), 1465);
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, down);
}

TEST_F(Field, AHeldArrowKeySpeedsUpAndAFrequencyCrossesTheGridInAFewSeconds) {
    Configure(3300, entry::kFrequency, 20, 20000);
    spin->SetPos(20);
    edit->setFocus();
    auto key = [&](bool repeated) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), repeated);
        QApplication::sendEvent(edit, &press);
    };
    key(false);
    EXPECT_EQ(spin->GetPos(), 21);  // single grid points at first
    key(true);
    EXPECT_EQ(spin->GetPos(), 22);
    int repeats = 1;
    while (spin->GetPos() < 20000 && repeats < 300) {
        key(true);
        ++repeats;
    }
    EXPECT_EQ(spin->GetPos(), 20000);
    EXPECT_LE(repeats, 100);  // at the usual 25 to 30 repeats a second
    key(false);               // a fresh press is one grid point again
    EXPECT_EQ(spin->GetPos(), 20000);
}

TEST_F(Field, SetPosOutsideTheRangeReportsInTheInterfaceLanguageAndChangesNothing) {
    Configure(3060, entry::kDelayMs, 0, 1467);
    spin->SetPos(100);
    QSignalSpy commands(spin, &NumberSpin::commandSent);
    spin->SetPos(1468);
    ui.language = Language::Chinese;
    spin->SetPos(-1);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Set Pos Error!", "设定Pos错误!"}));
    EXPECT_EQ(spin->GetPos(), 100);
    EXPECT_EQ(edit->text(), "2.100");
    EXPECT_EQ(commands.count(), 0);
}

TEST(NameEdit, OnlyLettersAndDigitsEnterAProgramName) {
    NameEdit name;
    QTest::keyClicks(&name, "Ab 1.x");
    QKeyEvent chinese(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("中"));
    QApplication::sendEvent(&name, &chinese);
    EXPECT_EQ(name.text(), "Ab1x");
    QTest::keyClick(&name, Qt::Key_Backspace);
    EXPECT_EQ(name.text(), "Ab1");
    // Pasted text obeys the same rule.
    QApplication::clipboard()->setText("bad name!");
    name.paste();
    EXPECT_EQ(name.text(), "Ab1");
}

}  // namespace
}  // namespace tolmarin
