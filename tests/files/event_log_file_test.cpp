// The event-log file and the CSV export on real files in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/cp936.h"
#include "files/event_log_csv.h"
#include "files/event_log_file.h"
#include "support/temp_files.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A sheet whose every cell differs, with the awkward texts a grid can hold.
EventLogSheet SampleSheet() {
  EventLogSheet sheet;
  for (int c = 0; c < kEventLogColumns; ++c) sheet.Cell(0, c) = "T" + std::to_string(c);
  for (int row = 1; row <= kEventLogRows; ++row) {
    sheet.Cell(row, 0) = std::to_string(row - 1);
    for (int c = 1; c < kEventLogColumns; ++c)
      sheet.Cell(row, c) = std::to_string(row) + "." + std::to_string(c);
  }
  sheet.Cell(1, 1) = "!!油压传感器警告";
  sheet.Cell(2, 1) = "Exception 07FF";
  sheet.Cell(3, 5) = "";  // an unused channel
  sheet.Cell(4, 1) = "a, \"b\"";
  return sheet;
}

// Rows 1 to 112, columns 1 to 26: what a file carries.
void ExpectSameRecords(const EventLogSheet& a, const EventLogSheet& b) {
  for (int row = 1; row <= kEventLogRows; ++row)
    for (int c = 1; c < kEventLogColumns; ++c)
      ASSERT_EQ(a.Cell(row, c), b.Cell(row, c)) << "row " << row << " column " << c;
}

TEST(EventLogFileTest, SaveThenOpenGivesTheSameCells) {
  TempDir dir;
  const fs::path p = dir.path() / "default.log";
  const EventLogSheet saved = SampleSheet();
  FileError error;
  ASSERT_TRUE(SaveEventLogFile(p, saved, &error)) << EnglishReason(error);

  const std::string bytes = ReadFile(p);
  EXPECT_TRUE(bytes.starts_with("[HisItem1]\r\nReason=" + Utf8ToCp936("!!油压传感器警告") +
                                "\r\nDate=1.2\r\n"));
  EXPECT_NE(bytes.find("\r\nStart Battary Volt=5.8\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\n[HisItem112]\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nAnlg1=\r\n"), std::string::npos);  // empty cells as empty values

  EventLogSheet opened;
  opened.Cell(0, 5) = "title kept";
  OpenEventLogFile(p, opened);
  ExpectSameRecords(saved, opened);
  EXPECT_EQ(opened.Cell(0, 5), "title kept");
  EXPECT_EQ(opened.Cell(1, 0), "");

  IniDocument doc;
  ASSERT_TRUE(doc.Load(p, &error));
  int keys = 0;
  for (const auto& section : doc.SectionNames())
    keys += static_cast<int>(doc.KeyNames(section).size());
  EXPECT_EQ(doc.SectionNames().size(), 112u);
  EXPECT_EQ(keys, 2912);
}

TEST(EventLogFileTest, SavingIntoAnExistingFileReplacesValuesAndKeepsTheRest) {
  TempDir dir;
  const fs::path p = dir.path() / "old.log";
  WriteFile(p, "; by hand\r\n[Notes]\r\nWho=me\r\n[hisitem2]\r\nreason=old\r\nExtra=1\r\n");
  FileError error;
  ASSERT_TRUE(SaveEventLogFile(p, SampleSheet(), &error)) << EnglishReason(error);
  const std::string bytes = ReadFile(p);
  EXPECT_TRUE(
      bytes.starts_with("; by hand\r\n[Notes]\r\nWho=me\r\n[hisitem2]\r\nreason=Exception 07FF\r\n"
                        "Extra=1\r\nDate=2.2\r\n"))
      << bytes.substr(0, 120);
  EventLogSheet opened;
  OpenEventLogFile(p, opened);
  ExpectSameRecords(SampleSheet(), opened);
}

TEST(EventLogFileTest, MissingSectionsAndKeysReadAsZero) {
  TempDir dir;
  const fs::path p = dir.path() / "short.log";
  std::string text;
  for (int row = 1; row <= 10; ++row)
    text += "[HisItem" + std::to_string(row) + "]\r\nReason=  e" + std::to_string(row) + "  \r\n";
  WriteFile(p, text);
  EventLogSheet sheet = SampleSheet();
  OpenEventLogFile(p, sheet);
  EXPECT_EQ(sheet.Cell(1, 1), "e1");  // blanks around a value are dropped
  EXPECT_EQ(sheet.Cell(10, 1), "e10");
  EXPECT_EQ(sheet.Cell(10, 2), "0");
  for (int row = 11; row <= kEventLogRows; ++row)
    for (int c = 1; c < kEventLogColumns; ++c) ASSERT_EQ(sheet.Cell(row, c), "0");

  OpenEventLogFile(dir.path() / "missing.log", sheet);
  EXPECT_EQ(sheet.Cell(1, 1), "0");
  EXPECT_EQ(sheet.Cell(0, 1), "T1");
}

