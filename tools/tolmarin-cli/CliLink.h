#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "text/Texts.h"

namespace tolmarin::cli {

// Where a linking command goes: "tcp:HOST[:PORT]" (port 8899 when omitted) or
// "serial:PORT" (a listed port name or a device path).
struct ConnectTarget {
    bool serial = false;
    std::string host;
    int port = 0;
    std::string serialPort;
};
std::optional<ConnectTarget> ParseConnectUrl(const std::string& url);

enum class LinkCommand { Pull, Push, Store, Recall, Status };

struct LinkRequest {
    LinkCommand command = LinkCommand::Status;
    ConnectTarget target;
    std::string file;  // pull: OUT, push: FILE
    int slot = 0;      // store, recall: 1 to 20
    std::string name;  // store
    bool watch = false;
    std::string trace;
    int timeoutSeconds = 300;  // a last guard; the link's own time-outs normally end first
};

// Links up as the editor does, carries out the request and closes the link. Runs Qt's
// event loop (a QCoreApplication must exist). Returns the exit code.
int RunLinkCommand(const LinkRequest& request, int english, std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
