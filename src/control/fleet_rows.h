// The rows of the fleet overview: one per online site, its summary turned into the texts of
// the overview's columns, the numbers it sorts by and the state it is coloured by. The window
// and its tests read these; nothing here is a widget.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/site_summary.h"

namespace vorel {

class SiteImages;
class LiveDataAge;

enum class FleetColumn {
  Site,
  Generator,
  Device,
  Type,
  Mode,
  Engine,
  Kw,
  VoltageL1L2,
  Hz,
  Battery,
  Alarms,
  NewestAlarm,
  Age,
  Communication,
};
inline constexpr std::size_t kFleetColumns = 14;

// The column's title in the current language.
std::string FleetColumnTitle(FleetColumn column);

// What colours a row, most telling first: polling of the site stopped, its values are stale,
// it has alarms, or none of these.
enum class FleetRowState { Normal, Alarm, Stale, Off };

// How the site's communication stands, as the poller knows it.
struct FleetLink {
  bool pollingStopped = false;  // the link's state 299 (cancelled or failed)
  bool stale = false;           // LiveDataAge::Stale
  std::int64_t lastGoodWallMs = 0;
  bool disconnected = false;  // the line is closed (Disconnect): nothing is polled at all
};

struct FleetRow {
  int site = 0;
  FleetRowState state = FleetRowState::Normal;
  SiteSummary summary;
  std::array<std::string, kFleetColumns> cells;
  std::array<double, kFleetColumns> sortKeys{};  // numeric columns; 0 for texts

  const std::string& Cell(FleetColumn c) const { return cells[static_cast<std::size_t>(c)]; }
};

// The row from the site's value image and link state; `nowWallMs` dates the age.
FleetRow MakeFleetRow(const SiteImages& images, int site, const FleetLink& link,
                      std::int64_t nowWallMs);
// Only the age cell again (it changes every second while nothing else does).
std::string FleetAgeText(std::int64_t lastGoodWallMs, std::int64_t nowWallMs);

// The link state of an online site as the session's poller sees it.
FleetLink FleetLinkOf(const LiveDataAge& age, std::int16_t commState, int site,
                      std::uint64_t nowMs);

}  // namespace vorel
