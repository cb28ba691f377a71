#include "files/service_report.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/binary_io_layout.h"
#include "core/channel_tables.h"
#include "core/conversions.h"
#include "core/editor_model.h"
#include "core/language.h"
#include "core/monitor_snapshot.h"
#include "core/parameter_table.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

// Screen and paper alike: tables that break across pages with their header repeated, the wide
// event log in small print.
constexpr const char* kStyle =
    "body{font-family:sans-serif;font-size:11pt;margin:1.5em;color:#000;background:#fff}"
    "h1{font-size:16pt;margin:0 0 .5em}"
    "h2{font-size:13pt;margin:1.2em 0 .4em;border-bottom:1px solid #888}"
    "h3{font-size:11pt;margin:.8em 0 .3em}"
    "table{border-collapse:collapse;margin-bottom:.6em}"
    "th,td{border:1px solid #999;padding:1px 6px;text-align:left;vertical-align:top}"
    "th{background:#e8e8e8}"

    "tr.off td{color:#777}"
    ".log{font-size:8pt}"
    ".log td,.log th{padding:1px 3px;white-space:nowrap}"
    ".scroll{overflow-x:auto}"
    "@media print{body{margin:0}.scroll{overflow:visible}thead{display:table-header-group}"
    "tr{page-break-inside:avoid}h2{page-break-after:avoid}"
    // The event log's 26 columns fit a landscape page: smaller type, cells that wrap.
    "@page{size:A4 landscape;margin:8mm}"
    "table.log{width:100%;table-layout:fixed}"
    ".log{font-size:5.5pt}"
    ".log td,.log th{white-space:normal;overflow-wrap:anywhere;padding:0 1px}}";

std::string Pick(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

void Heading(std::string& html, const char* tag, std::string_view text) {
  html += std::string("<") + tag + ">" + HtmlEscape(text) + "</" + tag + ">\n";
}

void Row(std::string& html, const std::vector<std::string>& cells, const char* cell = "td",
         const char* rowClass = nullptr) {
  html += rowClass ? std::string("<tr class=\"") + rowClass + "\">" : std::string("<tr>");
  for (const std::string& text : cells)
    html += std::string("<") + cell + ">" + HtmlEscape(text) + "</" + cell + ">";
  html += "</tr>\n";
}

void Table(std::string& html, const TextTable& table, const char* tableClass = nullptr) {
  html += tableClass ? std::string("<table class=\"") + tableClass + "\">" : std::string("<table>");
  html += "<thead>";
  Row(html, table.titles, "th");
  html += "</thead><tbody>\n";
  for (const std::vector<std::string>& row : table.rows) Row(html, row);
  html += "</tbody></table>\n";
}

std::string EditorText(const EditorModel& editors, Conversion conversion) {
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].conversion == conversion) return editors.Text(i);
  return {};
}

void Identity(std::string& html, const ServiceReportInput& in, const EditorModel& editors) {
  const SiteImages& images = *in.images;
  Heading(html, "h2", Pick("Identity", "设备信息"));
  TextTable table;
  table.titles = {Pick("Item", "项目"), Pick("Value", "内容")};
  const auto productCode =
      static_cast<std::int16_t>(images.Word(in.site, reg::kProductCode.address));
  table.rows = {
      {Pick("Product code", "产品型号"), std::to_string(productCode)},
      {Pick("Firmware", "软件版本"), in.firmware},
      // A parameter file holds no serial number: an offline window has none to show.
      {Pick("Serial number", "序列号"),
       in.online ? EditorText(editors, Conversion::SerialNumber) : std::string()},
      {Pick("Device name", "设备名称"), in.deviceName},
      {Pick("Generator name", "机组名称"), EditorText(editors, Conversion::GeneratorName)},
      // A window opened from a file stands for no controller at this address.
      in.online ? std::vector<std::string>{Pick("Address", "地址"), std::to_string(in.site)}
                : std::vector<std::string>{Pick("File", "文件"), in.parameters.file.path},
      {Pick("Report made", "报告生成时间"), LocalTimeText(in.madeAt)},
  };
  Table(html, table);
}

