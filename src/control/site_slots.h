// The per-site slots of the main window: which sites have a parameter window, and of which
// kind. Site n (1 to 32) is also the Modbus slave address.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "control/settings.h"
#include "files/file_identity.h"

namespace vorel {

inline constexpr std::int16_t kWindowNone = 300;     // no window (initial)
inline constexpr std::int16_t kWindowOnline = 245;   // created by identifying the controller
inline constexpr std::int16_t kWindowOffline = 246;  // opened from a parameter file

// The communication state a site starts with: no usable result yet.
inline constexpr int kCommStateNone = 299;

class SiteSlots {
 public:
  SiteSlots() { Reset(); }

  // Every site back to "no window".
  void Reset() {
    windowState_.fill(kWindowNone);
    fileLoaded_.fill(false);
    parameters_.fill({});
    eventLogs_.fill({});
    windowSince_.fill(0);
  }

  // Sites outside 1 to 32 read as "no window" and are never written.
  std::int16_t WindowState(int site) const {
    return Valid(site) ? windowState_[site - 1] : kWindowNone;
  }
  void SetWindowState(int site, std::int16_t state) {
    if (Valid(site)) windowState_[site - 1] = state;
  }
  bool IsOnline(int site) const { return WindowState(site) == kWindowOnline; }
  bool AnyOnline() const {
    for (auto s : windowState_)
      if (s == kWindowOnline) return true;
    return false;
  }

  // Set when a parameter file was loaded into the site's window; cleared when the site is
  // identified and when its parameters are read.
  bool FileLoaded(int site) const { return Valid(site) && fileLoaded_[site - 1]; }
  void SetFileLoaded(int site, bool loaded) {
    if (Valid(site)) fileLoaded_[site - 1] = loaded;
  }

  // Noted now: the window's parameters (or event log) came from `file`, or from the controller
  // when its path is empty (`partial` when that read stopped part-way).
  void NoteParameters(int site, FileIdentity file, bool partial = false) {
    if (Valid(site)) parameters_[site - 1] = Now(std::move(file), partial);
  }
  void NoteEventLog(int site, FileIdentity file) {
    if (Valid(site)) eventLogs_[site - 1] = Now(std::move(file), false);
  }
  // A new window in the slot: nothing of the one before; its visit starts now.
  void ForgetSources(int site) {
    if (!Valid(site)) return;
    parameters_[site - 1] = {};
    eventLogs_[site - 1] = {};
    windowSince_[site - 1] = Now({}, false).at;
  }
  // When the slot's window was put there (0: never).
  std::int64_t WindowSince(int site) const { return Valid(site) ? windowSince_[site - 1] : 0; }
  PartSource Parameters(int site) const {
    return Valid(site) ? parameters_[site - 1] : PartSource{};
  }
  PartSource EventLog(int site) const { return Valid(site) ? eventLogs_[site - 1] : PartSource{}; }

  static bool Valid(int site) { return site >= 1 && site <= kSiteCount; }

 private:
  std::array<std::int16_t, kSiteCount> windowState_{};
  static PartSource Now(FileIdentity file, bool partial) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return {true, std::move(file), std::chrono::duration_cast<std::chrono::seconds>(now).count(),
            partial};
  }

  std::array<bool, kSiteCount> fileLoaded_{};
  std::array<PartSource, kSiteCount> parameters_{};
  std::array<PartSource, kSiteCount> eventLogs_{};
  std::array<std::int64_t, kSiteCount> windowSince_{};
};

}  // namespace vorel
