// The history's tables, as the steps that build them: step n of the list brings a database
// from schema version n - 1 to n. The same statements run on SQLite and PostgreSQL (no
// generated keys, no functions of only one of them); "{blob}" stands for the binary column
// type and "{without_rowid}" for SQLite's table without row ids (nothing on PostgreSQL).
#pragma once

#include <span>
#include <string_view>

namespace vorel {

inline constexpr int kHistorySchemaVersion = 4;

// A step that is no statement: the store copies the samples into their compact table.
inline constexpr std::string_view kCopySamplesStep = "copy samples";

// The statements of the step that makes version `version` (1 to kHistorySchemaVersion).
std::span<const std::string_view> HistoryMigration(int version);

}  // namespace vorel
