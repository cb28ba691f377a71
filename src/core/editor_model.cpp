#include "core/editor_model.h"

#include <array>
#include <cstdio>

#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

bool IsOneOf(std::uint16_t type, std::initializer_list<std::uint16_t> types) {
  for (std::uint16_t t : types) {
    if (t == type) return true;
  }
  return false;
}

std::int16_t Signed(std::uint16_t w) {
  return static_cast<std::int16_t>(w);
}

const AnalogueChannelSettings* ChannelOf(const ChannelSettings& channels, int channel) {
  if (channel < 1 || channel > kAnalogueChannels) return nullptr;
  return &channels.analogue[static_cast<std::size_t>(channel - 1)];
}

}  // namespace

EditorModel::EditorModel() {
  const std::span<const ParameterRow> rows = Rows();
  values_.resize(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EditorValue& v = values_[i];
    v.decimals = rows[i].decimals;
    v.minimum = rows[i].formMinimum;
    v.maximum = rows[i].formMaximum;
    v.enabled = rows[i].enabled;
    // A list without a register (the protocol) shows its only item.
    if (rows[i].kind == EditorKind::List && rows[i].conversion == Conversion::None) v.index = 0;
  }
}

EditorValue* EditorModel::Find(std::string_view name) {
  std::optional<std::size_t> i = FindParameterRow(name);
  return i ? &values_[*i] : nullptr;
}

const EditorValue* EditorModel::Find(std::string_view name) const {
  std::optional<std::size_t> i = FindParameterRow(name);
  return i ? &values_[*i] : nullptr;
}

int EditorModel::LevelDecimals(int channel) const {
  const std::span<const ParameterRow> rows = Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].conversion == Conversion::AnalogueLevel && rows[i].channel == channel) {
      return values_[i].decimals;  // the channel's first level editor
    }
  }
  return 0;
}

void EditorModel::LoadRow(std::size_t i, const SiteImages& images, int site, int currentYear) {
  const ParameterRow& r = Rows()[i];
  EditorValue& v = values_[i];
  const std::uint16_t word = images.Word(site, r.reg);
  switch (r.conversion) {
    case Conversion::None:
      break;
    case Conversion::Scaled:
      v.number = LoadScaled(images, site, r.reg, r.factor);
      break;
    case Conversion::Unsigned:
      v.number = LoadUnsigned(images, site, r.reg);
      break;
    case Conversion::RunHours:
      v.number = RunHoursValue(images, site);
      break;
    case Conversion::CrankOilPressure:
      v.decimals = OilPressureDecimals(channels_.analogue);
      v.number = static_cast<double>(Signed(word)) / LevelDivisor(v.decimals);
      break;
    case Conversion::AnalogueLevel:
      v.decimals = ChannelDecimals(images, site, r.channel);
      v.number = static_cast<double>(Signed(word)) / LevelDivisor(v.decimals);
      break;
    case Conversion::Enumerated:
      if (const EnumeratedRegister* e = FindEnumeratedRegister(r.reg)) {
        if (std::optional<int> index = EnumIndex(*e, word)) v.index = *index;
      }
      break;
    case Conversion::CurrentAction:
      v.index = CurrentActionIndex(FieldOf(word, r.shift));
      break;
    case Conversion::UnbalanceAction:
      v.index = ActionIndex(FieldOf(word, r.shift));
      break;
    case Conversion::PowerSave:
      v.checked = PowerSaveChecked(word);
      break;
    case Conversion::GeneratorName:
      v.text = GeneratorNameText(images, site);
      break;
    case Conversion::SerialNumber:
      v.text = images.SerialNumberText(site);
      break;
    case Conversion::ControllerDate:
      if (!v.changed) {
        if (std::optional<CivilDate> d = ControllerDateValue(images, site, currentYear)) {
          v.date = *d;
        }
      }
      break;
    case Conversion::ControllerTime:
      if (!v.changed) {
        if (std::optional<TimeOfDay> t = ControllerTimeValue(images, site)) v.time = *t;
      }
      break;
  }
}

