#include "control/trend_recorder.h"

#include <vector>

#include "control/history_recorder.h"
#include "control/poll_scheduler.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/trend_csv.h"

namespace vorel {

static_assert(kTrendSampleIntervalMs < (kSiteCount + 3) * kPollIntervalMs,
              "a site is polled at most once per sample interval");

TrendRecorder::TrendRecorder(Host& host, const SiteImages& images) : host_(host), images_(images) {}

void TrendRecorder::Clear() {
  for (auto& buffer : buffers_)
    if (buffer) buffer->Clear();
}

void TrendRecorder::Sample(int site, std::int64_t timeMs) {
  if (!IsSite(site)) return;
  auto& buffer = buffers_[static_cast<std::size_t>(site - 1)];
  if (!buffer) buffer = std::make_unique<TrendBuffer>();
  buffer->Add(TakeTrendSample(images_, site, timeMs));
  if (history_) history_->Sampled(site, buffer->At(buffer->Size() - 1));
}

void TrendRecorder::Gap(int site, std::int64_t timeMs) {
  if (!IsSite(site)) return;
  TrendBuffer* buffer = buffers_[static_cast<std::size_t>(site - 1)].get();
  if (!buffer || buffer->Size() == 0 || buffer->At(buffer->Size() - 1).gap) return;
  buffer->Add(TrendGap(timeMs));
  if (history_) history_->Sampled(site, buffer->At(buffer->Size() - 1));
}

const TrendBuffer* TrendRecorder::Buffer(int site) const {
  return IsSite(site) ? buffers_[static_cast<std::size_t>(site - 1)].get() : nullptr;
}

void TrendRecorder::ExportCsv(int site) {
  if (!IsSite(site)) return;
  const std::optional<std::string> path = host_.AskSaveFileName(kTrendCsvFilter, "csv", "trend");
  if (!path) return;
  ExportCsvFile(site, *path);
}

bool TrendRecorder::ExportCsvFile(int site, const std::string& path) {
  std::vector<std::string> titles;
  for (int s = 0; s < kTrendSeriesCount; ++s) titles.push_back(TrendSeriesTitle(images_, site, s));
  static const TrendBuffer kEmpty(1);
  const TrendBuffer* buffer = Buffer(site);
  FileError error;
  if (WriteFileAtomically(path, TrendCsv(buffer ? *buffer : kEmpty, titles), &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

}  // namespace vorel
