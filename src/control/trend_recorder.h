// The live trends of the online sites: at every value-refresh tick each online site's numbers
// are added to its buffer (one hour kept), whatever page its window shows; a new connection
// empties them. A site's buffer is made at its first sample and reused from then on, so a
// sample never allocates. "Export CSV..." of the monitor's trend view writes a buffer out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/site_images.h"
#include "core/trend_buffer.h"
#include "link/host.h"

namespace vorel {

// The dialog of the trend export.
inline constexpr const char* kTrendCsvFilter = "CSV (*.csv)|*.csv";

class TrendRecorder {
 public:
  TrendRecorder(Host& host, const SiteImages& images);

  // Every buffer emptied (Connect).
  void Clear();
  // One sample of the site's value image, timed by the wall clock.
  void Sample(int site);
  // Null for a bad site or one never sampled.
  const TrendBuffer* Buffer(int site) const;

  // The site's trend into a CSV file chosen by the user.
  void ExportCsv(int site);
  // The same without the dialog (tests, vorel-cli). False, with "Unable to write to %s" shown
  // through the host, when the file cannot be written.
  bool ExportCsvFile(int site, const std::string& path);

  // Wall-clock milliseconds since the epoch; tests may set their own clock.
  void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

 private:
  Host& host_;
  const SiteImages& images_;
  std::array<std::unique_ptr<TrendBuffer>, kSiteCount> buffers_;
  std::function<std::int64_t()> clock_;
};

}  // namespace vorel
