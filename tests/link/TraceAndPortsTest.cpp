#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/FrameTrace.h"
#include "link/SerialPorts.h"
#include "support/qt/ScriptedLink.h"

namespace tolmarin::testing {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// ---- Frame trace ----

TEST(FrameTraceTest, EverySentFrameAndReceivedChunkIsOneTimedHexLineWithItsLink) {
    QTemporaryDir dir;
    long long now = 1000;
    FrameTrace trace([&] { return now; });
    const std::string path = dir.filePath("trace.txt").toStdString();
    ASSERT_TRUE(trace.Open(path));

    ScriptedLink usb(LinkKind::Usb);
    ScriptedLink tcp(LinkKind::Network);
    usb.SetTrace(&trace);
    tcp.SetTrace(&trace);
    usb.Open({}, [](bool) {});
    tcp.Open({}, [](bool) {});
    now = 1012;
    usb.Send(Bytes{0x5A, 0x5A, 0x5A, 0x48, 0xA9});
    now = 1250;
    tcp.Inject(Bytes{0x00, 0xFF, 0x0A});
    trace.Note(LinkKind::Network, "reconnecting");
    trace.Close();

    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("# tolmarin frame trace", 0), 0u);
    EXPECT_EQ(lines[1], "      12 usb TX 5A 5A 5A 48 A9");
    EXPECT_EQ(lines[2], "     250 tcp RX 00 FF 0A");
    EXPECT_EQ(lines[3], "     250 tcp -- reconnecting");
}

TEST(FrameTraceTest, OffByDefaultAndAfterCloseNothingIsWritten) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.txt").toStdString();
    FrameTrace trace;
    EXPECT_FALSE(trace.IsOpen());
    trace.Sent(LinkKind::Usb, Bytes{1});  // closed: no file appears
    EXPECT_FALSE(std::ifstream(path).good());
    ASSERT_TRUE(trace.Open(path));
    trace.Close();
    trace.Received(LinkKind::Usb, Bytes{1});
    EXPECT_EQ(Lines(path).size(), 1u);  // the header only
    EXPECT_FALSE(trace.Open(dir.filePath("no/such/dir/t.txt").toStdString()));
}

TEST(FrameTraceTest, ASymbolicLinkAtTheTracePathIsNotWrittenThrough) {
    QTemporaryDir dir;
    const std::string victim = dir.filePath("victim").toStdString();
    std::ofstream(victim) << "unrelated\n";
    const std::string path = dir.filePath("t.txt").toStdString();
    std::filesystem::create_symlink(victim, path);
    FrameTrace trace;
    EXPECT_FALSE(trace.Open(path));
    EXPECT_EQ(Lines(victim), std::vector<std::string>{"unrelated"});
}

// ---- Serial port listing and choice ----

TEST(SerialPortsTest, UsbIsRecognisedByVendorIdOrByName) {
    EXPECT_TRUE(IsUsbPort(true, "", ""));
    EXPECT_TRUE(IsUsbPort(false, "USB-SERIAL CH340", ""));
    EXPECT_TRUE(IsUsbPort(false, "", "Silicon Labs usb bridge"));
    EXPECT_FALSE(IsUsbPort(false, "Communications Port", "(Standard port types)"));
}

TEST(SerialPortsTest, DescriptionsLoseTheirPortSuffixAndEmptyOnesTakeThePortName) {
    EXPECT_EQ(CleanDescription("USB-SERIAL CH340 (COM5)", "COM5"), "USB-SERIAL CH340");
    EXPECT_EQ(CleanDescription("", "ttyS0"), "ttyS0");
    EXPECT_EQ(CleanDescription("Adapter (rev 2) x", "ttyUSB0"), "Adapter (rev 2) x");
    EXPECT_EQ(CleanDescription("(COM1)", "COM1"), "(COM1)");
}

std::vector<SerialPortEntry> Ports(std::initializer_list<std::pair<const char*, bool>> list) {
    std::vector<SerialPortEntry> out;
    for (const auto& [name, usb] : list) {
        SerialPortEntry e;
        e.name = name;
        e.isUsb = usb;
        out.push_back(e);
    }
    return out;
}

TEST(SerialPortsTest, ChoiceKeepsAnEarlierPortElseTakesTheFirstUsbElseTheFirst) {
    std::string portName = "NULL";
    PortChoice c = ChoosePort(Ports({{"COM1", false}, {"COM5", true}}), portName);
    EXPECT_EQ(c.lines, (std::vector<std::string>{"COM1", "COM5"}));
    EXPECT_EQ(c.selected, 1);
    EXPECT_EQ(portName, "COM5");

    portName = "COM1";
    c = ChoosePort(Ports({{"COM1", false}, {"COM5", true}}), portName);
    EXPECT_EQ(c.selected, 0);
    EXPECT_EQ(portName, "COM1");

    portName = "COM9";  // gone since
    c = ChoosePort(Ports({{"ttyS0", false}, {"ttyS1", false}}), portName);
    EXPECT_EQ(c.selected, 0);
    EXPECT_EQ(portName, "ttyS0");

    c = ChoosePort({}, portName);
    EXPECT_EQ(c.lines, std::vector<std::string>{"NULL"});
    EXPECT_EQ(c.selected, 0);
    EXPECT_EQ(portName, "NULL");
}

}  // namespace
}  // namespace tolmarin::testing
