#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

using testing::FreshState;
using testing::TempDir;

// Switches the process to a German locale the way a Qt application does on a German desktop
// (the application object calls setlocale(LC_ALL, "") from the environment), and back.
class CommaLocale {
public:
    CommaLocale() : m_dir("locale") {
        // Compiled here so the test does not depend on the machine's installed locales.
        const auto r = testing::RunProcess(
            "/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", m_dir.PathOf("de_DE.UTF-8")});
        if (r.exitCode != 0) {
            return;
        }
        setenv("LOCPATH", m_dir.Path().c_str(), 1);
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        std::setlocale(LC_ALL, "");
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 3.5);
        m_active = std::string(probe) == "3,5";
    }
    ~CommaLocale() {
        unsetenv("LC_ALL");
        unsetenv("LOCPATH");
        std::setlocale(LC_ALL, "C");
    }
    bool Active() const { return m_active; }

private:
    TempDir m_dir;
    bool m_active = false;
};

void EditEverything(ChannelSet& set) {
    OutputChannel& ch1 = set.Channel(0);
    ch1.SetDelay(476);
    ch1.SetLimitThreshold(235);
    ch1.SetLimitAttack(3);
    Filter& band = ch1.Band(2);
    band.SetGainStep(165);
    band.SetBandwidthStep(7);
    band.SetBypass(0);
    ch1.HighPass().SetFreq(80, true);
}

// Catches any number text that takes the decimal comma of the desktop's locale: the table
// (channel values and filter texts) must read the same under "de_DE" as under "C".
TEST(TextsUnderACommaLocale, ParameterTableAndValueTextsKeepTheDecimalPoint) {
    FreshState plain;
    ChannelSet plainSet(*plain);
    EditEverything(plainSet);
    const auto expected = BuildParameterTable(plainSet, plain->ui);

    const CommaLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no comma-decimal locale could be made on this machine";
    }
    FreshState fresh;
    ChannelSet set(*fresh);
    EditEverything(set);
    EXPECT_EQ(DelayText(476), "9.996ms");
    EXPECT_EQ(ThresholdText(235), "3.5dBu");
    EXPECT_EQ(AttackText(3), "0.6ms");
    EXPECT_EQ(set.Channel(0).Band(2).LabelText(), "160Hz 3.595Q -3.5dB");
    const auto rows = BuildParameterTable(set, fresh->ui);
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].cells, expected[i].cells) << rows[i].label;
    }
}

}  // namespace
}  // namespace tolmarin
