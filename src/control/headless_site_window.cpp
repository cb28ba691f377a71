#include "control/headless_site_window.h"

#include "control/settings.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {

std::function<std::unique_ptr<SiteWindow>(int site, SiteCommands&)> HeadlessSiteWindow::Factory(
    SiteImages& images, const SiteSlots& siteSlots) {
  return [&images, &siteSlots](int site, SiteCommands&) -> std::unique_ptr<SiteWindow> {
    return std::make_unique<HeadlessSiteWindow>(images, siteSlots, site);
  };
}

void HeadlessSiteWindow::SetUpWindow() {
  editors_.AdaptToControllerType(images_.Word(site_, reg::kProductCode.address), IsFactoryLevel());
  if (slots_.IsOnline(site_)) editors_.ApplyEditorLimits(images_, site_);
  editors_.Load(images_, site_);
}

void HeadlessSiteWindow::LoadAllPages() {
  editors_.Load(images_, site_);
}

void HeadlessSiteWindow::StoreAllPages() {
  editors_.Store(images_, site_);
}

void HeadlessSiteWindow::SetStatusPanel(int panel, const std::string& text) {
  if (panel >= 0 && panel < kPanels) panels_[static_cast<std::size_t>(panel)] = text;
}

std::string HeadlessSiteWindow::StatusPanelText(int panel) const {
  return panel >= 0 && panel < kPanels ? panels_[static_cast<std::size_t>(panel)] : std::string();
}

}  // namespace vorel