void EditorModel::StoreRow(std::size_t i, SiteImages& images, int site) {
  const ParameterRow& r = Rows()[i];
  EditorValue& v = values_[i];
  const std::uint16_t word = images.Word(site, r.reg);
  switch (r.conversion) {
    case Conversion::None:
      break;
    case Conversion::Scaled:
      StoreScaled(images, site, r.reg, v.number, r.factor);
      break;
    case Conversion::Unsigned:
      StoreScaled(images, site, r.reg, v.number, 1);
      break;
    case Conversion::RunHours:
      StoreRunHours(images, site, v.number);
      break;
    case Conversion::CrankOilPressure:
      // The channel choices may have changed since the load: their decimals decide the scale.
      v.decimals = OilPressureDecimals(channels_.analogue);
      StoreScaled(images, site, r.reg, v.number, LevelDivisor(v.decimals));
      break;
    case Conversion::AnalogueLevel:
      // The scale of the load (10^d), so that a word read with three decimals goes back
      // unchanged instead of being divided by 1000.
      StoreScaled(images, site, r.reg, v.number, LevelDivisor(LevelDecimals(r.channel)));
      break;
    case Conversion::Enumerated:
      if (const EnumeratedRegister* e = FindEnumeratedRegister(r.reg)) {
        if (std::optional<std::uint16_t> code = EnumCode(*e, v.index)) {
          images.SetWord(site, r.reg, *code);
        }
      }
      break;
    case Conversion::CurrentAction:
      if (std::optional<int> code = CurrentActionCode(v.index)) {
        images.SetWord(site, r.reg, WithField(word, r.shift, *code));
      }
      break;
    case Conversion::UnbalanceAction:
      if (v.index >= 0)
        images.SetWord(site, r.reg, WithField(word, r.shift, ActionNibble(v.index)));
      break;
    case Conversion::PowerSave:
      images.SetWord(site, r.reg, WithPowerSave(word, v.checked));
      break;
    case Conversion::GeneratorName:
      StoreGeneratorName(images, site, v.text);
      break;
    case Conversion::SerialNumber:
      if (v.enabled) StoreSerialNumber(images, site, v.text);
      break;
    case Conversion::ControllerDate:
      if (v.changed) StoreControllerDate(images, site, v.date);
      break;
    case Conversion::ControllerTime:
      if (v.changed) StoreControllerTime(images, site, v.time);
      break;
  }
}

void EditorModel::LoadGrid(SetpointGrid grid, const SiteImages& images, int site, int currentYear) {
  const std::span<const ParameterRow> rows = Rows();
  // The lists of a grid first, then its other editors, each in table order.
  for (bool lists : {true, false}) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].grid == grid && (rows[i].kind == EditorKind::List) == lists) {
        LoadRow(i, images, site, currentYear);
      }
    }
  }
}

void EditorModel::StoreGrid(SetpointGrid grid, SiteImages& images, int site) {
  const std::span<const ParameterRow> rows = Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].grid == grid) StoreRow(i, images, site);
  }
}

void EditorModel::Load(const SiteImages& images, int site, int currentYear) {
  using G = SetpointGrid;
  LoadGrid(G::Compensation, images, site, currentYear);
  LoadGrid(G::Basic, images, site, currentYear);
  // The channels before the engine page: the crank oil-pressure decimals follow them.
  AnalogueFromImage(images, site, channels_);
  LoadGrid(G::Engine, images, site, currentYear);
  LoadGrid(G::EngineProtection, images, site, currentYear);
  LoadGrid(G::Generator, images, site, currentYear);
  LoadGrid(G::Mains, images, site, currentYear);
  LoadGrid(G::System, images, site, currentYear);
  InputsFromImage(images, site, channels_);
  OutputsFromImage(images, site, channels_);
}

void EditorModel::Load(const SiteImages& images, int site) {
  Load(images, site, Today().year);
}

void EditorModel::Store(SiteImages& images, int site) {
  using G = SetpointGrid;
  StoreGrid(G::System, images, site);
  // The system step stores the battery limits too (the engine-protection step again).
  for (std::string_view name : {"seStartBatLev1", "seStartBatLev2", "seStartBatDel"}) {
    if (std::optional<std::size_t> i = FindParameterRow(name)) StoreRow(*i, images, site);
  }
  StoreGrid(G::Compensation, images, site);
  StoreGrid(G::Basic, images, site);
  StoreGrid(G::Engine, images, site);
  StoreGrid(G::EngineProtection, images, site);
  StoreGrid(G::Generator, images, site);
  StoreGrid(G::Mains, images, site);
  AnalogueToImage(images, site, channels_);
  InputsToImage(images, site, channels_);
  OutputsToImage(images, site, channels_);
}

void EditorModel::ApplyEditorLimits(const SiteImages& images, int site) {
  struct Limits {
    double minimum = 0;
    double maximum = 0;
  };
  std::array<Limits, kImageWords> table{};
  for (const RegisterBlock& config :
       {reg::kParamConfig1, reg::kParamConfig2, reg::kParamConfig3, reg::kParamConfig4}) {
    for (const ParameterDescriptor& d : images.ParameterDescriptors(site, config)) {
      if (d.address < kImageWords) table[d.address] = {double(d.minimum), double(d.maximum)};
    }
  }
  const std::span<const ParameterRow> rows = Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ParameterRow& r = rows[i];
    EditorValue& v = values_[i];
    const Limits own = r.reg < kImageWords ? table[r.reg] : Limits{};
    switch (r.limits) {
      case LimitSource::None:
      case LimitSource::KeepFormLimits:
        break;
      case LimitSource::Register:
        v.minimum = own.minimum / r.factor;
        v.maximum = own.maximum / r.factor;
        break;
      case LimitSource::FullRange:
        v.minimum = 0;
        v.maximum = 65535;
        break;
      case LimitSource::PmTime:
        v.minimum = table[reg::kPmTime.address].minimum;
        v.maximum = table[reg::kPmTime.address].maximum;
        break;
      case LimitSource::Undivided:
        v.minimum = own.minimum;
        v.maximum = own.maximum;
        break;
      case LimitSource::DividedBy10:
        v.minimum = own.minimum / 10;
        v.maximum = own.maximum / 10;
        break;
    }
  }
}

