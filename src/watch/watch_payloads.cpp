#include "watch/watch_payloads.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace vorel {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QJsonValue TimeOrNull(std::int64_t wallMs) {
  return wallMs > 0 ? QJsonValue(Q(UtcText(wallMs))) : QJsonValue(QJsonValue::Null);
}

QJsonObject Head(const SiteReading& r) {
  QJsonObject o;
  o["line"] = Q(r.line);
  o["site"] = r.site;
  if (r.identity) {
    QJsonObject id;
    id["serial"] = Q(r.identity->serial);
    id["type"] = r.identity->productCode;
    id["firmware"] = Q(r.identity->firmware);
    id["device"] = Q(r.identity->deviceName);
    id["generator"] = Q(r.identity->generatorName);
    o["identity"] = id;
  }
  return o;
}

QJsonObject AlarmObject(const SiteAlarm& a) {
  QJsonObject o;
  o["code"] = a.code;
  o["text"] = Q(a.text);
  o["severity"] = QString::fromUtf8(AlarmSeverityName(a.severity));
  return o;
}

}  // namespace

std::string StateTopic(const std::string& line, int site) {
  return "vorel/" + line + "/" + std::to_string(site) + "/state";
}
std::string AlarmTopic(const std::string& line, int site) {
  return "vorel/" + line + "/" + std::to_string(site) + "/alarm";
}
std::string StatusTopic(const std::string& line) {
  return "vorel/" + line + "/status";
}

const char* SiteLinkName(SiteLink link) {
  switch (link) {
    case SiteLink::Unknown:
      return "unknown";
    case SiteLink::Identified:
      return "ok";
    case SiteLink::Failed:
      return "failed";
    case SiteLink::Refused:
      return "refused";
  }
  return "unknown";
}

const char* OutcomeName(RequestOutcome outcome) {
  switch (outcome) {
    case RequestOutcome::Done:
      return "ok";
    case RequestOutcome::Timeout:
      return "timeout";
    case RequestOutcome::CrcError:
      return "crc_error";
    case RequestOutcome::Exception:
      return "exception";
    case RequestOutcome::LineError:
      return "line_error";
    case RequestOutcome::PortGone:
      return "port_gone";
    case RequestOutcome::Incomplete:
      return "incomplete";
  }
  return "timeout";
}

std::string UtcText(std::int64_t wallMs) {
  return QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

std::string StatePayload(const SiteReading& r, std::int64_t nowWallMs) {
  QJsonObject o = Head(r);
  o["link"] = SiteLinkName(r.link);
  if (r.link == SiteLink::Failed) o["outcome"] = OutcomeName(r.outcome);
  if (!r.problem.empty()) o["problem"] = Q(r.problem);
  o["time"] = Q(UtcText(nowWallMs));
  o["last_good_poll"] = TimeOrNull(r.lastGoodWallMs);
  if (r.fresh) {
    o["mode"] = Q(r.mode);
    o["engine"] = QString::fromUtf8(EngineStateName(r.engine));
    o["engine_text"] = Q(r.engineText);
    QJsonArray values;
    for (const WatchedValue& v : r.values) {
      QJsonObject value;
      value["name"] = Q(v.name);
      if (!v.unit.empty()) value["unit"] = Q(v.unit);
      if (v.number) {
        value["value"] = *v.number;
      } else {
        value["text"] = Q(v.text);
      }
      values.append(value);
    }
    o["values"] = values;
    QJsonArray alarms;
    for (const SiteAlarm& a : r.alarms) alarms.append(AlarmObject(a));
    o["alarms"] = alarms;
  }
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::string AlarmPayload(const SiteReading& r, const AlarmChange& change, std::uint64_t seq,
                         std::int64_t wallMs) {
  QJsonObject o = Head(r);
  o["alarm"] = AlarmObject(change.alarm);
  o["event"] = change.appeared ? "appeared" : "cleared";
  o["seq"] = static_cast<qint64>(seq);
  o["time"] = Q(UtcText(wallMs));
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace vorel
