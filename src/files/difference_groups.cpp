#include "files/difference_groups.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

#include "core/editor_model.h"
#include "core/register_table.h"
#include "files/parameter_keys.h"

namespace vorel {
namespace {

enum Group { kBasicPage, kEnginePage, kGeneratorPage, kChannelPage, kCounters, kGroupCount };

constexpr std::array<BilingualText, kGroupCount> kHeadings{{
    {"System/Basic", "系统/基本设定"},
    {"Engine/Engine Protection", "发动机/发动机保护"},
    {"Generator/Mains Protection", "发电机保护/市电保护"},
    {"Analogue Inputs/Inputs/Outputs", "传感器/输入/输出"},
    {"Counters", "计数器"},
}};

Group PageOf(SetpointGrid grid) {
  switch (grid) {
    case SetpointGrid::System:
    case SetpointGrid::Compensation:
    case SetpointGrid::Basic:
      return kBasicPage;
    case SetpointGrid::Engine:
    case SetpointGrid::EngineProtection:
      return kEnginePage;
    case SetpointGrid::Generator:
    case SetpointGrid::Mains:
      return kGeneratorPage;
  }
  return kChannelPage;
}

// The start count and the run hours, by the register of the key.
bool IsCounter(std::string_view key) {
  std::optional<std::uint16_t> reg;
  for (const ParameterRow& row : EditorModel::Rows())
    if (row.key == key) reg = row.reg;
  if (!reg) {
    if (const std::optional<std::size_t> k = FindParameterKey(key))
      reg = ParameterFileKeys()[*k].reg;
  }
  return reg == reg::kStartCount.address || reg == reg::kRunHours.address;
}

// The editors' texts use "." whatever the locale.
std::optional<double> Number(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::vector<DifferenceGroup> GroupDifferences(const std::vector<ParameterDifference>& differences) {
  // Rows of each group with the index of their editor (grid order), or after every editor in
  // the order given (the channel and I/O keys have none).
  std::array<std::vector<std::pair<std::size_t, const ParameterDifference*>>, kGroupCount> rows;
  const auto table = EditorModel::Rows();
  std::size_t unshown = table.size();
  for (const ParameterDifference& d : differences) {
    const std::optional<double> first = Number(d.first);
    const std::optional<double> second = Number(d.second);
    if (first && second && *first == *second) continue;
    std::optional<std::size_t> editor;
    for (std::size_t i = 0; i < table.size() && !editor; ++i)
      if (table[i].key == d.key) editor = i;
    Group group = editor ? PageOf(table[*editor].grid) : kChannelPage;
    if (IsCounter(d.key)) group = kCounters;
    rows[group].emplace_back(editor.value_or(unshown++), &d);
  }
  std::vector<DifferenceGroup> groups;
  for (int g = 0; g < kGroupCount; ++g) {
    if (rows[g].empty()) continue;
    std::stable_sort(rows[g].begin(), rows[g].end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    DifferenceGroup group{kHeadings[g], {}};
    for (const auto& [order, d] : rows[g]) group.rows.push_back(*d);
    groups.push_back(std::move(group));
  }
  return groups;
}

std::vector<ParameterDifference> WithGroupHeadings(const std::vector<DifferenceGroup>& groups) {
  std::vector<ParameterDifference> out;
  for (const DifferenceGroup& g : groups) {
    ParameterDifference heading;
    heading.name = std::string(g.heading.Pick());
    out.push_back(std::move(heading));
    out.insert(out.end(), g.rows.begin(), g.rows.end());
  }
  return out;
}

}  // namespace vorel
