// The history's tables, as the steps that build them: step n of the list brings a database
// from schema version n - 1 to n. The same statements run on SQLite and PostgreSQL (no
// generated keys, no types or functions of only one of them).
#pragma once

#include <span>
#include <string_view>

namespace vorel {

inline constexpr int kHistorySchemaVersion = 3;

// The statements of the step that makes version `version` (1 to kHistorySchemaVersion).
std::span<const std::string_view> HistoryMigration(int version);

}  // namespace vorel
