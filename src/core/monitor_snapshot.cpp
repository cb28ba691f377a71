#include "core/monitor_snapshot.h"

#include "core/language.h"
#include "core/monitor_format.h"
#include "core/register_table.h"
#include "core/remote_commands.h"
#include "core/site_images.h"

namespace vorel {
namespace {

std::string TitleOf(const std::vector<MonitorCell>& titles, const MonitorCell& value) {
  auto find = [&](int row, int column) -> std::string {
    for (const MonitorCell& t : titles) {
      if (t.grid == value.grid && t.row == row && t.column == column) return t.text;
    }
    return {};
  };
  if (value.column == 1) return {};  // a title written by the refresh itself (DEBUG)
  std::string title = find(value.row, 1);
  if (value.grid == MonitorGrid::Engine && value.row == 8) title = "DEBUG";
  if (value.grid == MonitorGrid::Generator) {
    const bool mains = value.row >= 12;
    // Frequencies and the neutral current are single values: no phase after them.
    const bool single = value.row == 4 || value.row == 6 || value.row == 15;
    if (mains) title = std::string(PickText("Mains ", "市电")) + title;
    if (!single) title += " " + find(mains ? 12 : 1, value.column);
  }
  return title;
}

}  // namespace

MonitorSnapshot TakeMonitorSnapshot(const SiteImages& images, int site, bool factoryLevel) {
  MonitorSnapshot s;
  const MonitorValues v = MonitorValuesOf(images, site, factoryLevel);
  const std::uint16_t type = images.Word(site, reg::kProductCode.address);
  s.lines.emplace_back(std::string(PickText("Gen-Set", "机组")), v.genSetLabel);
  if (MeasuresMains(type)) {
    s.lines.emplace_back(std::string(PickText("Mains", "市电")), v.mainsLabel);
    s.lines.emplace_back(std::string(PickText("ATS", "负载")), v.transferSwitchLabel);
  }
  const std::uint16_t mode = images.Word(site, reg::kOperatingMode.address);
  s.lines.emplace_back(
      std::string(PickText("Mode", "运行模式")),
      v.mode ? OperatingModeText(*v.mode) : SignedHexText(static_cast<std::int16_t>(mode)));
  s.stateLines = s.lines.size() - 1;
  const std::vector<MonitorCell> titles = MonitorTitles(images, site);
  for (const MonitorCell& cell : v.cells) {
    const std::string title = TitleOf(titles, cell);
    if (!title.empty()) s.lines.emplace_back(title, cell.text);
  }
  for (const AlarmLine& line : v.alarms) {
    if (line.shown) s.alarms.push_back(line.text);
  }
  return s;
}

}  // namespace vorel
