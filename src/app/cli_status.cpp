#include "app/cli_status.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>

#include "app/cli_help.h"
#include "app/cli_host.h"
#include "app/cli_json.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "control/register_requests.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/alarm_codes.h"
#include "core/language.h"
#include "core/site_summary.h"
#include "link/request_outcome.h"

namespace vorel {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitAlarm = 3;

struct StatusOptions {
  std::vector<int> sites;  // empty: the sites selected for Connect
  bool json = CliJson();   // the command line's --json is taken before the command's arguments
};

std::optional<int> Parse(const std::vector<std::string_view>& args, StatusOptions& options) {
  for (const std::string_view a : args) {
    if (a == "--json") {
      options.json = true;
      continue;
    }
    int value = 0;
    bool digits = !a.empty() && a.size() <= 2;
    for (char c : a) {
      digits = digits && c >= '0' && c <= '9';
      value = value * 10 + (c - '0');
    }
    if (!digits) return CommandUsageError("status", "unknown argument " + std::string(a));
    if (!IsSite(value)) return CommandUsageError("status", "SITE must be 1 to 32");
    options.sites.push_back(value);
  }
  return std::nullopt;
}

// One site's row: its summary when it answered, else why not.
struct SiteRow {
  int site = 0;
  bool answered = false;
  std::string problem;
  SiteSummary summary;
};

// Columns of the table, in the overview's order.
// clang-format off
constexpr BilingualText kHeaders[] = {
    {"Site", "地址"}, {"Name", "机组名称"}, {"Device", "设备"}, {"Type", "型号"},
    {"Mode", "运行模式"}, {"Engine", "机组"}, {"kW", "kW"}, {"V L1-L2", "V L1-L2"},
    {"Hz", "Hz"}, {"Battery V", "电池电压(V)"}, {"Alarms", "报警"},
    {"Newest alarm", "最新报警"}, {"Age", "数据时间"}, {"Communication", "通讯"},
};
// clang-format on

std::vector<std::string> Cells(const SiteRow& r) {
  const SiteSummary& s = r.summary;
  if (!r.answered)
    return {std::to_string(r.site), "", "", "", "", "", "", "", "", "", "", "", "", r.problem};
  return {std::to_string(r.site),
          s.generatorName,
          s.deviceName,
          std::to_string(s.productCode),
          s.modeText,
          s.engineText,
          s.activePowerKw.Text(),
          s.voltageL1L2.Text(),
          s.frequencyHz.Text(),
          s.batteryVolts.Text(),
          std::to_string(s.alarms.size()),
          s.NewestAlarmText(),
          "0 s",
          std::string(PickText("ok", "正常"))};
}

// Terminal columns of a UTF-8 text: wide (East Asian) characters take two.
std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    width += length >= 3 ? 2 : 1;
    i += length;
  }
  return width;
}

