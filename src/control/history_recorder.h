// What the session hands the history: identifications, parameter sets (full reads, backups,
// pre-write snapshots), writes and commands with their outcome, event-log reads and the trend
// samples of good polls. Each call takes what it needs from the site images now and posts a
// record to the history's writer thread, so nothing on the line waits for the database.
// Without Start nothing is recorded.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/site_images.h"
#include "core/trend_buffer.h"
#include "files/audit_log.h"
#include "store/history_records.h"
#include "store/history_writer.h"

namespace vorel {

class HistoryRecorder {
 public:
  using PortName = std::function<std::string()>;
  using Tell = std::function<void(const std::string&)>;

  HistoryRecorder(const SiteImages& images, PortName portName);
  ~HistoryRecorder();
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  // Records from now on into the database at `location`. A database that cannot be kept is
  // told once through `tell`, on the thread that called Start, in the current language.
  void Start(const HistoryLocation& location, int keepSamplesDays, Tell tell);
  // Writes what is queued (waiting at most `timeout`) and stops recording.
  void Stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool Recording() const { return writer_ != nullptr; }
  HistoryWriter* Writer() { return writer_.get(); }
  // The database recorded into (nothing before Start).
  const std::optional<HistoryLocation>& Location() const { return location_; }
  // When the site was last identified while recording (0: not since Start).
  std::int64_t IdentifiedAtMs(int site) const;

  // The site was identified (its parameters were read with it).
  void Identified(int site);
  void ParametersRead(int site, ParameterSetKind kind);
  void Wrote(const AuditRecord& record);
  void EventLogRead(int site);
  void Sampled(int site, const TrendSample& sample);
  // An alarm journal entry of the site `record.place.address`; the controller and port are
  // filled in here.
  void AlarmJournalled(AlarmJournalRecord record);
  void AlarmAcknowledged(const AlarmAcknowledgement& acknowledgement);
  // When recording starts and the database opens, the newest `count` entries of the alarm
  // journal it kept are handed to `loaded` on the thread that called Start.
  using JournalLoaded = std::function<void(std::vector<StoredAlarmEntry>)>;
  void SetJournalLoaded(std::size_t count, JournalLoaded loaded);

  // The parameter set of a site's value image: every register the parameter table names.
  static ParameterWords ParameterSetOf(const SiteImages& images, int site);
  static ControllerKey KeyOf(const SiteImages& images, int site);

 private:
  RecordPlace PlaceOf(int site) const;

  const SiteImages& images_;
  PortName portName_;
  std::unique_ptr<HistoryWriter> writer_;
  std::optional<HistoryLocation> location_;
  std::map<int, std::int64_t> identifiedMs_;
  std::size_t journalCount_ = 0;
  JournalLoaded journalLoaded_;
  // Problems reach the thread that started recording through this object's event queue.
  std::unique_ptr<QObject> mailbox_;
};

}  // namespace vorel
