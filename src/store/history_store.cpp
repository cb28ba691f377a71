#include "store/history_store.h"

#include <unistd.h>
#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

#include "core/sha256.h"
#include "store/history_codec.h"
#include "store/history_schema.h"

namespace vorel {

namespace {

std::atomic<int> connectionCount{0};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QVariant& value) {
  return value.toString().toStdString();
}

QSqlDatabase Db(const std::string& connection) {
  return QSqlDatabase::database(Q(connection), false);
}

// The tables a copy carries, in an order that keeps a set's words before what points to it.
constexpr const char* kTables[] = {"identifications", "parameter_sets", "set_records",  "writes",
                                   "events",          "samples",        "alarm_journal"};

HistoryProblem::Kind KindOf(const std::string& reason) {
  QString text = Q(reason).toLower();
  if (text.contains("locked") || text.contains("busy")) return HistoryProblem::Kind::Locked;
  if (text.contains("full") || text.contains("no space") || text.contains("disk quota"))
    return HistoryProblem::Kind::Full;
  return HistoryProblem::Kind::CannotOpen;
}

std::string ErrorText(const QSqlError& error) {
  std::string text = error.text().trimmed().toStdString();
  return text.empty() ? "unknown error" : text;
}

}  // namespace

const char* ParameterSetKindKey(ParameterSetKind kind) {
  switch (kind) {
    case ParameterSetKind::Read:
      return "read";
    case ParameterSetKind::Backup:
      return "backup";
    case ParameterSetKind::Snapshot:
      return "snapshot";
  }
  return "read";
}

HistoryStore::HistoryStore()
    : connection_("vorel-history-" + std::to_string(connectionCount.fetch_add(1))) {}

HistoryStore::~HistoryStore() {
  Close();
}

void HistoryStore::Close() {
  statements_.clear();
  if (!QSqlDatabase::contains(Q(connection_))) return;
  {
    QSqlDatabase db = Db(connection_);
    if (db.isOpen()) db.close();
  }
  QSqlDatabase::removeDatabase(Q(connection_));
}

bool HistoryStore::IsOpen() const {
  return QSqlDatabase::contains(Q(connection_)) && Db(connection_).isOpen();
}

void HistoryStore::NoteFailure(const std::string& reason) {
  problem_.kind = KindOf(reason);
  problem_.database = location_.Name();
  problem_.reason = reason;
}

std::optional<HistoryProblem> HistoryStore::Open(const HistoryLocation& location) {
  Close();
  std::optional<HistoryProblem> problem = OpenConnection(location);
  if (problem) Close();
  return problem;
}

std::optional<HistoryProblem> HistoryStore::OpenConnection(const HistoryLocation& location) {
  location_ = location;
  problem_ = HistoryProblem{HistoryProblem::Kind::CannotOpen, location.Name(), {}};
  auto refuse = [&](const std::string& reason) {
    NoteFailure(reason);
    return std::optional<HistoryProblem>(problem_);
  };
  const bool sqlite = location.kind == HistoryLocation::Kind::SQLite;
  if (sqlite) {
    std::error_code ec;
    std::filesystem::create_directories(location.file.parent_path(), ec);
    if (std::filesystem::exists(location.file, ec) &&
        !std::filesystem::is_regular_file(location.file, ec))
      return refuse("not a regular file");
  }
  QSqlDatabase db = QSqlDatabase::addDatabase(sqlite ? "QSQLITE" : "QPSQL", Q(connection_));
  if (!db.isValid()) return refuse("the database driver is not installed");
  if (sqlite) {
    db.setDatabaseName(Q(location.file.string()));
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=2000");
  } else {
    db.setHostName(Q(location.host));
    db.setPort(location.port);
    db.setUserName(Q(location.user));
    db.setDatabaseName(Q(location.database));
    db.setConnectOptions("connect_timeout=5");
  }
  if (!db.open()) return refuse(ErrorText(db.lastError()));
  if (sqlite) {
    // A new file gives the pages that thinning and expiry free back to the file system at
    // each commit, so it never stays at a size its samples once had.
    Run("PRAGMA auto_vacuum=FULL");
    // WAL: a crash or power cut loses at most the last transaction, and readers do not wait.
    QSqlQuery wal(db);
    if (!wal.exec("PRAGMA journal_mode=WAL")) return refuse(ErrorText(wal.lastError()));
    Run("PRAGMA synchronous=NORMAL");
  }
  if (!Migrate()) return problem_;
  return std::nullopt;
}

