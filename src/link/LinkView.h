#pragma once

#include <string>

#include "link/LinkConfig.h"
#include "protocol/ReplyEvent.h"

namespace tolmarin {

// The seam between the link controller and the form: everything the controller does to
// the form. Every operation has a do-nothing default, so a headless user (the
// command-line tool, a test) overrides only what it cares about.
//
// One route per event:
// - LinkView (this class) carries every effect on the form: progress bar, busy and done
//   popups, the Link button's lamp, the link check box, ShowState, the system state, the
//   level meters and temperature readouts, and writing the all-programs file.
// - UiState's MessageSink carries every message box (text and kind), nothing else.
// - LinkController's signals carry only the link's lifecycle, which has no counterpart
//   on the form: opened, open failed, link-up finished, reconnecting, closed.
// - The form asks the operator its questions itself (the Connect dialog, the file chooser
//   of a read of all programs), then calls LinkController::OpenLink(kind) or
//   LinkController::ReadAllPrograms(path). The controller never runs a dialog: a modal
//   loop inside it would let the pacing timer and the sockets fire under its feet.
//
// A batch (the link-up's reads, a recall, a read or store of programs) starts with
// SetProgressRange and ShowBusy(Shown). It ends either with ShowTransferDone, when everything
// it asked for has arrived, or with ShowBusy(Hidden) and a message saying what did not arrive (or
// why the link closed). ShowTransferDone is never shown for data that did not arrive.
// The Link button's lamp. Connecting: a port or connection is open (or being opened, or
// being rebuilt) but the amplifier has not answered on it yet. Up: it has, with a valid
// reply; only then is the lamp green.
enum class LinkLamp { Off, Connecting, Up };

// The busy pop-up: shown while a batch runs (the form disabled), hidden when it ends.
enum class BusyState { Hidden, Shown };

class LinkView {
public:
    virtual ~LinkView() = default;

    // The Link button's lamp: off, connecting or up.
    virtual void SetLinkLamp(LinkLamp /*lamp*/) {}
    virtual void SetProgressRange(int /*low*/, int /*high*/) {}
    virtual void SetProgressPos(int /*pos*/) {}
    virtual void ShowBusy(BusyState /*state*/) {}
    // The done popup: up (read from the amplifier) or down (written to it).
    virtual void ShowTransferDone(TransferDirection /*direction*/) {}

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

    // All twenty stored programs of a read of all programs have arrived: write them to the
    // path given to ReadAllPrograms. Never called when any of them is missing.
    virtual void WriteAllProgramsFile(const std::string& /*path*/) {}
};

}  // namespace tolmarin