void PrintTable(const std::vector<SiteRow>& rows) {
  std::vector<std::vector<std::string>> table;
  std::vector<std::string> header;
  for (const BilingualText& h : kHeaders) header.emplace_back(h.Pick());
  table.push_back(header);
  for (const SiteRow& r : rows) table.push_back(Cells(r));
  std::vector<std::size_t> widths(header.size(), 0);
  for (const auto& line : table)
    for (std::size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], Width(line[c]));
  for (const auto& line : table) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size()) text += std::string(widths[c] - Width(line[c]) + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    WriteOut(text + "\n");
  }
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void PrintJson(const std::vector<SiteRow>& rows) {
  QJsonArray sites;
  for (const SiteRow& r : rows) {
    QJsonObject o;
    o["site"] = r.site;
    o["answered"] = r.answered;
    if (!r.answered) {
      o["communication"] = Q(r.problem);
      sites.append(o);
      continue;
    }
    const SiteSummary& s = r.summary;
    o["communication"] = "ok";
    o["ageSeconds"] = 0;
    o["generatorName"] = Q(s.generatorName);
    o["deviceName"] = Q(s.deviceName);
    o["productCode"] = s.productCode;
    o["mode"] = s.mode ? Q(std::string(InfoOf(ModeCommand(*s.mode)).name)) : QJsonValue();
    o["modeText"] = Q(s.modeText);
    o["engine"] = Q(std::string(EngineStateName(s.engine)));
    o["engineText"] = Q(s.engineText);
    o["genSetState"] = s.genSetState;
    o["activePowerKw"] = s.activePowerKw.Value();
    o["voltageL1L2"] = s.voltageL1L2.Value();
    o["frequencyHz"] = s.frequencyHz.Value();
    o["batteryVolts"] = s.batteryVolts.Value();
    QJsonArray alarms;
    for (const SiteAlarm& a : s.alarms) {
      QJsonObject alarm;
      alarm["code"] = Q(HexWordText(a.code));
      alarm["text"] = Q(a.text);
      alarm["severity"] = Q(std::string(AlarmSeverityName(a.severity)));
      alarms.append(alarm);
    }
    o["alarms"] = alarms;
    o["inAlarm"] = s.InAlarm();
    sites.append(o);
  }
  WriteOut(QJsonDocument(sites).toJson(QJsonDocument::Indented).toStdString() + "\n");
}

}  // namespace

const char* const kStatusUsage =
    "  status [SITE]... [--json]  identify each site (by default those selected for Connect in\n"
    "                             the settings), read its live values once and print one row\n"
    "                             per site: names, type, mode, engine state, kW, V L1-L2, Hz,\n"
    "                             battery V, the number of alarms and the newest one, the\n"
    "                             communication state; --json prints the same as JSON. Exit\n"
    "                             status 3 when a site is in alarm, 1 when a site did not\n"
    "                             answer (and none is in alarm)\n";

std::optional<int> ParseStatusArguments(const std::vector<std::string_view>& args) {
  StatusOptions options;
  return Parse(args, options);
}

int RunStatusCommand(const std::vector<std::string_view>& args, const PortSettings& port,
                     CliHost& host, EventPump& pump) {
  StatusOptions options;
  if (auto stop = Parse(args, options)) return *stop;
  try {
    SetLanguageSetting(LoadLanguage());
    if (options.sites.empty()) {
      const CommunicationProperties selected = LoadCommunicationProperties({});
      for (int n = 1; n <= kSiteCount; ++n)
        if (selected.sites[static_cast<std::size_t>(n - 1)]) options.sites.push_back(n);
    }
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitFailed;
  }
  if (options.sites.empty()) {
    std::fprintf(stderr, "vorel-cli: no site is selected for Connect; name the sites\n");
    return kExitFailed;
  }

  CliSession cli(host, pump);
  if (!cli.Open(port)) return kExitFailed;
  Session& session = cli.session();
  std::vector<SiteRow> rows;
  bool anyAlarm = false;
  bool allAnswered = true;
  for (int site : options.sites) {
    SiteRow row;
    row.site = site;
    host.lastMessage.clear();
    if (session.Connector().IdentifySite(site)) {
      const RequestResult result = session.ReadBlock<ValueRead>(site, reg::kLiveValues);
      if (result) {
        row.answered = true;
        row.summary = SummarizeSite(session.Images(), site);
      } else {
        row.problem = PollFailureMessage(result.outcome, site);
      }
    } else {
      row.problem = host.lastMessage.empty() ? SiteConnectFailText(site) : host.lastMessage;
    }
    anyAlarm = anyAlarm || (row.answered && row.summary.InAlarm());
    allAnswered = allAnswered && row.answered;
    rows.push_back(std::move(row));
    if (session.Connector().PortWasLost()) break;  // no further site can answer
  }
  if (options.json) {
    PrintJson(rows);
  } else {
    PrintTable(rows);
  }
  FlushOut();
  if (rows.size() < options.sites.size()) return kExitFailed;
  return anyAlarm ? kExitAlarm : allAnswered ? kExitOk : kExitFailed;
}

}  // namespace vorel
