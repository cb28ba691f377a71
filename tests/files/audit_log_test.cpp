#include "files/audit_log.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/temp_files.h"

namespace vorel {
namespace {

using test::ReadFile;

// A line that does not fit (a full disk) is reported and not left in part, so the next line
// appended stands on a line of its own.
TEST(AuditLog, ALineThatDoesNotFitIsNotLeftInPart) {
  test::TempDir dir;
  ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  AuditRecord record;
  record.action = "write";
  record.port = "/dev/ttyUSB0";
  record.site = 2;
  record.changes = {{0x0073, 1, 2}, {0x0074, 3, 4}};
  FileError error;
  ASSERT_TRUE(AppendAuditRecord(record, &error));
  const std::string first = ReadFile(AuditLogPath());

  bool appended = true;
  {
    test::FileSizeLimit full(first.size() + 10);
    ASSERT_TRUE(full.set());
    appended = AppendAuditRecord(record, &error);
  }
  EXPECT_FALSE(appended);
  EXPECT_EQ(EnglishReason(error), "short write");
  EXPECT_EQ(ReadFile(AuditLogPath()), first);

  ASSERT_TRUE(AppendAuditRecord(record, &error));
  const std::string both = ReadFile(AuditLogPath());
  EXPECT_EQ(both.substr(0, first.size()), first);
  EXPECT_EQ(both.find('\n'), first.size() - 1);
  EXPECT_EQ(both.size(), 2 * first.size());
  ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace vorel
