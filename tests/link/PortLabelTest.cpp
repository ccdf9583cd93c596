// How the Connect dialog lists a serial port.
#include <gtest/gtest.h>

#include "link/SerialPorts.h"

namespace tolmarin::testing {
namespace {

TEST(PortLabel, NamesThePortThenItsDescriptionAndUsbIdsInHex) {
    SerialPortEntry usb{"ttyUSB0", "USB-SERIAL CH340", "USB-SERIAL CH340 (ttyUSB0)", true,
                        UsbIds(0x1a86, 0x7523)};
    EXPECT_EQ(PortLabel(usb), "ttyUSB0 - USB-SERIAL CH340 [1a86:7523]");
    EXPECT_EQ(UsbIds(0x403, 0x6001), "0403:6001");
    // A description that only repeats the name adds nothing.
    SerialPortEntry plain{"ttyS0", "ttyS0", "ttyS0", false, ""};
    EXPECT_EQ(PortLabel(plain), "ttyS0");

    std::string portName = "NULL";
    const PortChoice c = ChoosePort({plain, usb}, portName);
    EXPECT_EQ(c.lines, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
    EXPECT_EQ(c.labels[1], PortLabel(usb));
}

}  // namespace
}  // namespace tolmarin::testing
