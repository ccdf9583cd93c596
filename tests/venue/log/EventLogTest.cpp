// The venue's event log on real SQLite files: what is a change, the flapping room, the
// limits, the filters, the CSV, the files it cannot use, and a writer killed mid-run.

#include "venue/log/EventLog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace tolmarin::venue {
namespace {

constexpr qint64 kT0 = 1'800'000'000'000;  // a fixed "now", in 2027
constexpr qint64 kMin = 60'000;
constexpr qint64 kDay = 24 * 60 * kMin;
constexpr int kWaitMs = 10000;  // failure bound only

struct Folder {
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

std::vector<QString> Details(const std::vector<LogEvent>& events) {
    std::vector<QString> out;
    for (const auto& e : events) {
        out.push_back(e.detail);
    }
    return out;
}

TEST(EventLogChanges, StatesAreLoggedWhenTheyChangeAndAFlappingRoomOnceAMinute) {
    Folder f;
    EventLog log;
    ASSERT_TRUE(log.Open(f.Path("log.sqlite"), kT0).Ok());
    using K = LogKind;
    using R = RecordOutcome;
    struct Step {
        qint64 t;
        const char* room;
        K kind;
        const char* detail;
        R expected;
    };
    const Step steps[] = {
        {kT0, "room1", K::Online, "a", R::Written},
        {kT0 + 1000, "room1", K::Online, "sample", R::Unchanged},
        {kT0 + 2000, "room2", K::Online, "b", R::Written},     // a room of its own
        {kT0 + 3000, "room1", K::Action, "push", R::Written},  // actions never wait
        {kT0 + 4000, "room1", K::Outcome, "verified", R::Written},
        {kT0 + 5000, "room1", K::Offline, "c", R::Held},  // flapping within the minute
        {kT0 + 6000, "room1", K::Online, "d", R::Held},
        {kT0 + 7000, "room1", K::Offline, "e", R::Held},
        {kT0 + 8000, "room1", K::Offline, "sample", R::Unchanged},
        {kT0 + kMin + 1, "room1", K::Warning, "f", R::Written},  // carries the three held
        {kT0 + 3 * kMin, "room1", K::Fault, "g", R::Written},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(
            log.Record({s.t, QString::fromLatin1(s.room), s.kind, QString::fromLatin1(s.detail)}),
            s.expected)
            << s.detail << " at +" << (s.t - kT0);
    }
    const auto all = log.Query({});
    EXPECT_EQ(Details(all), (std::vector<QString>{"g", "f", "verified", "push", "b", "a"}));
    EXPECT_EQ(all[1].folded, 3);
    EXPECT_EQ(all[0].folded, 0);

    // A room that settles inside its minute is logged as it ended, once the minute is up.
    EXPECT_EQ(log.Record({kT0 + 3 * kMin + 10, "room1", K::Online, "h"}), R::Held);
    EXPECT_EQ(log.Record({kT0 + 3 * kMin + 20, "room1", K::Offline, "i"}), R::Held);
    EXPECT_EQ(log.Flush(kT0 + 3 * kMin + 30), 0) << "the minute is not up";
    EXPECT_EQ(log.Flush(kT0 + 4 * kMin), 1);
    const auto last = log.Query({QStringLiteral("room1"), {}, 1});
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].detail, "i");
    EXPECT_EQ(last[0].kind, K::Offline);
    EXPECT_EQ(last[0].folded, 1);
}

TEST(EventLogLimits, KeepsTheNewestEventsAndNothingPastItsDays) {
    Folder f;
    {
        EventLog log({.keepDays = 90, .keepEvents = 5});
        ASSERT_TRUE(log.Open(f.Path("log.sqlite"), kT0).Ok());
        for (int i = 0; i < 8; ++i) {
            log.Record({kT0 + i, "r", LogKind::Action, QString::number(i)});
        }
        EXPECT_EQ(log.Count(), 5);
        EXPECT_EQ(Details(log.Query({})), (std::vector<QString>{"7", "6", "5", "4", "3"}))
            << "the oldest go first";
    }
    EventLog later({.keepDays = 90, .keepEvents = 5});
    ASSERT_TRUE(later.Open(f.Path("log.sqlite"), kT0 + 90 * kDay + 5).Ok());
    EXPECT_EQ(Details(later.Query({})), (std::vector<QString>{"7", "6", "5"}))
        << "events older than 90 days are dropped when the log opens";
}

