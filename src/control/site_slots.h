// The per-site slots of the main window: which sites have a parameter window, and of which
// kind. Site n (1 to 32) is also the Modbus slave address.
#pragma once

#include <array>
#include <cstdint>

#include "control/settings.h"

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

  static bool Valid(int site) { return site >= 1 && site <= kSiteCount; }

 private:
  std::array<std::int16_t, kSiteCount> windowState_{};
  std::array<bool, kSiteCount> fileLoaded_{};
};

}  // namespace vorel
