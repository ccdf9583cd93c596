#include "venue/log/EventLog.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <array>

namespace tolmarin::venue {

namespace {

constexpr const char* kDriver = "QSQLITE";
constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
constexpr int kPruneEvery = 256;  // writes between checks of the age limit

struct KindEntry {
    LogKind kind;
    const char* key;
    TextId text;
};
constexpr std::array<KindEntry, 6> kKinds = {{
    {LogKind::Online, "online", TextId::LogKindOnline},
    {LogKind::Offline, "offline", TextId::LogKindOffline},
    {LogKind::Warning, "warning", TextId::LogKindWarning},
    {LogKind::Fault, "fault", TextId::LogKindFault},
    {LogKind::Action, "action", TextId::LogKindAction},
    {LogKind::Outcome, "outcome", TextId::LogKindOutcome},
}};

bool IsState(LogKind k) {
    return k == LogKind::Online || k == LogKind::Offline || k == LogKind::Warning ||
           k == LogKind::Fault;
}

QString T(TextId id, Language language) {
    return QString::fromUtf8(Tr(id, language));
}

// SQLite's primary result codes among the extended ones Qt reports.
LogProblem ProblemOfCode(const QString& nativeCode, LogProblem fallback) {
    bool ok = false;
    const int code = nativeCode.toInt(&ok) & 0xFF;
    if (!ok) {
        return fallback;
    }
    constexpr int kBusy = 5;
    constexpr int kLocked = 6;
    constexpr int kCorrupt = 11;
    constexpr int kCantOpen = 14;
    constexpr int kNotADb = 26;
    switch (code) {
        case kBusy:
        case kLocked:
            return LogProblem::Locked;
        case kCorrupt:
        case kNotADb:
            return LogProblem::Corrupt;
        case kCantOpen:
            return LogProblem::CannotOpen;
        default:
            return fallback;
    }
}

// A cell as a spreadsheet reads it: text that would start a formula is marked as text,
// and a cell holding the separator, a quote or a line break is quoted.
QString CsvCell(QString cell) {
    if (!cell.isEmpty() && QStringLiteral("=+-@\t\r").contains(cell.front())) {
        cell.prepend(QLatin1Char('\''));
    }
    if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
        cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'))) {
        cell.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        cell = QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return cell;
}

}  // namespace

const char* LogKindKey(LogKind kind) {
    for (const auto& e : kKinds) {
        if (e.kind == kind) {
            return e.key;
        }
    }
    return "action";
}

std::optional<LogKind> LogKindFromKey(const QString& key) {
    for (const auto& e : kKinds) {
        if (key == QLatin1String(e.key)) {
            return e.kind;
        }
    }
    return std::nullopt;
}

QString LogKindText(LogKind kind, Language language) {
    for (const auto& e : kKinds) {
        if (e.kind == kind) {
            return T(e.text, language);
        }
    }
    return {};
}

QString EventLog::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/venue-events.sqlite");
}

qint64 EventLog::CurrentMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

EventLog::EventLog(LogLimits limits) : m_limits(limits) {
    static QAtomicInt serial;
    m_connection = QStringLiteral("tolmarin-venue-log-%1").arg(serial.fetchAndAddRelaxed(1));
}

EventLog::~EventLog() {
    Close();
}

void EventLog::Close() {
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
    m_rooms.clear();
}

void EventLog::Fail(LogProblem fallback, const QString& text, const QString& code) {
    m_status.problem = ProblemOfCode(code, fallback);
    m_status.systemText = text;
}

