// One simulated controller: its register image, event log, password and clock.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "core/register_table.h"

namespace vorel::sim {

inline constexpr int kImageWords = 512;
inline constexpr int kLogRecords = 112;
inline constexpr int kLogRecordWords = 32;
inline constexpr std::uint16_t kLogEnd = kEventLogLast + 1;  // one past the last log register

// What the command line says about a site: --site N[:TYPE[:VERSION]].
struct SiteConfig {
  int address = 1;
  std::uint16_t type = 3101;
  std::string version = "V5.10";
  bool systemUnlocked = false;  // status bit 6: the serial number may be written
};

struct Site {
  explicit Site(const SiteConfig& config, std::uint16_t password);

  // Factory state: default registers, curves, identity, empty log at position 0x0200.
  void Reset();
  // Product code, device name and serial number from the command line (kept when a
  // saved image is loaded, so the command line decides what the site is).
  void ApplyIdentity();

  std::uint16_t Word(int address) const { return image[static_cast<std::size_t>(address)]; }
  void SetWord(int address, std::uint16_t value) {
    image[static_cast<std::size_t>(address)] = value;
  }

  // Appends one record (code and a snapshot of the live values) at the position register and
  // moves the position on by one record, wrapping from 0x0FE0 back to 0x0200.
  void AppendEvent(std::uint16_t code, std::time_t now);

  // The controller clock: host time plus an offset set by writes of the clock registers.
  std::time_t ClockTime(std::time_t host) const { return host + clockOffset; }
  void ShowClock(std::time_t host);
  // Sets the clock from the BCD words of 0x000C/0x000D (time) or 0x000E/0x000F (date); false
  // when the words are not a valid BCD time or date.
  bool SetTime(std::uint16_t hoursMinutes, std::uint16_t seconds, std::time_t host);
  bool SetDate(std::uint16_t dayMonth, std::uint16_t year, std::time_t host);

  // Word 0x0004 follows the protection state.
  void SetUnlocked(bool on);

  SiteConfig config;
  std::uint16_t password;
  bool unlocked = false;
  std::time_t clockOffset = 0;
  std::array<std::uint16_t, kImageWords> image{};
  std::array<std::array<std::uint16_t, kLogRecordWords>, kLogRecords> log{};
};

// Device name of a site: 40 characters carrying the firmware version.
std::string DeviceName(const SiteConfig& config);

}  // namespace vorel::sim
