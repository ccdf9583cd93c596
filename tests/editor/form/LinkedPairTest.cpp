// The linked CH1/CH2 pair as the form's controls meet it: what stays on its own channel.
#include <gtest/gtest.h>

#include "FormRig.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "formdesc/FormIds.h"
#include "protocol/DeviceImage.h"

namespace tolmarin::testing {
namespace {

using namespace form;

// Catches a copy of the linked-pair rule in the form's controls: the input sensitivity is a
// system item of its own input and the output switch its own channel's, linked or not, and
// CH2 keeps the input gain its own sensitivity gives it.
TEST(FormLinkedPair, SensitivityAndOutputSwitchNeverReachThePartner) {
    FormRig r;
    r.Click(r.Get<PictureRadio>(kLinkCheck));
    ASSERT_TRUE(r.channels.Ch1Ch2Linked());
    const auto& sys = r.fresh->image.systemBytes;
    const int ch2Gain = r.channels.Channel(1).GetInputGain();
    const int ch2On = r.channels.Channel(1).GetOutputOn();

    r.Choose(kSensitivity, 2);
    EXPECT_EQ(sys[sysbyte::kSensitivity1], 2);
    EXPECT_EQ(sys[sysbyte::kSensitivity1 + 1], 0);
    EXPECT_EQ(r.channels.Channel(0).GetInputGain(), 549);
    EXPECT_EQ(r.channels.Channel(1).GetInputGain(), ch2Gain);

    r.Click(r.Get<PictureButton>(kMute));
    EXPECT_NE(r.channels.Channel(0).GetOutputOn(), ch2On);
    EXPECT_EQ(r.channels.Channel(1).GetOutputOn(), ch2On);
    EXPECT_TRUE(r.channels.Ch1Ch2Linked());
}

}  // namespace
}  // namespace tolmarin::testing
