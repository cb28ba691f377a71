// The writer thread: a database that cannot be kept is told once and nothing waits on it; a
// server that goes away for a while loses no record.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>

#include "core/language.h"
#include "store/history_writer.h"
#include "store/store_fixture.h"

namespace vorel::test {
namespace {

const ControllerKey kPump{"0000AB12CD34", 3101};

SampleRecord Sample(std::int64_t t) {
  SampleRecord s;
  s.controller = kPump;
  s.timeMs = t;
  s.counts[0] = 1500;
  s.divisors[0] = 1;
  return s;
}

// What the writer told, from its thread.
struct Told {
  std::mutex mutex;
  std::vector<HistoryProblem> problems;
  void Add(const HistoryProblem& p) {
    std::lock_guard lock(mutex);
    problems.push_back(p);
  }
};

class HistoryWriterTest : public StoreTest {};

TEST_P(HistoryWriterTest, AFileThatIsNoDatabaseIsToldOnceAndRecordingGoesOnWithoutIt) {
  if (GetParam() != Backend::SQLite) GTEST_SKIP() << "a file of the SQLite store";
  {
    std::ofstream garbage(location_.file);
    garbage << std::string(8192, 'x');
  }
  Told told;
  HistoryWriter::Options options;
  options.location = location_;
  options.onProblem = [&](const HistoryProblem& p) { told.Add(p); };
  HistoryWriter writer(options);
  for (int i = 0; i < 1000; ++i) writer.Post(Sample(i));
  EXPECT_FALSE(writer.Flush(std::chrono::seconds(10)));
  EXPECT_EQ(writer.CurrentState(), HistoryWriter::State::Off);
  EXPECT_EQ(writer.Pending(), 0u);
  writer.Post(Sample(5000));  // returns at once, keeps nothing
  EXPECT_EQ(writer.Pending(), 0u);
  ASSERT_EQ(told.problems.size(), 1u);
  EXPECT_EQ(told.problems[0].kind, HistoryProblem::Kind::CannotOpen);
  SetLanguageSetting("english");
  EXPECT_EQ(HistoryProblemMessage(told.problems[0]),
            "The history database " + location_.file.string() +
                " cannot be opened: file is not a database Unable to execute statement. The "
                "tool goes on without history.");
  // The file is left as it was.
  EXPECT_EQ(std::filesystem::file_size(location_.file), 8192u);
}

TEST_P(HistoryWriterTest, RecordsPostedWhileTheServerIsAwayAreWrittenWhenItIsBack) {
  if (GetParam() != Backend::PostgreSQL) GTEST_SKIP() << "a server that can go away";
  Told told;
  HistoryWriter::Options options;
  options.location = location_;
  options.retry = std::chrono::milliseconds(200);
  options.onProblem = [&](const HistoryProblem& p) { told.Add(p); };
  HistoryWriter writer(options);
  for (int i = 0; i < 100; ++i) writer.Post(Sample(i * 500));
  ASSERT_TRUE(writer.Flush(std::chrono::seconds(20)));
  SharedPostgres().Stop();
  for (int i = 100; i < 300; ++i) writer.Post(Sample(i * 500));
  EXPECT_FALSE(writer.Flush(std::chrono::milliseconds(600)));
  EXPECT_EQ(writer.CurrentState(), HistoryWriter::State::Away);
  ASSERT_TRUE(SharedPostgres().Start());
  ASSERT_TRUE(writer.Flush(std::chrono::seconds(20)));
  EXPECT_EQ(writer.Dropped(), 0u);
  EXPECT_TRUE(told.problems.empty());
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  EXPECT_EQ(store.Samples(kPump, 0, 1'000'000).size(), 300u);
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryWriterTest,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace vorel::test