TEST(EventLogQuery, FiltersByRoomAndKindNewestFirst) {
    Folder f;
    EventLog log;
    ASSERT_TRUE(log.Open(f.Path("log.sqlite"), kT0).Ok());
    int t = 0;
    for (const char* room : {"a", "b"}) {
        for (LogKind k : {LogKind::Online, LogKind::Action, LogKind::Warning, LogKind::Outcome}) {
            log.Record({kT0 + kMin * ++t, room, k,
                        QString::fromLatin1(room) + QLatin1String(LogKindKey(k))});
        }
    }
    struct Case {
        LogFilter filter;
        std::vector<QString> expected;
    };
    const Case cases[] = {
        {{"a", {}, 1000}, {"aoutcome", "awarning", "aaction", "aonline"}},
        {{"", {LogKind::Warning}, 1000}, {"bwarning", "awarning"}},
        {{"b", {LogKind::Action, LogKind::Outcome}, 1000}, {"boutcome", "baction"}},
        {{"", {}, 2}, {"boutcome", "bwarning"}},
        {{"c", {}, 1000}, {}},
        {{"a", {LogKind::Fault}, 1000}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Details(log.Query(c.filter)), c.expected) << c.filter.room.toStdString();
    }
}

TEST(EventLogCsv, FormulaStartsAreWrittenAsTextAndSeparatorsQuoted) {
    struct Case {
        const char* detail;
        const char* cell;
    };
    const Case cases[] = {
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "'+1"},
        {"-3 dB", "'-3 dB"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"a, b", "\"a, b\""},
        {"two\nlines", "\"two\nlines\""},
        {"plain 3-4", "plain 3-4"},
    };
    for (const auto& c : cases) {
        const QByteArray csv = EventLog::Csv(
            {{kT0, "r", LogKind::Action, QString::fromUtf8(c.detail)}}, Language::English);
        const QByteArray expected =
            QByteArray("2027-01-15T08:00:00.000Z,r,action,") + c.cell + ",0\r\n";
        EXPECT_TRUE(csv.endsWith(expected)) << c.detail << "\n" << csv.toStdString();
    }
    const QByteArray zh = EventLog::Csv({{kT0, "=r", LogKind::Fault, "x", 2}}, Language::Chinese);
    EXPECT_TRUE(zh.startsWith("\xEF\xBB\xBF")) << "spreadsheets read UTF-8 by its mark";
    EXPECT_TRUE(zh.contains(QStringLiteral("房间").toUtf8()));
    EXPECT_TRUE(zh.endsWith(QStringLiteral(",'=r,故障,x,2\r\n").toUtf8())) << zh.toStdString();
}

TEST(EventLogCsv, ExportWritesTheFilteredEventsOldestFirstAndKeepsAFileWhenAsked) {
    Folder f;
    EventLog log;
    ASSERT_TRUE(log.Open(f.Path("log.sqlite"), kT0).Ok());
    log.Record({kT0, "a", LogKind::Action, "first"});
    log.Record({kT0 + 1, "b", LogKind::Action, "other room"});
    log.Record({kT0 + 2, "a", LogKind::Outcome, "second"});
    const QString out = f.Path("a.csv");
    ASSERT_TRUE(log.ExportCsv(out, {"a", {}, 1000}, Language::English, Overwrite::Keep).Ok());
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4);  // heading, two events, the empty rest after the last break
    EXPECT_TRUE(lines[1].contains("first"));
    EXPECT_TRUE(lines[2].contains("second"));
    EXPECT_EQ(log.ExportCsv(out, {}, Language::English, Overwrite::Keep).fault, FileFault::Exists);
}

// Files the log cannot use: each named, the log closed, and recording a no-op.
TEST(EventLogProblems, ADamagedLockedOrUnusableFileIsNamedAndTheLogRunsWithout) {
    Folder f;
    {
        QFile junk(f.Path("junk.sqlite"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    QDir(f.dir.path()).mkdir(QStringLiteral("folder.sqlite"));
    QFile(f.Path("plainfile")).open(QIODevice::WriteOnly);
    {  // someone else's SQLite file with a table of that name
        auto db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(f.Path("foreign.sqlite"));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("CREATE TABLE events (x INTEGER)");
        db.close();
    }
    QSqlDatabase::removeDatabase("foreign");
    struct Case {
        const char* file;
        LogProblem expected;
    };
    const Case cases[] = {
        {"junk.sqlite", LogProblem::Corrupt},
        {"foreign.sqlite", LogProblem::Corrupt},
        {"folder.sqlite", LogProblem::CannotOpen},
        {"plainfile/log.sqlite", LogProblem::NoFolder},
    };
    for (const auto& c : cases) {
        EventLog log;
        const LogStatus s = log.Open(f.Path(c.file), kT0);
        EXPECT_EQ(s.problem, c.expected) << c.file << ": " << s.systemText.toStdString();
        EXPECT_FALSE(log.IsOpen());
        EXPECT_EQ(log.Record({kT0, "r", LogKind::Action, "x"}), RecordOutcome::NoLog);
        EXPECT_TRUE(log.Query({}).empty());
        const QString text = LogProblemText(s, Language::English);
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(f.Path(c.file)))) << c.file;
        EXPECT_FALSE(LogProblemText(s, Language::Chinese).isEmpty());
    }
    const QString junk = f.Path("junk.sqlite");
    QFile check(junk);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray(4096, 'x')) << "a damaged file is left as it was";
}

