// What the watch service knows of one site: its identity, how its last poll ended, and what its
// last good poll read (mode, engine state, the monitor's values with their units, the active
// alarms). Turned into the retained state message and the metrics.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/site_summary.h"
#include "link/request_outcome.h"

namespace vorel {

class SiteImages;

struct SiteIdentity {
  std::string serial;
  int productCode = 0;
  std::string firmware;
  std::string deviceName;
  std::string generatorName;
};

struct WatchedValue {
  std::string name;              // the monitor's title without its unit
  std::string unit;              // empty when the value has none
  std::string text;              // as the monitor shows it
  std::optional<double> number;  // nothing where the monitor shows a word
};

// How the site stands on the line.
enum class SiteLink {
  Unknown,     // not yet asked
  Identified,  // identified and its last poll answered
  Failed,      // its last request failed: `outcome` says how
  Refused,     // it answered, but its identification was refused (type or firmware)
};

struct SiteReading {
  std::string line;
  int site = 0;
  SiteLink link = SiteLink::Unknown;
  RequestOutcome outcome = RequestOutcome::Done;
  std::string problem;  // the message of the failure, empty when all is well
  std::optional<SiteIdentity> identity;
  // The rest is from the last good poll and is only present right after one.
  bool fresh = false;
  std::string mode;  // the mode's caption
  EngineState engine = EngineState::Unknown;
  std::string engineText;  // the page's text of the gen-set state
  std::vector<WatchedValue> values;
  std::vector<SiteAlarm> alarms;
  std::int64_t lastGoodWallMs = 0;  // 0: never
};

// The name and unit of a monitor title: "Battary(V)" -> {"Battary", "V"}, "Ph-N(V) L1(2)" ->
// {"Ph-N L1(2)", "V"}; a title without a unit stays whole.
std::pair<std::string, std::string> SplitUnit(const std::string& title);
// The number a monitor text shows ("24.6", "-3", "1234.5"); nothing for words.
std::optional<double> NumberOfText(const std::string& text);

// The identity of an identified site from its images.
SiteIdentity IdentityOf(const SiteImages& images, int site);
// Mode, engine state, values and alarms of a site whose live values were just read.
void FillFromImages(const SiteImages& images, int site, SiteReading& reading);

// One alarm message: the alarm and whether it appeared (true) or cleared.
struct AlarmChange {
  SiteAlarm alarm;
  bool appeared = false;
};
// The alarm messages between two good polls: those that appeared, then those that cleared.
std::vector<AlarmChange> AlarmMessages(std::span<const SiteAlarm> before,
                                       std::span<const SiteAlarm> after);

}  // namespace vorel
