#include "store/history_codec.h"

#include <algorithm>
#include <cstdio>

namespace vorel {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendWord(std::string& text, std::uint16_t word) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(word));
  text.append(hex, 4);
}

std::string ByteHex(std::uint8_t byte) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(byte));
  return hex;
}

}  // namespace

std::string WordsHex(std::span<const std::uint16_t> words) {
  std::string text;
  text.reserve(words.size() * 4);
  for (std::uint16_t word : words) AppendWord(text, word);
  return text;
}

std::optional<std::vector<std::uint16_t>> HexWords(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::vector<std::uint16_t> words;
  words.reserve(text.size() / 4);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    unsigned word = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const int v = HexValue(text[i + k]);
      if (v < 0) return std::nullopt;
      word = word * 16 + static_cast<unsigned>(v);
    }
    words.push_back(static_cast<std::uint16_t>(word));
  }
  return words;
}

std::string ParameterWordsText(const ParameterWords& words) {
  std::string text;
  text.reserve(words.size() * 8);
  for (const auto& [reg, word] : words) {
    AppendWord(text, reg);
    AppendWord(text, word);
  }
  return text;
}

std::optional<ParameterWords> ParameterWordsOf(std::string_view text) {
  const auto words = HexWords(text);
  if (!words || words->size() % 2 != 0) return std::nullopt;
  ParameterWords pairs;
  for (std::size_t i = 0; i < words->size(); i += 2)
    pairs.emplace_back((*words)[i], (*words)[i + 1]);
  return pairs;
}

std::string ChangesText(const std::vector<WriteChange>& changes) {
  std::vector<std::uint16_t> words;
  for (const WriteChange& c : changes) words.insert(words.end(), {c.reg, c.before, c.after});
  return WordsHex(words);
}

std::vector<WriteChange> ChangesOf(std::string_view text) {
  std::vector<WriteChange> changes;
  const auto words = HexWords(text);
  if (!words) return changes;
  for (std::size_t i = 0; i + 2 < words->size(); i += 3)
    changes.push_back({(*words)[i], (*words)[i + 1], (*words)[i + 2]});
  return changes;
}

std::string DivisorsText(std::span<const std::uint8_t> divisors) {
  std::string text;
  for (std::uint8_t d : divisors) text += d == 1 ? '1' : d == 10 ? '2' : d == 100 ? '3' : '0';
  return text;
}

void DivisorsOf(std::string_view text, std::span<std::uint8_t> divisors) {
  for (std::size_t i = 0; i < divisors.size(); ++i) {
    const char c = i < text.size() ? text[i] : '0';
    divisors[i] = c == '1' ? 1 : c == '2' ? 10 : c == '3' ? 100 : 0;
  }
}

std::string SampleData(const SampleRecord& sample) {
  std::string data;
  if (sample.gap) return data;
  data.reserve(3 * kHistorySeries);
  for (std::int16_t count : sample.counts) {
    const auto word = static_cast<std::uint16_t>(count);
    data.push_back(static_cast<char>(word & 0xFF));
    data.push_back(static_cast<char>(word >> 8));
  }
  for (std::uint8_t divisor : sample.divisors) data.push_back(static_cast<char>(divisor));
  return data;
}

void SampleOfData(std::string_view data, SampleRecord& sample) {
  sample.gap = data.size() != 3 * kHistorySeries;
  if (sample.gap) return;
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(data[i]); };
  for (std::size_t i = 0; i < kHistorySeries; ++i) {
    sample.counts[i] = static_cast<std::int16_t>(byte(2 * i) | byte(2 * i + 1) << 8);
    sample.divisors[i] = byte(2 * kHistorySeries + i);
  }
}

int EventCode(const EventRecordWords& record) {
  return record[0];
}

std::string EventTimeKey(const EventRecordWords& r) {
  // Date high(2)/low(1)/high(1) is year/month/day; time high(3):low(3):high(4).
  return ByteHex(static_cast<std::uint8_t>(r[2] >> 8)) +
         ByteHex(static_cast<std::uint8_t>(r[1] & 0xFF)) +
         ByteHex(static_cast<std::uint8_t>(r[1] >> 8)) +
         ByteHex(static_cast<std::uint8_t>(r[3] >> 8)) +
         ByteHex(static_cast<std::uint8_t>(r[3] & 0xFF)) +
         ByteHex(static_cast<std::uint8_t>(r[4] >> 8));
}

bool EmptyEventRecord(const EventRecordWords& record) {
  return std::all_of(record.begin(), record.end(), [](std::uint16_t w) { return w == 0; }) ||
         std::all_of(record.begin(), record.end(), [](std::uint16_t w) { return w == 0xFFFF; });
}

}  // namespace vorel
