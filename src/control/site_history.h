// What the site window's History page shows of one controller, read from the history database
// in one go: the visits and writes for the timeline, the parameters that differ between the
// last set stored before this visit and the controller now, the merged event history as the
// event-log grid's cells, and the samples of one day. Reading opens a connection of its own,
// so it runs on any thread; ReadSiteHistoryLater runs it on a worker and hands the result to
// the caller's thread.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/event_log.h"
#include "files/parameter_compare.h"
#include "store/history_location.h"
#include "store/history_records.h"
#include "store/history_store.h"

namespace vorel {

struct SiteHistoryRequest {
  HistoryLocation location;
  ControllerKey controller;
  // The controller's parameters now; without them the newest stored set stands for now.
  std::optional<ParameterWords> now;
  // Sets from this time on belong to the current visit (0: the newest stored visit starts it).
  std::int64_t visitStartMs = 0;
  // The day whose samples are read: [dayStartMs, dayEndMs).
  std::int64_t dayStartMs = 0;
  std::int64_t dayEndMs = 0;
};

struct StoredEventRow {
  std::int64_t firstReadMs = 0;
  int code = 0;
  EventLogRowCells cells;
};

struct SiteHistory {
  // Why nothing could be read (the database's message in the current language).
  std::optional<std::string> problem;
  std::vector<StoredVisit> visits;
  std::vector<StoredWrite> writes;
  // The set the changes are counted from (nothing: no set stored before this visit).
  std::optional<std::int64_t> baselineMs;
  std::vector<ParameterDifference> changes;
  EventLogRowTexts eventTitles{};
  std::vector<StoredEventRow> events;
  std::vector<SampleRecord> samples;
  // How long the reading took.
  double readMs = 0;
};

SiteHistory ReadSiteHistory(const SiteHistoryRequest& request);

// The differences between two parameter sets of one controller type, as the compare dialog
// lists them (`before` is side a).
std::vector<ParameterDifference> ParameterSetChanges(int productCode, const ParameterWords& before,
                                                     const ParameterWords& now);

// Reads on a pool thread; `done` runs on `receiver`'s thread, and not at all when the receiver
// went meanwhile.
void ReadSiteHistoryLater(SiteHistoryRequest request, QObject* receiver,
                          std::function<void(SiteHistory)> done);

}  // namespace vorel
