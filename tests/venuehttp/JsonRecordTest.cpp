#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "FakeSamples.h"
#include "venue/http/JsonRecord.h"

namespace tolmarin::testing {
namespace {

using venue::CommandResult;
using venue::Outcome;

QJsonObject Parsed(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

CommandResult Base(const char* command, Outcome result) {
    CommandResult r;
    r.timeMs = 1765360434123;
    r.utcOffsetSeconds = 8 * 3600;
    r.name = "Room 1";
    r.address = "tcp:127.0.0.1:8899";
    r.command = command;
    r.result = result;
    return r;
}

CommandResult Status() {
    auto r = Base("status", Outcome::Ok);
    r.temperatures = {{-10, 245}};
    r.levels = {{0, 200}};
    return r;
}

CommandResult OfflineWithStaleFigures() {
    auto r = Status();
    r.result = Outcome::Offline;
    r.programs = {{1, Outcome::Ok, "", ""}};
    return r;
}

CommandResult Batch() {
    auto r = Base("pull", Outcome::Failed);
    r.programs = {{1, Outcome::Ok, "", ""},
                  {2, Outcome::NotVerified, "", ""},
                  {3, Outcome::Failed, "no_reply", "no reply"}};
    r.error = "partial";
    r.message = "2 of 3 programs";
    return r;
}

CommandResult ChineseError() {
    auto r = Base("write", Outcome::Interrupted);
    r.error = "interrupted";
    r.message = "已中断\n";
    return r;
}

TEST(JsonRecord, EachResultBecomesItsRecordAndNothingElse) {
    const char* head = R"("schema":1,"time":"2025-12-10T17:53:54.123+08:00","name":"Room 1",)"
                       R"("address":"tcp:127.0.0.1:8899",)";
    const struct {
        const char* what;
        CommandResult r;
        std::string expected;
    } cases[] = {
        {"status with its figures", Status(),
         std::string("{") + head +
             R"("command":"status","result":"ok","temperatures":[-10,245],"levels":[0,200]})"},
        {"offline: no figures even when some were left", OfflineWithStaleFigures(),
         std::string("{") + head + R"("command":"status","result":"offline"})"},
        {"a batch with each slot's outcome", Batch(),
         std::string("{") + head +
             R"("command":"pull","result":"failed","error":"partial",)"
             R"("message":"2 of 3 programs","programs":[{"slot":1,"result":"ok"},)"
             R"({"slot":2,"result":"not verified"},)"
             R"({"slot":3,"result":"failed","error":"no_reply","message":"no reply"}]})"},
        {"an error's message in the chosen language", ChineseError(),
         std::string("{") + head +
             R"("command":"write","result":"interrupted","error":"interrupted",)"
             R"("message":"已中断\n"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray line = venue::RecordLine(c.r);
        EXPECT_EQ(line.count('\n'), 1);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(QJsonDocument::fromJson(line).object(), Parsed(c.expected.c_str()))
            << line.toStdString();
    }
}

TEST(JsonRecord, TimeIsRfc3339WithItsOffset) {
    const struct {
        std::int64_t ms;
        int offset;
        const char* text;
    } cases[] = {
        {1765360434123, 8 * 3600, "2025-12-10T17:53:54.123+08:00"},
        {1765360434005, -(3 * 3600 + 1800), "2025-12-10T06:23:54.005-03:30"},
        {0, 0, "1970-01-01T00:00:00.000+00:00"},
        {951782400999, 0, "2000-02-29T00:00:00.999+00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(venue::Rfc3339(c.ms, c.offset), c.text);
    }
}

TEST(JsonRecord, StatusEntryAddsGroupReconnectsAndLastReply) {
    auto s = SampleOf(0);
    s.group = "Floor 2";
    s.reconnects = 3;
    s.lastReplyMs = 0;
    const QJsonObject o = venue::StatusObject(s);
    EXPECT_EQ(o["group"].toString(), "Floor 2");
    EXPECT_EQ(o["reconnects"].toInt(), 3);
    EXPECT_EQ(o["last_reply"].toString(), "1970-01-01T00:00:00.000+00:00");
    EXPECT_EQ(o["command"].toString(), "status");

    s.up = false;
    s.group.reset();
    s.lastReplyMs.reset();
    const QJsonObject down = venue::StatusObject(s);
    EXPECT_FALSE(down.contains("group"));
    EXPECT_TRUE(down["last_reply"].isNull());
    EXPECT_EQ(down["result"].toString(), "offline");
}

}  // namespace
}  // namespace tolmarin::testing
