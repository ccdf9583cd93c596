#pragma once

#include <optional>
#include <string>

#include "link/LinkConfig.h"

namespace tolmarin {

// Everything the link controller does to the form, and the two questions it asks the
// operator. Every operation has a do-nothing default, so a headless user (the command-line
// tool, a test) overrides only what it cares about. Message boxes go through the shared
// UiState's MessageSink instead.
class LinkView {
public:
    virtual ~LinkView() = default;

    // The Link button's active (linked) or inactive look.
    virtual void SetLinkButtonActive(bool /*active*/) {}
    virtual void SetProgressRange(int /*low*/, int /*high*/) {}
    virtual void SetProgressPos(int /*pos*/) {}
    // The busy popup: mode 5 shows it and disables the form, mode 0 hides it.
    virtual void ShowBusy(int /*mode*/) {}
    // The done popup, direction kTransferUp (read from the amplifier) or kTransferDown.
    virtual void ShowTransferDone(int /*direction*/) {}

    // Runs the Connect dialog with the current link kind; the chosen kind on OK, nothing
    // when the operator closed it otherwise.
    virtual std::optional<LinkKind> RunConnectDialog(LinkKind current) { return current; }

    // Clears the "Link CH1 && CH2" check box.
    virtual void ClearLinkCheckBox() {}
    // Shows the selected channel again from its record.
    virtual void ShowState() {}
    // The amplifier-mode list selects mode (system byte 0); the power button shows power.
    virtual void ShowSystemState(int /*mode*/, int /*power*/) {}
    // The two level meters (status bytes 0 and 1).
    virtual void ShowLevels(int /*level1*/, int /*level2*/) {}
    // Temperature readout 0 (CH1) or 1 (CH2), in degrees Celsius.
    virtual void ShowTemperature(int /*readout*/, int /*celsius*/) {}

    // Asks for the all-programs file a read of all programs goes into; nothing on cancel.
    virtual std::optional<std::string> ChooseAllProgramsFile() { return std::nullopt; }
    // Stored program 20 has arrived: write the chosen all-programs file.
    virtual void WriteAllProgramsFile(const std::string& /*path*/) {}
};

}  // namespace tolmarin
