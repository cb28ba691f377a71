// The eight commands of the monitor page: four operating modes written to the mode register
// and four actions written to the write-only action register, one word each.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorel {

enum class RemoteCommand { Off, Manual, Auto, Test, Start, Stop, Mute, Reset };

struct RemoteCommandInfo {
  RemoteCommand command;
  std::uint16_t address;
  std::uint16_t value;
  std::string_view name;  // on the command line
  std::string_view english;
  std::string_view chinese;
};

inline constexpr std::uint16_t kModeRegister = 0x0113;
inline constexpr std::uint16_t kActionRegister = 0x8010;

// clang-format off
inline constexpr std::array<RemoteCommandInfo, 8> kRemoteCommands{{
    {RemoteCommand::Off,    kModeRegister,   0x00C6, "off",    "OFF",   "模式"},
    {RemoteCommand::Manual, kModeRegister,   0x00C7, "manual", "MANU",  "手动"},
    {RemoteCommand::Auto,   kModeRegister,   0x00C8, "auto",   "AUTO",  "自动"},
    {RemoteCommand::Test,   kModeRegister,   0x00C9, "test",   "TEST",  "测试"},
    {RemoteCommand::Start,  kActionRegister, 0xFE01, "start",  "START", "启动"},
    {RemoteCommand::Stop,   kActionRegister, 0xFD02, "stop",   "STOP",  "停机"},
    {RemoteCommand::Mute,   kActionRegister, 0xA956, "mute",   "MUTE",  "消音"},
    {RemoteCommand::Reset,  kActionRegister, 0xAA55, "reset",  "RESET", "复位"},
}};
// clang-format on

constexpr const RemoteCommandInfo& InfoOf(RemoteCommand command) {
  return kRemoteCommands[static_cast<std::size_t>(command)];
}

constexpr bool IsModeCommand(RemoteCommand command) {
  return InfoOf(command).address == kModeRegister;
}

// The command of a command-line name ("off" ... "reset"), nothing for any other text.
constexpr std::optional<RemoteCommand> RemoteCommandNamed(std::string_view name) {
  for (const RemoteCommandInfo& info : kRemoteCommands) {
    if (info.name == name) return info.command;
  }
  return std::nullopt;
}

}  // namespace vorel
