#include "control/parameter_file_transfer.h"

#include <memory>

#include "control/session.h"
#include "control/settings.h"
#include "core/editor_model.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "files/file_error.h"
#include "files/parameter_file.h"

namespace vorel {
namespace {

constexpr int kProgressHalf = 50;
constexpr int kProgressFull = 100;

}  // namespace

void ParameterFileTransfer::Save(int site) {
  if (!session_.Window(site)) return;
  const std::optional<std::string> path =
      session_.host().AskSaveFileName(kParameterFileFilter, "dat", "default");
  if (path) SaveTo(site, *path);
}

bool ParameterFileTransfer::SaveTo(int site, const std::string& path) {
  SiteWindow* w = session_.Window(site);
  if (!w) return false;
  Host& host = session_.host();
  w->StoreAllPages();
  host.ShowProgress(true);
  host.SetProgress(0);
  FileError error;
  const bool saved =
      SaveParameterFile(path, w->Editors(), session_.Images(), site, w->StatusPanelText(0), &error);
  host.SetProgress(saved ? kProgressFull : 0);
  host.ShowProgress(false);
  host.SetProgress(0);
  if (!saved) host.ShowMessage(UnableToWriteMessage(path, error));
  return saved;
}

void ParameterFileTransfer::Load(int site) {
  if (!session_.Window(site)) return;
  const std::optional<std::string> path =
      session_.host().AskOpenFileName(kParameterFileFilter, "dat");
  if (path) LoadFrom(site, *path);
}

bool ParameterFileTransfer::LoadFrom(int site, const std::string& path) {
  SiteWindow* w = session_.Window(site);
  if (!w) return false;
  Host& host = session_.host();
  host.ShowProgress(true);
  const ParameterFileRead read = ReadParameterFile(path, false);
  if (!read.ok()) {
    host.ShowProgress(false);
    host.SetProgress(0);
    host.ShowMessage(ParameterFileMessage(read, path));
    return false;
  }
  ApplyLoadedParameters(read.values, w->Editors(), session_.Images(), site);
  host.SetProgress(kProgressFull);
  host.ShowProgress(false);
  host.SetProgress(0);
  w->SetCaption(path);
  w->SetStatusPanel(0, read.values.deviceName);
  w->SetStatusPanel(2, path);
  session_.Slots().SetFileLoaded(site, true);
  w->LoadAllPages();
  return true;
}

std::optional<ParameterComparison> ParameterFileTransfer::Compare(int site) {
  if (!session_.Window(site)) return std::nullopt;
  const std::optional<std::string> path =
      session_.host().AskOpenFileName(kParameterFileFilter, "dat");
  if (!path) return std::nullopt;
  return CompareWith(site, *path);
}

std::optional<ParameterComparison> ParameterFileTransfer::CompareWith(int site,
                                                                      const std::string& path) {
  SiteWindow* w = session_.Window(site);
  if (!w) return std::nullopt;
  constexpr int kScratchSite = 1;
  auto fileImages = std::make_unique<SiteImages>();
  auto fileEditors = std::make_unique<EditorModel>();
  const ParameterFileRead read = LoadParameterSide(path, *fileImages, kScratchSite, *fileEditors);
  if (!read.ok()) {
    session_.host().ShowMessage(ParameterFileMessage(read, path));
    return std::nullopt;
  }
  // The window's side: its store pass into a copy of the site's image, shown again by a copy
  // of its editors, so that comparing changes nothing the window or the poll sees.
  auto ownImages = std::make_unique<SiteImages>();
  const auto image = session_.Images().Image(site);
  for (int a = 0; a < kImageWords; ++a)
    ownImages->SetWord(kScratchSite, a, image[static_cast<std::size_t>(a)]);
  auto ownEditors = std::make_unique<EditorModel>(w->Editors());
  ownEditors->Store(*ownImages, kScratchSite);
  ownEditors->Load(*ownImages, kScratchSite);
  return ParameterComparison{path, CompareParameters({*ownImages, kScratchSite, *ownEditors},
                                                     {*fileImages, kScratchSite, *fileEditors})};
}

void ParameterFileTransfer::OpenOffline() {
  const std::optional<std::string> path = session_.host().AskOpenFileName(kParameterFileFilter, "");
  if (path) OpenOfflineFrom(*path);
}

int ParameterFileTransfer::OpenOfflineFrom(const std::string& path) {
  const bool factory = ReadAccessLevel() == "factory";
  int site = 0;
  for (int n = 1; n <= kSiteCount && site == 0; ++n)
    if (session_.Slots().WindowState(n) == kWindowNone) site = n;
  if (site == 0) return 0;

  Host& host = session_.host();
  host.ShowProgress(true);
  const ParameterFileRead read = ReadParameterFile(path, true);
  if (!read.ok()) {
    host.ShowProgress(false);
    host.SetProgress(0);
    host.ShowMessage(ParameterFileMessage(read, path));
    return 0;
  }
  session_.SetWindow(site, session_.MakeWindow(site), kWindowOffline);
  SiteWindow* w = session_.Window(site);
  if (!w) {
    session_.FreeSlot(site);
    host.ShowProgress(false);
    return 0;
  }
  host.SetProgress(kProgressHalf);
  ApplyLoadedParameters(read.values, w->Editors(), session_.Images(), site);
  host.SetProgress(0);
  const std::int16_t productCode =
      static_cast<std::int16_t>(session_.Images().Word(site, reg::kProductCode.address));
  w->SetCaption(path);
  w->SetStatusPanel(0, read.values.deviceName);
  w->SetStatusPanel(2, std::to_string(productCode));
  session_.Slots().SetFileLoaded(site, true);
  host.ShowProgress(false);
  host.SetProgress(0);

  w->SetWindowEnabled(true);
  const bool eventLogPage = factory || productCode == 3105 || productCode == 3108;
  w->SetPageVisibility(false, eventLogPage);
  w->ShowWindow();
  // The set-up sees window state 246: no descriptor limits (the file's stand), no controller
  // buttons. Its window texts retitle the window, so the file's path is put back.
  w->SetUpWindow();
  w->SetCaption(path);
  return site;
}

}  // namespace vorel
