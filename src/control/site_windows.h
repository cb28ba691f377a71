// The parameter windows of the sites, as the use cases find them; the session owns them.
#pragma once

#include "control/site_window.h"

namespace vorel {

class SiteWindows {
 public:
  // Null for a bad site or one without a window.
  virtual SiteWindow* Window(int site) const = 0;

 protected:
  ~SiteWindows() = default;
};

}  // namespace vorel
