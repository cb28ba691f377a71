#include "core/site_images.h"

#include <algorithm>
#include <cstdio>

namespace vorel {
namespace {

constexpr std::array<std::uint16_t, 4> kValueConfigs{0x8031, 0x8032, 0x8033, 0x8053};
constexpr std::array<std::uint16_t, 4> kParameterConfigs{0x8035, 0x8036, 0x8037, 0x8052};

// VALUE block -> the CONFIG block whose descriptors lay it out.
struct Pair {
  std::uint16_t value;
  std::uint16_t config;
};
// clang-format off
constexpr Pair kPairs[] = {
    {0x804F, 0x8053},
    {0x804D, 0x8052},
    {0x8045, 0x8035},
    {0x8046, 0x8036},
    {0x8047, 0x8037},
};
// clang-format on

int IndexOf(const std::array<std::uint16_t, 4>& list, std::uint16_t address) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == address) return static_cast<int>(i);
  }
  return -1;
}

std::uint16_t Be16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>((d[at] << 8) | d[at + 1]);
}

const std::array<std::uint16_t, kEventLogRecordWords> kZeroRecord{};
const std::array<std::uint16_t, kImageWords> kZeroImage{};

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

SiteImages::SiteImages() = default;

std::uint16_t SiteImages::RegisterWord(int site, const RegisterBlock& block, int k) const {
  return Word(site, block.address + k);
}

void SiteImages::SetRegisterWord(int site, const RegisterBlock& block, int k, std::uint16_t value) {
  SetWord(site, block.address + k, value);
}

std::uint16_t SiteImages::Word(int site, int address) const {
  const Site* s = At(site);
  if (!s || address < 0 || address >= kImageWords) return 0;
  return s->image[static_cast<std::size_t>(address)];
}

void SiteImages::SetWord(int site, int address, std::uint16_t value) {
  Site* s = At(site);
  if (!s || address < 0 || address >= kImageWords) return;
  std::uint16_t& word = s->image[static_cast<std::size_t>(address)];
  if (word == value) return;
  word = value;
  ++s->changes;
}

std::uint64_t SiteImages::ChangeCount(int site) const {
  const Site* s = At(site);
  return s ? s->changes : 0;
}

std::span<const std::uint16_t, kImageWords> SiteImages::Image(int site) const {
  const Site* s = At(site);
  return s ? std::span<const std::uint16_t, kImageWords>(s->image) : kZeroImage;
}

std::span<const std::uint16_t, kEventLogRecordWords> SiteImages::EventLogRecord(int site,
                                                                                int record) const {
  const Site* s = At(site);
  if (!s || record < 0 || record >= kEventLogRecords) return kZeroRecord;
  return s->log[static_cast<std::size_t>(record)];
}

bool SiteImages::StoreBlockReply(int site, const RegisterBlock& block,
                                 std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return false;
  // Every requested word must be there; a longer reply carries the requested words first.
  const std::size_t words = block.count;
  if (data.size() < 2 * words) return false;
  if (block.address < kEventLogFirst) {
    bool changed = false;
    for (std::size_t i = 0; i < words && block.address + i < kImageWords; ++i) {
      const std::uint16_t word = Be16(data, 2 * i);
      changed = changed || s->image[block.address + i] != word;
      s->image[block.address + i] = word;
    }
    if (changed) ++s->changes;
  } else if (block.address <= kEventLogLast) {
    // Whole records only: count / 32 of them, starting at the record the address falls in.
    const std::size_t first = (block.address - kEventLogFirst) / kEventLogRecordWords;
    const std::size_t records = words / kEventLogRecordWords;
    for (std::size_t d = 0; d < records && first + d < kEventLogRecords; ++d) {
      for (std::size_t w = 0; w < kEventLogRecordWords; ++w) {
        s->log[first + d][w] = Be16(data, 2 * (d * kEventLogRecordWords + w));
      }
    }
  }
  // 0x1000 and up: no store holds such registers.
  return true;
}