LogStatus EventLog::Open(const QString& path, qint64 nowMs) {
    Close();
    m_status = {};
    m_status.path = path;
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(kDriver))) {
        m_status.problem = LogProblem::NoDriver;
        return m_status;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_status.problem = LogProblem::NoFolder;
        m_status.systemText = folder;
        return m_status;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(kDriver), m_connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_limits.busyMs));
        if (!db.open()) {
            Fail(LogProblem::CannotOpen, db.lastError().text(), db.lastError().nativeErrorCode());
        } else {
            QSqlQuery q(db);
            // WAL: a write is one append and readers never block it; FULL: a commit is on
            // the disk before the write returns, so a crash right after it keeps it.
            const char* const setup[] = {
                "PRAGMA journal_mode=WAL",
                "PRAGMA synchronous=FULL",
                "CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                "time INTEGER NOT NULL, room TEXT NOT NULL, kind TEXT NOT NULL, "
                "detail TEXT NOT NULL, folded INTEGER NOT NULL DEFAULT 0)",
                "CREATE INDEX IF NOT EXISTS events_time ON events (time)",
                "CREATE INDEX IF NOT EXISTS events_room ON events (room, time)",
                "SELECT time, room, kind, detail, folded FROM events LIMIT 0",
            };
            for (const char* sql : setup) {
                if (!q.exec(QLatin1String(sql))) {
                    Fail(LogProblem::Corrupt, q.lastError().text(),
                         q.lastError().nativeErrorCode());
                    break;
                }
            }
            if (m_status.Ok() && q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() &&
                q.value(0).toString() != QLatin1String("ok")) {
                m_status.problem = LogProblem::Corrupt;
                m_status.systemText = q.value(0).toString();
            }
            if (m_status.Ok() && q.exec(QStringLiteral("SELECT COUNT(*) FROM events")) &&
                q.next()) {
                m_count = q.value(0).toLongLong();
            }
        }
    }
    if (!m_status.Ok()) {
        Close();
        return m_status;
    }
    m_open = true;
    Prune(nowMs);
    return m_status;
}

bool EventLog::Insert(const LogEvent& e) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral(
        "INSERT INTO events (time, room, kind, detail, folded) VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(e.timeMs);
    q.addBindValue(e.room);
    q.addBindValue(QString::fromLatin1(LogKindKey(e.kind)));
    q.addBindValue(e.detail);
    q.addBindValue(e.folded);
    if (!q.exec()) {
        Fail(LogProblem::WriteFailed, q.lastError().text(), q.lastError().nativeErrorCode());
        return false;
    }
    m_status = {LogProblem::None, m_status.path, {}};
    ++m_count;
    if (m_count > m_limits.keepEvents || ++m_writesSincePrune >= kPruneEvery) {
        Prune(e.timeMs);
    }
    return true;
}

void EventLog::Prune(qint64 nowMs) {
    m_writesSincePrune = 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM events WHERE time < ?"));
    q.addBindValue(nowMs - m_limits.keepDays * kDayMs);
    if (q.exec()) {
        m_count -= q.numRowsAffected();
    }
    if (m_count > m_limits.keepEvents) {
        q.prepare(QStringLiteral(
            "DELETE FROM events WHERE id IN (SELECT id FROM events ORDER BY time, id LIMIT ?)"));
        q.addBindValue(m_count - m_limits.keepEvents);
        if (q.exec()) {
            m_count -= q.numRowsAffected();
        }
    }
}

RecordOutcome EventLog::Record(const LogEvent& event) {
    if (!m_open) {
        return RecordOutcome::NoLog;
    }
    if (!IsState(event.kind)) {
        return Insert(event) ? RecordOutcome::Written : RecordOutcome::Failed;
    }
    RoomState& room = m_rooms[event.room];
    const std::optional<LogKind> now = room.held ? std::optional(room.held->kind) : room.written;
    if (now == event.kind) {
        return RecordOutcome::Unchanged;
    }
    if (room.written && event.timeMs - room.writtenMs < m_limits.flapMs) {
        room.held = event;
        ++room.heldCount;
        return RecordOutcome::Held;
    }
    LogEvent e = event;
    e.folded = room.heldCount;  // the changes held since the last one logged
    if (!Insert(e)) {
        return RecordOutcome::Failed;
    }
    room.written = e.kind;
    room.writtenMs = e.timeMs;
    room.held.reset();
    room.heldCount = 0;
    return RecordOutcome::Written;
}