TEST(EventLogProblems, AFileHeldByAnotherWriterIsNamedLockedThenUsableOnceFree) {
    Folder f;
    const QString path = f.Path("log.sqlite");
    {
        EventLog first;
        ASSERT_TRUE(first.Open(path, kT0).Ok());
    }
    auto holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
    holder.setDatabaseName(path);
    ASSERT_TRUE(holder.open());
    QSqlQuery hold(holder);
    ASSERT_TRUE(hold.exec("PRAGMA locking_mode=EXCLUSIVE"));
    ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
    ASSERT_TRUE(
        hold.exec("INSERT INTO events (time, room, kind, detail) VALUES (1,'x','action','y')"));
    {
        EventLog log({.busyMs = 100});
        const LogStatus s = log.Open(path, kT0);
        EXPECT_EQ(s.problem, LogProblem::Locked) << s.systemText.toStdString();
        EXPECT_EQ(log.Record({kT0, "r", LogKind::Action, "x"}), RecordOutcome::NoLog);
    }
    hold.exec("ROLLBACK");
    hold.finish();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    EventLog log;
    EXPECT_TRUE(log.Open(path, kT0).Ok());
    EXPECT_EQ(log.Record({kT0, "r", LogKind::Action, "x"}), RecordOutcome::Written);
}

TEST(EventLogProblems, AMissingDriverNamesThePackage) {
    const QString text = LogProblemText({LogProblem::NoDriver, "p", {}}, Language::English);
    EXPECT_TRUE(text.contains("QSQLITE"));
    EXPECT_TRUE(text.contains("libqt6sql6-sqlite"));
    EXPECT_TRUE(LogProblemText({LogProblem::NoDriver, "p", {}}, Language::Chinese)
                    .contains("libqt6sql6-sqlite"));
}

// The child: writes numbered actions to the default log, saying each one it committed,
// until killed (or a bound long past any test's patience).
int RunChildWriter() {
    EventLog log;
    if (!log.Open().Ok()) {
        std::printf("cannot open\n");
        return 1;
    }
    for (int i = 0; i < 100000; ++i) {
        if (log.Record({EventLog::CurrentMs(), "room", LogKind::Action, QString::number(i)}) !=
            RecordOutcome::Written) {
            std::printf("failed %d\n", i);
            return 1;
        }
        std::printf("committed %d\n", i);
        std::fflush(stdout);
    }
    return 0;
}

TEST(EventLogCrash, AWriterKilledMidRunLosesNothingItCommitted) {
    const QString path = EventLog::DefaultPath();
    ASSERT_TRUE(path.contains(".qttest")) << "tests write only into the test data folder";
    QFile::remove(path);
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({"--child-writer"});
    child.start();
    ASSERT_TRUE(child.waitForStarted(kWaitMs));
    QByteArray out;
    const auto lastCommitted = [&] {
        out += child.readAllStandardOutput();
        const int at = out.lastIndexOf("committed ");
        return at < 0 ? -1 : out.mid(at + 10).split('\n').front().toInt();
    };
    while (lastCommitted() < 30 && child.waitForReadyRead(kWaitMs)) {
    }
    ASSERT_GE(lastCommitted(), 30) << out.toStdString();
    child.kill();  // SIGKILL: no handler, no flush, no close
    ASSERT_TRUE(child.waitForFinished(kWaitMs));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    const int last = lastCommitted();  // with what it said before it died

    EventLog log;
    ASSERT_TRUE(log.Open().Ok()) << LogProblemText(log.Status(), Language::English).toStdString();
    const auto events = log.Query({"room", {}, 1000000});
    ASSERT_GE(static_cast<int>(events.size()), last + 1);
    std::vector<bool> seen(events.size(), false);
    for (const auto& e : events) {
        const int n = e.detail.toInt();
        if (n >= 0 && n < static_cast<int>(seen.size())) {
            seen[static_cast<std::size_t>(n)] = true;
        }
    }
    for (int i = 0; i <= last; ++i) {
        ASSERT_TRUE(seen[static_cast<std::size_t>(i)]) << "committed event " << i << " lost";
    }
}

}  // namespace
}  // namespace tolmarin::venue

int main(int argc, char** argv) {
    // Every test's application data folder is a fresh temporary one: the child started by
    // a test inherits it through HOME.
    QStandardPaths::setTestModeEnabled(true);
    const bool child = argc > 1 && QByteArray(argv[1]) == "--child-writer";
    QTemporaryDir home;
    if (!child) {
        qputenv("HOME", home.path().toLocal8Bit());
    }
    QCoreApplication app(argc, argv);
    if (child) {
        return tolmarin::venue::RunChildWriter();
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
