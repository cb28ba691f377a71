// Where the history lives: an SQLite file (by default $XDG_DATA_HOME/vorel/history.sqlite) or a
// PostgreSQL database named by a URL "postgresql://user@host[:port]/db". A password is never
// taken from the URL: the server's client library reads it from ~/.pgpass or PGPASSWORD.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorel {

struct HistoryLocation {
  enum class Kind { SQLite, PostgreSQL };
  Kind kind = Kind::SQLite;
  std::filesystem::path file;  // SQLite
  std::string user;            // PostgreSQL
  std::string host;
  int port = 5432;
  std::string database;

  // The file's path or the URL, as messages name it.
  std::string Name() const;
};

// $XDG_DATA_HOME/vorel/history.sqlite when XDG_DATA_HOME is absolute, else
// $HOME/.local/share/vorel/history.sqlite.
std::filesystem::path DefaultHistoryFile();

// A "postgresql://" (or "postgres://") URL, or anything else as an SQLite file's path. Nothing
// for an empty text, a URL without host or database, a bad port, or one that carries a
// password (`*error` says which).
std::optional<HistoryLocation> ParseHistoryLocation(std::string_view text, std::string* error);

}  // namespace vorel
