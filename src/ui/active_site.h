// The active site: the lowest site number whose slot has a window and whose window is the
// application's active window; 0 when there is none.
#pragma once

#include <functional>

#include "control/site_slots.h"

class QWidget;

namespace vorel {

// `windowOf` gives a site's parameter window (nullptr when none); `active` is the
// application's active window.
int ActiveSite(const SiteSlots& siteSlots, const std::function<const QWidget*(int site)>& windowOf,
               const QWidget* active);
// The same with the application's active window.
int ActiveSite(const SiteSlots& siteSlots, const std::function<const QWidget*(int site)>& windowOf);

}  // namespace vorel
