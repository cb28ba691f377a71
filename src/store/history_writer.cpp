#include "store/history_writer.h"

#include <vector>

namespace vorel {

namespace {

constexpr std::size_t kBatch = 2000;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A failure that waiting will not mend.
bool Lasting(const HistoryProblem& problem) {
  return problem.kind == HistoryProblem::Kind::Full ||
         problem.kind == HistoryProblem::Kind::NewerSchema;
}

}  // namespace

HistoryWriter::HistoryWriter(Options options) : options_(std::move(options)) {
  if (!options_.spoolFile.empty())
    spool_ = std::make_unique<HistorySpool>(options_.spoolFile, options_.spoolLimitBytes);
  thread_ = std::thread([this] { Run(); });
}

HistoryWriter::~HistoryWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void HistoryWriter::Post(HistoryRecord record) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == State::Off || stop_) return;
    const bool sample = std::holds_alternative<SampleRecord>(record);
    auto& queue = sample ? samples_ : others_;
    const std::size_t capacity = sample ? options_.sampleCapacity : options_.otherCapacity;
    ++posted_;
    // With a spool the writer moves a full queue there; the queue gives up its oldest records
    // only when that does not keep up.
    if (queue.size() >= (spool_ ? 2 * capacity : capacity)) {
      queue.pop_front();
      ++dropped_;
      ++done_;
    }
    queue.push_back(std::move(record));
  }
  wake_.notify_one();
}

bool HistoryWriter::Flush(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const std::uint64_t target = posted_;
  wake_.notify_one();
  written_.wait_for(lock, timeout, [&] { return done_ >= target || state_ == State::Off; });
  return done_ >= target && state_ != State::Off;
}

HistoryWriter::State HistoryWriter::CurrentState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::size_t HistoryWriter::Pending() const {
  std::lock_guard lock(mutex_);
  return samples_.size() + others_.size();
}

std::size_t HistoryWriter::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

std::size_t HistoryWriter::Spooled() const {
  std::lock_guard lock(mutex_);
  return spooled_;
}

void HistoryWriter::TellOnce(const HistoryProblem& problem) {
  if (told_) return;
  told_ = true;
  if (options_.onProblem) options_.onProblem(problem);
}

bool HistoryWriter::SpillWanted() const {
  if (!spool_) return false;
  const bool queued = !samples_.empty() || !others_.empty();
  return queued && (spooling_ || samples_.size() >= options_.sampleCapacity ||
                    others_.size() >= options_.otherCapacity);
}

void HistoryWriter::Spill(std::unique_lock<std::mutex>& lock) {
  std::vector<HistoryRecord> records;
  records.reserve(others_.size() + samples_.size());
  for (auto* queue : {&others_, &samples_}) {
    for (HistoryRecord& r : *queue) records.push_back(std::move(r));
    queue->clear();
  }
  spooling_ = true;
  lock.unlock();
  const std::size_t kept = spool_->Append(records);
  lock.lock();
  spooled_ += kept;
  dropped_ += records.size() - kept;
  done_ += records.size() - kept;
  if (kept < records.size()) written_.notify_all();
}

