// The cost of the history: recording 32 sites polled every 500 ms (this process's CPU share of
// one core and its resident growth, the writer thread included) over VOREL_HISTORY_SECONDS
// (default 60), then one site's year at the default thinning (SQLite file size) and the time
// of "changes since last visit" and of one day's trend with that year stored.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "store/history_store.h"
#include "store/history_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kDay = 86'400'000;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

std::int64_t WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

vorel::ControllerKey Site(int n) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "0000%08X", 0xAB000000u + static_cast<unsigned>(n));
  return {serial, 3101};
}

vorel::SampleRecord Sample(const vorel::ControllerKey& key, std::int64_t t) {
  vorel::SampleRecord s;
  s.controller = key;
  s.timeMs = t;
  for (std::size_t i = 0; i < s.counts.size(); ++i) {
    s.counts[i] = static_cast<std::int16_t>(
        1500 + 100 * std::sin(static_cast<double>(t) / 6e4 + static_cast<double>(i)));
    s.divisors[i] = i % 3 == 0 ? 10 : 1;
  }
  return s;
}

vorel::RecordPlace Place(const vorel::ControllerKey& key, std::int64_t t) {
  return {key, 1, "/dev/ttyUSB0", t};
}

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const char* env = std::getenv("VOREL_HISTORY_SECONDS");
  const double seconds = env ? std::atof(env) : 60.0;

  // 1. Recording: 32 sites, one sample each every 500 ms, through the writer's queue.
  {
    vorel::HistoryWriter::Options options;
    options.location.file = std::filesystem::path(dir.filePath("live.sqlite").toStdString());
    vorel::HistoryWriter writer(options);
    writer.Flush(std::chrono::seconds(10));
    const long rss0 = ResidentKiB();
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    auto next = t0;
    long posted = 0;
    while (MsSince(t0) < seconds * 1000) {
      const std::int64_t now = WallMs();
      for (int site = 1; site <= 32; ++site) {
        writer.Post(Sample(Site(site), now));
        ++posted;
      }
      next += std::chrono::milliseconds(500);
      std::this_thread::sleep_until(next);
    }
    writer.Flush(std::chrono::seconds(30));
    const double cpu = CpuSeconds() - cpu0;
    const double wall = MsSince(t0) / 1000;
    std::printf(
        "recording 32 sites at 500 ms: %ld samples, %.2f s CPU in %.1f s = %.3f %% of one "
        "core (budget 0.5 %%), resident +%.1f MB (budget 5 MB)\n",
        posted, cpu, wall, 100.0 * cpu / wall, static_cast<double>(ResidentKiB() - rss0) / 1024.0);
    std::fflush(stdout);
  }

  // 2. A year of one site: weekly visits with a parameter read (one parameter changed each
  // time), an event-log read each visit, and the samples thinning leaves.
  const std::filesystem::path yearFile = dir.filePath("year.sqlite").toStdString();
  const vorel::ControllerKey key = Site(1);
  const std::int64_t now = WallMs() / kMinute * kMinute;
  const std::int64_t start = now - 365 * kDay;
  {
    vorel::HistoryStore store;
    vorel::HistoryLocation location;
    location.file = yearFile;
    if (auto problem = store.Open(location)) {
      std::printf("cannot open %s\n", yearFile.c_str());
      return 1;
    }
    vorel::ParameterWords words;
    for (std::uint16_t r = 0x20; r < 0x20 + 330; ++r) words.emplace_back(r, r);
    std::vector<vorel::HistoryRecord> batch;
    int visit = 0;
    for (std::int64_t t = start; t < now; t += 7 * kDay, ++visit) {
      batch.push_back(
          vorel::IdentificationRecord{Place(key, t), "V5.10", "GC3101 V5.10", "North", "eng@pc"});
      words[static_cast<std::size_t>(visit % 330)].second += 1;
      batch.push_back(
          vorel::ParameterSetRecord{Place(key, t + 1000), vorel::ParameterSetKind::Read, words});
      vorel::EventLogReadRecord log{Place(key, t + 2000), {}};
      for (int e = 0; e < 112; ++e) {
        vorel::EventRecordWords record{};
        const int n = visit * 5 + e;  // five new events a week
        record[0] = static_cast<std::uint16_t>(n % 40 + 1);
        record[1] = static_cast<std::uint16_t>(n);
        record[2] = static_cast<std::uint16_t>(n >> 16);
        record[5] = 1500;
        log.records.push_back(record);
      }
      batch.push_back(std::move(log));
    }
    store.Add(batch);
    batch.clear();
    // Samples: every minute down to the hour before now, then every 500 ms.
    for (std::int64_t t = start; t < now;
         t += (now - t > vorel::kFullSampleSpanMs ? kMinute : 500)) {
      batch.push_back(Sample(key, t));
      if (batch.size() == 20'000) {
        store.Add(batch);
        batch.clear();
      }
    }
    store.Add(batch);
    auto onDisk = [&] {
      std::error_code ec;
      std::uintmax_t bytes = std::filesystem::file_size(yearFile, ec);
      const std::filesystem::path wal = yearFile.string() + "-wal";
      if (std::filesystem::exists(wal)) bytes += std::filesystem::file_size(wal, ec);
      return static_cast<double>(bytes) / 1e6;
    };
    // The worst case: a year at one a minute with nothing expired yet.
    std::printf(
        "year file before thinning (a year of samples at one a minute): %.1f MB (budget "
        "50 MB)\n",
        onDisk());
    store.ThinSamples(now, vorel::kDefaultKeepSamplesDays);
    std::printf(
        "a year of one site at the default thinning: %lld samples kept (%d days), %lld "
        "parameter sets for %lld records, %lld events\n",
        static_cast<long long>(store.CountRows("samples")), vorel::kDefaultKeepSamplesDays,
        static_cast<long long>(store.CountRows("parameter_sets")),
        static_cast<long long>(store.CountRows("set_records")),
        static_cast<long long>(store.CountRows("events")));
    store.Close();
    std::error_code ec;
    std::uintmax_t bytes = std::filesystem::file_size(yearFile, ec);
    const std::filesystem::path wal = yearFile.string() + "-wal";
    if (std::filesystem::exists(wal)) bytes += std::filesystem::file_size(wal, ec);
    std::printf("year file as grown (a year inserted, then thinned once): %.1f MB (budget 50 MB)\n",
                static_cast<double>(bytes) / 1e6);
    // What the file holds in steady state: thinning frees pages that later samples reuse.
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "vacuum");
      db.setDatabaseName(QString::fromStdString(yearFile.string()));
      if (db.open()) QSqlQuery(db).exec("VACUUM");
      db.close();
    }
    QSqlDatabase::removeDatabase("vacuum");
    bytes = std::filesystem::file_size(yearFile, ec);
    std::printf("year file in steady state (compacted): %.1f MB (budget 50 MB)\n",
                static_cast<double>(bytes) / 1e6);
  }

  // 3. The two questions of the History page, on a fresh connection.
  {
    vorel::HistoryStore store;
    vorel::HistoryLocation location;
    location.file = yearFile;
    store.Open(location);
    auto t0 = Clock::now();
    const auto keys = store.FindControllers(key.serial);
    const auto visits = store.Visits(keys.at(0));
    const auto sets = store.Sets(keys.at(0));
    const vorel::StoredSet* before = nullptr;
    for (const auto& s : sets)
      if (s.timeMs < visits.back().timeMs) before = &s;
    int changed = 0;
    for (std::size_t i = 0; before && i < sets.back().words.size(); ++i)
      changed += sets.back().words[i] != before->words[i];
    std::printf("changes since last visit: %d changed of %zu sets in %.1f ms (budget 200 ms)\n",
                changed, sets.size(), MsSince(t0));
    t0 = Clock::now();
    const auto events = store.Events(key);
    std::printf("the merged event history: %zu events in %.1f ms (budget 200 ms)\n", events.size(),
                MsSince(t0));
    t0 = Clock::now();
    const auto pastDay = store.Samples(key, now - 30 * kDay, now - 29 * kDay);
    std::printf("a past day's trend: %zu samples in %.1f ms (budget 200 ms)\n", pastDay.size(),
                MsSince(t0));
    t0 = Clock::now();
    const auto lastDay = store.Samples(key, now - kDay, now);
    std::printf("the last day's trend: %zu samples in %.1f ms (budget 200 ms)\n", lastDay.size(),
                MsSince(t0));
  }
  return 0;
}