int HistoryStore::SchemaVersion() {
  if (!IsOpen()) return 0;
  QSqlDatabase db = Db(connection_);
  if (!db.tables().contains("schema_version")) return 0;
  QSqlQuery query(db);
  if (!query.exec("SELECT version FROM schema_version") || !query.next()) return 0;
  return query.value(0).toInt();
}

bool HistoryStore::Migrate() {
  QSqlDatabase db = Db(connection_);
  // Reading the table list is the first access to an SQLite file: a file that is not a
  // database fails here.
  QSqlQuery probe(db);
  if (!probe.exec(db.driverName() == "QSQLITE" ? "SELECT count(*) FROM sqlite_master"
                                               : "SELECT 1")) {
    NoteFailure(ErrorText(probe.lastError()));
    return false;
  }
  // A statement still open on the table list keeps a migration from dropping a table.
  probe.finish();
  const int version = SchemaVersion();
  if (version > kHistorySchemaVersion) {
    problem_ = {HistoryProblem::Kind::NewerSchema, location_.Name(), std::to_string(version)};
    return false;
  }
  const bool sqlite = db.driverName() == "QSQLITE";
  for (int next = version + 1; next <= kHistorySchemaVersion; ++next) {
    if (!db.transaction()) {
      NoteFailure(ErrorText(db.lastError()));
      return false;
    }
    for (std::string_view step : HistoryMigration(next)) {
      if (step == kCopySamplesStep) {
        if (!CopySamplesCompact()) {
          db.rollback();
          return false;
        }
        continue;
      }
      QString sql = QString::fromUtf8(step.data(), static_cast<qsizetype>(step.size()));
      sql.replace("{blob}", sqlite ? "BLOB" : "BYTEA");
      sql.replace("{without_rowid}", sqlite ? " WITHOUT ROWID" : "");
      QSqlQuery query(db);
      if (!query.exec(sql)) {
        NoteFailure(ErrorText(query.lastError()));
        db.rollback();
        return false;
      }
    }
    if (!db.commit()) {
      NoteFailure(ErrorText(db.lastError()));
      db.rollback();
      return false;
    }
  }
  // A file made before its samples were compact rewrites itself once, so that it gives
  // freed pages back from now on.
  if (sqlite && version > 0 && version < 3) {
    Run("PRAGMA auto_vacuum=FULL");
    Run("VACUUM");
  }
  return true;
}

bool HistoryStore::CopySamplesCompact() {
  QSqlDatabase db = Db(connection_);
  QSqlQuery rows(db);
  rows.setForwardOnly(true);
  QSqlQuery insert(db);
  if (!rows.exec("SELECT serial, product_code, time_ms, gap, counts, divisors FROM samples") ||
      !insert.prepare("INSERT INTO samples_compact (serial, product_code, time_ms, data) VALUES "
                      "(?, ?, ?, ?)")) {
    NoteFailure(ErrorText(rows.lastError().isValid() ? rows.lastError() : insert.lastError()));
    return false;
  }
  while (rows.next()) {
    SampleRecord sample;
    sample.gap = rows.value(3).toInt() != 0;
    const auto words = HexWords(S(rows.value(4)));
    if (!sample.gap && words && words->size() == sample.counts.size()) {
      for (std::size_t i = 0; i < sample.counts.size(); ++i)
        sample.counts[i] = static_cast<std::int16_t>((*words)[i]);
      DivisorsOf(S(rows.value(5)), sample.divisors);
    } else {
      sample.gap = true;
    }
    const std::string data = SampleData(sample);
    insert.bindValue(0, rows.value(0));
    insert.bindValue(1, rows.value(1));
    insert.bindValue(2, rows.value(2));
    insert.bindValue(3, QByteArray(data.data(), static_cast<qsizetype>(data.size())));
    if (!insert.exec()) {
      NoteFailure(ErrorText(insert.lastError()));
      return false;
    }
  }
  // The old table is dropped next: nothing may still read it.
  rows.finish();
  insert.finish();
  return true;
}

