// What became of the sites' alarms: every alarm that appeared or cleared, when (PC and
// controller clock), and who acknowledged it. The journal is an interface so that a lasting
// store can keep it; MemoryAlarmJournal keeps the newest entries in memory for the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>

#include "core/site_summary.h"

namespace vorel {

struct AlarmEvent {
  int site = 0;
  std::string siteName;  // the generator name, else the device name
  bool appeared = true;  // false: cleared
  // Already listed at the site's first good poll: recorded, but not new (no notice).
  bool atFirstPoll = false;
  // The controller type, which names some codes; with the code it makes the alarm's text
  // whenever the entry is shown, so that the text follows the language of the moment.
  std::uint16_t productCode = 0;
  SiteAlarm alarm;             // the text is left empty: JournalAlarmText makes it
  std::int64_t pcWallMs = 0;   // wall-clock milliseconds
  std::string controllerTime;  // "yy-mm-dd hh:mm:ss" from the site's clock
};

struct JournalEntry {
  AlarmEvent event;
  std::string id;  // the entry's name in the history; empty when it is kept in memory only
  std::string acknowledgedBy;  // empty until acknowledged
  std::int64_t acknowledgedWallMs = 0;
  bool Acknowledged() const { return !acknowledgedBy.empty(); }
};

class AlarmJournal {
 public:
  virtual ~AlarmJournal() = default;
  virtual void Record(const AlarmEvent& event) = 0;
  // Entries oldest first.
  virtual std::size_t Size() const = 0;
  virtual const JournalEntry& Entry(std::size_t index) const = 0;
  // Records who acknowledged the entry; false for an entry that is not there, one already
  // acknowledged or an empty name.
  virtual bool Acknowledge(std::size_t index, std::string_view who, std::int64_t wallMs) = 0;
  // Counts every change (record, acknowledgement, entries dropped), for views that redraw.
  virtual std::uint64_t ChangeCount() const = 0;
};

class MemoryAlarmJournal : public AlarmJournal {
 public:
  // Holds at most `capacity` entries; the oldest go first.
  explicit MemoryAlarmJournal(std::size_t capacity = 10'000) : capacity_(capacity) {}
  void Record(const AlarmEvent& event) override;
  void Add(JournalEntry entry);
  // Puts entries kept from before (oldest first) ahead of the present ones; one whose id is
  // here already is not doubled. The oldest go when there are more than the capacity.
  void Restore(std::span<const JournalEntry> earlier);
  std::size_t Size() const override { return entries_.size(); }
  const JournalEntry& Entry(std::size_t index) const override { return entries_.at(index); }
  bool Acknowledge(std::size_t index, std::string_view who, std::int64_t wallMs) override;
  std::uint64_t ChangeCount() const override { return changes_; }

 private:
  std::size_t capacity_;
  std::deque<JournalEntry> entries_;
  std::uint64_t changes_ = 0;
};

// The journal as CSV for spreadsheets: a header row, then one row per entry, oldest first;
// UTF-8 with a byte order mark, CR LF line ends, fields quoted as in RFC 4180. Times are local
// "yyyy-mm-dd hh:mm:ss.mmm"; headers and state words in the current language.
std::string AlarmJournalCsv(const AlarmJournal& journal);

// The alarm's text in the current language.
std::string JournalAlarmText(const AlarmEvent& event);

// "Appeared" / "Cleared" in the current language.
std::string AlarmEventText(bool appeared);

}  // namespace vorel
