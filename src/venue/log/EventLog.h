#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

#include "protocol/FilePlatform.h"
#include "text/Texts.h"

// The venue's event log: what changed in which room and what was done to it, kept in an
// SQLite file in the user's application data folder. Written as it happens, so a crash
// loses nothing that was written; a log that cannot be opened is named, and the venue
// runs on without one.

namespace tolmarin::venue {

enum class LogKind { Online, Offline, Warning, Fault, Action, Outcome };

// The word a kind is stored under; never shown (the catalogue has the shown words).
const char* LogKindKey(LogKind kind);
std::optional<LogKind> LogKindFromKey(const QString& key);

struct LogEvent {
    qint64 timeMs = 0;  // milliseconds since 1970 UTC
    QString room;
    LogKind kind = LogKind::Action;
    QString detail;
    // Changes of the room's state that came too soon after the last one logged and were
    // folded into this one instead of being logged each.
    int folded = 0;
    bool operator==(const LogEvent&) const = default;
};

enum class LogProblem {
    None,
    NoDriver,    // Qt's QSQLITE driver is not installed
    NoFolder,    // the folder cannot be created
    CannotOpen,  // the file cannot be opened (permissions, a folder in its place)
    Corrupt,     // not a database, a damaged one, or not an event log
    Locked,      // another program holds it past the busy time
    WriteFailed  // a write failed for another reason (the disk is full)
};

struct LogStatus {
    LogProblem problem = LogProblem::None;
    QString path;
    QString systemText;  // what SQLite or the system said, when it said something
    bool Ok() const { return problem == LogProblem::None; }
};

struct LogLimits {
    int keepDays = 90;
    int keepEvents = 100000;
    qint64 flapMs = 60000;  // a room's state changes are logged at most once in this time
    int busyMs = 500;       // how long a write waits for another program holding the file
};

struct LogFilter {
    QString room;          // empty: every room
    QList<LogKind> kinds;  // empty: every kind
    int newest = 1000;     // at most this many, the newest
};

enum class RecordOutcome {
    Written,
    Unchanged,  // the room's state was already this: a sample, not a change
    Held,       // a change within the room's minute: folded into the next one logged
    NoLog,      // the log is not open
    Failed,     // the write failed; Status() says why
};

class EventLog {
public:
    // The log file in the user's application data folder.
    static QString DefaultPath();

    explicit EventLog(LogLimits limits = {});
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Opens the log at path, creating it (and its folder) when missing, and drops what is
    // past the limits. On a problem the log stays closed and the status names it.
    LogStatus Open(const QString& path = DefaultPath(), qint64 nowMs = CurrentMs());
    void Close();
    bool IsOpen() const { return m_open; }
    // The last problem met (opening or writing), or none.
    const LogStatus& Status() const { return m_status; }

    // Logs one event, at its own time. The state kinds (online, offline, warning, fault)
    // are logged when the room's state changes; actions and outcomes always.
    RecordOutcome Record(const LogEvent& event);
    // Logs the changes rooms held back once their minute has passed: for a timer.
    // Returns how many were written.
    int Flush(qint64 nowMs);

    // Newest first.
    std::vector<LogEvent> Query(const LogFilter& filter) const;
    int Count() const;

    // The events of the filter as CSV, oldest first, headed and worded in language.
    static QByteArray Csv(const std::vector<LogEvent>& newestFirst, Language language);
    FileWriteResult ExportCsv(const QString& path, const LogFilter& filter, Language language,
                              Overwrite overwrite) const;

    static qint64 CurrentMs();

private:
    struct RoomState {
        std::optional<LogKind> written;  // the state last logged
        qint64 writtenMs = 0;
        std::optional<LogEvent> held;  // the latest change held back
        int heldCount = 0;
    };

    bool Insert(const LogEvent& event);
    void Prune(qint64 nowMs);
    void Fail(LogProblem fallback, const QString& text, const QString& code);

    LogLimits m_limits;
    QString m_connection;
    bool m_open = false;
    LogStatus m_status;
    QHash<QString, RoomState> m_rooms;
    qint64 m_count = 0;
    int m_writesSincePrune = 0;
};

// The problem in the language shown, with the file's path; empty for none.
QString LogProblemText(const LogStatus& status, Language language);
// The kind as shown.
QString LogKindText(LogKind kind, Language language);

}  // namespace tolmarin::venue
