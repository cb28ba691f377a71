// The queue between what happened on the line and the history database: Post never waits for
// the database; a thread of its own opens the store and writes what was posted, in batches.
// While the database is away (a server restarting, a file locked for a while) records are
// kept, up to a bound, and written when it is back; when the outage outlasts the queue, the
// records go on to a spool file and are replayed, in order, before anything newer. A file
// locked by another program is told once through `onProblem` and recording resumes when it is
// free. A database that cannot be kept at all (cannot be opened, full, newer schema) is told
// once, and from then on nothing is recorded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "store/history_location.h"
#include "store/history_problem.h"
#include "store/history_records.h"
#include "store/history_spool.h"
#include "store/history_store.h"

namespace vorel {

class HistoryWriter {
 public:
  struct Options {
    HistoryLocation location;
    int keepSamplesDays = kDefaultKeepSamplesDays;
    // Records kept while the database is away; the oldest samples go first when more come.
    std::size_t sampleCapacity = 200'000;
    std::size_t otherCapacity = 20'000;
    std::chrono::milliseconds retry{3000};
    std::chrono::milliseconds thinEvery{60'000};
    // Where records go while the database is away longer than the queue holds (none: the
    // oldest queued records are given up instead), and how large that file may grow.
    std::filesystem::path spoolFile;
    std::uint64_t spoolLimitBytes = 256ull << 20;
    // Called once, on the writer's thread.
    std::function<void(const HistoryProblem&)> onProblem;
    // Called once on the writer's thread when the database first opened, before anything
    // posted is written: the place to read what an earlier run kept.
    std::function<void(HistoryStore&)> onOpened;
  };
  enum class State { Opening, Ready, Away, Off };

  explicit HistoryWriter(Options options);
  // Writes what is still queued when the database is there, then stops.
  ~HistoryWriter();
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;

  void Post(HistoryRecord record);
  // Waits until everything posted before the call is written, the writer is off, or the
  // time is up; true when it was all written (never once the writer is off).
  bool Flush(std::chrono::milliseconds timeout);

  State CurrentState() const;
  std::size_t Pending() const;
  // Records given up because the queue (or the spool) was full while the database was away.
  std::size_t Dropped() const;
  // Records in the spool file, not yet replayed into the database.
  std::size_t Spooled() const;

 private:
  void Run();
  void TellOnce(const HistoryProblem& problem);
  bool SpillWanted() const;
  // Moves the queued records to the spool (lock held on entry and exit).
  void Spill(std::unique_lock<std::mutex>& lock);

  Options options_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable written_;
  std::deque<HistoryRecord> samples_;
  std::deque<HistoryRecord> others_;
  std::uint64_t posted_ = 0;
  std::uint64_t done_ = 0;  // written or dropped
  std::size_t dropped_ = 0;
  std::unique_ptr<HistorySpool> spool_;
  // Records spooled and not yet replayed; while any are, new records follow them there.
  std::size_t spooled_ = 0;
  bool spooling_ = false;
  State state_ = State::Opening;
  bool stop_ = false;
  bool told_ = false;
  std::thread thread_;
};

}  // namespace vorel
