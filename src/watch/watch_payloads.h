// The MQTT topics and payloads of the watch service:
//   vorel/<line>/<site>/state   retained JSON: identity, link, mode, engine, values, alarms,
//                               time of the last good poll
//   vorel/<line>/<site>/alarm   one JSON message per alarm appearing or clearing
//   vorel/<line>/status         "online" / "offline" (retained; "offline" also the last will)
#pragma once

#include <cstdint>
#include <string>

#include "watch/site_reading.h"

namespace vorel {

std::string StateTopic(const std::string& line, int site);
std::string AlarmTopic(const std::string& line, int site);
std::string StatusTopic(const std::string& line);

// The text of a link state and of a request outcome as the payloads and metrics name them.
const char* SiteLinkName(SiteLink link);
const char* OutcomeName(RequestOutcome outcome);

// ISO 8601 UTC with milliseconds.
std::string UtcText(std::int64_t wallMs);

// The retained state. Values and the rest of a poll are only there right after a good poll: a
// failed or refused reply never shows the old values as the site's.
std::string StatePayload(const SiteReading& reading, std::int64_t nowWallMs);
// One alarm message; `seq` counts the line's alarm messages from 1 (a subscriber can tell a
// message delivered twice from a new one).
std::string AlarmPayload(const SiteReading& reading, const AlarmChange& change, std::uint64_t seq,
                         std::int64_t wallMs);

}  // namespace vorel
