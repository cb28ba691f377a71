#include "files/audit_entries.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace vorel {
namespace {

// "2026-12-11 13:05:22 +0100" as seconds since the epoch.
bool ParseStamp(std::string_view text, std::int64_t* when) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, zone = 0;
  char sign = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %c%4d", &y, &mo, &d, &h, &mi, &s, &sign,
                  &zone) != 8 ||
      (sign != '+' && sign != '-'))
    return false;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  const std::int64_t offset = (zone / 100 * 3600 + zone % 100 * 60) * (sign == '-' ? -1 : 1);
  *when = static_cast<std::int64_t>(timegm(&tm)) - offset;
  return true;
}

// A field's value: "%XX" back to its byte, "-" as empty.
std::string Unescape(std::string_view field) {
  if (field == "-") return {};
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    unsigned value = 0;
    if (field[i] == '%' && i + 2 < field.size() &&
        std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16).ec == std::errc{}) {
      out += static_cast<char>(value);
      i += 2;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool Hex4(std::string_view text, std::uint16_t* value) {
  unsigned v = 0;
  if (text.size() != 4) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + 4, v, 16);
  if (ec != std::errc{} || end != text.data() + 4) return false;
  *value = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

bool ParseAuditLine(std::string_view line, AuditEntry* entry, std::string* serial) {
  constexpr std::size_t kStamp = 25;  // "YYYY-MM-DD hh:mm:ss +zzzz"
  AuditEntry e;
  if (line.size() < kStamp + 2 || !ParseStamp(line.substr(0, kStamp), &e.when)) return false;
  e.stamp = std::string(line.substr(0, 19));
  std::string_view rest = line.substr(kStamp + 1);
  e.action = std::string(rest.substr(0, rest.find(' ')));
  // The port may hold blanks: the fields after it are found by their names.
  const auto field = [&](std::string_view name) -> std::string_view {
    const std::size_t at = rest.find(name);
    if (at == std::string_view::npos) return {};
    std::string_view value = rest.substr(at + name.size());
    return value.substr(0, value.find(' '));
  };
  const std::string_view site = field(" site=");
  if (std::from_chars(site.data(), site.data() + site.size(), e.site).ec != std::errc{})
    return false;
  const std::string_view serialField = field(" serial=");
  if (serialField.empty()) return false;
  *serial = std::string(serialField);
  e.file = Unescape(field(" file="));
  const std::size_t registers = rest.find(" registers=");
  if (registers == std::string_view::npos) return false;
  std::string_view list = rest.substr(registers + 11);
  int count = 0;
  const auto [end, ec] = std::from_chars(list.data(), list.data() + list.size(), count);
  if (ec != std::errc{} || count < 0) return false;
  list.remove_prefix(static_cast<std::size_t>(end - list.data()));
  for (int k = 0; k < count; ++k) {
    // " RRRR:BBBB>AAAA"
    if (list.size() < 15 || list[0] != ' ' || list[5] != ':' || list[10] != '>') return false;
    AuditChange c;
    if (!Hex4(list.substr(1, 4), &c.reg) || !Hex4(list.substr(6, 4), &c.before) ||
        !Hex4(list.substr(11, 4), &c.after))
      return false;
    e.changes.push_back(c);
    list.remove_prefix(15);
  }
  *entry = std::move(e);
  return true;
}

std::vector<AuditEntry> AuditEntriesFor(std::string_view trail, std::string_view serial,
                                        std::int64_t since) {
  std::vector<AuditEntry> entries;
  while (!trail.empty()) {
    const std::size_t end = trail.find('\n');
    const std::string_view line = trail.substr(0, end);
    trail = end == std::string_view::npos ? std::string_view{} : trail.substr(end + 1);
    AuditEntry entry;
    std::string lineSerial;
    if (ParseAuditLine(line, &entry, &lineSerial) && lineSerial == serial && entry.when >= since)
      entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace vorel