bool HistoryStore::Run(const char* sql, const std::vector<std::string>& args) {
  QSqlQuery query(Db(connection_));
  if (!query.prepare(sql)) {
    NoteFailure(ErrorText(query.lastError()));
    return false;
  }
  for (const std::string& arg : args) query.addBindValue(Q(arg));
  if (!query.exec()) {
    NoteFailure(ErrorText(query.lastError()));
    return false;
  }
  return true;
}

namespace {

// A prepared statement with its values bound in order.
class Statement {
 public:
  Statement(const QSqlDatabase& db, const char* sql) : own_(db), query_(own_) {
    ok_ = query_.prepare(sql);
  }
  // A statement prepared once per connection and bound again for each use.
  explicit Statement(QSqlQuery& prepared) : query_(prepared), ok_(true) {}
  Statement& operator<<(const std::string& text) {
    query_.addBindValue(Q(text));
    return *this;
  }
  Statement& operator<<(std::int64_t number) {
    query_.addBindValue(QVariant::fromValue<qlonglong>(number));
    return *this;
  }
  Statement& operator<<(const QByteArray& bytes) {
    query_.addBindValue(bytes);
    return *this;
  }
  Statement& operator<<(int number) {
    query_.addBindValue(number);
    return *this;
  }
  bool Exec() { return ok_ && query_.exec(); }
  QSqlQuery& Query() { return query_; }
  QSqlError Error() const { return query_.lastError(); }

 private:
  QSqlQuery own_;
  QSqlQuery& query_;
  bool ok_ = false;
};

}  // namespace

#define VOREL_EXEC(statement)                      \
  do {                                             \
    if (!(statement).Exec()) {                     \
      NoteFailure(ErrorText((statement).Error())); \
      return false;                                \
    }                                              \
  } while (false)

QSqlQuery& HistoryStore::Prepared(const char* sql) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    auto query = std::make_unique<QSqlQuery>(Db(connection_));
    query->prepare(sql);
    it = statements_.emplace(sql, std::move(query)).first;
  }
  return *it->second;
}

bool HistoryStore::AddOne(const IdentificationRecord& r) {
  Statement s(
      Prepared("INSERT INTO identifications (serial, product_code, time_ms, address, port, "
               "firmware, device_name, generator_name, operator_name) VALUES (?, ?, ?, ?, ?, ?, ?, "
               "?, ?) ON CONFLICT DO NOTHING"));
  s << r.place.controller.serial << r.place.controller.productCode << r.place.timeMs
    << r.place.address << r.place.port << r.firmware << r.deviceName << r.generatorName
    << r.operatorName;
  VOREL_EXEC(s);
  return true;
}

