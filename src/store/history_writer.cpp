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
    if (queue.size() >= capacity) {
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

void HistoryWriter::TellOnce(const HistoryProblem& problem) {
  if (told_) return;
  told_ = true;
  if (options_.onProblem) options_.onProblem(problem);
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
  if (auto problem = store.Open(options_.location)) {
    goOff(*problem);
    return;
  }
  if (options_.onOpened) options_.onOpened(store);
  store.ThinSamples(NowMs(), options_.keepSamplesDays);
  auto lastThin = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(mutex_);
    state_ = State::Ready;
  }
  std::vector<HistoryRecord> batch;
  std::unique_lock lock(mutex_);
  for (;;) {
    const bool away = state_ == State::Away;
    const auto wait = away ? options_.retry : options_.thinEvery;
    wake_.wait_for(lock, wait,
                   [&] { return stop_ || (!away && (!samples_.empty() || !others_.empty())); });
    const bool stopping = stop_;
    if (state_ == State::Away) {
      lock.unlock();
      auto problem = store.Open(options_.location);
      lock.lock();
      if (problem && Lasting(*problem)) {
        lock.unlock();
        goOff(*problem);
        return;
      }
      if (problem) {
        if (stopping) return;
        continue;
      }
      state_ = State::Ready;
    }
    // Other records first: they are few and matter most.
    while (batch.size() < kBatch && !others_.empty()) {
      batch.push_back(std::move(others_.front()));
      others_.pop_front();
    }
    while (batch.size() < kBatch && !samples_.empty()) {
      batch.push_back(std::move(samples_.front()));
      samples_.pop_front();
    }
    lock.unlock();
    bool ok = batch.empty() || store.Add(batch);
    if (ok && std::chrono::steady_clock::now() - lastThin >= options_.thinEvery) {
      store.ThinSamples(NowMs(), options_.keepSamplesDays);
      lastThin = std::chrono::steady_clock::now();
    }
    const HistoryProblem problem = store.LastProblem();
    lock.lock();
    if (ok) {
      done_ += batch.size();
      batch.clear();
      written_.notify_all();
    } else {
      // Put the batch back in front, in its order, and wait for the database.
      for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
        auto& queue = std::holds_alternative<SampleRecord>(*it) ? samples_ : others_;
        queue.push_front(std::move(*it));
      }
      batch.clear();
      if (Lasting(problem)) {
        lock.unlock();
        goOff(problem);
        return;
      }
      state_ = State::Away;
      lock.unlock();
      store.Close();
      lock.lock();
    }
    const bool idle = samples_.empty() && others_.empty();
    if (stopping && (idle || state_ == State::Away)) return;
    if (!idle) wake_.notify_one();
  }
}

}  // namespace vorel
