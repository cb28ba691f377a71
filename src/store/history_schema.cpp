#include "store/history_schema.h"

#include <array>

namespace vorel {

namespace {

// A controller is its serial number and product code; times are milliseconds since the epoch.
constexpr std::array<std::string_view, 8> kVersion1{{
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE identifications (serial TEXT NOT NULL, product_code INTEGER NOT NULL, "
    "time_ms BIGINT NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, firmware TEXT NOT "
    "NULL, device_name TEXT NOT NULL, generator_name TEXT NOT NULL, operator_name TEXT NOT NULL, "
    "PRIMARY KEY (serial, product_code, time_ms))",
    // A set's words are stored once, under their hash; each read, backup or snapshot points to it.
    "CREATE TABLE parameter_sets (hash TEXT NOT NULL PRIMARY KEY, words TEXT NOT NULL)",
    "CREATE TABLE set_records (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms "
    "BIGINT NOT NULL, kind TEXT NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, hash "
    "TEXT NOT NULL, PRIMARY KEY (serial, product_code, time_ms, kind))",
    "CREATE TABLE writes (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT "
    "NOT NULL, seq INTEGER NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, action TEXT "
    "NOT NULL, changes TEXT NOT NULL, note TEXT NOT NULL, file TEXT NOT NULL, operator_name TEXT "
    "NOT NULL, PRIMARY KEY (serial, product_code, time_ms, seq))",
    // An event is recognised by the hash of its whole record (code, time and snapshot).
    "CREATE TABLE events (serial TEXT NOT NULL, product_code INTEGER NOT NULL, record_hash TEXT "
    "NOT NULL, event_code INTEGER NOT NULL, event_time TEXT NOT NULL, record TEXT NOT NULL, "
    "first_read_ms BIGINT NOT NULL, read_order INTEGER NOT NULL, address INTEGER NOT NULL, port "
    "TEXT NOT NULL, PRIMARY KEY (serial, product_code, record_hash))",
    "CREATE TABLE samples (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT "
    "NOT NULL, gap INTEGER NOT NULL, counts TEXT NOT NULL, PRIMARY KEY (serial, product_code, "
    "time_ms))",
    "INSERT INTO schema_version (version) VALUES (1)",
}};

// Writes and commands keep their outcome; samples keep how each count is divided.
constexpr std::array<std::string_view, 4> kVersion2{{
    "ALTER TABLE writes ADD COLUMN outcome TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE samples ADD COLUMN divisors TEXT NOT NULL DEFAULT ''",
    "CREATE INDEX events_by_time ON events (serial, product_code, event_time)",
    "UPDATE schema_version SET version = 2",
}};

// Samples take the most room: one row per poll, its numbers as one binary value, the key as
// the table's only index. The rows of version 2 are carried over by the store.
constexpr std::array<std::string_view, 5> kVersion3{{
    "CREATE TABLE samples_compact (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms "
    "BIGINT NOT NULL, data {blob} NOT NULL, PRIMARY KEY (serial, product_code, time_ms))"
    "{without_rowid}",
    kCopySamplesStep,
    "DROP TABLE samples",
    "ALTER TABLE samples_compact RENAME TO samples",
    "UPDATE schema_version SET version = 3",
}};

// The alarm journal: what appeared and cleared on the sites, and who acknowledged it.
constexpr std::array<std::string_view, 3> kVersion4{{
    "CREATE TABLE alarm_journal (entry_id TEXT NOT NULL PRIMARY KEY, serial TEXT NOT NULL, "
    "product_code INTEGER NOT NULL, time_ms BIGINT NOT NULL, seq INTEGER NOT NULL, address "
    "INTEGER NOT NULL, port TEXT NOT NULL, site_name TEXT NOT NULL, appeared INTEGER NOT NULL, "
    "at_first_poll INTEGER NOT NULL, code INTEGER NOT NULL, highlighted INTEGER NOT NULL, "
    "controller_time TEXT NOT NULL, acknowledged_by TEXT NOT NULL, acknowledged_ms BIGINT NOT "
    "NULL)",
    "CREATE INDEX alarm_journal_by_time ON alarm_journal (time_ms, seq)",
    "UPDATE schema_version SET version = 4",
}};

}  // namespace

std::span<const std::string_view> HistoryMigration(int version) {
  switch (version) {
    case 1:
      return kVersion1;
    case 2:
      return kVersion2;
    case 3:
      return kVersion3;
    case 4:
      return kVersion4;
    default:
      return {};
  }
}

}  // namespace vorel
