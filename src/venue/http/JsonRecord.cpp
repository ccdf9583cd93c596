#include "JsonRecord.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>

namespace tolmarin::venue {

namespace {

QJsonArray Pair(const std::array<int, 2>& v) {
    return QJsonArray{v[0], v[1]};
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

void PutError(QJsonObject& o, const std::string& error, const std::string& message) {
    if (!error.empty()) {
        o.insert("error", Q(error));
        o.insert("message", Q(message));
    }
}

}  // namespace

const char* OutcomeWord(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok:
            return "ok";
        case Outcome::Failed:
            return "failed";
        case Outcome::NotVerified:
            return "not verified";
        case Outcome::Interrupted:
            return "interrupted";
        case Outcome::Offline:
            return "offline";
    }
    return "failed";
}

std::string Rfc3339(std::int64_t ms, int utcOffsetSeconds) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, utcOffsetSeconds);
    const int minutes = std::abs(utcOffsetSeconds) / 60;
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", utcOffsetSeconds < 0 ? '-' : '+',
                  minutes / 60, minutes % 60);
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString() + offset;
}

QJsonObject RecordObject(const CommandResult& r) {
    QJsonObject o;
    o.insert("schema", kRecordSchema);
    o.insert("time", Q(Rfc3339(r.timeMs, r.utcOffsetSeconds)));
    o.insert("name", Q(r.name));
    o.insert("address", Q(r.address));
    o.insert("command", Q(r.command));
    o.insert("result", OutcomeWord(r.result));
    if (r.result != Outcome::Offline) {
        if (r.temperatures) {
            o.insert("temperatures", Pair(*r.temperatures));
        }
        if (r.levels) {
            o.insert("levels", Pair(*r.levels));
        }
        if (!r.programs.empty()) {
            QJsonArray programs;
            for (const auto& p : r.programs) {
                QJsonObject slot{{"slot", p.slot}, {"result", OutcomeWord(p.result)}};
                PutError(slot, p.error, p.message);
                programs.append(slot);
            }
            o.insert("programs", programs);
        }
    }
    PutError(o, r.error, r.message);
    return o;
}

QByteArray RecordLine(const CommandResult& r) {
    return QJsonDocument(RecordObject(r)).toJson(QJsonDocument::Compact) + '\n';
}

CommandResult RecordOfSample(const AmplifierSample& s) {
    CommandResult r;
    r.timeMs = s.takenMs;
    r.utcOffsetSeconds = s.utcOffsetSeconds;
    r.name = s.name;
    r.address = s.address;
    r.command = "status";
    r.result = s.up ? Outcome::Ok : Outcome::Offline;
    if (s.up) {
        r.temperatures = s.temperatures;
        r.levels = s.levels;
    }
    return r;
}

QJsonObject StatusObject(const AmplifierSample& s) {
    QJsonObject o = RecordObject(RecordOfSample(s));
    if (s.group) {
        o.insert("group", Q(*s.group));
    }
    o.insert("reconnects", qint64(s.reconnects));
    o.insert("last_reply", s.lastReplyMs
                               ? QJsonValue(Q(Rfc3339(*s.lastReplyMs, s.utcOffsetSeconds)))
                               : QJsonValue(QJsonValue::Null));
    return o;
}

}  // namespace tolmarin::venue
