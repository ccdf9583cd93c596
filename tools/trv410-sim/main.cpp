// trv410-sim: a simulated TRV410 amplifier on loopback TCP and/or a pseudo-terminal.

#include <QCoreApplication>
#include <QHostAddress>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Version.h"
#include "sim/Amplifier.h"
#include "sim/SimOptions.h"
#include "sim/server/ServerPlatform.h"
#include "sim/server/SimServer.h"

namespace {

using tolmarin::sim::Amplifier;

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& out, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!exists) {
        return true;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Written beside the target and renamed over it, so a crash never leaves half a state.
bool SaveState(const Amplifier& amp, const std::string& path) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        const auto bytes = amp.SaveState();
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            return false;
        }
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

// Listens on port, port + 1, ... for the servers in turn, or with a step of addresses on
// the same port at each address. With port 0 the first picks a free port and the rest
// follow it; a taken port there starts the search again elsewhere.
bool ListenVenue(std::vector<std::unique_ptr<tolmarin::sim::SimServer>>& servers,
                 const std::vector<QHostAddress>& addresses, bool samePort, int port,
                 QString& why) {
    constexpr int kAttempts = 50;
    for (int attempt = 0; attempt < (port == 0 ? kAttempts : 1); ++attempt) {
        int base = port;
        bool ok = true;
        for (std::size_t i = 0; i < servers.size() && ok; ++i) {
            const int step = samePort ? 0 : static_cast<int>(i);
            const int p = (base == 0 && i == 0) ? 0 : base + step;
            ok = p <= 65535 && servers[i]->ListenTcp(addresses[i], static_cast<quint16>(p), &why);
            if (ok && i == 0) {
                base = servers[0]->TcpPort();
            }
        }
        if (ok) {
            return true;
        }
        for (auto& s : servers) {
            s->CloseTcp();
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = tolmarin::sim::ParseSimOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "trv410-sim: %s\n(try trv410-sim --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(tolmarin::sim::SimUsage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("trv410-sim %s\n", tolmarin::kVersion);
        return 0;
    }

    auto first = std::make_unique<Amplifier>(options->seed);
    Amplifier& amp = *first;
    if (options->temperature) {
        amp.HoldTemperatures((*options->temperature)[0], (*options->temperature)[1]);
    }
    if (!options->stateFile.empty()) {
        std::vector<std::uint8_t> bytes;
        bool exists = false;
        if (!ReadFile(options->stateFile, bytes, exists) || (exists && !amp.LoadState(bytes))) {
            std::fprintf(stderr, "trv410-sim: %s is not a trv410-sim state file\n",
                         options->stateFile.c_str());
            return 2;
        }
        if (!exists && !SaveState(amp, options->stateFile)) {
            std::fprintf(stderr, "trv410-sim: cannot write %s\n", options->stateFile.c_str());
            return 2;
        }
    }

    std::FILE* traceFile = nullptr;
    if (!options->traceFile.empty()) {
        traceFile = std::fopen(options->traceFile.c_str(), "w");
        if (traceFile == nullptr) {
            std::fprintf(stderr, "trv410-sim: cannot write %s\n", options->traceFile.c_str());
            return 2;
        }
    }
    tolmarin::sim::Trace trace(traceFile);

    QCoreApplication app(argc, argv);
    // One amplifier, or a venue of them on consecutive ports, each with its own memory.
    std::vector<std::unique_ptr<Amplifier>> venue;
    std::vector<std::unique_ptr<tolmarin::sim::SimServer>> servers;
    venue.push_back(std::move(first));
    for (int i = 1; i < options->count; ++i) {
        venue.push_back(std::make_unique<Amplifier>(options->seed + static_cast<std::uint32_t>(i)));
        if (options->temperature) {
            venue.back()->HoldTemperatures((*options->temperature)[0], (*options->temperature)[1]);
        }
    }
    for (auto& member : venue) {
        servers.push_back(std::make_unique<tolmarin::sim::SimServer>(*member, options->faults));
        servers.back()->SetTrace(&trace);
        servers.back()->SetAllowRemote(options->allowRemote);
    }
    tolmarin::sim::SimServer& server = *servers.front();

    tolmarin::sim::QuitOnTerminationSignals(app);

    if (options->tcp) {
        QString why;
        const QHostAddress address(QString::fromStdString(options->tcp->host));
        const bool byAddress = options->step == tolmarin::sim::SimOptions::Step::Address;
        std::vector<QHostAddress> addresses;
        for (int i = 0; i < options->count; ++i) {
            addresses.emplace_back(
                QString::fromStdString(tolmarin::sim::VenueHost(*options, byAddress ? i : 0)));
        }
        if (!ListenVenue(servers, addresses, byAddress, options->tcp->port, why)) {
            std::fprintf(stderr, "trv410-sim: cannot listen on %s:%d: %s\n",
                         options->tcp->host.c_str(), options->tcp->port,
                         why.toLocal8Bit().constData());
            return 1;
        }
        const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
        for (std::size_t i = 0; i < servers.size(); ++i) {
            const std::string host = addresses[i].toString().toStdString();
            std::printf(v6 ? "listening on [%s]:%u\n" : "listening on %s:%u\n", host.c_str(),
                        static_cast<unsigned>(servers[i]->TcpPort()));
        }
        std::fflush(stdout);
    }
    if (options->pty) {
        QString why;
        if (!server.OpenPty(&why)) {
            std::fprintf(stderr, "trv410-sim: cannot create a pty: %s\n",
                         why.toLocal8Bit().constData());
            return 1;
        }
        std::printf("pty %s\n", server.PtyPath().toLocal8Bit().constData());
        std::fflush(stdout);
    }

    bool saveFailed = false;
    if (!options->stateFile.empty()) {
        QObject::connect(&server, &tolmarin::sim::SimServer::MemoryChanged, [&] {
            if (!SaveState(amp, options->stateFile) && !saveFailed) {
                saveFailed = true;
                std::fprintf(stderr, "trv410-sim: cannot write %s\n", options->stateFile.c_str());
            }
        });
    }

    const int rc = app.exec();
    if (!options->stateFile.empty()) {
        SaveState(amp, options->stateFile);
    }
    if (traceFile != nullptr) {
        std::fclose(traceFile);
    }
    return rc;
}
