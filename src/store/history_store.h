// The history database: opens (and brings up to date) an SQLite file or a PostgreSQL
// database, adds what control recorded, and answers the questions of the History page and
// vorel-cli history. One object is one connection and must be used on the thread that opened
// it; HistoryWriter runs one on its own thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/history_location.h"
#include "store/history_problem.h"
#include "store/history_records.h"

class QSqlQuery;

namespace vorel {

// A full resolution trend is kept this long; older samples are thinned to one a minute.
inline constexpr std::int64_t kFullSampleSpanMs = 3600 * 1000;
inline constexpr int kDefaultKeepSamplesDays = 90;

struct StoredVisit {
  std::int64_t timeMs = 0;
  int address = 0;
  std::string port;
  std::string firmware;
  std::string deviceName;
  std::string generatorName;
  std::string operatorName;
};

struct StoredWrite {
  std::int64_t timeMs = 0;
  int address = 0;
  std::string port;
  std::string action;
  std::string outcome;
  std::vector<WriteChange> changes;
  std::string note;
  std::string file;
  std::string operatorName;
};

struct StoredSet {
  std::int64_t timeMs = 0;
  ParameterSetKind kind = ParameterSetKind::Read;
  std::string hash;
  ParameterWords words;
};

struct StoredEvent {
  int code = 0;
  std::string eventTime;  // "yymmddhhmmss" from the record's BCD date and time
  EventRecordWords record{};
  std::int64_t firstReadMs = 0;
};

struct StoredAlarmEntry {
  AlarmJournalRecord record;
  std::string acknowledgedBy;  // empty when not acknowledged
  std::int64_t acknowledgedMs = 0;
};

class HistoryStore {
 public:
  HistoryStore();
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Opens the database and brings its schema up to date (an SQLite file and its folder are
  // made when missing, in WAL mode). Nothing when it is ready; else why not, and it stays
  // closed.
  std::optional<HistoryProblem> Open(const HistoryLocation& location);
  void Close();
  bool IsOpen() const;
  // The schema version the database has (0 when closed).
  int SchemaVersion();

  // Adds one record in one transaction. False (nothing added) when the database failed; then
  // LastProblem says why.
  bool Add(const HistoryRecord& record);
  // Many records in one transaction: all or none.
  bool Add(std::span<const HistoryRecord> records);
  // The last failure of Add, Thin or a copy, classified.
  const HistoryProblem& LastProblem() const { return problem_; }

  // Controllers whose serial number is `text`, or that were last met at site address `text`.
  std::vector<ControllerKey> FindControllers(const std::string& text);
  std::vector<StoredVisit> Visits(const ControllerKey& key, std::int64_t sinceMs = 0);
  std::vector<StoredWrite> Writes(const ControllerKey& key, std::int64_t sinceMs = 0);
  // Parameter sets in time order; `last` > 0 keeps only the last ones.
  std::vector<StoredSet> Sets(const ControllerKey& key, std::int64_t sinceMs = 0, int last = 0);
  // The merged event history, by event time.
  std::vector<StoredEvent> Events(const ControllerKey& key, std::int64_t sinceMs = 0);
  std::vector<SampleRecord> Samples(const ControllerKey& key, std::int64_t fromMs,
                                    std::int64_t toMs);

  // The newest `count` entries of the alarm journal, oldest first.
  std::vector<StoredAlarmEntry> AlarmJournal(std::size_t count);

  // Samples before `nowMs` - `keepDays` go; those before `nowMs` - kFullSampleSpanMs keep the
  // first of each minute. Only times from the last thinning on are looked at.
  bool ThinSamples(std::int64_t nowMs, int keepDays);

  // Rows of one of the history's tables (-1 for another name or a failure).
  std::int64_t CountRows(std::string_view table);

  // Copies every row (of one controller when `only` is given) into `target`, leaving rows it
  // already holds as they are. False when a table could not be read or written.
  bool CopyTo(HistoryStore& target, const std::optional<ControllerKey>& only = std::nullopt);

 private:
  std::optional<HistoryProblem> OpenConnection(const HistoryLocation& location);
  bool Run(const char* sql, const std::vector<std::string>& args = {});
  // The insert statements, prepared once per connection.
  QSqlQuery& Prepared(const char* sql);
  bool Migrate();
  // The samples of an older schema into the compact table, in the migration's transaction.
  bool CopySamplesCompact();
  void NoteFailure(const std::string& reason);
  bool AddOne(const IdentificationRecord& r);
  bool AddOne(const ParameterSetRecord& r);
  bool AddOne(const WriteRecord& r);
  bool AddOne(const EventLogReadRecord& r);
  bool AddOne(const SampleRecord& r);
  bool AddOne(const AlarmJournalRecord& r);
  bool AddOne(const AlarmAcknowledgement& r);

  std::string connection_;
  std::map<const char*, std::unique_ptr<QSqlQuery>> statements_;
  HistoryLocation location_;
  HistoryProblem problem_;
  std::int64_t thinnedUpTo_ = 0;
  std::int64_t removedUpTo_ = 0;
  int writeSeq_ = 0;
};

}  // namespace vorel
