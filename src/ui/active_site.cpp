#include "ui/active_site.h"

#include <QApplication>
#include <QWidget>

namespace vorel {

int ActiveSite(const SiteSlots& siteSlots, const std::function<const QWidget*(int site)>& windowOf,
               const QWidget* active) {
  if (!active || !windowOf) return 0;
  for (int site = 1; site <= kSiteCount; ++site) {
    if (siteSlots.WindowState(site) != kWindowNone && windowOf(site) == active) return site;
  }
  return 0;
}

int ActiveSite(const SiteSlots& siteSlots,
               const std::function<const QWidget*(int site)>& windowOf) {
  return ActiveSite(siteSlots, windowOf, QApplication::activeWindow());
}

}  // namespace vorel
