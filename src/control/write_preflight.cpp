#include "control/write_preflight.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "control/identification.h"
#include "core/language.h"
#include "core/parameter_table.h"
#include "files/parameter_keys.h"

namespace vorel {
namespace {

struct GuardedRange {
  std::uint16_t first;
  std::uint16_t count;
  GuardedKind kind;
};
// clang-format off
constexpr GuardedRange kGuarded[] = {
    {reg::kControllerAddress.address, 1, GuardedKind::Address},
    {reg::kStartCount.address,        1, GuardedKind::Counter},
    {reg::kRunHours.address,          2, GuardedKind::Counter},
    {reg::kControllerTime.address,    2, GuardedKind::Clock},
    {reg::kControllerDate.address,    2, GuardedKind::Clock},
};
// clang-format on

// clang-format off
constexpr BilingualText kOtherProductText{
    "The file is for product code %s; the controller at site %s is a %s. Nothing was written.",
    "文件的产品代码为 %s；设备 %s 的控制器为 %s。未写入任何参数。"};
constexpr BilingualText kOtherUnitText{
    "The file comes from another unit (firmware %s, serial %s); the controller at site %s has firmware %s, serial %s.",
    "文件来自另一台控制器（固件 %s，序号 %s）；设备 %s 的控制器固件 %s，序号 %s。"};
constexpr BilingualText kOutOfLimitText{
    "%s = %s is outside %s to %s",
    "%s = %s 超出范围 %s 至 %s"};
constexpr BilingualText kMissingKeysText{
    "The file lacks %s keys: %s",
    "文件缺少 %s 个参数: %s"};
// clang-format on

// `pattern` with each "%s" replaced by the next of `values`.
std::string Fill(std::string_view pattern, std::initializer_list<std::string> values) {
  std::string text;
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
        next != values.end()) {
      text += *next++;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

const ParameterRow* RowOf(std::uint16_t reg) {
  for (const ParameterRow& row : ParameterTable())
    if (row.registerCount > 0 && row.reg == reg) return &row;
  return nullptr;
}

std::string NameOf(std::uint16_t reg) {
  for (const ParameterLoadStep& step : ParameterLoadSteps())
    if (step.role == KeyRole::Value && step.reg == reg) return std::string(step.key);
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", reg);
  return text;
}

// The descriptor's limits are register words for the rows that take them divided by their
// factor; other rows read them otherwise (channel levels in shown units, full range, the
// maintenance time's), and a register without a row has no editor limit to keep.
bool DescriptorLimitsApply(const ParameterRow* row) {
  return row && row->limits == LimitSource::Register && !row->unsignedWord &&
         row->conversion == Conversion::Scaled;
}

bool Included(GuardedKind kind, const PreflightOptions& options) {
  switch (kind) {
    case GuardedKind::Address:
      return options.includeAddress;
    case GuardedKind::Counter:
      return options.includeCounters;
    case GuardedKind::Clock:
      return options.includeClock;
  }
  return false;
}

}  // namespace

std::optional<GuardedKind> GuardOf(std::uint16_t reg) {
  for (const GuardedRange& g : kGuarded)
    if (reg >= g.first && reg < g.first + g.count) return g.kind;
  return std::nullopt;
}

UnitIdentity SourceIdentity(const LoadedParameters& values) {
  UnitIdentity source;
  for (const LoadedWord& w : values.words)
    if (w.reg == reg::kProductCode.address) source.productCode = static_cast<std::int16_t>(w.word);
  source.version = VersionText(values.deviceName);
  return source;
}

PreflightResult CheckWrite(const PreflightInput& input) {
  PreflightResult result;
  if (input.source) {
    const UnitIdentity& source = *input.source;
    result.otherProduct = source.productCode != input.target.productCode;
    const auto differs = [](const std::string& a, const std::string& b) {
      return !a.empty() && !b.empty() && a != b;
    };
    result.otherUnit = differs(source.version, input.target.version) ||
                       differs(source.serial, input.target.serial);
  }
  result.missingKeys.assign(input.missingKeys.begin(), input.missingKeys.end());

  // The last word a source gives for a register wins, as a load applies them.
  std::array<std::optional<std::uint16_t>, kImageWords> next{};
  for (const LoadedWord& w : input.wanted)
    if (w.reg < kImageWords && !w.defaulted) next[w.reg] = w.word;

  struct Limits {
    double minimum;
    double maximum;
  };
  std::array<std::optional<Limits>, kImageWords> own{};
  for (const ParameterDescriptor& d : input.descriptors)
    if (d.count == 1 && d.address < kImageWords && d.minimum < d.maximum)
      own[d.address] = Limits{double(d.minimum), double(d.maximum)};

  // The source's limits of its Scaled rows, in register words.
  std::array<std::optional<Limits>, kImageWords> file{};
  {
    const std::span<const ParameterRow> rows = ParameterTable();
    std::vector<std::optional<double>> minimum(rows.size());
    std::vector<std::optional<double>> maximum(rows.size());
    for (const LoadedLimit& l : input.limits)
      if (l.row < rows.size()) (l.maximum ? maximum : minimum)[l.row] = l.value;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ParameterRow& row = rows[i];
      if (row.conversion != Conversion::Scaled || row.reg >= kImageWords) continue;
      if (!minimum[i] || !maximum[i] || !(*minimum[i] < *maximum[i])) continue;
      file[row.reg] = Limits{*minimum[i] * row.factor, *maximum[i] * row.factor};
    }
  }

