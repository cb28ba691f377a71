#include "control/site_history.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <chrono>
#include <memory>

#include "core/editor_model.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "store/history_problem.h"

namespace vorel {

std::vector<ParameterDifference> ParameterSetChanges(int productCode, const ParameterWords& before,
                                                     const ParameterWords& now) {
  // Side a is site 1, side b site 2 of an image of their own, each shown by its own editors.
  auto images = std::make_unique<SiteImages>();
  for (int site : {1, 2})
    images->SetWord(site, reg::kProductCode.address, static_cast<std::uint16_t>(productCode));
  for (const auto& [r, w] : before) images->SetWord(1, r, w);
  for (const auto& [r, w] : now) images->SetWord(2, r, w);
  EditorModel first, second;
  first.AdaptToControllerType(static_cast<std::uint16_t>(productCode), false);
  second.AdaptToControllerType(static_cast<std::uint16_t>(productCode), false);
  first.Load(*images, 1);
  second.Load(*images, 2);
  return CompareParameters({*images, 1, first}, {*images, 2, second});
}

SiteHistory ReadSiteHistory(const SiteHistoryRequest& request) {
  const auto started = std::chrono::steady_clock::now();
  SiteHistory history;
  HistoryStore store;
  if (const auto problem = store.Open(request.location)) {
    history.problem = HistoryProblemMessage(*problem);
    return history;
  }
  const ControllerKey& key = request.controller;
  history.visits = store.Visits(key);
  history.writes = store.Writes(key);

  const std::int64_t visitStart = request.visitStartMs > 0 ? request.visitStartMs
                                  : history.visits.empty() ? 0
                                                           : history.visits.back().timeMs;
  const std::vector<StoredSet> sets = store.Sets(key);
  const StoredSet* before = nullptr;
  for (const StoredSet& set : sets)
    if (set.timeMs < visitStart) before = &set;
  const ParameterWords* now = request.now    ? &*request.now
                              : sets.empty() ? nullptr
                                             : &sets.back().words;
  if (before && now) {
    history.baselineMs = before->timeMs;
    history.changes = ParameterSetChanges(key.productCode, before->words, *now);
  }

  EventLogContext context;
  context.controllerType = static_cast<std::uint16_t>(key.productCode);
  history.eventTitles = EventLogTitles(context);
  for (const StoredEvent& e : store.Events(key))
    history.events.push_back({e.firstReadMs, e.code, EventLogRecordCells(context, e.record)});

  if (request.dayEndMs > request.dayStartMs)
    history.samples = store.Samples(key, request.dayStartMs, request.dayEndMs);
  history.readMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return history;
}

void ReadSiteHistoryLater(SiteHistoryRequest request, QObject* receiver,
                          std::function<void(SiteHistory)> done) {
  QPointer<QObject> target(receiver);
  QThreadPool::globalInstance()->start(
      [request = std::move(request), target, done = std::move(done)]() mutable {
        auto history = std::make_shared<SiteHistory>(ReadSiteHistory(request));
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        // Delivered through the application object, which outlives every window; the receiver is
        // looked at only there, on its own thread.
        QMetaObject::invokeMethod(
            app,
            [target, done = std::move(done), history] {
              if (target) done(std::move(*history));
            },
            Qt::QueuedConnection);
      });
}

}  // namespace vorel
