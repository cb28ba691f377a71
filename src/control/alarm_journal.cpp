#include "control/alarm_journal.h"

#include <iterator>
#include <set>

#include "core/alarm_codes.h"
#include "core/language.h"
#include "files/event_log_csv.h"
#include "files/trend_csv.h"

namespace vorel {

void MemoryAlarmJournal::Record(const AlarmEvent& event) {
  Add({event, {}, {}, 0});
}

void MemoryAlarmJournal::Add(JournalEntry entry) {
  if (capacity_ == 0) return;
  while (entries_.size() >= capacity_) entries_.pop_front();
  entries_.push_back(std::move(entry));
  ++changes_;
}

void MemoryAlarmJournal::Restore(std::span<const JournalEntry> earlier) {
  std::set<std::string> present;
  for (const JournalEntry& e : entries_)
    if (!e.id.empty()) present.insert(e.id);
  std::deque<JournalEntry> merged;
  for (const JournalEntry& e : earlier)
    if (e.id.empty() || !present.contains(e.id)) merged.push_back(e);
  merged.insert(merged.end(), std::make_move_iterator(entries_.begin()),
                std::make_move_iterator(entries_.end()));
  while (merged.size() > capacity_) merged.pop_front();
  entries_ = std::move(merged);
  ++changes_;
}

bool MemoryAlarmJournal::Acknowledge(std::size_t index, std::string_view who, std::int64_t wallMs) {
  if (index >= entries_.size() || who.empty() || entries_[index].Acknowledged()) return false;
  entries_[index].acknowledgedBy = std::string(who);
  entries_[index].acknowledgedWallMs = wallMs;
  ++changes_;
  return true;
}

std::string JournalAlarmText(const AlarmEvent& event) {
  return AlarmCodeText(event.productCode, event.alarm.code);
}

std::string AlarmEventText(bool appeared) {
  return std::string(appeared ? PickText("Appeared", "出现") : PickText("Cleared", "消除"));
}

std::string AlarmJournalCsv(const AlarmJournal& journal) {
  const BilingualText headers[] = {
      {"PC time", "电脑时间"},
      {"Controller time", "控制器时间"},
      {"Site", "地址"},
      {"Name", "名称"},
      {"Event", "事件"},
      {"Code", "代码"},
      {"Alarm", "报警"},
      {"Severity", "级别"},
      {"Acknowledged by", "确认人"},
      {"Acknowledged at", "确认时间"},
  };
  std::string csv = "\xEF\xBB\xBF";
  std::string row;
  for (const BilingualText& h : headers) row += (row.empty() ? "" : ",") + CsvField(h.Pick());
  csv += row + "\r\n";
  for (std::size_t i = 0; i < journal.Size(); ++i) {
    const JournalEntry& e = journal.Entry(i);
    const AlarmEvent& a = e.event;
    const std::string fields[] = {
        TrendTimeText(a.pcWallMs),
        a.controllerTime,
        std::to_string(a.site),
        a.siteName,
        AlarmEventText(a.appeared),
        HexWordText(a.alarm.code),
        JournalAlarmText(a),
        AlarmSeverityText(a.alarm.severity),
        e.acknowledgedBy,
        e.Acknowledged() ? TrendTimeText(e.acknowledgedWallMs) : std::string(),
    };
    row.clear();
    for (const std::string& f : fields) row += (row.empty() ? "" : ",") + CsvField(f);
    csv += row + "\r\n";
  }
  return csv;
}

}  // namespace vorel
