#include "watch/site_reading.h"

#include <algorithm>
#include <charconv>

#include "control/identification.h"
#include "core/conversions.h"
#include "core/cp936.h"
#include "core/monitor_snapshot.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::pair<std::string, std::string> SplitUnit(const std::string& title) {
  std::size_t from = 0;
  while (true) {
    const std::size_t open = title.find('(', from);
    if (open == std::string::npos) return {title, {}};
    const std::size_t close = title.find(')', open);
    if (close == std::string::npos) return {title, {}};
    const std::string inside = title.substr(open + 1, close - open - 1);
    if (!AllDigits(inside)) return {title.substr(0, open) + title.substr(close + 1), inside};
    from = close + 1;
  }
}

std::optional<double> NumberOfText(const std::string& text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

SiteIdentity IdentityOf(const SiteImages& images, int site) {
  SiteIdentity id;
  id.serial = images.SerialNumberText(site);
  id.productCode = static_cast<std::int16_t>(images.Word(site, reg::kProductCode.address));
  const std::string deviceName = images.DeviceNameText(site);
  id.deviceName = Cp936ToUtf8(deviceName);
  id.firmware = Cp936ToUtf8(VersionText(deviceName));
  id.generatorName = GeneratorNameText(images, site);
  return id;
}

void FillFromImages(const SiteImages& images, int site, SiteReading& reading) {
  const SiteSummary summary = SummarizeSite(images, site);
  reading.mode = summary.modeText;
  reading.engine = summary.engine;
  reading.engineText = summary.engineText;
  reading.alarms = summary.alarms;
  // Every value of the monitor page, titled as the page titles it.
  const MonitorSnapshot snapshot = TakeMonitorSnapshot(images, site, false);
  reading.values.clear();
  for (std::size_t i = 0; i < snapshot.lines.size(); ++i) {
    const auto& [title, text] = snapshot.lines[i];
    if (i > snapshot.stateLines) {
      auto [name, unit] = SplitUnit(title);
      reading.values.push_back({std::move(name), std::move(unit), text, NumberOfText(text)});
    }
  }
}

std::vector<AlarmChange> AlarmMessages(std::span<const SiteAlarm> before,
                                       std::span<const SiteAlarm> after) {
  const AlarmChanges changes = CompareAlarms(before, after);
  std::vector<AlarmChange> messages;
  for (const SiteAlarm& a : changes.appeared) messages.push_back({a, true});
  for (const SiteAlarm& a : changes.cleared) messages.push_back({a, false});
  return messages;
}

}  // namespace vorel