bool HistoryStore::AddOne(const ParameterSetRecord& r) {
  const std::string words = ParameterWordsText(r.words);
  const std::string hash = Sha256Hex(words);
  Statement set(
      Prepared("INSERT INTO parameter_sets (hash, words) VALUES (?, ?) ON CONFLICT DO NOTHING"));
  set << hash << words;
  VOREL_EXEC(set);
  Statement use(
      Prepared("INSERT INTO set_records (serial, product_code, time_ms, kind, address, port, "
               "hash) VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
  use << r.place.controller.serial << r.place.controller.productCode << r.place.timeMs
      << std::string(ParameterSetKindKey(r.kind)) << r.place.address << r.place.port << hash;
  VOREL_EXEC(use);
  return true;
}

bool HistoryStore::AddOne(const WriteRecord& r) {
  // Two PCs writing to one server in the same millisecond keep both lines.
  const int seq = static_cast<int>(getpid() % 100000) * 1000 + (writeSeq_++ % 1000);
  Statement s(
      Prepared("INSERT INTO writes (serial, product_code, time_ms, seq, address, port, action, "
               "changes, note, file, operator_name, outcome) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
               "?, ?, ?) ON CONFLICT DO NOTHING"));
  s << r.place.controller.serial << r.place.controller.productCode << r.place.timeMs << seq
    << r.place.address << r.place.port << r.action << ChangesText(r.changes) << r.note << r.file
    << r.operatorName << r.outcome;
  VOREL_EXEC(s);
  return true;
}

bool HistoryStore::AddOne(const EventLogReadRecord& r) {
  int order = 0;
  for (const EventRecordWords& record : r.records) {
    ++order;
    if (EmptyEventRecord(record)) continue;
    const std::string words = WordsHex(record);
    Statement s(
        Prepared("INSERT INTO events (serial, product_code, record_hash, event_code, event_time, "
                 "record, first_read_ms, read_order, address, port) VALUES (?, ?, ?, ?, ?, ?, ?, "
                 "?, ?, ?) ON CONFLICT DO NOTHING"));
    s << r.place.controller.serial << r.place.controller.productCode << Sha256Hex(words)
      << EventCode(record) << EventTimeKey(record) << words << r.place.timeMs << order
      << r.place.address << r.place.port;
    VOREL_EXEC(s);
  }
  return true;
}

bool HistoryStore::AddOne(const SampleRecord& r) {
  Statement s(
      Prepared("INSERT INTO samples (serial, product_code, time_ms, data) VALUES (?, ?, ?, ?) ON "
               "CONFLICT DO NOTHING"));
  const std::string data = SampleData(r);
  s << r.controller.serial << r.controller.productCode << r.timeMs
    << QByteArray(data.data(), static_cast<qsizetype>(data.size()));
  VOREL_EXEC(s);
  return true;
}

bool HistoryStore::AddOne(const AlarmJournalRecord& r) {
  Statement s(
      Prepared("INSERT INTO alarm_journal (entry_id, serial, product_code, time_ms, seq, address, "
               "port, site_name, appeared, at_first_poll, code, highlighted, controller_time, "
               "acknowledged_by, acknowledged_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
               "'', 0) ON CONFLICT DO NOTHING"));
  s << r.entryId << r.place.controller.serial << r.place.controller.productCode << r.place.timeMs
    << r.seq << r.place.address << r.place.port << r.siteName << (r.appeared ? 1 : 0)
    << (r.atFirstPoll ? 1 : 0) << r.code << (r.highlighted ? 1 : 0) << r.controllerTime;
  VOREL_EXEC(s);
  return true;
}

bool HistoryStore::AddOne(const AlarmAcknowledgement& r) {
  // The first name stays: a second PC acknowledging the same entry changes nothing.
  Statement s(
      Prepared("UPDATE alarm_journal SET acknowledged_by = ?, acknowledged_ms = ? WHERE "
               "entry_id = ? AND acknowledged_by = ''"));
  s << r.who << r.timeMs << r.entryId;
  VOREL_EXEC(s);
  return true;
}

bool HistoryStore::Add(const HistoryRecord& record) {
  return Add(std::span<const HistoryRecord>(&record, 1));
}

bool HistoryStore::Add(std::span<const HistoryRecord> records) {
  if (!IsOpen()) {
    NoteFailure("the database is not open");
    return false;
  }
  QSqlDatabase db = Db(connection_);
  if (!db.transaction()) {
    NoteFailure(ErrorText(db.lastError()));
    return false;
  }
  for (const HistoryRecord& record : records) {
    if (!std::visit([&](const auto& r) { return AddOne(r); }, record)) {
      db.rollback();
      return false;
    }
  }
  if (!db.commit()) {
    NoteFailure(ErrorText(db.lastError()));
    db.rollback();
    return false;
  }
  return true;
}

std::vector<ControllerKey> HistoryStore::FindControllers(const std::string& text) {
  std::vector<ControllerKey> keys;
  if (!IsOpen()) return keys;
  Statement s(Db(connection_),
              "SELECT serial, product_code, address, time_ms FROM identifications ORDER BY "
              "time_ms DESC");
  if (!s.Exec()) return keys;
  const QString wanted = Q(text).trimmed();
  bool isNumber = false;
  const int address = wanted.toInt(&isNumber);
  // A controller belongs to an address when it was last met there.
  std::vector<ControllerKey> seen;
  while (s.Query().next()) {
    ControllerKey key{S(s.Query().value(0)), s.Query().value(1).toInt()};
    const bool first = std::find(seen.begin(), seen.end(), key) == seen.end();
    if (!first) continue;
    seen.push_back(key);
    const bool bySerial = wanted.compare(Q(key.serial), Qt::CaseInsensitive) == 0;
    const bool byAddress = isNumber && wanted.size() <= 2 && s.Query().value(2).toInt() == address;
    if (bySerial || byAddress) keys.push_back(key);
  }
  return keys;
}

std::vector<StoredVisit> HistoryStore::Visits(const ControllerKey& key, std::int64_t sinceMs) {
  std::vector<StoredVisit> visits;
  if (!IsOpen()) return visits;
  Statement s(Db(connection_),
              "SELECT time_ms, address, port, firmware, device_name, generator_name, "
              "operator_name FROM identifications WHERE serial = ? AND product_code = ? AND "
              "time_ms >= ? ORDER BY time_ms");
  s << key.serial << key.productCode << sinceMs;
  if (!s.Exec()) return visits;
  for (QSqlQuery& q = s.Query(); q.next();)
    visits.push_back({q.value(0).toLongLong(), q.value(1).toInt(), S(q.value(2)), S(q.value(3)),
                      S(q.value(4)), S(q.value(5)), S(q.value(6))});
  return visits;
}

std::vector<StoredWrite> HistoryStore::Writes(const ControllerKey& key, std::int64_t sinceMs) {
  std::vector<StoredWrite> writes;
  if (!IsOpen()) return writes;
  Statement s(Db(connection_),
              "SELECT time_ms, address, port, action, outcome, changes, note, file, "
              "operator_name FROM writes WHERE serial = ? AND product_code = ? AND time_ms >= ? "
              "ORDER BY time_ms, seq");
  s << key.serial << key.productCode << sinceMs;
  if (!s.Exec()) return writes;
  for (QSqlQuery& q = s.Query(); q.next();)
    writes.push_back({q.value(0).toLongLong(), q.value(1).toInt(), S(q.value(2)), S(q.value(3)),
                      S(q.value(4)), ChangesOf(S(q.value(5))), S(q.value(6)), S(q.value(7)),
                      S(q.value(8))});
  return writes;
}

std::vector<StoredSet> HistoryStore::Sets(const ControllerKey& key, std::int64_t sinceMs,
                                          int last) {
  std::vector<StoredSet> sets;
  if (!IsOpen()) return sets;
  Statement s(Db(connection_),
              "SELECT r.time_ms, r.kind, r.hash, p.words FROM set_records r JOIN parameter_sets "
              "p ON p.hash = r.hash WHERE r.serial = ? AND r.product_code = ? AND r.time_ms >= ? "
              "ORDER BY r.time_ms DESC, r.kind DESC LIMIT ?");
  s << key.serial << key.productCode << sinceMs << (last > 0 ? last : 1 << 30);
  if (!s.Exec()) return sets;
  for (QSqlQuery& q = s.Query(); q.next();) {
    StoredSet set;
    set.timeMs = q.value(0).toLongLong();
    const std::string kind = S(q.value(1));
    set.kind = kind == "backup"     ? ParameterSetKind::Backup
               : kind == "snapshot" ? ParameterSetKind::Snapshot
                                    : ParameterSetKind::Read;
    set.hash = S(q.value(2));
    set.words = ParameterWordsOf(S(q.value(3))).value_or(ParameterWords{});
    sets.push_back(std::move(set));
  }
  std::reverse(sets.begin(), sets.end());
  return sets;
}

std::vector<StoredEvent> HistoryStore::Events(const ControllerKey& key, std::int64_t sinceMs) {
  std::vector<StoredEvent> events;
  if (!IsOpen()) return events;
  Statement s(Db(connection_),
              "SELECT event_code, event_time, record, first_read_ms FROM events WHERE serial = ? "
              "AND product_code = ? AND first_read_ms >= ? ORDER BY event_time, first_read_ms, "
              "read_order");
  s << key.serial << key.productCode << sinceMs;
  if (!s.Exec()) return events;
  for (QSqlQuery& q = s.Query(); q.next();) {
    StoredEvent event;
    event.code = q.value(0).toInt();
    event.eventTime = S(q.value(1));
    const auto words = HexWords(S(q.value(2)));
    if (words && words->size() == event.record.size())
      std::copy(words->begin(), words->end(), event.record.begin());
    event.firstReadMs = q.value(3).toLongLong();
    events.push_back(event);
  }
  return events;
}

std::vector<StoredAlarmEntry> HistoryStore::AlarmJournal(std::size_t count) {
  std::vector<StoredAlarmEntry> entries;
  if (!IsOpen() || count == 0) return entries;
  Statement s(Db(connection_),
              "SELECT entry_id, serial, product_code, time_ms, seq, address, port, site_name, "
              "appeared, at_first_poll, code, highlighted, controller_time, acknowledged_by, "
              "acknowledged_ms FROM alarm_journal ORDER BY time_ms DESC, seq DESC LIMIT ?");
  s << static_cast<std::int64_t>(std::min<std::size_t>(count, 1u << 30));
  if (!s.Exec()) return entries;
  for (QSqlQuery& q = s.Query(); q.next();) {
    StoredAlarmEntry e;
    AlarmJournalRecord& r = e.record;
    r.entryId = S(q.value(0));
    r.place.controller = {S(q.value(1)), q.value(2).toInt()};
    r.place.timeMs = q.value(3).toLongLong();
    r.seq = q.value(4).toInt();
    r.place.address = q.value(5).toInt();
    r.place.port = S(q.value(6));
    r.siteName = S(q.value(7));
    r.appeared = q.value(8).toInt() != 0;
    r.atFirstPoll = q.value(9).toInt() != 0;
    r.code = q.value(10).toInt();
    r.highlighted = q.value(11).toInt() != 0;
    r.controllerTime = S(q.value(12));
    e.acknowledgedBy = S(q.value(13));
    e.acknowledgedMs = q.value(14).toLongLong();
    entries.push_back(std::move(e));
  }
  std::reverse(entries.begin(), entries.end());
  return entries;
}

std::vector<SampleRecord> HistoryStore::Samples(const ControllerKey& key, std::int64_t fromMs,
                                                std::int64_t toMs) {
  std::vector<SampleRecord> samples;
  if (!IsOpen()) return samples;
  Statement s(Db(connection_),
              "SELECT time_ms, data FROM samples WHERE serial = ? AND "
              "product_code = ? AND time_ms >= ? AND time_ms < ? ORDER BY time_ms");
  s << key.serial << key.productCode << fromMs << toMs;
  if (!s.Exec()) return samples;
  for (QSqlQuery& q = s.Query(); q.next();) {
    SampleRecord sample;
    sample.controller = key;
    sample.timeMs = q.value(0).toLongLong();
    const QByteArray data = q.value(1).toByteArray();
    SampleOfData(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), sample);
    samples.push_back(sample);
  }
  return samples;
}

bool HistoryStore::ThinSamples(std::int64_t nowMs, int keepDays) {
  if (!IsOpen()) return false;
  const std::int64_t removeBefore = nowMs - static_cast<std::int64_t>(keepDays) * 86'400'000;
  // Whole minutes only, so that no minute is split between two thinnings.
  const std::int64_t thinBefore = (nowMs - kFullSampleSpanMs) / 60'000 * 60'000;
  if (thinBefore <= thinnedUpTo_ && removeBefore <= removedUpTo_) return true;
  std::vector<ControllerKey> controllers;
  {
    Statement s(Db(connection_), "SELECT DISTINCT serial, product_code FROM identifications");
    VOREL_EXEC(s);
    while (s.Query().next())
      controllers.push_back({S(s.Query().value(0)), s.Query().value(1).toInt()});
  }
  QSqlDatabase db = Db(connection_);
  if (!db.transaction()) {
    NoteFailure(ErrorText(db.lastError()));
    return false;
  }
  for (const ControllerKey& key : controllers) {
    Statement remove(db,
                     "DELETE FROM samples WHERE serial = ? AND product_code = ? AND time_ms < ?");
    remove << key.serial << key.productCode << removeBefore;
    Statement thin(db,
                   "DELETE FROM samples WHERE serial = ? AND product_code = ? AND time_ms >= ? AND "
                   "time_ms < ? AND time_ms NOT IN (SELECT MIN(time_ms) FROM samples WHERE serial "
                   "= ? AND product_code = ? AND time_ms >= ? AND time_ms < ? GROUP BY time_ms / "
                   "60000)");
    thin << key.serial << key.productCode << thinnedUpTo_ << thinBefore << key.serial
         << key.productCode << thinnedUpTo_ << thinBefore;
    if (!remove.Exec() || !thin.Exec()) {
      NoteFailure(ErrorText(remove.Error().isValid() ? remove.Error() : thin.Error()));
      db.rollback();
      return false;
    }
  }
  if (!db.commit()) {
    NoteFailure(ErrorText(db.lastError()));
    db.rollback();
    return false;
  }
  thinnedUpTo_ = std::max(thinnedUpTo_, thinBefore);
  removedUpTo_ = std::max(removedUpTo_, removeBefore);
  return true;
}

std::int64_t HistoryStore::CountRows(std::string_view table) {
  if (!IsOpen() || std::find(std::begin(kTables), std::end(kTables), table) == std::end(kTables))
    return -1;
  QSqlQuery query(Db(connection_));
  if (!query.exec(QString("SELECT count(*) FROM %1").arg(Q(std::string(table)))) || !query.next())
    return -1;
  return query.value(0).toLongLong();
}

bool HistoryStore::CopyTo(HistoryStore& target, const std::optional<ControllerKey>& only) {
  if (!IsOpen() || !target.IsOpen()) return false;
  QSqlDatabase to = Db(target.connection_);
  for (const char* table : kTables) {
    QString select = QString("SELECT * FROM %1").arg(table);
    if (only) {
      select += std::string_view(table) == "parameter_sets"
                    ? " WHERE hash IN (SELECT hash FROM set_records WHERE serial = ? AND "
                      "product_code = ?)"
                    : " WHERE serial = ? AND product_code = ?";
    }
    QSqlQuery rows(Db(connection_));
    rows.setForwardOnly(true);
    rows.prepare(select);
    if (only) {
      rows.addBindValue(Q(only->serial));
      rows.addBindValue(only->productCode);
    }
    if (!rows.exec()) {
      NoteFailure(ErrorText(rows.lastError()));
      return false;
    }
    if (!to.transaction()) {
      target.NoteFailure(ErrorText(to.lastError()));
      return false;
    }
    QSqlQuery insert(to);
    bool prepared = false;
    while (rows.next()) {
      const QSqlRecord record = rows.record();
      if (!prepared) {
        QStringList names, marks;
        for (int i = 0; i < record.count(); ++i) {
          names << record.fieldName(i);
          marks << "?";
        }
        prepared = insert.prepare(QString("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
                                      .arg(table, names.join(", "), marks.join(", ")));
      }
      for (int i = 0; i < record.count(); ++i) insert.bindValue(i, record.value(i));
      if (!prepared || !insert.exec()) {
        target.NoteFailure(ErrorText(insert.lastError()));
        to.rollback();
        return false;
      }
    }
    if (!to.commit()) {
      target.NoteFailure(ErrorText(to.lastError()));
      to.rollback();
      return false;
    }
  }
  return true;
}

}  // namespace vorel