namespace {

// A descriptor places `count` words (at least one) at `address` inside the value image.
bool FitsTheImage(std::uint16_t address, std::uint8_t count) {
  return count > 0 && address + count <= kImageWords;
}

// Its words lie inside the `words` data words of its VALUE block.
bool FitsTheData(std::uint16_t offset, std::uint8_t count, std::size_t words) {
  return static_cast<std::size_t>(offset) + count <= words;
}

template <class Descriptor, class Decode>
bool DecodeTable(const RegisterBlock& config, std::span<const std::uint8_t> data, int bytes,
                 std::array<Descriptor, kMaxDescriptors>& into, Decode decode) {
  const std::size_t n = config.count;
  if (n == 0 || n > kMaxDescriptors || data.size() < n * static_cast<std::size_t>(bytes)) {
    return false;
  }
  for (std::size_t i = 0; i < n; ++i) {
    into[i] = decode(data.subspan(i * static_cast<std::size_t>(bytes)));
    if (!FitsTheImage(into[i].address, into[i].count)) return false;
  }
  return true;
}

}  // namespace

bool SiteImages::StoreDescriptors(int site, const RegisterBlock& config,
                                  std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return false;
  // The whole table is decoded and checked before it replaces the old one.
  if (int v = IndexOf(kValueConfigs, config.address); v >= 0) {
    std::array<ValueDescriptor, kMaxDescriptors> entries{};
    const bool whole = DecodeTable(config, data, kValueDescriptorBytes, entries, [](auto d) {
      return ValueDescriptor{Be16(d, 0), d[2], d[3], Be16(d, 4)};
    });
    if (!whole) return false;
    ValueTable& t = s->valueTables[static_cast<std::size_t>(v)];
    t.entries = entries;
    t.size = config.count;
  } else if (int p = IndexOf(kParameterConfigs, config.address); p >= 0) {
    std::array<ParameterDescriptor, kMaxDescriptors> entries{};
    const bool whole = DecodeTable(config, data, kParameterDescriptorBytes, entries, [](auto d) {
      return ParameterDescriptor{Be16(d, 0),
                                 d[2],
                                 d[3],
                                 static_cast<std::int16_t>(Be16(d, 4)),
                                 static_cast<std::int16_t>(Be16(d, 6)),
                                 Be16(d, 8)};
    });
    if (!whole) return false;
    ParameterTable& t = s->parameterTables[static_cast<std::size_t>(p)];
    t.entries = entries;
    t.size = config.count;
  } else {
    return true;  // not a descriptor table: nothing to keep
  }
  ++s->changes;
  return true;
}

bool SiteImages::StoreValueBlock(int site, const RegisterBlock& value,
                                 std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return false;
  const Pair* pair = nullptr;
  for (const Pair& p : kPairs) {
    if (p.value == value.address) pair = &p;
  }
  if (!pair) return true;  // no descriptor table lays this block out: nothing to keep
  const std::size_t words = data.size() / 2;
  bool changed = false;
  // Checks every descriptor of the table, then scatters: all or nothing.
  auto place = [&](const auto& table) {
    // A table never read places nothing (the reads that bring it come first).
    if (table.size == 0) return true;
    const auto entries = std::span(table.entries).first(static_cast<std::size_t>(table.size));
    for (const auto& d : entries) {
      if (!FitsTheImage(d.address, d.count) || !FitsTheData(d.offset, d.count, words)) {
        return false;
      }
    }
    for (const auto& d : entries) {
      for (unsigned j = 0; j < d.count; ++j) {
        const std::uint16_t word = Be16(data, 2 * (static_cast<std::size_t>(d.offset) + j));
        std::uint16_t& to = s->image[static_cast<std::size_t>(d.address) + j];
        changed = changed || to != word;
        to = word;
      }
    }
    return true;
  };
  bool whole = false;
  if (int v = IndexOf(kValueConfigs, pair->config); v >= 0) {
    whole = place(s->valueTables[static_cast<std::size_t>(v)]);
  } else if (int p = IndexOf(kParameterConfigs, pair->config); p >= 0) {
    whole = place(s->parameterTables[static_cast<std::size_t>(p)]);
  }
  if (changed) ++s->changes;
  return whole;
}