TEST(EventLogFileTest, AFailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  const fs::path p = dir.path() / "kept.log";
  const std::string old = "[HisItem1]\r\nReason=old\r\n";
  WriteFile(p, old);

  // A file size limit makes the write fail half-way, like a full disk.
  FileError error;
  bool ok = true;
  {
    test::FileSizeLimit full(4096);
    ASSERT_TRUE(full.set());
    ok = SaveEventLogFile(p, SampleSheet(), &error);
  }

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadFile(p), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// A strict RFC 4180 reader: fields separated by commas, records by CR LF, quoted fields with
// doubled quotes. Fails the test on anything else.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records(1);
  std::string field;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      ++i;
      for (;;) {
        if (i >= text.size()) {
          ADD_FAILURE() << "unterminated quote";
          return records;
        }
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
    }
    if (i >= text.size()) break;
    if (text[i] == ',') {
      records.back().push_back(std::move(field));
      field.clear();
      ++i;
    } else if (text.substr(i, 2) == "\r\n") {
      records.back().push_back(std::move(field));
      field.clear();
      records.emplace_back();
      i += 2;
    } else if (text[i] == '"' || text[i] == '\r' || text[i] == '\n') {
      ADD_FAILURE() << "bare quote or line break at " << i;
      return records;
    } else {
      field += text[i++];
    }
  }
  if (records.back().empty() && field.empty()) records.pop_back();
  return records;
}

// A field as a spreadsheet shows it: a text formula ="..." is its text.
std::string Shown(const std::string& field) {
  if (!field.starts_with("=\"") || !field.ends_with('"')) return field;
  std::string text;
  for (std::size_t i = 2; i + 1 < field.size(); ++i) {
    text += field[i];
    if (field[i] == '"') ++i;  // a doubled quote
  }
  return text;
}

TEST(EventLogCsvTest, ParsedBackGivesTheGrid) {
  EventLogSheet sheet = SampleSheet();
  sheet.Cell(0, 1) = "Event";
  sheet.Cell(5, 3) = "line\r\nbreak";
  sheet.Cell(6, 4) = " padded ";
  const std::string csv = EventLogCsv(sheet, true);
  ASSERT_TRUE(
      csv.starts_with("\xEF\xBB\xBF"
                      "Date-time,Event,T2,"));
  const auto records = ParseCsv(std::string_view(csv).substr(3));
  ASSERT_EQ(records.size(), 113u);
  for (int row = 0; row <= kEventLogRows; ++row) {
    ASSERT_EQ(records[static_cast<std::size_t>(row)].size(), 27u) << row;
    for (int c = 1; c < kEventLogColumns; ++c)
      ASSERT_EQ(Shown(records[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)]),
                sheet.Cell(row, c))
          << "row " << row << " column " << c;
  }
  EXPECT_FALSE(EventLogCsv(sheet, false).starts_with("\xEF"));
}

TEST(EventLogCsvTest, SpreadsheetsKeepCodesAndDatesAndGetAnIsoDateTime) {
  EventLogSheet sheet = SampleSheet();
  const struct {
    std::string date, time, event, inputs;
    std::string dateTime;  // the first field
  } cases[] = {
      {"24/04/01", "12:30:05", "0000", "00000101", "2024-04-01 12:30:05"},
      {"00/00/00", "00:00:00", "0000", "00000000", ""},  // an empty record
      {"24/1A/01", "12:30:05", "1E05", "01", ""},        // not a decimal month
      {"24/13/01", "12:30:05", "07FF", "1", ""},         // no month 13
      {"99/12/31", "23:59:60", "1234", "1", ""},         // no second 60
  };
  for (const auto& c : cases) {
    sheet.Cell(1, 1) = c.event;
    sheet.Cell(1, 2) = c.date;
    sheet.Cell(1, 3) = c.time;
    sheet.Cell(1, 20) = c.inputs;
    const auto records = ParseCsv(EventLogCsv(sheet, false));
    ASSERT_GE(records.size(), 2u);
    const std::vector<std::string>& row = records[1];
    EXPECT_EQ(row[0], c.dateTime) << c.date << " " << c.time;
    // Written so that no spreadsheet makes a number or a date of them.
    EXPECT_EQ(row[1], "=\"" + c.event + "\"");
    EXPECT_EQ(row[2], "=\"" + c.date + "\"");
    EXPECT_EQ(row[3], "=\"" + c.time + "\"");
    EXPECT_EQ(row[20], "=\"" + c.inputs + "\"");
    EXPECT_EQ(row[4], sheet.Cell(1, 4));  // measurements stay numbers
  }
  // An event named in words stays as it is.
  sheet.Cell(1, 1) = "power up";
  EXPECT_EQ(ParseCsv(EventLogCsv(sheet, false))[1][1], "power up");
}

}  // namespace
}  // namespace vorel