void EditorModel::ClampToLimits(std::size_t row) {
  if (row >= values_.size() || Rows()[row].kind != EditorKind::Spin) return;
  EditorValue& v = values_[row];
  if (v.minimum == v.maximum) return;
  if (v.number < v.minimum) v.number = v.minimum;
  if (v.number > v.maximum) v.number = v.maximum;
}

ControllerTypeLayout EditorModel::AdaptToControllerType(std::uint16_t type, bool factoryLevel) {
  ControllerTypeLayout layout;
  const auto enable = [this](std::string_view name, bool on) {
    if (EditorValue* v = Find(name)) v->enabled = on;
  };
  const auto pickers = [&](bool on) {
    enable("dtpDate", on);
    enable("dtpTime", on);
    layout.timeLabel = on;
  };
  if (EditorValue* v = Find("cbProtocol")) v->enabled = false;
  if (IsOneOf(type, {3101, 3102, 3103, 3104, 3106, 3109, 3113})) {
    layout.known = true;
    layout.generatorTabCaption = {"Generator/Mains Protection", "发电机保护/市电保护"};
    enable("seControlerAddr", true);
    const bool full = type == 3101 || type == 3104;
    enable("cbRetFromTest", full);
    enable("seInversePower", full);
    enable("seInversePowerDel", full);
    pickers(type != 3109);
  } else if (IsOneOf(type, {3105, 3108, 3110, 3111, 3112})) {
    layout.known = true;
    layout.mainsGrid = false;
    layout.mainsLabels = false;
    layout.generatorTabCaption = {"Generator Protection", "发电机保护"};
    enable("cbRetFromTest", false);
    enable("seControlerAddr", false);
    if (IsOneOf(type, {3108, 3110, 3111})) {
      pickers(false);
      enable("seInversePower", false);
      enable("seInversePowerDel", false);
      if (type != 3108 && !factoryLevel) {
        for (std::string_view name :
             {"seNeutralCTRatio", "seNeutralCurrent", "seNeutralCurrentDel", "seVoltageRatio"}) {
          enable(name, false);
        }
      }
    } else {
      pickers(true);
    }
  }
  return layout;
}

void EditorModel::ApplyChannelDecimals() {
  const std::span<const ParameterRow> rows = Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].conversion == Conversion::CrankOilPressure) {
      values_[i].decimals = OilPressureDecimals(channels_.analogue);
    } else if (rows[i].conversion == Conversion::AnalogueLevel) {
      const AnalogueChannelSettings* c = ChannelOf(channels_, rows[i].channel);
      if (c && c->decimals >= 0) values_[i].decimals = c->decimals;
    }
  }
}

std::string EditorModel::Text(std::size_t row) const {
  if (row >= values_.size()) return {};
  const ParameterRow& r = Rows()[row];
  const EditorValue& v = values_[row];
  char buffer[16];
  switch (r.kind) {
    case EditorKind::Spin:
      return FixedText(v.number, v.decimals);
    case EditorKind::List:
      if (v.index < 0 || v.index >= static_cast<int>(r.items.size())) return {};
      return std::string(r.items[static_cast<std::size_t>(v.index)].Pick());
    case EditorKind::MaskedText:
      return v.text;
    case EditorKind::Date:
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", v.date.year % 10000,
                    v.date.month % 100, v.date.day % 100);
      return buffer;
    case EditorKind::Time:
      std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", v.time.hour % 100, v.time.minute % 100,
                    v.time.second % 100);
      return buffer;
    case EditorKind::CheckBox:
      break;
  }
  return {};
}

double EditorModel::Step(std::size_t row) const {
  if (row >= values_.size()) return 1;
  const ParameterRow& r = Rows()[row];
  switch (r.conversion) {
    case Conversion::AnalogueLevel:
      return 1.0 / CurveFactor(values_[row].decimals);
    case Conversion::CrankOilPressure:
      return 1.0 / LevelDivisor(values_[row].decimals);
    default:
      return r.step;
  }
}

std::string EditorModel::Title(std::size_t row) const {
  if (row >= values_.size()) return {};
  const ParameterRow& r = Rows()[row];
  std::string title;
  switch (r.titleRule) {
    case TitleRule::Fixed:
      return std::string(r.title.Pick());
    case TitleRule::CrankOilPressure:
      title = r.title.Pick();
      for (const AnalogueChannelSettings& c : channels_.analogue) {
        if (c.function == 0) {
          title += "(";
          title += UnitText(c.unit);
          title += ")";
          break;
        }
      }
      return title;
    case TitleRule::ChannelLevel:
    case TitleRule::ChannelDelay:
      if (const AnalogueChannelSettings* c = ChannelOf(channels_, r.channel)) {
        title = AnalogueFunctionText(c->function);
        title += r.title.Pick();
        if (r.titleRule == TitleRule::ChannelLevel) {
          title += "(";
          title += UnitText(c->unit);
          title += ")";
        }
      }
      return title;
  }
  return title;
}

}  // namespace vorel
