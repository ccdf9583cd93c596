#pragma once

#include <QByteArray>
#include <QJsonObject>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AmplifierSample.h"

namespace tolmarin::venue {

// How one command ended on one amplifier (or one stored program of a batch).
enum class Outcome { Ok, Failed, NotVerified, Interrupted, Offline };

// The word a record gives an outcome: ok, failed, not verified, interrupted, offline.
const char* OutcomeWord(Outcome outcome);

struct SlotOutcome {
    int slot = 0;  // 1 to 20
    Outcome result = Outcome::Ok;
    std::string error;    // a stable English code, empty when there is none
    std::string message;  // for people, in the chosen language
};

// One command's result on one amplifier, as --json prints it.
struct CommandResult {
    std::int64_t timeMs = 0;   // milliseconds since the Unix epoch
    int utcOffsetSeconds = 0;  // the local offset at that time
    std::string name;
    std::string address;
    std::string command;
    Outcome result = Outcome::Ok;
    std::optional<std::array<int, 2>> temperatures;  // °C
    std::optional<std::array<int, 2>> levels;        // raw level bytes
    std::vector<SlotOutcome> programs;               // batches only
    std::string error;
    std::string message;
};

// The version of the record's fields; a reader checks it before trusting the rest.
inline constexpr int kRecordSchema = 1;

// The record as a JSON object: schema, time, name, address, command, result, the figures and,
// when there is one, error and message. An offline amplifier has no figures whatever the
// result carries, so a stale reading is never printed as a current one.
QJsonObject RecordObject(const CommandResult& r);

// The record as one JSON Lines line, ending in a line feed.
QByteArray RecordLine(const CommandResult& r);

// RFC 3339 with milliseconds and the numeric offset: 2026-12-10T09:53:54.123+08:00.
std::string Rfc3339(std::int64_t ms, int utcOffsetSeconds);

// A watched amplifier's sample as the record of a status command.
CommandResult RecordOfSample(const AmplifierSample& s);

// The status page's entry of a sample: its record with group, reconnects and last reply time.
QJsonObject StatusObject(const AmplifierSample& s);

}  // namespace tolmarin::venue