int EventLog::Flush(qint64 nowMs) {
    if (!m_open) {
        return 0;
    }
    int written = 0;
    for (auto it = m_rooms.begin(); it != m_rooms.end(); ++it) {
        RoomState& room = it.value();
        if (!room.held || nowMs - room.writtenMs < m_limits.flapMs) {
            continue;
        }
        LogEvent e = *room.held;
        e.folded = room.heldCount - 1;  // the one written is itself one of them
        if (!Insert(e)) {
            break;
        }
        room.written = e.kind;
        room.writtenMs = e.timeMs;
        room.held.reset();
        room.heldCount = 0;
        ++written;
    }
    return written;
}

std::vector<LogEvent> EventLog::Query(const LogFilter& filter) const {
    std::vector<LogEvent> out;
    if (!m_open) {
        return out;
    }
    QString sql = QStringLiteral("SELECT time, room, kind, detail, folded FROM events WHERE 1");
    if (!filter.room.isEmpty()) {
        sql += QStringLiteral(" AND room = ?");
    }
    if (!filter.kinds.isEmpty()) {
        QStringList marks;
        for (int i = 0; i < filter.kinds.size(); ++i) {
            marks << QStringLiteral("?");
        }
        sql += QStringLiteral(" AND kind IN (%1)").arg(marks.join(QLatin1Char(',')));
    }
    sql += QStringLiteral(" ORDER BY time DESC, id DESC LIMIT ?");
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(sql);
    if (!filter.room.isEmpty()) {
        q.addBindValue(filter.room);
    }
    for (LogKind k : filter.kinds) {
        q.addBindValue(QString::fromLatin1(LogKindKey(k)));
    }
    q.addBindValue(std::max(0, filter.newest));
    if (!q.exec()) {
        return out;
    }
    while (q.next()) {
        const auto kind = LogKindFromKey(q.value(2).toString());
        if (!kind) {
            continue;  // written by a later version: not shown rather than shown wrong
        }
        out.push_back({q.value(0).toLongLong(), q.value(1).toString(), *kind, q.value(3).toString(),
                       q.value(4).toInt()});
    }
    return out;
}

int EventLog::Count() const {
    return m_open ? static_cast<int>(m_count) : 0;
}

QByteArray EventLog::Csv(const std::vector<LogEvent>& newestFirst, Language language) {
    // The byte order mark tells spreadsheets the text is UTF-8 (the Chinese texts).
    QString text = QStringLiteral("\uFEFF");
    const TextId heads[] = {TextId::LogColumnTime, TextId::LogColumnRoom, TextId::LogColumnKind,
                            TextId::LogColumnDetail, TextId::LogColumnFolded};
    QStringList cells;
    for (TextId id : heads) {
        cells << CsvCell(T(id, language));
    }
    text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) {
        cells = {
            CsvCell(
                QDateTime::fromMSecsSinceEpoch(it->timeMs, Qt::UTC).toString(Qt::ISODateWithMs)),
            CsvCell(it->room), CsvCell(LogKindText(it->kind, language)), CsvCell(it->detail),
            QString::number(it->folded)};
        text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

FileWriteResult EventLog::ExportCsv(const QString& path, const LogFilter& filter, Language language,
                                    Overwrite overwrite) const {
    const QByteArray bytes = Csv(Query(filter), language);
    return WriteFileSafely(QFile::encodeName(path).toStdString(),
                           {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size())},
                           overwrite);
}

QString LogProblemText(const LogStatus& status, Language language) {
    TextId id = TextId::LogCannotOpen;
    switch (status.problem) {
        case LogProblem::None:
            return {};
        case LogProblem::NoDriver:
            return T(TextId::LogNoDriver, language);
        case LogProblem::NoFolder:
            id = TextId::LogNoFolder;
            break;
        case LogProblem::CannotOpen:
            id = TextId::LogCannotOpen;
            break;
        case LogProblem::Corrupt:
            id = TextId::LogCorrupt;
            break;
        case LogProblem::Locked:
            id = TextId::LogLocked;
            break;
        case LogProblem::WriteFailed:
            id = TextId::LogWriteFailed;
            break;
    }
    QString text = T(id, language).arg(QDir::toNativeSeparators(status.path));
    if (!status.systemText.isEmpty()) {
        text += QStringLiteral(" (") + status.systemText + QLatin1Char(')');
    }
    return text;
}

}  // namespace tolmarin::venue
