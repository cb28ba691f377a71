// The writer thread: a database that cannot be kept is told once and nothing waits on it; a
// server that goes away for a while loses no record.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/language.h"
#include "store/history_writer.h"
#include "store/store_fixture.h"
#include "support/ordinary_user.h"

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

// Another program holds the file's write lock (an open write transaction) for a while: the
// writer tells it once, in the current language, keeps what comes meanwhile, and writes it
// all once the lock is gone.
TEST_P(HistoryWriterTest, AFileLockedByAnotherProcessIsToldOnceAndLosesNothing) {
  if (GetParam() != Backend::SQLite) GTEST_SKIP() << "a lock on the SQLite file";
  {
    HistoryStore made;
    ASSERT_FALSE(made.Open(location_));
  }
  int locked[2], release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    // The other program: takes the write lock, says so, holds it until told, then commits.
    ::close(locked[0]);
    ::close(release[1]);
    int status = 1;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
      db.setDatabaseName(QString::fromStdString(location_.file.string()));
      QSqlQuery q(db);
      if (db.open() && q.exec("BEGIN EXCLUSIVE") && q.exec("CREATE TABLE held (x INTEGER)")) {
        char c = 1;
        (void)!::write(locked[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        status = q.exec("COMMIT") ? 0 : 1;
      }
    }
    ::_exit(status);
  }
  ::close(locked[1]);
  ::close(release[0]);
  char c = 0;
  ASSERT_EQ(::read(locked[0], &c, 1), 1);

  Told told;
  HistoryWriter::Options options;
  options.location = location_;
  options.retry = std::chrono::milliseconds(100);
  options.onProblem = [&](const HistoryProblem& p) { told.Add(p); };
  HistoryWriter writer(options);
  for (int i = 0; i < 50; ++i) writer.Post(Sample(i * 500));
  auto toldCount = [&] {
    std::lock_guard lock(told.mutex);
    return told.problems.size();
  };
  for (int i = 0; i < 200 && toldCount() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(toldCount(), 1u);
  // More comes, and the writer meets the lock again, while the other program holds it.
  for (int i = 50; i < 80; ++i) writer.Post(Sample(i * 500));
  EXPECT_FALSE(writer.Flush(std::chrono::milliseconds(2500)));

  ::close(release[1]);
  int status = -1;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(writer.Flush(std::chrono::seconds(20)));
  for (int i = 80; i < 100; ++i) writer.Post(Sample(i * 500));
  ASSERT_TRUE(writer.Flush(std::chrono::seconds(5)));
  EXPECT_EQ(writer.Dropped(), 0u);
  ASSERT_EQ(told.problems.size(), 1u);
  EXPECT_EQ(told.problems[0].kind, HistoryProblem::Kind::Locked);
  const std::string name = location_.file.string();
  SetLanguageSetting("english");
  EXPECT_EQ(HistoryProblemMessage(told.problems[0]),
            "The history database " + name +
                " is in use by another program. What happens meanwhile is kept and written when "
                "it is free.");
  SetLanguageSetting("chinese");
  EXPECT_EQ(HistoryProblemMessage(told.problems[0]),
            "历史数据库 " + name + " 正被其他程序占用。期间的记录先保留，待其空闲后写入。");
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  EXPECT_EQ(store.Samples(kPump, 0, 1'000'000).size(), 100u);
}

// An outage longer than the queue holds: what does not fit goes to the spool file, also what
// is still queued when the tool closes meanwhile; the next run replays it in order before its
// own records and removes the file.
TEST_P(HistoryWriterTest, ALongOutageGoesThroughTheSpoolFileAndNothingIsLost) {
  if (GetParam() != Backend::PostgreSQL) GTEST_SKIP() << "a server that can go away";
  UserDir spoolDir;
  HistoryWriter::Options options;
  options.location = location_;
  options.retry = std::chrono::milliseconds(200);
  options.sampleCapacity = 50;
  options.otherCapacity = 5;
  options.spoolFile = spoolDir.path() / "spool.bin";
  const RecordPlace place{kPump, 1, "/dev/ttyS0", 0};
  {
    HistoryWriter writer(options);
    for (int i = 0; i < 20; ++i) writer.Post(Sample(i * 500));
    ASSERT_TRUE(writer.Flush(std::chrono::seconds(20)));
    SharedPostgres().Stop();
    // Posted as polls come, a few at a time; the writer moves a full queue to the spool.
    auto drained = [&] {
      for (int k = 0; k < 1000 && writer.Pending() >= options.sampleCapacity; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    for (int i = 20; i < 320; ++i) {
      if (i % 25 == 0) drained();
      writer.Post(Sample(i * 500));
      if (i % 15 == 0) {
        WriteRecord write{place, "write", "done", {{0x00C8, 200, static_cast<std::uint16_t>(i)}},
                          "",    "",      "eng"};
        write.place.timeMs = i * 500;
        writer.Post(write);
      }
    }
    for (int i = 0; i < 100 && writer.Spooled() == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(writer.Spooled(), 0u);
    EXPECT_LE(writer.Pending(), 2 * options.sampleCapacity);
    EXPECT_EQ(writer.Dropped(), 0u);
  }
  ASSERT_TRUE(std::filesystem::exists(options.spoolFile));
  ASSERT_TRUE(SharedPostgres().Start());
  {
    HistoryWriter writer(options);
    for (int i = 320; i < 330; ++i) writer.Post(Sample(i * 500));
    ASSERT_TRUE(writer.Flush(std::chrono::seconds(20)));
    EXPECT_EQ(writer.Dropped(), 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(options.spoolFile));
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  const std::vector<SampleRecord> samples = store.Samples(kPump, 0, 1'000'000);
  ASSERT_EQ(samples.size(), 330u);
  for (std::size_t i = 0; i < samples.size(); ++i)
    EXPECT_EQ(samples[i].timeMs, static_cast<std::int64_t>(i) * 500);
  const std::vector<StoredWrite> writes = store.Writes(kPump);
  ASSERT_EQ(writes.size(), 20u);
  for (std::size_t i = 0; i < writes.size(); ++i)
    EXPECT_EQ(writes[i].changes.at(0).after, 30 + 15 * i);
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryWriterTest,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace vorel::test