// "file F (changed T, SHA-256 H)".
std::string FileText(const FileIdentity& file) {
  std::string text = Pick("file ", "文件 ") + file.path;
  std::string details;
  if (file.modified != 0) details = Pick("changed ", "修改于 ") + LocalTimeText(file.modified);
  if (!file.sha256.empty())
    details += std::string(details.empty() ? "" : ", ") + "SHA-256 " + file.sha256;
  return details.empty() ? text : text + " (" + details + ")";
}

std::string ControllerText(const ServiceReportInput& in) {
  return Pick("controller at address ", "地址 ") + std::to_string(in.site) + Pick("", " 的控制器");
}

// The source of the parameters or of the event log, in one sentence.
std::string SourceText(const ServiceReportInput& in, const PartSource& source, bool eventLog) {
  if (source.FromFile()) {
    std::string text = FileText(source.file);
    if (source.known) text += Pick(", opened ", "，打开于 ") + LocalTimeText(source.at);
    if (eventLog)
      return text + Pick("; the file does not name the controller it came from",
                         "；该文件未注明来自哪台控制器");
    if (in.online)
      return text + Pick("; loaded into the window, not written to the controller",
                         "；已载入窗口，尚未写入控制器");
    return text;
  }
  std::string text = ControllerText(in);
  if (source.known) text += Pick(", read ", "，读取于 ") + LocalTimeText(source.at);
  if (source.partial)
    text += Pick("; the read stopped part-way, some values are older",
                 "；读取中途停止，部分数值是旧的");
  return text;
}

void Sources(std::string& html, const ServiceReportInput& in) {
  Heading(html, "h2", Pick("Sources", "数据来源"));
  TextTable table;
  table.titles = {Pick("Part", "部分"), Pick("Source", "来源")};
  table.rows.push_back(
      {Pick("Identity and parameters", "设备信息和参数"), SourceText(in, in.parameters, false)});
  if (in.online)
    table.rows.push_back(
        {Pick("Monitor", "监测"), ControllerText(in) + Pick(", read ", "，读取于 ") +
                                      LocalTimeText(in.liveReadAt ? in.liveReadAt : in.madeAt)});
  if (in.eventLogSheet)
    table.rows.push_back({Pick("Event log", "历史记录"), SourceText(in, in.eventLog, true)});
  Table(html, table);
}

// The technician's fields; nothing when all are empty.
void Visit(std::string& html, const ServiceReportInput& in) {
  const ReportFields& f = in.fields;
  if (f.customer.empty() && f.site.empty() && f.technician.empty() && f.notes.empty()) return;
  Heading(html, "h2", Pick("Visit", "现场服务"));
  TextTable table;
  table.titles = {Pick("Item", "项目"), Pick("Value", "内容")};
  table.rows = {{Pick("Customer", "客户"), f.customer},
                {Pick("Site", "现场"), f.site},
                {Pick("Technician", "技术员"), f.technician}};
  Table(html, table);
  if (f.notes.empty()) return;
  Heading(html, "h3", Pick("Notes", "备注"));
  html += "<p style=\"white-space:pre-wrap\">" + HtmlEscape(f.notes) + "</p>\n";
}

std::string WordText(std::uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", word);
  return text;
}

// The writes of this visit, one row per register changed, named by the parameter that starts
// at it where there is one.
void Changes(std::string& html, const ServiceReportInput& in, const EditorModel& editors) {
  if (!in.online) return;
  Heading(html, "h2", Pick("Changes on this visit", "本次服务的修改"));
  if (in.changes.empty()) {
    html += "<p>" + HtmlEscape(Pick("none", "无")) + "</p>\n";
    return;
  }
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  const auto name = [&](std::uint16_t reg) {
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i].reg == reg && rows[i].registerCount > 0)
        return SplitTitleUnit(editors.Title(i)).title;
    return std::string();
  };
  TextTable table;
  table.titles = {Pick("Time", "时间"),      Pick("Action", "操作"), Pick("Register", "寄存器"),
                  Pick("Parameter", "参数"), Pick("Before", "原值"), Pick("After", "新值")};
  for (const AuditEntry& e : in.changes) {
    const std::string action = e.file.empty() ? e.action : e.action + " (" + e.file + ")";
    if (e.changes.empty()) table.rows.push_back({e.stamp, action, "", "", "", ""});
    for (const AuditChange& c : e.changes)
      table.rows.push_back(
          {e.stamp, action, WordText(c.reg), name(c.reg), WordText(c.before), WordText(c.after)});
  }
  Table(html, table);
}

