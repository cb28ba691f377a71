#include "store/history_location.h"

#include <cstdlib>

namespace vorel {

std::string HistoryLocation::Name() const {
  if (kind == Kind::SQLite) return file.string();
  std::string name = "postgresql://";
  if (!user.empty()) name += user + "@";
  name += host;
  if (port != 5432) name += ":" + std::to_string(port);
  return name + "/" + database;
}

std::filesystem::path DefaultHistoryFile() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (data && std::filesystem::path(data).is_absolute()) {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home ? home : ".") / ".local" / "share";
  }
  return base / "vorel" / "history.sqlite";
}

std::optional<HistoryLocation> ParseHistoryLocation(std::string_view text, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<HistoryLocation> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (text.empty()) return fail("no history database given");
  HistoryLocation location;
  std::string_view rest;
  for (std::string_view scheme : {"postgresql://", "postgres://"}) {
    if (text.starts_with(scheme)) rest = text.substr(scheme.size());
  }
  if (rest.empty() && !text.starts_with("postgres")) {
    location.file = std::filesystem::path(std::string(text));
    return location;
  }
  location.kind = HistoryLocation::Kind::PostgreSQL;
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos || slash + 1 >= rest.size())
    return fail("the URL names no database");
  location.database = std::string(rest.substr(slash + 1));
  std::string_view authority = rest.substr(0, slash);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    if (user.find(':') != std::string_view::npos)
      return fail("a password does not belong in the URL; use ~/.pgpass or PGPASSWORD");
    location.user = std::string(user);
    authority = authority.substr(at + 1);
  }
  if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    const std::string digits(authority.substr(colon + 1));
    char* end = nullptr;
    const long port = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || port < 1 || port > 65535)
      return fail("the URL's port is not a number from 1 to 65535");
    location.port = static_cast<int>(port);
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return fail("the URL names no host");
  location.host = std::string(authority);
  return location;
}

}  // namespace vorel
