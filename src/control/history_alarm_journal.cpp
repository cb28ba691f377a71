#include "control/history_alarm_journal.h"

#include <QUuid>

#include "control/history_recorder.h"

namespace vorel {

HistoryAlarmJournal::HistoryAlarmJournal(HistoryRecorder& recorder, std::size_t capacity)
    : recorder_(recorder),
      memory_(capacity),
      runId_(QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString()) {
  recorder_.SetJournalLoaded(capacity,
                             [this](std::vector<StoredAlarmEntry> stored) { Restore(stored); });
}

HistoryAlarmJournal::~HistoryAlarmJournal() {
  recorder_.SetJournalLoaded(0, {});
}

void HistoryAlarmJournal::Record(const AlarmEvent& event) {
  const std::uint64_t seq = nextSeq_++;
  JournalEntry entry{event, runId_ + "-" + std::to_string(seq), {}, 0};
  recorder_.AlarmJournalled(AlarmJournalRecordOf(entry, static_cast<int>(seq % 1'000'000'000)));
  memory_.Add(std::move(entry));
}

bool HistoryAlarmJournal::Acknowledge(std::size_t index, std::string_view who,
                                      std::int64_t wallMs) {
  if (!memory_.Acknowledge(index, who, wallMs)) return false;
  const JournalEntry& e = memory_.Entry(index);
  if (!e.id.empty()) recorder_.AlarmAcknowledged({e.id, e.acknowledgedBy, wallMs});
  return true;
}

void HistoryAlarmJournal::Restore(const std::vector<StoredAlarmEntry>& stored) {
  std::vector<JournalEntry> earlier;
  earlier.reserve(stored.size());
  for (const StoredAlarmEntry& s : stored) earlier.push_back(JournalEntryOf(s));
  memory_.Restore(earlier);
}

AlarmJournalRecord AlarmJournalRecordOf(const JournalEntry& entry, int seq) {
  const AlarmEvent& e = entry.event;
  AlarmJournalRecord r;
  r.place.address = e.site;
  r.place.timeMs = e.pcWallMs;
  r.place.controller.productCode = static_cast<std::int16_t>(e.productCode);
  r.entryId = entry.id;
  r.seq = seq;
  r.siteName = e.siteName;
  r.appeared = e.appeared;
  r.atFirstPoll = e.atFirstPoll;
  r.code = e.alarm.code;
  r.highlighted = e.alarm.highlighted;
  r.controllerTime = e.controllerTime;
  return r;
}

JournalEntry JournalEntryOf(const StoredAlarmEntry& stored) {
  const AlarmJournalRecord& r = stored.record;
  JournalEntry entry;
  AlarmEvent& e = entry.event;
  e.site = r.place.address;
  e.siteName = r.siteName;
  e.appeared = r.appeared;
  e.atFirstPoll = r.atFirstPoll;
  e.productCode = static_cast<std::uint16_t>(r.place.controller.productCode);
  const auto code = static_cast<std::uint16_t>(r.code);
  e.alarm = {code, r.highlighted, {}, AlarmSeverityOf(code)};
  e.pcWallMs = r.place.timeMs;
  e.controllerTime = r.controllerTime;
  entry.id = r.entryId;
  entry.acknowledgedBy = stored.acknowledgedBy;
  entry.acknowledgedWallMs = stored.acknowledgedMs;
  return entry;
}

}  // namespace vorel
