// The alarm journal kept in the history database as well as in memory: each entry and each
// acknowledgement is posted to the history's writer, and when recording starts the entries
// an earlier run kept are put back ahead of this run's, so the journal outlives the program.
// Without recording it is the memory journal alone.
#pragma once

#include <cstdint>
#include <string>

#include "control/alarm_journal.h"
#include "store/history_store.h"

namespace vorel {

class HistoryRecorder;

class HistoryAlarmJournal : public AlarmJournal {
 public:
  explicit HistoryAlarmJournal(HistoryRecorder& recorder, std::size_t capacity = 10'000);
  ~HistoryAlarmJournal() override;
  HistoryAlarmJournal(const HistoryAlarmJournal&) = delete;
  HistoryAlarmJournal& operator=(const HistoryAlarmJournal&) = delete;

  void Record(const AlarmEvent& event) override;
  std::size_t Size() const override { return memory_.Size(); }
  const JournalEntry& Entry(std::size_t index) const override { return memory_.Entry(index); }
  bool Acknowledge(std::size_t index, std::string_view who, std::int64_t wallMs) override;
  std::uint64_t ChangeCount() const override { return memory_.ChangeCount(); }

  // The entries the history kept, oldest first, ahead of this run's.
  void Restore(const std::vector<StoredAlarmEntry>& stored);

 private:
  HistoryRecorder& recorder_;
  MemoryAlarmJournal memory_;
  std::string runId_;  // makes this run's entry ids unique across runs and PCs
  std::uint64_t nextSeq_ = 0;
};

// The entry as the history keeps it, and back.
AlarmJournalRecord AlarmJournalRecordOf(const JournalEntry& entry, int seq);
JournalEntry JournalEntryOf(const StoredAlarmEntry& stored);

}  // namespace vorel