// The controller's clock against the PC's, when the image holds one.
void Clock(std::string& html, const ServiceReportInput& in) {
  if (!in.online || in.liveReadAt == 0) return;
  const std::optional<std::int64_t> drift = ClockDriftSeconds(*in.images, in.site, in.liveReadAt);
  if (!drift) return;
  Heading(html, "h3", Pick("Clock", "时钟"));
  std::string text = (*drift > 0 ? "+" : "") + std::to_string(*drift) + Pick(" s", " 秒");
  if (*drift > 0) text += Pick(" (controller ahead of the PC)", "（控制器快于电脑）");
  if (*drift < 0) text += Pick(" (controller behind the PC)", "（控制器慢于电脑）");
  TextTable table;
  table.titles = {Pick("Item", "项目"), Pick("Value", "内容")};
  table.rows = {{Pick("Controller clock", "控制器时钟"), LocalTimeText(in.liveReadAt + *drift)},
                {Pick("PC clock", "电脑时钟"), LocalTimeText(in.liveReadAt)},
                {Pick("Clock drift", "时钟偏差"), text}};
  Table(html, table);
}

void Monitor(std::string& html, const ServiceReportInput& in) {
  Heading(html, "h2", Pick("Monitor", "监测"));
  const MonitorSnapshot snapshot = TakeMonitorSnapshot(*in.images, in.site, in.factoryLevel);
  TextTable table;
  table.titles = {Pick("Item", "项目"), Pick("Value", "内容")};
  for (std::size_t i = 0; i < snapshot.lines.size(); ++i) {
    const auto& [title, value] = snapshot.lines[i];
    table.rows.push_back({i < snapshot.stateLines ? std::string() : title, value});
  }
  Table(html, table);
  Clock(html, in);
  Heading(html, "h3", Pick("Active alarms", "当前报警"));
  if (snapshot.alarms.empty()) {
    html += "<p>" + HtmlEscape(Pick("none", "无")) + "</p>\n";
    return;
  }
  html += "<ul>\n";
  for (const std::string& alarm : snapshot.alarms) html += "<li>" + HtmlEscape(alarm) + "</li>\n";
  html += "</ul>\n";
}

void Parameters(std::string& html, const ServiceReportInput& in, const EditorModel& editors) {
  Heading(html, "h2", Pick("Parameters", "参数"));
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (const SetpointGridInfo& grid : SetpointGrids()) {
    std::string body;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ParameterRow& r = rows[i];
      if (r.grid != grid.grid || r.row == 0 || r.conversion == Conversion::None) continue;
      if (r.factoryOnly && !in.factoryLevel) continue;
      const TitleAndUnit t = SplitTitleUnit(editors.Title(i));
      // A check box has no text of its own: its state.
      const std::string value = r.kind == EditorKind::CheckBox
                                    ? (editors[i].checked ? Pick("on", "开") : Pick("off", "关"))
                                    : editors.Text(i);
      Row(body, {t.title, value, t.unit}, "td", editors[i].enabled ? nullptr : "off");
    }
    if (body.empty()) continue;
    Heading(html, "h3", grid.header.Pick());
    html += "<table><thead>";
    Row(html, {Pick("Parameter", "参数"), Pick("Value", "数值"), Pick("Unit", "单位")}, "th");
    html += "</thead><tbody>\n" + body + "</tbody></table>\n";
  }
}

