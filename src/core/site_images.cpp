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

void SiteImages::StoreBlockReply(int site, const RegisterBlock& block,
                                 std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return;
  const std::size_t words = std::min<std::size_t>(block.count, data.size() / 2);
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
}

void SiteImages::StoreDescriptors(int site, const RegisterBlock& config,
                                  std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return;
  ++s->changes;
  // Only descriptors that arrived whole are kept; the table shrinks to them.
  const int capacity = std::min<int>(config.count, kMaxDescriptors);
  if (int v = IndexOf(kValueConfigs, config.address); v >= 0) {
    ValueTable& t = s->valueTables[static_cast<std::size_t>(v)];
    const int n = std::min<int>(capacity, static_cast<int>(data.size() / kValueDescriptorBytes));
    for (int i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>(i) * kValueDescriptorBytes;
      t.entries[static_cast<std::size_t>(i)] = {Be16(data, at), data[at + 2], data[at + 3],
                                                Be16(data, at + 4)};
    }
    t.size = n;
  } else if (int p = IndexOf(kParameterConfigs, config.address); p >= 0) {
    ParameterTable& t = s->parameterTables[static_cast<std::size_t>(p)];
    const int n =
        std::min<int>(capacity, static_cast<int>(data.size() / kParameterDescriptorBytes));
    for (int i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>(i) * kParameterDescriptorBytes;
      t.entries[static_cast<std::size_t>(i)] = {Be16(data, at),
                                                data[at + 2],
                                                data[at + 3],
                                                static_cast<std::int16_t>(Be16(data, at + 4)),
                                                static_cast<std::int16_t>(Be16(data, at + 6)),
                                                Be16(data, at + 8)};
    }
    t.size = n;
  }
}

void SiteImages::StoreValueBlock(int site, const RegisterBlock& value,
                                 std::span<const std::uint8_t> data) {
  Site* s = At(site);
  if (!s) return;
  bool changed = false;
  auto scatter = [&](std::uint16_t address, unsigned count, unsigned offset) {
    for (unsigned j = 0; j < count; ++j) {
      const std::size_t to = static_cast<std::size_t>(address) + j;
      const std::size_t from = 2 * (static_cast<std::size_t>(offset) + j);
      if (to >= kImageWords || from + 1 >= data.size()) continue;
      const std::uint16_t word = Be16(data, from);
      changed = changed || s->image[to] != word;
      s->image[to] = word;
    }
  };
  for (const Pair& pair : kPairs) {
    if (pair.value != value.address) continue;
    if (int v = IndexOf(kValueConfigs, pair.config); v >= 0) {
      const ValueTable& t = s->valueTables[static_cast<std::size_t>(v)];
      for (int i = 0; i < t.size; ++i) {
        const ValueDescriptor& d = t.entries[static_cast<std::size_t>(i)];
        scatter(d.address, d.count, d.offset);
      }
    } else if (int p = IndexOf(kParameterConfigs, pair.config); p >= 0) {
      const ParameterTable& t = s->parameterTables[static_cast<std::size_t>(p)];
      for (int i = 0; i < t.size; ++i) {
        const ParameterDescriptor& d = t.entries[static_cast<std::size_t>(i)];
        scatter(d.address, d.count, d.offset);
      }
    }
    break;
  }
  if (changed) ++s->changes;
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