std::span<const ValueDescriptor> SiteImages::ValueDescriptors(int site,
                                                              const RegisterBlock& config) const {
  const Site* s = At(site);
  const int v = IndexOf(kValueConfigs, config.address);
  if (!s || v < 0) return {};
  const ValueTable& t = s->valueTables[static_cast<std::size_t>(v)];
  return std::span<const ValueDescriptor>(t.entries.data(), static_cast<std::size_t>(t.size));
}

std::span<const ParameterDescriptor> SiteImages::ParameterDescriptors(
    int site, const RegisterBlock& config) const {
  const Site* s = At(site);
  const int p = IndexOf(kParameterConfigs, config.address);
  if (!s || p < 0) return {};
  const ParameterTable& t = s->parameterTables[static_cast<std::size_t>(p)];
  return std::span<const ParameterDescriptor>(t.entries.data(), static_cast<std::size_t>(t.size));
}

std::size_t SiteImages::BlockDataBytes(int site, const RegisterBlock& block) const {
  const auto entries = static_cast<std::size_t>(block.count);
  if (IndexOf(kValueConfigs, block.address) >= 0) return entries * kValueDescriptorBytes;
  if (IndexOf(kParameterConfigs, block.address) >= 0) return entries * kParameterDescriptorBytes;
  const Pair* pair = nullptr;
  for (const Pair& p : kPairs) {
    if (p.value == block.address) pair = &p;
  }
  if (!pair) return 0;
  const RegisterBlock config{pair->config, 0, 0, ""};
  std::size_t words = 0;
  auto extent = [&words](const auto& table) {
    for (const auto& d : table)
      words = std::max<std::size_t>(words, static_cast<std::size_t>(d.offset) + d.count);
  };
  extent(ValueDescriptors(site, config));
  extent(ParameterDescriptors(site, config));
  return 2 * words;
}

std::string SiteImages::DeviceNameText(int site) const {
  std::string text;
  text.reserve(2 * reg::kDeviceName.count);
  for (int k = 0; k < reg::kDeviceName.count; ++k) {
    const std::uint16_t w = RegisterWord(site, reg::kDeviceName, k);
    text.push_back(static_cast<char>(w & 0xFF));
    text.push_back(static_cast<char>(w >> 8));
  }
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::string SiteImages::SerialNumberText(int site) const {
  char out[13];
  for (int k = 0; k < 3; ++k) {
    std::snprintf(out + 4 * k, 5, "%04X", RegisterWord(site, reg::kSerialNumber, k));
  }
  return std::string(out, 12);
}

std::string SiteImages::ControllerDateText(int site) const {
  const std::uint16_t md = RegisterWord(site, reg::kControllerDate, 0);
  const std::uint16_t yw = RegisterWord(site, reg::kControllerDate, 1);
  const unsigned y = yw >> 8;
  const unsigned m = md & 0xFF;
  const unsigned d = md >> 8;
  if (m < 1 || m > 0x12 || d < 1 || d > 0x31) return "00-01-01";
  char out[9];
  std::snprintf(out, sizeof out, "%02X-%02X-%02X", y, m, d);
  return out;
}

std::string SiteImages::ControllerTimeText(int site) const {
  const std::uint16_t hm = RegisterWord(site, reg::kControllerTime, 0);
  const std::uint16_t sw = RegisterWord(site, reg::kControllerTime, 1);
  const unsigned h = hm >> 8;
  const unsigned n = hm & 0xFF;
  const unsigned s = sw >> 8;
  if (h > 0x24 || n > 0x60 || s > 0x60) return "00:00:00";
  char out[9];
  std::snprintf(out, sizeof out, "%02X:%02X:%02X", h, n, s);
  return out;
}

}  // namespace vorel
