#include "control/history_recorder.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <set>

#include "control/identification.h"
#include "core/conversions.h"
#include "core/cp936.h"
#include "core/event_log.h"
#include "core/parameter_table.h"
#include "core/register_table.h"
#include "store/history_problem.h"

namespace vorel {

namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

const std::vector<std::uint16_t>& ParameterRegisters() {
  static const std::vector<std::uint16_t> registers = [] {
    std::set<std::uint16_t> all;
    for (const ParameterRow& row : ParameterTable()) {
      for (int k = 0; k < row.registerCount; ++k)
        all.insert(static_cast<std::uint16_t>(row.reg + k));
    }
    return std::vector<std::uint16_t>(all.begin(), all.end());
  }();
  return registers;
}

}  // namespace

HistoryRecorder::HistoryRecorder(const SiteImages& images, PortName portName)
    : images_(images), portName_(std::move(portName)) {}

HistoryRecorder::~HistoryRecorder() {
  Stop();
}

void HistoryRecorder::Start(const HistoryLocation& location, int keepSamplesDays, Tell tell) {
  Stop();
  mailbox_ = std::make_unique<QObject>();
  HistoryWriter::Options options;
  options.location = location;
  options.keepSamplesDays = keepSamplesDays;
  options.spoolFile = HistorySpoolFile(location);
  QObject* mailbox = mailbox_.get();
  options.onProblem = [mailbox, tell](const HistoryProblem& problem) {
    // Queued: the message is made and shown on the thread that owns the mailbox; it is
    // dropped when the recorder went meanwhile.
    QMetaObject::invokeMethod(
        mailbox,
        [tell, problem] {
          if (tell) tell(HistoryProblemMessage(problem));
        },
        Qt::QueuedConnection);
  };
  if (journalCount_ > 0) {
    options.onOpened = [this, mailbox, count = journalCount_](HistoryStore& store) {
      std::vector<StoredAlarmEntry> entries = store.AlarmJournal(count);
      QMetaObject::invokeMethod(
          mailbox,
          [this, entries = std::move(entries)]() mutable {
            if (journalLoaded_) journalLoaded_(std::move(entries));
          },
          Qt::QueuedConnection);
    };
  }
  writer_ = std::make_unique<HistoryWriter>(std::move(options));
  location_ = location;
}

void HistoryRecorder::SetJournalLoaded(std::size_t count, JournalLoaded loaded) {
  journalCount_ = loaded ? count : 0;
  journalLoaded_ = std::move(loaded);
}

void HistoryRecorder::Stop(std::chrono::milliseconds timeout) {
  if (writer_) writer_->Flush(timeout);
  writer_.reset();
  // A problem told just now is still shown.
  if (mailbox_ && QCoreApplication::instance()) QCoreApplication::sendPostedEvents(mailbox_.get());
  mailbox_.reset();
}

ControllerKey HistoryRecorder::KeyOf(const SiteImages& images, int site) {
  return {images.SerialNumberText(site),
          static_cast<std::int16_t>(images.Word(site, reg::kProductCode.address))};
}

std::int64_t HistoryRecorder::IdentifiedAtMs(int site) const {
  const auto it = identifiedMs_.find(site);
  return it == identifiedMs_.end() ? 0 : it->second;
}

ParameterWords HistoryRecorder::ParameterSetOf(const SiteImages& images, int site) {
  ParameterWords words;
  for (std::uint16_t reg : ParameterRegisters()) words.emplace_back(reg, images.Word(site, reg));
  return words;
}

RecordPlace HistoryRecorder::PlaceOf(int site) const {
  return {KeyOf(images_, site), site, portName_ ? portName_() : std::string(), NowMs()};
}

void HistoryRecorder::Identified(int site) {
  if (!writer_ || !IsSite(site)) return;
  IdentificationRecord record;
  record.place = PlaceOf(site);
  identifiedMs_[site] = record.place.timeMs;
  const std::string deviceName = Cp936ToUtf8(images_.DeviceNameText(site));
  record.firmware = Cp936ToUtf8(VersionText(images_.DeviceNameText(site)));
  record.deviceName = deviceName;
  record.generatorName = GeneratorNameText(images_, site);
  record.operatorName = AuditOperator();
  writer_->Post(std::move(record));
  ParametersRead(site, ParameterSetKind::Read);
}

void HistoryRecorder::ParametersRead(int site, ParameterSetKind kind) {
  if (!writer_ || !IsSite(site)) return;
  writer_->Post(ParameterSetRecord{PlaceOf(site), kind, ParameterSetOf(images_, site)});
}

void HistoryRecorder::Wrote(const AuditRecord& audit) {
  if (!writer_ || !IsSite(audit.site)) return;
  WriteRecord record;
  record.place = PlaceOf(audit.site);
  record.place.port = audit.port;
  record.place.controller = {audit.serialNumber, audit.productCode};
  record.action = audit.action;
  record.outcome = audit.note.find("failed") != std::string::npos ? "failed" : "done";
  for (const AuditChange& c : audit.changes) record.changes.push_back({c.reg, c.before, c.after});
  record.note = audit.note;
  record.file = audit.file;
  record.operatorName = audit.operatorName.empty() ? AuditOperator() : audit.operatorName;
  writer_->Post(std::move(record));
}

void HistoryRecorder::EventLogRead(int site) {
  if (!writer_ || !IsSite(site)) return;
  const std::optional<int> start =
      EventLogStartRecord(images_.Word(site, reg::kEventLogPosition.address));
  if (!start) return;
  EventLogReadRecord record;
  record.place = PlaceOf(site);
  for (int row = 1; row <= kEventLogRows; ++row) {
    const auto words = images_.EventLogRecord(site, EventLogRecordOfRow(*start, row));
    EventRecordWords copy{};
    std::copy(words.begin(), words.end(), copy.begin());
    record.records.push_back(copy);
  }
  writer_->Post(std::move(record));
}

void HistoryRecorder::Sampled(int site, const TrendSample& sample) {
  if (!writer_ || !IsSite(site)) return;
  SampleRecord record;
  record.controller = KeyOf(images_, site);
  record.timeMs = sample.timeMs;
  record.gap = sample.gap;
  static_assert(kHistorySeries == kTrendSeriesCount);
  std::copy(sample.counts.begin(), sample.counts.end(), record.counts.begin());
  std::copy(sample.divisors.begin(), sample.divisors.end(), record.divisors.begin());
  writer_->Post(std::move(record));
}

void HistoryRecorder::AlarmJournalled(AlarmJournalRecord record) {
  if (!writer_ || !IsSite(record.place.address)) return;
  const RecordPlace place = PlaceOf(record.place.address);
  record.place.controller = place.controller;
  record.place.port = place.port;
  writer_->Post(std::move(record));
}

void HistoryRecorder::AlarmAcknowledged(const AlarmAcknowledgement& acknowledgement) {
  if (writer_) writer_->Post(acknowledgement);
}

}  // namespace vorel
