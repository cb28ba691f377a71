// What a row of the event-log grid is beyond its texts: whether it holds a record at all
// (the controller leaves unused records zero), and its date and time as one ISO date-time.
#pragma once

#include <string>
#include <string_view>

#include "core/event_log.h"

namespace vorel {

// A record never written: date "00/00/00" and time "00:00:00" (a real record has a month).
bool EmptyEventRecord(const EventLogRowTexts& row);

// "24/04/01" (year/month/day) and "12:30:05" -> "2024-04-01 12:30:05"; "" when either is not
// a valid date or time (an empty record, digits that were not decimal).
std::string EventDateTime(std::string_view date, std::string_view time);

}  // namespace vorel
