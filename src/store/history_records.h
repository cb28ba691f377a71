// What the history keeps, as plain values: the control layer fills them from the site images
// and hands them to the store. Every record names its controller by serial number and product
// code, and the site address and port it was met on. Times are wall-clock milliseconds since
// the epoch (UTC).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vorel {

struct ControllerKey {
  std::string serial;  // twelve hexadecimal digits
  int productCode = 0;
  friend bool operator==(const ControllerKey&, const ControllerKey&) = default;
};

// Where and when a record was made.
struct RecordPlace {
  ControllerKey controller;
  int address = 0;
  std::string port;
  std::int64_t timeMs = 0;
};

struct IdentificationRecord {
  RecordPlace place;
  std::string firmware;
  std::string deviceName;
  std::string generatorName;
  std::string operatorName;
};

// A parameter set: register and word, ordered by register.
using ParameterWords = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

enum class ParameterSetKind { Read, Backup, Snapshot };
const char* ParameterSetKindKey(ParameterSetKind kind);

struct ParameterSetRecord {
  RecordPlace place;
  ParameterSetKind kind = ParameterSetKind::Read;
  ParameterWords words;
};

struct WriteChange {
  std::uint16_t reg = 0;
  std::uint16_t before = 0;
  std::uint16_t after = 0;
};

struct WriteRecord {
  RecordPlace place;
  std::string action;   // "write", "restore", "password", "curve", "command"...
  std::string outcome;  // "done", or what went wrong
  std::vector<WriteChange> changes;
  std::string note;
  std::string file;
  std::string operatorName;
};

inline constexpr int kHistoryEventWords = 32;
using EventRecordWords = std::array<std::uint16_t, kHistoryEventWords>;

// One read of the whole event log, records in the order the log shows them.
struct EventLogReadRecord {
  RecordPlace place;
  std::vector<EventRecordWords> records;
};

inline constexpr int kHistorySeries = 13;

struct SampleRecord {
  ControllerKey controller;
  std::int64_t timeMs = 0;
  std::array<std::int16_t, kHistorySeries> counts{};
  std::array<std::uint8_t, kHistorySeries> divisors{};
  bool gap = false;
};

// An alarm that appeared on or cleared from a site's alarm list; the place's time is the PC's.
// The alarm is kept as its code: its text is made in the language of whoever reads it.
struct AlarmJournalRecord {
  RecordPlace place;
  std::string entryId;  // unique across PCs; names the entry for its acknowledgement
  int seq = 0;          // orders the entries of one millisecond
  std::string siteName;
  bool appeared = true;
  bool atFirstPoll = false;
  int code = 0;
  bool highlighted = false;
  std::string controllerTime;
};

// Who acknowledged a journal entry, and when (only the first acknowledgement counts).
struct AlarmAcknowledgement {
  std::string entryId;
  std::string who;
  std::int64_t timeMs = 0;
};

using HistoryRecord =
    std::variant<IdentificationRecord, ParameterSetRecord, WriteRecord, EventLogReadRecord,
                 SampleRecord, AlarmJournalRecord, AlarmAcknowledgement>;

}  // namespace vorel
