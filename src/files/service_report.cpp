#include "files/service_report.h"

#include "core/binary_io_layout.h"
#include "core/channel_tables.h"
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
      {Pick("Serial number", "序列号"), EditorText(editors, Conversion::SerialNumber)},
      {Pick("Device name", "设备名称"), in.deviceName},
      {Pick("Generator name", "机组名称"), EditorText(editors, Conversion::GeneratorName)},
      {Pick("Address", "地址"), std::to_string(in.site)},
      {Pick("Read at", "读取时间"), in.readAt},
      {Pick("Source", "来源"),
       !in.online ? Pick("parameter file", "参数文件")
       : in.parametersFromFile
           ? Pick("controller; parameters from a file loaded into the window, not written",
                  "控制器；参数来自载入窗口的文件，尚未写入")
           : Pick("controller", "控制器")},
  };
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

void EventLog(std::string& html, const EventLogSheet& sheet) {
  Heading(html, "h2", Pick("Event log", "历史记录"));
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
  const std::string title = Pick("Service report", "维护报告") + " - " + Pick("address ", "地址 ") +
                            std::to_string(in.site);
  html += "<!DOCTYPE html>\n<html lang=\"";
  html += LanguageSetting() == "english" ? "en" : "zh";
  html += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
          "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  Heading(html, "h1", title);
  Identity(html, in, editors);
  if (in.online) Monitor(html, in);
  Parameters(html, in, editors);
  Channels(html, in, editors);
  if (in.eventLog) EventLog(html, *in.eventLog);
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace vorel
