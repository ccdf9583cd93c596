#pragma once

#include <string>
#include <vector>

namespace tolmarin {

// One serial port as the Connect dialog lists it.
struct SerialPortEntry {
    std::string name;          // what the list shows and the link opens (ttyUSB0, COM5)
    std::string description;   // device description, " (name)" cut off
    std::string friendlyName;  // description and port name, "USB-SERIAL CH340 (COM5)"
    bool isUsb = false;
    std::string usbIds;  // "1a86:7523": USB vendor and product ids, empty when unknown
};

// A list line as serial tools show a port: its name, its description when it says more, and
// its USB ids, "ttyUSB0 - USB-SERIAL CH340 [1a86:7523]".
std::string PortLabel(const SerialPortEntry& entry);
// The ids as a USB tool writes them, four hex digits each.
std::string UsbIds(unsigned vendor, unsigned product);

// A port counts as USB when it has a USB vendor id or its description or manufacturer
// mentions USB (in any letter case).
bool IsUsbPort(bool hasUsbVendorId, const std::string& description,
               const std::string& manufacturer);

// The shown description: an empty one takes the port name, and "text (something)" ending
// with that ")" is cut to "text".
std::string CleanDescription(const std::string& description, const std::string& portName);

// The serial ports present, in the order the platform reports them.
std::vector<SerialPortEntry> EnumerateSerialPorts();

// The Connect dialog's one line when no serial port is present; opening it fails as any
// missing port does.
inline constexpr const char* kNoPortLine = "NULL";

// What the Connect dialog's port list shows and which line it selects. With no ports the
// list holds the single line kNoPortLine and portName becomes it; otherwise an earlier choice
// still present stays selected, else the first USB port, else the first port, and portName
// is set to the selection.
struct PortChoice {
    std::vector<std::string> lines;   // port names, what the link opens
    std::vector<std::string> labels;  // what the list shows for each line
    int selected = 0;
};
PortChoice ChoosePort(const std::vector<SerialPortEntry>& entries, std::string& portName);

}  // namespace tolmarin
