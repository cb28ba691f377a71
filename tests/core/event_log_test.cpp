// The event-log grid without widgets: ring order from the position, titles, cell texts.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/alarm_codes.h"
#include "core/channels.h"
#include "core/event_log.h"
#include "core/event_log_format.h"
#include "core/monitor_format.h"
#include "language_guard.h"

namespace vorel {
namespace {

using Record = std::array<std::uint16_t, kEventLogRecordWords>;

// Fills the site's event-log image: record r gets speed (word 5) = r and the given words.
void StoreRecords(SiteImages& images, int site, const Record& base) {
  for (int r = 0; r < kEventLogRecords; ++r) {
    std::array<std::uint8_t, 2 * kEventLogRecordWords> bytes{};
    Record rec = base;
    rec[5] = static_cast<std::uint16_t>(r);
    for (int k = 0; k < kEventLogRecordWords; ++k) {
      bytes[static_cast<std::size_t>(2 * k)] = static_cast<std::uint8_t>(rec[k] >> 8);
      bytes[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::uint8_t>(rec[k] & 0xFF);
    }
    const RegisterBlock block{static_cast<std::uint16_t>(0x0200 + 32 * r), 32, 0, {}};
    images.StoreBlockReply(site, block, bytes);
  }
}

TEST(EventLogTest, StartRecordAndRingOrder) {
  const struct {
    std::uint16_t position;
    std::optional<int> start;
    std::vector<std::pair<int, int>> rowToRecord;  // grid row -> record shown
  } cases[] = {
      {0x0200, 0, {{1, 0}, {2, 1}, {112, 111}}},
      {0x021F, 0, {{1, 0}, {112, 111}}},
      {0x0220, 1, {{1, 1}, {111, 111}, {112, 0}}},
      {0x0FE0, 111, {{1, 111}, {2, 0}, {112, 110}}},
      {0x0FFF, 111, {{1, 111}, {2, 0}}},
      {0x1000, 112, {{1, 0}, {2, 1}, {112, 111}}},
      {0x01FF, std::nullopt, {}},
      {0x1001, std::nullopt, {}},
      {0x0000, std::nullopt, {}},
      {0xFFFF, std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(EventLogStartRecord(c.position), c.start);
    for (const auto& [row, record] : c.rowToRecord)
      EXPECT_EQ(EventLogRecordOfRow(*c.start, row), record);

    // Through the site images: the speed column carries the record number.
    SiteImages images;
    StoreRecords(images, 3, Record{});
    images.SetWord(3, reg::kEventLogPosition.address, c.position);
    EventLogSheet sheet;
    sheet.Cell(1, 4) = "before";
    EXPECT_EQ(DisplayEventLog(images, 3, sheet), c.start.has_value());
    if (!c.start) {
      EXPECT_EQ(sheet.Cell(1, 4), "before");
      continue;
    }
    for (const auto& [row, record] : c.rowToRecord)
      EXPECT_EQ(sheet.Cell(row, 4), std::to_string(record)) << "row " << row;
  }
}

TEST(EventLogTest, NumberTexts) {
  const struct {
    std::uint16_t tenths;
    const char* text;
  } tenths[] = {{245, "24.5"},   {120, "12"},     {0, "0"},        {5, "0.5"},     {9999, "999.9"},
                {10000, "1000"}, {12345, "1235"}, {12344, "1234"}, {65535, "6554"}};
  for (const auto& c : tenths) EXPECT_EQ(TenthsText4(c.tenths), c.text) << c.tenths;

  const struct {
    std::int16_t hundredths;
    const char* text;
  } hundredths[] = {{85, "0.85"},  {100, "1"},        {-50, "-0.5"},      {0, "0"},
                    {-5, "-0.05"}, {32767, "327.67"}, {-32768, "-327.68"}};
  for (const auto& c : hundredths) EXPECT_EQ(HundredthsText(c.hundredths), c.text);
}

TEST(EventLogTest, ChannelValues) {
  LanguageGuard english("english");
  const struct {
    std::uint16_t property2;
    std::int16_t value;
    const char* text;
  } cases[] = {
      {0x0000, 123, ""},        {0x0400, 0, "activated"},    {0x0800, 1, "deactivated"},
      {0x0400, 2, "error"},     {0x1500, 1234, "123.4"},  // T = 5, D = 1
      {0x1600, 1234, "12.34"},  {0x1400, 10000, "****"},     {0x1400, -32767, "SHORT"},
      {0x1400, -32768, "OPEN"}, {0x1400, -32766, "FAILURE"}, {0x1400, -32765, "NONE"},
      {0x1400, -5, "-5"},       {0x1500, -5, "-0.5"},        {0x1700, 5, "****"},  // three decimals
      {0x1500, 9999, "999.9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatChannelValue(c.property2, c.value), c.text)
        << std::hex << c.property2 << " " << std::dec << c.value;
  }
  LanguageGuard chinese("chinese");
  EXPECT_EQ(FormatChannelValue(0x0400, 1), "未激活");
}

TEST(EventLogTest, BinaryColumnsAndTitlesByControllerType) {
  Record record{};
  record[23] = 0xA5A5;  // binary inputs
  record[24] = 0x5A5A;  // outputs, stored inverted: shown as 0xA5A5
  record[25] = 0x0001;  // relays: inverted ...10 -> "10"
  const struct {
    std::uint16_t type;
    std::optional<std::string> inputs, outputs;
    std::string inputTitle, outputTitle;
  } cases[] = {
      {3101, "10100101", "10100101", "BInput(BI08...BI01)", "BOutput(BO08...BO01)"},
      {3113, "10100101", "10100101", "BInput(BI08...BI01)", "BOutput(BO08...BO01)"},
      {3102, "1010010110100101", "1010010110100101", "BInput(BI18...BI01)", "BOutput(BO18...BO01)"},
      {3105, "00101", "101", "BInput(BI05...BI01)", "BOutput(BO03...BO01)"},
      {3112, "00101", "101", "BInput(BI05...BI01)", "BOutput(BO03...BO01)"},
      {3106, "101", "0101", "BInput(BI08...BI06)", "BOutput(BO08...BO05)"},
      {3107, std::nullopt, std::nullopt, "BInput", "BOutput"},
      {0, std::nullopt, std::nullopt, "BInput", "BOutput"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const EventLogContext context{c.type, {}};
    const EventLogRowCells cells = EventLogRecordCells(context, record);
    EXPECT_EQ(cells[20], c.inputs);
    EXPECT_EQ(cells[21], c.outputs);
    EXPECT_EQ(cells[22], "10");
    const EventLogRowTexts titles = EventLogTitles(context);
    EXPECT_EQ(titles[20], c.inputTitle);
    EXPECT_EQ(titles[21], c.outputTitle);
    EXPECT_EQ(titles[22], "ROutput(RO02,RO01)");
  }
  Record allOn{};
  allOn[24] = 0xFFFF;
  EXPECT_EQ(EventLogRecordCells({3102, {}}, allOn)[21], "0000000000000000");
}

TEST(EventLogTest, TitlesWithUnitSuffixes) {
  const EventLogRowTexts titles = EventLogTitles({3101, {0x0C10, 0x0810, 0xFC70}});
  EXPECT_EQ(titles[0], "");
  EXPECT_EQ(titles[1], "Event");
  EXPECT_EQ(titles[5], "AI1(℃)");
  EXPECT_EQ(titles[6], "AI2");
  EXPECT_EQ(titles[7], "AI3([-])");
  EXPECT_EQ(titles[8], "StartBatt(V)");
  EXPECT_EQ(titles[19], "Act Pwr(KW)");
  EXPECT_EQ(titles[26], "VM_L3(V)");

  // Setting the titles twice does not repeat the suffixes; row numbers count from 0.
  SiteImages images;
  images.SetWord(1, reg::kProductCode.address, 3105);
  EventLogSheet sheet;
  SetEventLogTitles(images, 1, sheet);
  SetEventLogTitles(images, 1, sheet);
  EXPECT_EQ(sheet.Cell(0, 20), "BInput(BI05...BI01)");
  EXPECT_EQ(sheet.Cell(1, 0), "0");
  EXPECT_EQ(sheet.Cell(112, 0), "111");
}

TEST(EventLogTest, EveryColumnOfARecord) {
  LanguageGuard english("english");
  Record r{};
  r[0] = 0x2854;  // event code
  r[1] = 0x1224;  // day (high byte) and month (low byte)
  r[2] = 0x2400;  // year (high byte)
  r[3] = 0x1530;  // hours 15, minutes 30
  r[4] = 0x4500;  // seconds 45
  r[5] = 1500;    // speed
  r[6] = 1234;    // AI1
  r[7] = static_cast<std::uint16_t>(-32767);
  r[8] = 0;
  r[9] = 245;   // battery
  r[10] = 500;  // frequency
  r[11] = 230, r[12] = 231, r[13] = 232;
  r[14] = 10, r[15] = 11, r[16] = 12;
  r[17] = 0xFFFF;  // not shown
  r[18] = 85, r[19] = 100, r[20] = static_cast<std::uint16_t>(-50);
  r[22] = static_cast<std::uint16_t>(-20);
  r[23] = 0x0003;
  r[24] = 0xFFFE;
  r[25] = 0xFFFE;
  r[26] = 499;
  r[27] = 400, r[28] = 401, r[29] = 402;
  const EventLogRowCells cells = EventLogRecordCells({3101, {0x1500, 0x1400, 0x0000}}, r);
  const std::array<const char*, kEventLogColumns> expected{
      nullptr, nullptr, "24/24/12", "15:30:45", "1500", "123.4", "SHORT", "",     "24.5",
      "50",    "230",   "231",      "232",      "10",   "11",    "12",    "0.85", "1",
      "-0.5",  "-20",   "00000011", "00000001", "01",   "49.9",  "400",   "401",  "402"};
  EXPECT_EQ(cells[0], std::nullopt);
  EXPECT_EQ(cells[1], AlarmCodeText(3101, 0x2854));
  for (std::size_t c = 2; c < expected.size(); ++c)
    EXPECT_EQ(cells[c], expected[c]) << "column " << c;
}

TEST(EventLogTest, NonBcdDateAndTimeBytesShowTheirHexDigits) {
  Record r{};
  r[1] = 0x1AFF;
  r[2] = 0x9C00;
  r[3] = 0xA0B1;
  r[4] = 0x7F00;
  const EventLogRowCells cells = EventLogRecordCells({3101, {}}, r);
  EXPECT_EQ(cells[2], "9C/FF/1A");
  EXPECT_EQ(cells[3], "A0:B1:7F");
}

TEST(EventLogTest, PowerFactorTheSameWhicheverPassFillsTheRow) {
  SiteImages images;
  Record base{};
  base[18] = 85, base[19] = 100, base[20] = static_cast<std::uint16_t>(-50);
  StoreRecords(images, 2, base);
  images.SetWord(2, reg::kEventLogPosition.address, 0x0200 + 32 * 50);
  EventLogSheet sheet;
  ASSERT_TRUE(DisplayEventLog(images, 2, sheet));
  for (int row = 1; row <= kEventLogRows; ++row) {
    EXPECT_EQ(sheet.Cell(row, 16), "0.85");
    EXPECT_EQ(sheet.Cell(row, 17), "1");
    EXPECT_EQ(sheet.Cell(row, 18), "-0.5");
  }
}

}  // namespace
}  // namespace vorel
