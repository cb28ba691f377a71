// The audit trail as a record: what one line carries, and the hash chain that shows a line
// changed, removed or put in between afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "core/sha256.h"
#include "files/audit_log.h"
#include "support/temp_files.h"

namespace vorel {
namespace {

using test::ReadFile;
using test::WriteFile;

class AuditChain : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

  static AuditRecord Record(int site, std::vector<AuditChange> changes) {
    AuditRecord record;
    record.action = "write";
    record.port = "/dev/ttyUSB0";
    record.site = site;
    record.productCode = 3101;
    record.serialNumber = "00A1B2C3";
    record.changes = std::move(changes);
    return record;
  }
  static std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::size_t end = bytes.find('\n', at);
      lines.push_back(bytes.substr(at, end - at));
      at = end == std::string::npos ? bytes.size() : end + 1;
    }
    return lines;
  }
  static std::string Join(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\n";
    return bytes;
  }
  // Three lines appended through the trail.
  std::vector<std::string> ThreeLines() {
    FileError error;
    for (int site = 1; site <= 3; ++site) {
      EXPECT_TRUE(AppendAuditRecord(Record(site, {{0x0073, 1, 2}}), &error));
    }
    return Lines(ReadFile(AuditLogPath()));
  }

  test::TempDir dir;
};

TEST_F(AuditChain, ALineNamesWhoWroteWhatWithWhichToolFromWhichFile) {
  AuditRecord record = Record(2, {{0x0073, 0x0011, 0x0032}, {0x0074, 5, 5}, {0x0075, 0, 1}});
  record.file = "/home/op/site 2/backup 100%.dat";
  record.operatorName = "anna@service-van";
  record.toolVersion = "1.40";
  const std::string line = AuditLine(record, 0, AuditChainStart());
  EXPECT_NE(line.find(" write port=/dev/ttyUSB0 site=2 product=3101 serial=00A1B2C3 "
                      "operator=anna@service-van version=1.40 "
                      "file=/home/op/site%202/backup%20100%25.dat registers=2 0073:0011>0032 "
                      "0075:0000>0001 prev="),
            std::string::npos)
      << line;
  EXPECT_EQ(line.find("0074:"), std::string::npos) << "a register that kept its word";
  EXPECT_EQ(AuditPreviousHash(line), AuditChainStart());

  // Without a file, operator or version: "-", this process's user@host, the tool's version.
  const std::string plain = AuditLine(Record(2, {}), 0, AuditChainStart());
  EXPECT_NE(plain.find(" operator=" + AuditOperator() + " version="), std::string::npos) << plain;
  EXPECT_EQ(plain.find(" version=-"), std::string::npos) << plain;
  EXPECT_NE(plain.find(" file=- registers=0 prev="), std::string::npos) << plain;
  EXPECT_NE(AuditOperator().find('@'), std::string::npos);
}

TEST_F(AuditChain, EachLineCarriesTheHashOfTheLineBefore) {
  const std::vector<std::string> lines = ThreeLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(AuditPreviousHash(lines[0]), AuditChainStart());
  EXPECT_EQ(AuditPreviousHash(lines[1]), Sha256Hex(lines[0]));
  EXPECT_EQ(AuditPreviousHash(lines[2]), Sha256Hex(lines[1]));
  const AuditChainCheck check = CheckAuditChain(ReadFile(AuditLogPath()));
  EXPECT_TRUE(check.whole());
  EXPECT_EQ(check.lines, 3u);
}

TEST_F(AuditChain, AChangedRemovedOrInsertedLineBreaksTheChain) {
  const std::vector<std::string> lines = ThreeLines();
  ASSERT_EQ(lines.size(), 3u);
  std::string edited = lines[1];
  edited.replace(edited.find("0073:0001>0002"), 14, "0073:0001>0003");
  std::string firstEdited = lines[0];
  firstEdited.replace(firstEdited.find(" site=1 "), 8, " site=7 ");
  const std::string forged = AuditLine(Record(9, {}), 0, Sha256Hex(lines[0]));
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::size_t brokenLine;
  };
  const Case cases[] = {
      {"untouched", lines, 0},
      {"the second line's words changed", {lines[0], edited, lines[2]}, 3},
      {"the first line changed", {firstEdited, lines[1], lines[2]}, 2},
      {"the second line removed", {lines[0], lines[2]}, 2},
      {"the first line removed", {lines[1], lines[2]}, 1},
      {"a line put in after the first", {lines[0], forged, lines[1], lines[2]}, 3},
      {"lines swapped", {lines[0], lines[2], lines[1]}, 2},
      {"a blank line in between", {lines[0], "", lines[1], lines[2]}, 2},
      {"a line without a hash", {lines[0], lines[1].substr(0, lines[1].size() - 70), lines[2]}, 2},
  };
  for (const Case& c : cases) {
    const AuditChainCheck check = CheckAuditChain(Join(c.lines));
    EXPECT_EQ(check.brokenLine, c.brokenLine) << c.what;
  }
}

// A trail whose last line was cut off (a crash mid-write): the next line starts on a line of its
// own and chains to what is there, so the chain stays whole.
TEST_F(AuditChain, ALineCutOffByACrashIsEndedBeforeTheNext) {
  const std::vector<std::string> lines = ThreeLines();
  const std::string cut = ReadFile(AuditLogPath()).substr(0, ReadFile(AuditLogPath()).size() - 1);
  WriteFile(AuditLogPath(), cut);
  FileError error;
  ASSERT_TRUE(AppendAuditRecord(Record(4, {}), &error));
  const std::vector<std::string> now = Lines(ReadFile(AuditLogPath()));
  ASSERT_EQ(now.size(), 4u);
  EXPECT_EQ(now[2], lines[2]);
  EXPECT_TRUE(CheckAuditChain(ReadFile(AuditLogPath())).whole());
}

TEST_F(AuditChain, ReadingTheTrail) {
  std::string bytes = "x";
  FileError error;
  EXPECT_TRUE(ReadAuditTrail(AuditLogPath(), &bytes, &error)) << "none written yet";
  EXPECT_EQ(bytes, "");
  std::filesystem::create_directories(AuditLogPath());
  EXPECT_FALSE(ReadAuditTrail(AuditLogPath(), &bytes, &error));
  EXPECT_EQ(EnglishReason(error), "not a regular file");
  // And nothing is appended to it either.
  EXPECT_FALSE(AppendAuditRecord(Record(1, {}), &error));
}

}  // namespace
}  // namespace vorel
