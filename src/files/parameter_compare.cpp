#include "files/parameter_compare.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/editor_model.h"
#include "core/site_images.h"
#include "files/parameter_keys.h"
#include "files/setting_texts.h"

namespace vorel {

void SplitTitleUnit(std::string_view title, std::string* name, std::string* unit) {
  name->assign(title);
  unit->clear();
  if (title.empty() || title.back() != ')') return;
  const std::size_t open = title.rfind('(');
  if (open == std::string_view::npos || open == 0) return;
  unit->assign(title.substr(open + 1, title.size() - open - 2));
  std::string_view rest = title.substr(0, open);
  while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  name->assign(rest);
}

std::vector<ParameterDifference> CompareParameters(const ParameterSide& a, const ParameterSide& b) {
  std::vector<ParameterDifference> differences;
  const auto compare = [&](std::string_view key, std::uint16_t reg, bool pair) {
    const auto word = [](const ParameterSide& s, int r) { return s.images.Word(s.site, r); };
    if (word(a, reg) == word(b, reg) && (!pair || word(a, reg + 1) == word(b, reg + 1))) return;
    ParameterDifference d;
    d.key = key;
    d.title = key;
    d.first = std::to_string(static_cast<std::int16_t>(word(a, reg)));
    d.second = std::to_string(static_cast<std::int16_t>(word(b, reg)));
    // The editor that shows the key; of several editors sharing the register (the action
    // fields of 0x0089) the first whose text differs, or none: the words then say more.
    const auto rows = EditorModel::Rows();
    const std::size_t count = std::min({rows.size(), a.editors.size(), b.editors.size()});
    std::optional<std::size_t> shown;
    int editors = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (rows[i].key != key) continue;
      ++editors;
      if (!shown) shown = i;
      if (a.editors.Text(i) != b.editors.Text(i)) {
        shown = i;
        break;
      }
    }
    if (shown && (editors == 1 || a.editors.Text(*shown) != b.editors.Text(*shown))) {
      d.title = a.editors.Title(*shown);
      d.first = a.editors.Text(*shown);
      d.second = b.editors.Text(*shown);
    } else if (!shown) {
      // A channel or I/O word: its choices as the channel grids show them, when they differ.
      const std::optional<std::string> first = SettingText(a.editors.Channels(), reg);
      const std::optional<std::string> second = SettingText(b.editors.Channels(), reg);
      if (first && second && *first != *second) {
        d.first = *first;
        d.second = *second;
      }
    }
    SplitTitleUnit(d.title, &d.name, &d.unit);
    // A row whose title is empty in this window (a row the controller type leaves untitled)
    // is still named: by its key.
    if (d.name.empty()) {
      d.title = key;
      d.name = key;
    }
    differences.push_back(std::move(d));
  };
  for (const ParameterKey& key : ParameterFileKeys())
    if (key.role == KeyRole::Value) compare(key.key, key.reg, key.form == ValueForm::RunHours);
  for (const ParameterLoadStep& step : ParameterLoadSteps())
    if (step.role == KeyRole::Value && !FindParameterKey(step.key))
      compare(step.key, step.reg, false);
  return differences;
}

ParameterFileRead LoadParameterSide(const std::filesystem::path& path, SiteImages& images, int site,
                                    EditorModel& editors) {
  ParameterFileRead read = ReadParameterFile(path, false);
  if (!read.ok()) return read;
  ApplyLoadedParameters(read.values, editors, images, site);
  editors.Load(images, site);
  return read;
}

}  // namespace vorel
