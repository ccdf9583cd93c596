#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "link/LinkConfig.h"
#include "text/Texts.h"

namespace tolmarin {
class LinkScheduler;
class LinkTransport;
}  // namespace tolmarin

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

// What the runs link through. Left empty: the tool's own serial port, TCP socket and
// event-loop timers. Tests put in links to amplifiers simulated in the same process and a
// clock they drive, so that time-outs cost no waiting.
struct LinkParts {
    // The transport of the given kind for one amplifier's link.
    std::function<std::unique_ptr<LinkTransport>(const FleetMember&, LinkKind)> transport;
    // A clock: one for each amplifier's link, and one for the run's guard and display.
    std::function<std::unique_ptr<LinkScheduler>()> scheduler;
};

// Links up to every amplifier of the request at once, as the editor does, each with its own
// link, device image and state; carries out the request on each and closes the links. Runs
// Qt's event loop (a QCoreApplication must exist). Returns the exit code: with several
// amplifiers, kExitSomeFailed when some but not all failed.
int RunLinkCommand(const LinkRequest& request, Language language, std::ostream& out,
                   std::ostream& err, const LinkParts& parts = {});

}  // namespace tolmarin::cli
