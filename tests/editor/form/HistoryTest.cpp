// Undo, redo and A/B compare on the real form: every kind of edit taken back byte for byte,
// what undo and a switch send, the keys and the tooltips.
#include <gtest/gtest.h>
#include <algorithm>

#include <QToolButton>
#include <random>
#include <set>

#include "FormRig.h"
#include "LinkedForm.h"
#include "controls/PictureRadio.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/history/EditHistory.h"
#include "formdesc/FormIds.h"
#include "link/ChannelSetModel.h"
#include "link/LinkController.h"
#include "model/Parameters.h"
#include "protocol/DeviceImage.h"
#include "support/qt/EventLoop.h"
#include "support/qt/ManualScheduler.h"
#include "support/qt/ScriptedLink.h"
#include "text/SelectionLists.h"

namespace tolmarin::testing {
namespace {

using namespace form;

constexpr std::uint8_t kWriteSubBlock = 0xA1;
constexpr std::uint8_t kPoll = 0xA9;

// The live program and the system bytes: what the amplifier is sent.
std::vector<std::uint8_t> Image(const SharedState& s) {
    const auto live = s.image.ProgramRecord(0);
    // Sized first: growing by insert trips a false array-bounds warning of GCC 12 at -O2.
    std::vector<std::uint8_t> out(live.size() + s.image.systemBytes.size());
    std::copy(s.image.systemBytes.begin(), s.image.systemBytes.end(),
              std::copy(live.begin(), live.end(), out.begin()));
    return out;
}

// The linked form, its amplifier reporting zero levels and temperatures.
struct LinkedRig : LinkedForm {
    LinkedRig() { status = {}; }
    // Links, waits for the link-up batch to end and the form to take input again.
    void LinkUpSettled() {
        controller->OpenSerialLinkTo("ttyFAKE0");
        for (int i = 0; i < 200 && !controller->LiveKnown(); ++i) {
            Step(1);
        }
        ASSERT_TRUE(controller->LiveKnown());
        Step(40);  // the link-up batch ends; only polls from here
        // The form takes input again once the done pop-up has gone.
        ASSERT_TRUE(SpinUntil([this] { return view->isEnabled(); }, 5000));
    }
    // Paces until the scan has nothing left to send: ticks with nothing but polls.
    void Drain() {
        int quiet = 0;
        for (int i = 0; i < 5000 && quiet < 5; ++i) {
            serial.writes.clear();
            Step(1);
            const bool busy = std::ranges::any_of(
                serial.writes, [](const Bytes& f) { return f.size() > 4 && f[4] != kPoll; });
            quiet = busy ? 0 : quiet + 1;
        }
        ASSERT_EQ(quiet, 5) << "the scan never settled";
    }
    // Sub-block writes sent since the last call: (channel, sub-block) with their payloads.
    std::vector<std::pair<std::pair<int, int>, Bytes>> SubBlockWrites() {
        std::vector<std::pair<std::pair<int, int>, Bytes>> out;
        for (const Bytes& f : serial.writes) {
            if (f.size() > 20 && f[4] == kWriteSubBlock) {
                out.push_back({{f[8], f[9]}, Bytes(f.begin() + 12, f.begin() + 20)});
            }
        }
        serial.writes.clear();
        return out;
    }
};

struct RandomEditor {
    explicit RandomEditor(LinkedRig& rig) : r(rig) {
        for (const ParamDef& def : AllParams()) {
            if (def.scope != ParamScope::System && (def.write != nullptr || def.tableHeld)) {
                params.push_back(&def);
            }
        }
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

    // One edit of a random kind, recorded as the form records it.
    void Edit() {
        EditHistory& h = r.view->History();
        const int kind = Pick(0, 99);
        if (kind < 70) {
            const ParamDef& def =
                *params[static_cast<std::size_t>(Pick(0, std::ssize(params) - 1))];
            OutputChannel& ch = r.channels.Channel(Pick(0, 1));
            int high = def.high;
            int low = def.low;
            if (def.edit == EditKind::Number) {
                low = def.number.low;
                high = def.number.high;
            } else if (def.edit == EditKind::List) {
                low = 0;
                high = static_cast<int>(ListTexts(def.list, Language::English).size()) - 1;
            }
            EditValueOf(def, ch, Pick(0, kEqBandCount - 1), Pick(low, high));
            h.Commit();
        } else if (kind < 73) {
            r.channels.Channel(Pick(0, 1)).SetName("N" + std::to_string(Pick(0, 99999)));
            h.Commit();
        } else if (kind < 80) {
            r.view->SetAmpMode(Pick(0, 2));
        } else if (kind < 85) {
            r.Click(r.Get<PictureRadio>(kLinkCheck));
        } else if (kind < 90) {
            const int input = Pick(0, 1);
            if (r.List(kSensitivity + input)->isEnabled()) {
                r.Choose(kSensitivity + input, Pick(0, 2));
            }
        } else if (kind < 96) {
            h.SwitchAb();
        } else if (kind < 98) {
            h.CopyAToB();
        } else {
            h.CopyBToA();
        }
        if (Pick(0, 3) == 0) {
            r.Drain();
        }
    }

    LinkedRig& r;
    std::mt19937 rng{20};
    std::vector<const ParamDef*> params;
};

TEST(History, AThousandRandomEditsUndoneAndRedoneLeaveTheImageByteForByteAsBeforeAndAfter) {
    LinkedRig r;
    r.LinkUpSettled();
    // The editor's own start values: the scripted live program is raw pattern bytes (names
    // of eight bytes, band types the amplifier has not got).
    {
        FreshState defaults;
        ChannelSet start(*defaults);
        start.WriteAllToImage();
        const auto from = defaults->image.ProgramRecord(0);
        std::ranges::copy(from, r.fresh->image.ProgramRecord(0).begin());
        r.channels.LoadAllFromImage();
        r.view->ShowState(0);
    }
    r.Drain();
    EditHistory& h = r.view->History();
    h.Reset();
    const auto before = Image(*r.fresh);

    RandomEditor editor(r);
    for (int i = 0; i < 1000; ++i) {
        editor.Edit();
    }
    r.Drain();
    const auto after = Image(*r.fresh);
    ASSERT_NE(before, after);
    ASSERT_GT(h.Stack().count(), 500);

    const int steps = h.Stack().count();
    while (h.Stack().canUndo()) {
        h.Undo();
    }
    EXPECT_EQ(h.Stack().count(), steps) << "undo records no step of its own";
    r.Drain();
    EXPECT_EQ(Image(*r.fresh), before);
    EXPECT_FALSE(h.BActive());

    while (h.Stack().canRedo()) {
        h.Redo();
    }
    r.Drain();
    EXPECT_EQ(Image(*r.fresh), after);
}

TEST(HistoryLink, UndoOfAGraphDragSendsOneBandRecordWithTheGainFromBeforeTheDrag) {
    LinkedRig r;
    r.LinkUpSettled();
    EditHistory& h = r.view->History();
    EXPECT_EQ(h.Stack().count(), 0) << "the live program starts a new history";
    const int k = 3;
    const Filter& band = r.channels.Channel(0).Band(k);
    const int gainBefore = band.GetGainStep();

    auto* graph = r.Get<ResponseGraph>(kGraph);
    const Point c = graph->Interaction().Marks(band).main.Center();
    const QPoint handle(c.x, c.y);
    QMouseEvent hover(QEvent::MouseMove, handle, graph->mapToGlobal(handle), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &hover);
    QTest::mousePress(graph, Qt::LeftButton, {}, handle);
    for (int dy = 5; dy <= 40; dy += 5) {
        QTest::mouseMove(graph, handle + QPoint(0, -dy));
    }
    QTest::mouseRelease(graph, Qt::LeftButton, {}, handle + QPoint(0, -40));
    QCoreApplication::processEvents();
    ASSERT_NE(band.GetGainStep(), gainBefore);
    EXPECT_EQ(h.Stack().count(), 1) << "the whole drag is one step";
    r.Step(20);
    r.SubBlockWrites();

    h.Undo();
    r.Step(20);
    const auto writes = r.SubBlockWrites();
    ASSERT_EQ(writes.size(), 1U);
    EXPECT_EQ(writes[0].first, std::make_pair(0, band.GetNumber()));
    EXPECT_EQ(writes[0].second[2] | (writes[0].second[3] << 8), gainBefore);
    EXPECT_EQ(band.GetGainStep(), gainBefore);
}

TEST(HistoryLink, SwitchingAbWithEveryBandDifferentSendsEachDifferingSubBlockExactlyOnce) {
    LinkedRig r;
    r.LinkUpSettled();
    EditHistory& h = r.view->History();
    h.SwitchAb();  // B, the same as A so far
    r.Step(10);
    EXPECT_TRUE(r.SubBlockWrites().empty()) << "equal settings send nothing";
    for (int ch = 0; ch < 2; ++ch) {
        for (int k = 0; k < kEqBandCount; ++k) {
            r.channels.Channel(ch).Band(k).SetGainStep(210 + k + ch);
        }
    }
    h.Commit();
    r.Step(40);
    r.SubBlockWrites();

    h.SwitchAb();  // back to A
    EXPECT_FALSE(h.BActive());
    r.Step(40);
    std::multiset<std::pair<int, int>> sent;
    for (const auto& w : r.SubBlockWrites()) {
        sent.insert(w.first);
    }
    std::multiset<std::pair<int, int>> expected;
    for (int ch = 0; ch < 2; ++ch) {
        for (int k = 0; k < kEqBandCount; ++k) {
            expected.insert({ch, r.channels.Channel(ch).Band(k).GetNumber()});
        }
    }
    EXPECT_EQ(sent, expected);
}

TEST(HistoryKeys, CtrlZUndoesTypingInAFieldFirstAndTheDocumentOnlyWhenNoTypingIsLeft) {
    FormRig r;
    EditHistory& h = r.view->History();
    r.Type(kBandGain + 2, "3");
    ASSERT_EQ(h.Stack().count(), 1);
    auto* field = r.Get<NumberField>(kBandGain + 2);
    const QString committed = field->text();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("5"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), committed) << "the typing is taken back";
    EXPECT_EQ(h.Stack().index(), 1) << "the document is untouched";

    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(h.Stack().index(), 0);
    EXPECT_EQ(r.channels.Channel(0).Band(2).GetGainStep(), 200);
    QTest::keyClick(r.view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(h.Stack().index(), 1) << "Ctrl+Shift+Z redoes";
    QTest::keyClick(r.view.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(h.BActive()) << "Ctrl+B switches";
}

TEST(HistoryStrip, TooltipsNameTheStepInTheCurrentLanguage) {
    FormRig r;
    auto* undo = r.Get<QToolButton>(IdOf(Control::Undo));
    auto* ab = r.Get<QToolButton>(IdOf(Control::AbToggle));
    EXPECT_FALSE(undo->isEnabled());
    r.Type(kBandGain + 2, "-1.5");
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->toolTip(), QStringLiteral("Undo: Band 3 gain 0.0dB → -1.5dB (Ctrl+Z)"));
    r.view->ToggleLanguage();
    EXPECT_EQ(undo->toolTip(), QStringLiteral("撤销: 均衡3 增益 0.0dB → -1.5dB (Ctrl+Z)"));
    r.Click(ab);
    EXPECT_TRUE(ab->isChecked());
    EXPECT_TRUE(ab->text().endsWith(QStringLiteral("B"))) << "the active setting shows";
    EXPECT_EQ(r.Get<ResponseGraph>(kGraph)->CurvesBehind().size(), 1U)
        << "A's CH1 differs and is drawn behind";
}

}  // namespace
}  // namespace tolmarin::testing
