// The live trends of the online sites: each poll that brings a site's new values adds them to
// its buffer (one hour kept), stamped with the time the reply arrived, whatever page its window
// shows; a failed poll leaves a gap. A new connection empties them. A site's buffer is made at
// its first sample and reused from then on, so a sample never allocates. "Export CSV..." of the
// monitor's trend view writes a buffer out.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/site_images.h"
#include "core/trend_buffer.h"
#include "link/host.h"

namespace vorel {

// The dialog of the trend export.
inline constexpr const char* kTrendCsvFilter = "CSV (*.csv)|*.csv";

class HistoryRecorder;

class TrendRecorder {
 public:
  TrendRecorder(Host& host, const SiteImages& images);

  // Every buffer emptied (Connect).
  void Clear();
  // One sample of the site's value image, taken when a poll brought it; `timeMs` is when the
  // reply arrived (wall-clock milliseconds since the epoch).
  void Sample(int site, std::int64_t timeMs);
  // A poll of the site failed at `timeMs`: one gap after the last sample (none before the
  // first sample, nor a second one in a row).
  void Gap(int site, std::int64_t timeMs);
  // Null for a bad site or one never sampled.
  const TrendBuffer* Buffer(int site) const;

  // The site's trend into a CSV file chosen by the user.
  void ExportCsv(int site);
  // The same without the dialog (tests, vorel-cli). False, with "Unable to write to %s" shown
  // through the host, when the file cannot be written.
  bool ExportCsvFile(int site, const std::string& path);
  // Every sample and gap goes to the history too.
  void SetHistory(HistoryRecorder* history) { history_ = history; }

 private:
  HistoryRecorder* history_ = nullptr;
  Host& host_;
  const SiteImages& images_;
  std::array<std::unique_ptr<TrendBuffer>, kSiteCount> buffers_;
};

}  // namespace vorel
