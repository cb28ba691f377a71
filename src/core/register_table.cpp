#include "core/register_table.h"

namespace vorel {
namespace {

// A row of the declared table: one record, or one record of count 1 for every address from
// `first` to `last`.
struct Row {
  std::uint16_t first;
  std::uint16_t last;
  std::uint16_t count;
  std::int32_t kind;
  std::string_view section;
};

constexpr Row One(std::uint16_t address, std::uint16_t count, std::string_view section,
                  std::int32_t kind = 0) {
  return {address, address, count, kind, section};
}
constexpr Row Each(std::uint16_t first, std::uint16_t last, std::string_view section) {
  return {first, last, 1, 0, section};
}

// clang-format off
constexpr Row kRows[] = {
    One(0x8031, 35, "CONFIG"),
    One(0x8032, 39, "CONFIG"),
    One(0x8033, 15, "CONFIG"),
    One(0x8053, 70, "CONFIG"),
    One(0x8034, 83, "CONFIG"),
    One(0x8035, 34, "CONFIG"),
    One(0x8036, 21, "CONFIG"),
    One(0x8037, 66, "CONFIG"),
    One(0x8052, 83, "CONFIG"),
    One(0x8041, 35, "VALUE"),
    One(0x8042, 39, "VALUE"),
    One(0x8043, 15, "VALUE"),
    One(0x804F, 70, "VALUE"),
    One(0x8044, 83, "VALUE"),
    One(0x8045, 34, "VALUE"),
    One(0x8046, 21, "VALUE"),
    One(0x8047, 66, "VALUE"),
    One(0x804D, 83, "VALUE"),
    One(0x0000, 4, "System"),
    One(0x0004, 1, "System"),
    One(0x0005, 1, "System"),
    One(0x0006, 3, "System"),
    One(0x0009, 3, "System"),
    One(0x000C, 2, "DateTime"),
    One(0x000E, 2, "DateTime"),
    One(0x0010, 1, "System"),
    One(0x0011, 1, "System"),
    One(0x0012, 8, "System"),
    One(0x001A, 16, "Alarm"),
    Each(0x002A, 0x0031, "Led"),
    One(0x0032, 1, "Led"),
    Each(0x0033, 0x0038, "Led"),
    One(0x0039, 1, "IOProperty"),
    Each(0x003A, 0x0041, "IOProperty"),
    Each(0x0042, 0x0049, "IOProperty"),
    One(0x0078, 1, "IOProperty"),
    Each(0x0079, 0x0080, "IOProperty"),
    Each(0x0081, 0x0088, "IOProperty"),
    One(0x0089, 1, "CurrProperty"),
    Each(0x004A, 0x0055, "GENERATOR"),
    One(0x0056, 1, "Status"),
    One(0x0057, 1, "Status"),
    One(0x0058, 1, "Status"),
    Each(0x0059, 0x005A, "Status"),
    Each(0x005B, 0x005E, "Other"),
    Each(0x005F, 0x0061, "I/O"),
    Each(0x0062, 0x0065, "ANLG_DEF"),
    Each(0x0066, 0x0069, "ANLG_DEF"),
    Each(0x006A, 0x006F, "ANLG_DEF"),
    Each(0x0070, 0x0072, "ANLG_DEF"),
    One(0x0073, 1, "SYSTEM", 2),
    One(0x0074, 1, "SYSTEM"),
    One(0x0075, 1, "SYSTEM", 2),
    One(0x008F, 1, "GENERATOR"),
    One(0x0090, 1, "SYSTEM"),
    One(0x0098, 1, "GENERATOR"),
    Each(0x0099, 0x009C, "GENERATOR"),
    One(0x009E, 1, "GENERATOR"),
    One(0x009F, 2, "GENERATOR", 1),
    One(0x00A1, 1, "GENERATOR"),
    One(0x00A2, 2, "GENERATOR"),
    One(0x00A3, 1, "GENERATOR"),
    One(0x00A4, 2, "GENERATOR"),
    One(0x00A5, 2, "GENERATOR"),
    One(0x00A6, 1, "GENERATOR"),
    One(0x00A7, 2, "GENERATOR", 1),
    One(0x00A8, 1, "MAINS"),
    One(0x00A9, 2, "MAINS"),
    One(0x00AA, 1, "MAINS"),
    One(0x00AB, 2, "MAINS"),
    One(0x00AC, 2, "MAINS"),
    One(0x00AD, 1, "MAINS"),
    One(0x00AE, 2, "MAINS", 1),
    One(0x00AF, 1, "MAINS"),
    One(0x00B0, 2, "MAINS"),
    One(0x00B1, 1, "MAINS"),
    One(0x00B2, 2, "MAINS"),
    One(0x00B3, 2, "MAINS"),
    One(0x00B4, 1, "MAINS"),
    One(0x00B5, 2, "MAINS", 1),
    One(0x00B6, 2, "GENERATOR"),
    One(0x00B7, 2, "GENERATOR"),
    Each(0x00B8, 0x00B9, "GENERATOR"),
    One(0x00BA, 1, "GENERATOR"),
    One(0x00BB, 2, "GENERATOR"),
    One(0x00BC, 2, "GENERATOR"),
    Each(0x00BD, 0x00BF, "GENERATOR"),
    One(0x00C0, 1, "GENERATOR"),
    One(0x00C1, 1, "GENERATOR"),
    One(0x00C2, 1, "GENERATOR"),
    One(0x00C3, 1, "GENERATOR", 1),
    One(0x00C4, 1, "GENERATOR"),
    One(0x00C5, 2, "GENERATOR"),
    One(0x00C6, 2, "GENERATOR"),
    Each(0x00C8, 0x00D3, "BASIC SETPOINT"),
    Each(0x00D4, 0x00DE, "ENGINE"),
    One(0x00C7, 1, "ENG PROTECT"),
    Each(0x00E0, 0x00EF, "ENG PROTECT"),
    Each(0x00F0, 0x0101, "GEN PROTECT"),
    Each(0x0102, 0x0111, "MAINS PROTECT"),
    One(0x0112, 1, "Menu"),
    One(0x0113, 1, "Menu"),
    One(0x0117, 1, "ENG_SETPOINT"),
    One(0x0118, 1, "SYSTEM"),
    One(0x011A, 1, "SYSTEM"),
    One(0x011B, 1, "BASIC SETPOINT"),
    Each(0x011C, 0x011F, "GENERATOR"),
    One(0x0120, 1, "SYSTEM"),
    Each(0x0126, 0x0128, "Sensor"),
    Each(0x0129, 0x012B, "Sensor"),
    Each(0x012C, 0x0135, "Sensor"),
    Each(0x0136, 0x013F, "Sensor"),
    Each(0x0140, 0x0149, "Sensor"),
    Each(0x014A, 0x0153, "Sensor"),
    Each(0x0154, 0x015D, "Sensor"),
    Each(0x015E, 0x0167, "Sensor"),
    One(0x0168, 1, "History/Alarm"),
    One(0x0169, 29, "Product Information"),
    Each(0x0169, 0x016A, "Product Information"),
    One(0x016B, 1, "Product Information"),
    One(0x016C, 2, "Product Information"),
    One(0x016E, 1, "Product Information"),
    One(0x016F, 2, "Product Information"),
    One(0x0171, 1, "Product Information"),
    One(0x0172, 20, "Product Information"),
    One(0x8010, 1, "Action"),
};
// clang-format on

constexpr std::size_t ExpandedCount() {
  std::size_t n = 0;
  for (const Row& r : kRows) n += static_cast<std::size_t>(r.last - r.first) + 1;
  return n;
}
static_assert(ExpandedCount() == kRegisterCount, "register table must hold 332 records");

constexpr std::array<RegisterBlock, kRegisterCount> Expand() {
  std::array<RegisterBlock, kRegisterCount> out{};
  std::size_t i = 0;
  for (const Row& r : kRows) {
    for (unsigned a = r.first; a <= r.last; ++a) {
      out[i++] = RegisterBlock{static_cast<std::uint16_t>(a), r.count, r.kind, r.section};
    }
  }
  return out;
}

constexpr std::array<RegisterBlock, kRegisterCount> kTable = Expand();

}  // namespace

const std::array<RegisterBlock, kRegisterCount>& RegisterTable() {
  return kTable;
}

std::optional<RegisterBlock> FindRegister(std::uint16_t address,
                                          std::optional<std::uint16_t> count) {
  for (const RegisterBlock& r : kTable) {
    if (r.address == address && (!count || r.count == *count)) return r;
  }
  return std::nullopt;
}

}  // namespace vorel