void Channels(std::string& html, const ServiceReportInput& in, const EditorModel& editors) {
  const ChannelSettings& settings = editors.Channels();
  const BinaryIoLayout layout =
      BinaryIoLayoutOf(in.images->Word(in.site, reg::kProductCode.address));
  Heading(html, "h2", Pick("Analogue inputs", "模拟量输入"));
  Table(html, AnalogueChannelTable(settings));
  Heading(html, "h2", Pick("Binary inputs", "开关量输入"));
  Table(html, BinaryInputTable(settings, layout));
  Heading(html, "h2", Pick("Binary outputs", "开关量输出"));
  Table(html, BinaryOutputTable(settings, layout));
}

void EventLog(std::string& html, const ServiceReportInput& in, const EventLogSheet& sheet) {
  Heading(html, "h2", Pick("Event log", "历史记录"));
  html +=
      "<p>" + HtmlEscape(Pick("Source: ", "来源：") + SourceText(in, in.eventLog, true)) + "</p>\n";
  TextTable table;
  table.titles.assign(sheet.rows[0].begin(), sheet.rows[0].end());
  for (int row = 1; row <= kEventLogRows; ++row) {
    const EventLogRowTexts& texts = sheet.rows[static_cast<std::size_t>(row)];
    table.rows.emplace_back(texts.begin(), texts.end());
  }
  html += "<div class=\"scroll\">";
  Table(html, table, "log");
  html += "</div>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

TitleAndUnit SplitTitleUnit(std::string_view title) {
  const std::size_t open = title.rfind('(');
  if (title.empty() || title.back() != ')' || open == std::string_view::npos) {
    return {std::string(title), {}};
  }
  std::string_view head = title.substr(0, open);
  while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
  return {std::string(head), std::string(title.substr(open + 1, title.size() - open - 2))};
}

std::string ServiceReportHtml(const ServiceReportInput& in) {
  std::string html;
  if (!in.images || !IsSite(in.site)) return html;
  EditorModel editors;
  editors.AdaptToControllerType(in.images->Word(in.site, reg::kProductCode.address),
                                in.factoryLevel);
  editors.Load(*in.images, in.site);
  const std::string title =
      Pick("Service report", "维护报告") + " - " +
      (in.online ? Pick("address ", "地址 ") + std::to_string(in.site)
                 : Pick("file ", "文件 ") +
                       std::filesystem::path(in.parameters.file.path).filename().string());
  html += "<!DOCTYPE html>\n<html lang=\"";
  html += LanguageSetting() == "english" ? "en" : "zh";
  html += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
          "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  Heading(html, "h1", title);
  Visit(html, in);
  Identity(html, in, editors);
  Sources(html, in);
  Changes(html, in, editors);
  if (in.online) Monitor(html, in);
  Parameters(html, in, editors);
  Channels(html, in, editors);
  if (in.eventLogSheet) EventLog(html, in, *in.eventLogSheet);
  html += "</body>\n</html>\n";
  return html;
}

std::optional<std::int64_t> ClockDriftSeconds(const SiteImages& images, int site,
                                              std::int64_t pcTime) {
  // A clock never read (both date words zero) is no clock.
  if (images.Word(site, reg::kControllerDate.address) == 0 &&
      images.Word(site, reg::kControllerDate.address + 1) == 0)
    return std::nullopt;
  const std::time_t pc = static_cast<std::time_t>(pcTime);
  std::tm local{};
  localtime_r(&pc, &local);
  const std::optional<CivilDate> date =
      ParseControllerDate(images.ControllerDateText(site), local.tm_year + 1900);
  const std::optional<TimeOfDay> time = ParseControllerTime(images.ControllerTimeText(site));
  if (!date || !time) return std::nullopt;
  std::tm controller{};
  controller.tm_year = date->year - 1900;
  controller.tm_mon = date->month - 1;
  controller.tm_mday = date->day;
  controller.tm_hour = time->hour;
  controller.tm_min = time->minute;
  controller.tm_sec = time->second;
  controller.tm_isdst = -1;  // the controller keeps local time, daylight saving as the PC's
  const std::time_t seconds = std::mktime(&controller);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(seconds) - pcTime;
}

std::string LocalTimeText(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace vorel
