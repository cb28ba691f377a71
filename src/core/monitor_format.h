// What the monitor page of a site shows, computed from its value image alone: the state texts,
// the channel values, the grid titles by controller group, the grid values, the alarm list and
// the indicator colours. The widget page and vorel-cli both draw from these results; nothing
// here talks to a controller or a widget.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/register_table.h"
#include "core/remote_commands.h"

namespace vorel {

class SiteImages;

// The value of an analogue channel as the monitor shows it. `secondPropertyWord` is the
// channel's second property word (sensor type in bits 10 to 15, decimals in bits 8 and 9).
std::string FormatChannelValue(std::uint16_t secondPropertyWord, std::int16_t value);
// The same with the property word taken from the site's value image; `channel` is 0 to 2
// (any other channel gives the empty text).
std::string FormatChannelValue(const SiteImages& images, int site, int channel, std::int16_t value);

// A signed value divided by 1, 10 or 100, in the shortest form: no trailing zeros and no
// decimal point for whole results (500/10 "50", 499/10 "49.9", 85/100 "0.85").
std::string ScaledText(std::int16_t value, int divisor);

// A live number as the page shows it: the signed count that the page divides by `divisor`
// (1, 10 or 100). Text() is the page's text; Value() the same number for plotting.
struct ScaledNumber {
  std::int16_t count = 0;
  int divisor = 1;
  double Value() const { return static_cast<double>(count) / divisor; }
  std::string Text() const { return ScaledText(count, divisor); }
  friend bool operator==(const ScaledNumber&, const ScaledNumber&) = default;
};

// The analogue channel's value as a number where the page shows one (a sensor reading in range
// with 0 to 2 decimals); nothing where the page shows a text (unused or binary channel, sensor
// fault, "****").
std::optional<ScaledNumber> ChannelNumber(std::uint16_t secondPropertyWord, std::int16_t value);

// Where a live number of the page comes from: a register divided by 1, 10 or 100, an analogue
// channel (index 0 to 2) with its own decimals, or the battery voltage (tenths of a volt, shown
// as 0 on the types that do not measure it).
enum class MonitorSourceKind { Register, Channel, Battery };
struct MonitorSource {
  MonitorSourceKind kind = MonitorSourceKind::Register;
  int index = 0;  // the register, or the channel
  int divisor = 1;
};
inline constexpr MonitorSource kEngineSpeedSource{MonitorSourceKind::Register,
                                                  reg::kEngineSpeed.address, 1};
inline constexpr MonitorSource kBatterySource{MonitorSourceKind::Battery,
                                              reg::kBatteryVoltage.address, 10};
inline constexpr MonitorSource kGeneratorFrequencySource{MonitorSourceKind::Register,
                                                         reg::kGeneratorFrequency.address, 10};
// The number the page shows for the source; nothing where it shows a text.
std::optional<ScaledNumber> MonitorNumber(const SiteImages& images, int site,
                                          const MonitorSource& source);

// The engine grid's title of an analogue channel (0 to 2): its function name and unit suffix.
std::string ChannelTitle(const SiteImages& images, int site, int channel);

// Upper-case hexadecimal, at least four digits, of a word read as signed: 0x0190 "0190",
// 0x8001 "FFFF8001".
std::string SignedHexText(std::int16_t value);

// State texts in the current language, the hexadecimal text for a value the table lacks.
std::string GenSetStateText(std::uint16_t controllerType, std::int16_t state);
std::string MainsStateText(std::int16_t state);
std::string TransferSwitchStateText(std::int16_t state);

// The three state labels: prefix and state text, the gen-set counter after two blanks.
std::string GenSetStateLabel(const SiteImages& images, int site);
std::string MainsStateLabel(const SiteImages& images, int site);
std::string TransferSwitchStateLabel(const SiteImages& images, int site);

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kSkyBlue{166, 202, 240};
inline constexpr Rgb kSilver{192, 192, 192};
inline constexpr Rgb kWhite{255, 255, 255};

// Colour of the START/STOP indicator word (register 0x0032).
Rgb LedColour(std::uint16_t ledWord);
// Background colours of START and STOP for the indicator word; nothing (leave both as they
// are) unless the indicator is green or red.
struct StartStopColours {
  Rgb start;
  Rgb stop;
};
std::optional<StartStopColours> StartStopColoursOf(std::uint16_t ledWord);

// One line of the sixteen-line alarm list.
struct AlarmLine {
  bool shown = false;
  std::string text;
  // Bit 11 of the word as stored: silver background and caption-coloured text; otherwise the
  // window's own colours.
  bool highlighted = false;
};
inline constexpr int kAlarmLines = 16;
AlarmLine AlarmLineOf(std::uint16_t controllerType, std::uint16_t word);

// Text colour of MUTE: red while the first output configured as the alarm horn is on, white
// while it is off; nothing when no output is the alarm horn.
std::optional<Rgb> MuteTextColour(const SiteImages& images, int site);
// Text colour of RESET: red while any alarm word has a bit other than bit 11 set.
Rgb ResetTextColour(const SiteImages& images, int site);

// The page's three grids and one text written into one of their cells.
enum class MonitorGrid { Engine, Generator, BinaryIo };
struct MonitorCell {
  MonitorGrid grid;
  int row;
  int column;
  std::string text;
};

// Whether the controller type measures the mains (groups A, C and D).
bool MeasuresMains(std::uint16_t controllerType);

// Every fixed text of the grids: row and column titles by controller group, channel names and
// units, the input and output names.
std::vector<MonitorCell> MonitorTitles(const SiteImages& images, int site);

// Everything the refresh writes, in the page's order.
struct MonitorValues {
  std::vector<MonitorCell> cells;  // grid values (and the factory DEBUG title)
  std::optional<OperatingMode> mode;
  std::string genSetLabel;
  std::string mainsLabel;
  std::string transferSwitchLabel;
  std::array<AlarmLine, kAlarmLines> alarms;
  std::optional<StartStopColours> startStop;
  std::optional<Rgb> muteText;
  Rgb resetText;
};
MonitorValues MonitorValuesOf(const SiteImages& images, int site, bool factoryLevel);
// The same into an existing object, whose storage is reused (the refresh of a shown page).
void FillMonitorValues(const SiteImages& images, int site, bool factoryLevel, MonitorValues& v);

}  // namespace vorel
