// How the store writes numbers into text columns, the same on every database: words as four
// upper-case hexadecimal digits, back to back.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/history_records.h"

namespace vorel {

std::string WordsHex(std::span<const std::uint16_t> words);
// Nothing when the text is not whole groups of four hexadecimal digits.
std::optional<std::vector<std::uint16_t>> HexWords(std::string_view text);

// A parameter set as register, word pairs; its hash is the SHA-256 of that text.
std::string ParameterWordsText(const ParameterWords& words);
std::optional<ParameterWords> ParameterWordsOf(std::string_view text);

// Changes as register, before, after triples.
std::string ChangesText(const std::vector<WriteChange>& changes);
std::vector<WriteChange> ChangesOf(std::string_view text);

// Divisors 1, 10, 100 as "1", "2", "3"; no number as "0".
std::string DivisorsText(std::span<const std::uint8_t> divisors);
void DivisorsOf(std::string_view text, std::span<std::uint8_t> divisors);

// A poll's numbers as one binary value: the counts as 16-bit little-endian words, then one
// divisor byte each (1, 10, 100; 0 where no number). A failed poll is the empty value.
std::string SampleData(const SampleRecord& sample);
// Fills counts, divisors and gap from a value (anything but a whole value is a gap).
void SampleOfData(std::string_view data, SampleRecord& sample);

// An event record's code (word 0) and "yymmddhhmmss" from its BCD date and time (words 1 to 4).
int EventCode(const EventRecordWords& record);
std::string EventTimeKey(const EventRecordWords& record);
// A slot of the controller's ring that holds no event (never written: all 0 or all 0xFFFF).
bool EmptyEventRecord(const EventRecordWords& record);

}  // namespace vorel
