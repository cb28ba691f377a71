// Per-site stores fed by the controller's replies: the value image (512 words), the event-log
// image (112 records of 32 words) and the descriptor tables of the block-transfer areas.
// Fixed-size, zero at start and never cleared; storing a reply allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/register_table.h"

namespace vorel {

inline constexpr int kSiteCount = 32;
inline constexpr int kImageWords = 512;
inline constexpr int kEventLogRecords = 112;
inline constexpr int kEventLogRecordWords = 32;
inline constexpr int kMaxDescriptors = 83;
inline constexpr int kValueDescriptorBytes = 6;
inline constexpr int kParameterDescriptorBytes = 10;

struct ValueDescriptor {
  std::uint16_t address = 0;
  std::uint8_t count = 0;
  std::uint8_t attribute = 0;
  std::uint16_t offset = 0;  // word offset in the paired VALUE block's data
};

struct ParameterDescriptor {
  std::uint16_t address = 0;
  std::uint8_t count = 0;
  std::uint8_t attribute = 0;
  std::int16_t maximum = 0;  // register units; sent before the minimum
  std::int16_t minimum = 0;
  std::uint16_t offset = 0;
};

// True for 1 to 32.
constexpr bool IsSite(int site) {
  return site >= 1 && site <= kSiteCount;
}

// "0" to "9" and "A" to "F" give 0 to 15; anything else (lower case included) gives 0.
int HexDigitValue(char c);

class SiteImages {
 public:
  SiteImages();

  // Word `address + k` of the site's value image; 0 outside the image or for a bad site.
  std::uint16_t RegisterWord(int site, const RegisterBlock& block, int k) const;
  // Stores the word; ignored outside the image or for a bad site. No transfer takes place.
  void SetRegisterWord(int site, const RegisterBlock& block, int k, std::uint16_t value);
  // Word by plain address (0 to 511).
  std::uint16_t Word(int site, int address) const;
  void SetWord(int site, int address, std::uint16_t value);
  // The whole image of a site (all zero for a bad site).
  std::span<const std::uint16_t, kImageWords> Image(int site) const;
  // Counts the changes of the site's value image and descriptor tables (0 for a bad site): a
  // store that leaves every word as it was does not count, so a view that remembers the count
  // it last drew knows whether anything it shows can have changed.
  std::uint64_t ChangeCount(int site) const;

  // Record 0 to 111 of the site's event log (all zero for a bad site or record).
  std::span<const std::uint16_t, kEventLogRecordWords> EventLogRecord(int site, int record) const;

  // Decoders of checked replies. `data` is the reply's data bytes (after the header, without
  // the CRC). A reply is stored whole or not at all: each returns false, and changes nothing,
  // when the data do not hold every item the request and the descriptors need (a short or
  // empty reply, a descriptor of count 0, or one that points past the image or past the data
  // of its VALUE block) or the site is bad. Nothing outside the site's stores is ever written
  // or read: a request that runs past the image or the event log stores only what fits.
  bool StoreBlockReply(int site, const RegisterBlock& block, std::span<const std::uint8_t> data);
  // `config.count` is the number of descriptors the request asked for.
  bool StoreDescriptors(int site, const RegisterBlock& config, std::span<const std::uint8_t> data);
  // Placed by the paired descriptor table (nothing is placed while it was never read).
  bool StoreValueBlock(int site, const RegisterBlock& value, std::span<const std::uint8_t> data);

  // The site's current descriptors of a CONFIG block, in reply order (empty for a block that
  // holds no descriptors of that format or was never read).
  std::span<const ValueDescriptor> ValueDescriptors(int site, const RegisterBlock& config) const;
  std::span<const ParameterDescriptor> ParameterDescriptors(int site,
                                                            const RegisterBlock& config) const;
  // The data bytes a reply to a read of the block-transfer block brings: the descriptors of a
  // CONFIG block, or what the site's descriptor table lays out for a VALUE block. 0 when that
  // is not known (a VALUE block whose table was never read, or another block).
  std::size_t BlockDataBytes(int site, const RegisterBlock& block) const;

  // Registers 0x0172 to 0x0185, low byte first, trimmed of characters up to 32 at both ends.
  // The bytes are code page 936 as the controller sends them.
  std::string DeviceNameText(int site) const;
  // Twelve upper-case hexadecimal digits from 0x0006 to 0x0008.
  std::string SerialNumberText(int site) const;
  // "yy-mm-dd" from the BCD date, or "00-01-01" when month or day is out of range.
  std::string ControllerDateText(int site) const;
  // "hh:mm:ss" from the BCD time, or "00:00:00" when out of the loose bounds (24, 60).
  std::string ControllerTimeText(int site) const;

 private:
  static constexpr int kValueTables = 4;      // 0x8031, 0x8032, 0x8033, 0x8053
  static constexpr int kParameterTables = 4;  // 0x8035, 0x8036, 0x8037, 0x8052

  struct ValueTable {
    int size = 0;
    std::array<ValueDescriptor, kMaxDescriptors> entries{};
  };
  struct ParameterTable {
    int size = 0;
    std::array<ParameterDescriptor, kMaxDescriptors> entries{};
  };
  struct Site {
    std::array<std::uint16_t, kImageWords> image{};
    std::array<std::array<std::uint16_t, kEventLogRecordWords>, kEventLogRecords> log{};
    std::array<ValueTable, kValueTables> valueTables{};
    std::array<ParameterTable, kParameterTables> parameterTables{};
    std::uint64_t changes = 0;
  };

  Site* At(int site) { return IsSite(site) ? &sites_[site - 1] : nullptr; }
  const Site* At(int site) const { return IsSite(site) ? &sites_[site - 1] : nullptr; }

  std::array<Site, kSiteCount> sites_{};
};

}  // namespace vorel