void HistoryWriter::Run() {
  HistoryStore store;
  auto goOff = [&](const HistoryProblem& problem) {
    TellOnce(problem);
    std::lock_guard lock(mutex_);
    state_ = State::Off;
    done_ += samples_.size() + others_.size();
    samples_.clear();
    others_.clear();
    written_.notify_all();
  };
  auto nextRetry = std::chrono::steady_clock::now();
  // The first open loads what the database already holds for the caller, once.
  bool opened = false;
  if (auto problem = store.Open(options_.location)) {
    // A file another program holds is waited for; any other failure ends the history.
    if (problem->kind != HistoryProblem::Kind::Locked) {
      goOff(*problem);
      return;
    }
    TellOnce(*problem);
    std::lock_guard lock(mutex_);
    state_ = State::Away;
    nextRetry += options_.retry;
  } else {
    opened = true;
    if (options_.onOpened) options_.onOpened(store);
    store.ThinSamples(NowMs(), options_.keepSamplesDays);
    std::lock_guard lock(mutex_);
    state_ = State::Ready;
  }
  auto lastThin = std::chrono::steady_clock::now();
  {
    // Records a crash or an outage left in the spool go first.
    std::lock_guard lock(mutex_);
    spooling_ = spool_ && spool_->HasRecords();
  }
  std::vector<HistoryRecord> batch;
  std::unique_lock lock(mutex_);
  for (;;) {
    if (state_ == State::Away) {
      wake_.wait_until(lock, nextRetry, [&] { return stop_ || SpillWanted(); });
      if (SpillWanted()) Spill(lock);
      const bool stopping = stop_;
      if (!stopping && std::chrono::steady_clock::now() < nextRetry) continue;
      lock.unlock();
      auto problem = store.Open(options_.location);
      lock.lock();
      if (problem && Lasting(*problem)) {
        lock.unlock();
        goOff(*problem);
        return;
      }
      if (problem) {
        if (problem->kind == HistoryProblem::Kind::Locked) TellOnce(*problem);
        // What is still queued at the end waits in the spool for the next run.
        if (stopping) {
          if (spool_ && (!samples_.empty() || !others_.empty())) Spill(lock);
          return;
        }
        nextRetry = std::chrono::steady_clock::now() + options_.retry;
        continue;
      }
      if (!opened) {
        opened = true;
        if (options_.onOpened) {
          lock.unlock();
          options_.onOpened(store);
          lock.lock();
        }
      }
      state_ = State::Ready;
    } else {
      wake_.wait_for(lock, options_.thinEvery,
                     [&] { return stop_ || spooling_ || !samples_.empty() || !others_.empty(); });
    }
    const bool stopping = stop_;
    // The spool is replayed before anything queued after it.
    const bool fromSpool = spooling_;
    std::uint64_t next = 0;
    if (!fromSpool) {
      // Other records first: they are few and matter most.
      while (batch.size() < kBatch && !others_.empty()) {
        batch.push_back(std::move(others_.front()));
        others_.pop_front();
      }
      while (batch.size() < kBatch && !samples_.empty()) {
        batch.push_back(std::move(samples_.front()));
        samples_.pop_front();
      }
    }
    lock.unlock();
    if (fromSpool) batch = spool_->Read(kBatch, &next);
    bool ok = batch.empty() || store.Add(batch);
    if (ok && fromSpool) spool_->Replayed(next);
    if (ok && std::chrono::steady_clock::now() - lastThin >= options_.thinEvery) {
      store.ThinSamples(NowMs(), options_.keepSamplesDays);
      lastThin = std::chrono::steady_clock::now();
    }
    const HistoryProblem problem = store.LastProblem();
    lock.lock();
    if (ok) {
      if (fromSpool) {
        const std::size_t replayed = std::min(spooled_, batch.size());
        spooled_ -= replayed;
        done_ += replayed;
        spooling_ = spool_->HasRecords();
        if (!spooling_) spooled_ = 0;
      } else {
        done_ += batch.size();
      }
      batch.clear();
      written_.notify_all();
    } else {
      // Put the batch back in front, in its order, and wait for the database (a spooled
      // batch stays where it is).
      if (!fromSpool) {
        for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
          auto& queue = std::holds_alternative<SampleRecord>(*it) ? samples_ : others_;
          queue.push_front(std::move(*it));
        }
      }
      batch.clear();
      if (Lasting(problem)) {
        lock.unlock();
        goOff(problem);
        return;
      }
      if (problem.kind == HistoryProblem::Kind::Locked) TellOnce(problem);
      state_ = State::Away;
      nextRetry = std::chrono::steady_clock::now() + options_.retry;
      lock.unlock();
      store.Close();
      lock.lock();
    }
    const bool idle = samples_.empty() && others_.empty() && !spooling_;
    if (stopping && (idle || state_ == State::Away)) {
      if (spool_ && (!samples_.empty() || !others_.empty())) Spill(lock);
      return;
    }
    if (!idle) wake_.notify_one();
  }
}

}  // namespace vorel
