#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "link/LinkConfig.h"
#include "text/Texts.h"
#include "venue/RunRequest.h"

namespace tolmarin::cli {

enum class LinkCommand { Pull, Push, Store, Recall, Status };

struct LinkRequest {
    LinkCommand command = LinkCommand::Status;
    std::vector<FleetMember> fleet;  // one amplifier or a whole venue
    std::string file;                // pull: OUT (may hold {name}), push: FILE
    int slot = 0;                    // store, recall: 1 to 20
    std::string name;                // store
    bool watch = false;
    int intervalSeconds = 1;   // status --watch prints at most this often
    bool force = false;        // pull: replace a file; push: send a program the check rejects
    bool verify = true;        // push, store: read back and compare what was written
    std::string trace;         // may hold {name}
    int timeoutSeconds = 300;  // a last guard; the link's own time-outs normally end first
};

// What the runs link through (left empty: the tool's own serial port, TCP socket and
// event-loop timers); tests put in simulated links and a clock they drive.
using LinkParts = venue::RunParts;

// Links up to every amplifier of the request at once through the venue's fleet run, each
// with its own session; carries out the request on each and closes the links. Runs
// Qt's event loop (a QCoreApplication must exist). Returns the exit code: with several
// amplifiers, kExitSomeFailed when some but not all failed.
int RunLinkCommand(const LinkRequest& request, Language language, std::ostream& out,
                   std::ostream& err, const LinkParts& parts = {});

}  // namespace tolmarin::cli
