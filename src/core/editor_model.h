// The parameter window without widgets: the current value, decimals, limits and enabled state
// of every editor of the parameter table, plus the channel page choices, with the load pass
// (value image -> editors), the store pass (editors -> value image), the editor limits and the
// adaptation to the controller type. The window binds one widget to each row; the
// command-line tool uses the model alone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/channels.h"
#include "core/conversions.h"
#include "core/parameter_table.h"

namespace vorel {

class SiteImages;

struct EditorValue {
  double number = 0;     // spin editors
  int index = -1;        // lists: -1 for no selection
  bool checked = false;  // check box
  std::string text;      // masked text (UTF-8)
  CivilDate date{};      // date picker
  TimeOfDay time{};      // time picker
  bool changed = false;  // pickers: set by a user change, cleared when written
  int decimals = 0;
  double minimum = 0;
  double maximum = 0;
  bool enabled = true;
};

// What the controller type decides beyond the editors' enabled states.
struct ControllerTypeLayout {
  bool known = false;  // a type of one of the groups
  bool mainsGrid = true;
  bool mainsLabels = true;
  bool timeLabel = true;
  BilingualText generatorTabCaption{};  // empty for an unknown type
};

class EditorModel {
 public:
  EditorModel();

  static std::span<const ParameterRow> Rows() { return ParameterTable(); }
  std::size_t size() const { return values_.size(); }
  EditorValue& operator[](std::size_t row) { return values_[row]; }
  const EditorValue& operator[](std::size_t row) const { return values_[row]; }
  // The editor of that name; nullptr for an unknown name.
  EditorValue* Find(std::string_view name);
  const EditorValue* Find(std::string_view name) const;

  ChannelSettings& Channels() { return channels_; }
  const ChannelSettings& Channels() const { return channels_; }

  // LoadAllPages: compensation, basic, analogue channels, engine, engine protection,
  // generator, mains, system, binary inputs, binary outputs; lists first within a grid. The
  // pickers take the controller clock only while their changed mark is clear; the two-digit
  // year is completed around `currentYear`.
  void Load(const SiteImages& images, int site, int currentYear);
  void Load(const SiteImages& images, int site);  // current year of the local clock
  // StoreAllPages: system (with the battery limits), compensation, basic, engine, engine
  // protection, generator, mains, analogue channels, binary inputs, binary outputs.
  void Store(SiteImages& images, int site);

  // ApplyEditorLimits from the site's parameter descriptors (online windows).
  void ApplyEditorLimits(const SiteImages& images, int site);
  // Brings a spin editor's value within its limits (when it is left); equal limits, as for a
  // register that no descriptor names, mean no limits.
  void ClampToLimits(std::size_t row);

  // AdaptToControllerType: enabled states by the controller type and the access level.
  ControllerTypeLayout AdaptToControllerType(std::uint16_t controllerType, bool factoryLevel);

  // The decimals of the channel-dependent editors from the current channel choices: the crank
  // oil-pressure threshold by OilPressureDecimals, each channel's level editors by its
  // decimals choice (a channel without a choice keeps them). Call after a decimals change.
  void ApplyChannelDecimals();

  // The text an editor shows ("." as decimal separator, dates "yyyy-MM-dd", times
  // "HH:mm:ss", a list's item in the current language, "" for no selection).
  std::string Text(std::size_t row) const;
  // The increment of a spin editor: the row's step, or one unit of the shown decimals for the
  // channel-dependent editors (levels step by 1 / CurveFactor(d)).
  double Step(std::size_t row) const;
  // The row title in the current language, with channel names and units where the row takes
  // them.
  std::string Title(std::size_t row) const;

 private:
  void LoadRow(std::size_t row, const SiteImages& images, int site, int currentYear);
  void StoreRow(std::size_t row, SiteImages& images, int site);
  void LoadGrid(SetpointGrid grid, const SiteImages& images, int site, int currentYear);
  void StoreGrid(SetpointGrid grid, SiteImages& images, int site);
  int LevelDecimals(int channel) const;

  std::vector<EditorValue> values_;
  ChannelSettings channels_;
};

}  // namespace vorel
