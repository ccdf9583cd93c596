#include "link/SerialPorts.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>

namespace tolmarin {

namespace {

bool ContainsUsb(const std::string& text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("USB") != std::string::npos;
}

}  // namespace

bool IsUsbPort(bool hasUsbVendorId, const std::string& description,
               const std::string& manufacturer) {
    return hasUsbVendorId || ContainsUsb(description) || ContainsUsb(manufacturer);
}

std::string CleanDescription(const std::string& description, const std::string& portName) {
    if (description.empty()) {
        return portName;
    }
    if (description.back() == ')') {
        const auto cut = description.rfind(" (");
        if (cut != std::string::npos && cut > 0) {
            return description.substr(0, cut);
        }
    }
    return description;
}

std::string UsbIds(unsigned vendor, unsigned product) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string ids;
    for (const unsigned id : {vendor, product}) {
        if (!ids.empty()) {
            ids += ':';
        }
        for (int shift = 12; shift >= 0; shift -= 4) {
            ids += kHex[(id >> shift) & 0xFu];
        }
    }
    return ids;
}

std::string PortLabel(const SerialPortEntry& entry) {
    std::string label = entry.name;
    if (!entry.description.empty() && entry.description != entry.name) {
        label += " - " + entry.description;
    }
    if (!entry.usbIds.empty()) {
        label += " [" + entry.usbIds + "]";
    }
    return label;
}

std::vector<SerialPortEntry> EnumerateSerialPorts() {
    std::vector<SerialPortEntry> entries;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.name = info.portName().toStdString();
        if (e.name.empty()) {
            continue;
        }
        const std::string description = info.description().toStdString();
        e.friendlyName = description.empty() ? e.name : description + " (" + e.name + ")";
        e.description = CleanDescription(description, e.name);
        e.isUsb =
            IsUsbPort(info.hasVendorIdentifier(), description, info.manufacturer().toStdString());
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            e.usbIds = UsbIds(info.vendorIdentifier(), info.productIdentifier());
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

PortChoice ChoosePort(const std::vector<SerialPortEntry>& entries, std::string& portName) {
    PortChoice choice;
    if (entries.empty()) {
        choice.lines.emplace_back(kNoPortLine);
        choice.labels.emplace_back(kNoPortLine);
        portName = kNoPortLine;
        return choice;
    }
    for (const SerialPortEntry& e : entries) {
        choice.lines.push_back(e.name);
        choice.labels.push_back(PortLabel(e));
    }
    const auto byName = std::find(choice.lines.begin(), choice.lines.end(), portName);
    if (byName != choice.lines.end()) {
        choice.selected = static_cast<int>(byName - choice.lines.begin());
        return choice;
    }
    const auto usb = std::find_if(entries.begin(), entries.end(),
                                  [](const SerialPortEntry& e) { return e.isUsb; });
    choice.selected = usb != entries.end() ? static_cast<int>(usb - entries.begin()) : 0;
    portName = choice.lines[static_cast<std::size_t>(choice.selected)];
    return choice;
}

}  // namespace tolmarin
