// The parameter windows of the sites, as the use cases find them; the session owns them.
#pragma once

#include <cstdint>
#include <memory>

#include "control/site_window.h"

namespace vorel {

class SiteWindows {
 public:
  // Null for a bad site or one without a window.
  virtual SiteWindow* Window(int site) const = 0;
  // Caption and status panels 0 and 2 of the site's window from the value image.
  virtual void ShowSiteCaption(int site) = 0;
  // Creates the window of a newly identified site (none without a window factory).
  virtual std::unique_ptr<SiteWindow> MakeWindow(int site) = 0;
  // Puts a window into a slot with its state (245 online, 246 opened from a file).
  virtual void SetWindow(int site, std::unique_ptr<SiteWindow> window, std::int16_t state) = 0;
  // Destroys the site's window and frees its slot; deferred while an exchange runs (a window
  // must not go while its own exchange is under way). True when the slot was freed now.
  virtual bool FreeSlot(int site) = 0;
  virtual bool AnyWindow() const = 0;

 protected:
  ~SiteWindows() = default;
};

}  // namespace vorel