  for (std::uint16_t reg = 0; reg < kImageWords; ++reg) {
    if (!next[reg]) continue;
    const std::uint16_t word = *next[reg];
    const ParameterRow* row = RowOf(reg);
    const double value = static_cast<std::int16_t>(word);
    for (const std::optional<Limits>& limits :
         {DescriptorLimitsApply(row) ? own[reg] : std::nullopt, file[reg]}) {
      if (limits && (value < limits->minimum || value > limits->maximum)) {
        const double factor = row && row->conversion == Conversion::Scaled ? row->factor : 1;
        result.outOfLimits.push_back(
            {reg, NameOf(reg), value / factor, limits->minimum / factor, limits->maximum / factor});
        break;
      }
    }
    const std::uint16_t now = reg < input.current.size() ? input.current[reg] : 0;
    if (word == now) continue;
    const std::optional<GuardedKind> guard = GuardOf(reg);
    (guard && !Included(*guard, input.options) ? result.leftOut : result.changes)
        .push_back({reg, now, word});
  }
  return result;
}

std::vector<std::string> PreflightMessages(const PreflightResult& result,
                                           const UnitIdentity& target,
                                           const std::optional<UnitIdentity>& source, int site) {
  std::vector<std::string> lines;
  const std::string siteText = std::to_string(site);
  const auto orUnknown = [](const std::string& text) { return text.empty() ? "?" : text; };
  if (result.otherProduct && source)
    lines.push_back(Fill(kOtherProductText.Pick(), {std::to_string(source->productCode), siteText,
                                                    std::to_string(target.productCode)}));
  if (result.otherUnit && source)
    lines.push_back(Fill(kOtherUnitText.Pick(),
                         {orUnknown(source->version), orUnknown(source->serial), siteText,
                          orUnknown(target.version), orUnknown(target.serial)}));
  for (const OutOfLimit& o : result.outOfLimits)
    lines.push_back(Fill(kOutOfLimitText.Pick(),
                         {o.name, Number(o.value), Number(o.minimum), Number(o.maximum)}));
  if (!result.missingKeys.empty()) {
    std::string keys;
    for (const std::string& key : result.missingKeys) keys += (keys.empty() ? "" : ", ") + key;
    lines.push_back(
        Fill(kMissingKeysText.Pick(), {std::to_string(result.missingKeys.size()), keys}));
  }
  return lines;
}

}  // namespace vorel
