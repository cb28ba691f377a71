// The audit trail's lines read back for one controller since a time: what the service report
// lists as the changes of a visit.
#include <gtest/gtest.h>

#include "files/audit_entries.h"
#include "files/audit_log.h"

namespace vorel {
namespace {

AuditRecord Record(std::string serial, std::vector<AuditChange> changes, std::string file = {}) {
  AuditRecord r;
  r.action = "write";
  r.port = "tcp://gw 1:4001";  // a blank in the port must not shift the fields after it
  r.site = 3;
  r.productCode = 3105;
  r.serialNumber = std::move(serial);
  r.changes = std::move(changes);
  r.file = std::move(file);
  r.operatorName = "tech@van";
  r.toolVersion = "1.40";
  return r;
}

TEST(AuditEntries, TheLinesOfOneControllerSinceATimeComeBackWithTheirChanges) {
  const std::int64_t t0 = 1'797'000'000;
  std::string trail;
  std::string previous = AuditChainStart();
  const auto add = [&](const AuditRecord& r, std::int64_t when) {
    const std::string line = AuditLine(r, when, previous);
    previous = line.substr(line.size() - 64);  // any hash will do here
    trail += line + "\n";
  };
  add(Record("AAAA00000001", {{0x00C8, 250, 300}}), t0 - 10);  // before the visit
  add(Record("AAAA00000001", {{0x00C8, 300, 320}, {0x00C9, 1, 1}, {0x0118, 0, 0x8000}},
             "/home/tech/unit 7.dat"),
      t0);
  add(Record("BBBB00000002", {{0x00C8, 1, 2}}), t0 + 5);  // another controller
  trail += "not a line of the trail\n2026-13-99 garbage\n";
  add(Record("AAAA00000001", {}), t0 + 20);

  const std::vector<AuditEntry> entries = AuditEntriesFor(trail, "AAAA00000001", t0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].when, t0);
  EXPECT_EQ(entries[0].action, "write");
  EXPECT_EQ(entries[0].site, 3);
  EXPECT_EQ(entries[0].file, "/home/tech/unit 7.dat");
  // Only the words that changed are in the line.
  ASSERT_EQ(entries[0].changes.size(), 2u);
  EXPECT_EQ(entries[0].changes[0].reg, 0x00C8);
  EXPECT_EQ(entries[0].changes[0].before, 300);
  EXPECT_EQ(entries[0].changes[0].after, 320);
  EXPECT_EQ(entries[0].changes[1].reg, 0x0118);
  EXPECT_EQ(entries[0].changes[1].after, 0x8000);
  EXPECT_EQ(entries[1].when, t0 + 20);
  EXPECT_TRUE(entries[1].changes.empty());
  EXPECT_TRUE(entries[1].file.empty());
  EXPECT_TRUE(AuditEntriesFor(trail, "CCCC00000003", 0).empty());
  EXPECT_EQ(AuditEntriesFor(trail, "BBBB00000002", 0).size(), 1u);
}

TEST(AuditEntries, CutOrBentLinesAreSkipped) {
  const std::string line =
      AuditLine(Record("AAAA00000001", {{0x00C8, 250, 300}}), 1'797'000'000, AuditChainStart());
  const std::size_t registers = line.find(" registers=1");
  ASSERT_NE(registers, std::string::npos);
  AuditEntry entry;
  std::string serial;
  ASSERT_TRUE(ParseAuditLine(line, &entry, &serial));
  EXPECT_EQ(serial, "AAAA00000001");
  const std::string bent[] = {
      line.substr(0, registers + 16),  // cut inside the change
      line.substr(0, registers) + " registers=2" + line.substr(registers + 12),  // one missing
      "x" + line,                                                                // no time first
      line.substr(0, 20),
      "",
  };
  for (const std::string& b : bent) EXPECT_FALSE(ParseAuditLine(b, &entry, &serial)) << b;
}

}  // namespace
}  // namespace vorel
