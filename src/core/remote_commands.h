// The eight commands of the monitor page, one row each: the group, the button's control name,
// the register and the one word written to it, the command-line name and the caption. The four
// modes are written to the operating mode register and name the mode the controller reports
// there; the four actions go to the write-only action register. The page's buttons, its mode
// texts, the monitor text of vorel-cli and `vorel-cli command` all read these rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/language.h"
#include "core/register_table.h"

namespace vorel {

enum class RemoteCommand { Off, Manual, Auto, Test, Start, Stop, Mute, Reset };
enum class CommandGroup { Mode, Action };

struct RemoteCommandInfo {
  RemoteCommand command;
  CommandGroup group;
  std::string_view controlName;  // the page's button
  std::uint16_t address;         // the register written
  std::uint16_t value;           // the word written
  std::string_view name;         // on the command line
  BilingualText caption;         // the button; for a mode also the mode's text
};

// clang-format off
inline constexpr std::array<RemoteCommandInfo, 8> kRemoteCommands{{
    {RemoteCommand::Off,    CommandGroup::Mode,   "lbsbOff",    reg::kOperatingMode.address, kModeOff,  "off",    {"OFF",   "模式"}},
    {RemoteCommand::Manual, CommandGroup::Mode,   "lbsbManual", reg::kOperatingMode.address, kModeManu, "manual", {"MANU",  "手动"}},
    {RemoteCommand::Auto,   CommandGroup::Mode,   "lbsbAuto",   reg::kOperatingMode.address, kModeAuto, "auto",   {"AUTO",  "自动"}},
    {RemoteCommand::Test,   CommandGroup::Mode,   "lbsbTest",   reg::kOperatingMode.address, kModeTest, "test",   {"TEST",  "测试"}},
    {RemoteCommand::Start,  CommandGroup::Action, "lbsbStart",  reg::kCommand.address,       0xFE01,    "start",  {"START", "启动"}},
    {RemoteCommand::Stop,   CommandGroup::Action, "lbsbStop",   reg::kCommand.address,       0xFD02,    "stop",   {"STOP",  "停机"}},
    {RemoteCommand::Mute,   CommandGroup::Action, "lbsbMute",   reg::kCommand.address,       0xA956,    "mute",   {"MUTE",  "消音"}},
    {RemoteCommand::Reset,  CommandGroup::Action, "lbsbReset",  reg::kCommand.address,       0xAA55,    "reset",  {"RESET", "复位"}},
}};
// clang-format on

// The operating modes the mode register reports, in the order of their rows above.
enum class OperatingMode { Off, Manual, Auto, Test };
inline constexpr std::size_t kOperatingModeCount = 4;

constexpr std::size_t IndexOf(RemoteCommand command) {
  return static_cast<std::size_t>(command);
}

constexpr const RemoteCommandInfo& InfoOf(RemoteCommand command) {
  return kRemoteCommands[IndexOf(command)];
}

constexpr bool IsModeCommand(RemoteCommand command) {
  return InfoOf(command).group == CommandGroup::Mode;
}

// The command that sets a mode: the mode rows come first, in mode order.
constexpr RemoteCommand ModeCommand(OperatingMode mode) {
  return kRemoteCommands[static_cast<std::size_t>(mode)].command;
}

// One row per command in enum order, the modes first in mode order, each written where its
// group says.
static_assert([] {
  for (std::size_t i = 0; i < kRemoteCommands.size(); ++i) {
    const RemoteCommandInfo& row = kRemoteCommands[i];
    if (IndexOf(row.command) != i) return false;
    if ((i < kOperatingModeCount) != (row.group == CommandGroup::Mode)) return false;
    const std::uint16_t target =
        row.group == CommandGroup::Mode ? reg::kOperatingMode.address : reg::kCommand.address;
    if (row.address != target) return false;
  }
  return IndexOf(RemoteCommand::Reset) + 1 == kRemoteCommands.size() &&
         static_cast<std::size_t>(OperatingMode::Test) + 1 == kOperatingModeCount;
}());

// The mode of a mode register word (198 to 201), nothing for any other word.
constexpr std::optional<OperatingMode> OperatingModeOf(std::uint16_t word) {
  for (std::size_t i = 0; i < kOperatingModeCount; ++i) {
    if (kRemoteCommands[i].value == word) return static_cast<OperatingMode>(i);
  }
  return std::nullopt;
}

// "OFF"/"模式", "MANU"/"手动", "AUTO"/"自动", "TEST"/"测试" in the current language.
inline std::string OperatingModeText(OperatingMode mode) {
  return std::string(InfoOf(ModeCommand(mode)).caption.Pick());
}

// The command of a command-line name ("off" ... "reset"), nothing for any other text.
constexpr std::optional<RemoteCommand> RemoteCommandNamed(std::string_view name) {
  for (const RemoteCommandInfo& info : kRemoteCommands) {
    if (info.name == name) return info.command;
  }
  return std::nullopt;
}

}  // namespace vorel
