#include "control/parameter_file_transfer.h"

#include <memory>

#include "control/done_notices.h"
#include "control/exchange_scope.h"
#include "control/settings.h"
#include "core/editor_model.h"
#include "core/language.h"
#include "core/monitor_format.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "files/file_error.h"
#include "files/file_identity.h"
#include "files/parameter_file.h"
#include "files/parameter_keys.h"

namespace vorel {
namespace {

constexpr int kProgressHalf = 50;
constexpr int kProgressFull = 100;

}  // namespace

void ParameterFileTransfer::Save(int site) {
  if (!windows_.Window(site)) return;
  const std::optional<std::string> path =
      host_.AskSaveFileName(kParameterFileFilter, "dat", "default");
  if (path && SaveTo(site, *path)) TellDone(host_, DoneAction::Backup, site, *path);
}

bool ParameterFileTransfer::SaveTo(int site, const std::string& path) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return false;
  Host& host = host_;
  w->StoreAllPages();
  host.ShowProgress(true);
  host.SetProgress(0);
  FileError error;
  const bool saved =
      SaveParameterFile(path, w->Editors(), images_, site, w->StatusPanelText(0), &error);
  host.SetProgress(saved ? kProgressFull : 0);
  host.ShowProgress(false);
  host.SetProgress(0);
  if (!saved) host.ShowMessage(UnableToWriteMessage(path, error));
  if (saved) parameters_.RecordParameterSet(site, ParameterSetKind::Backup);
  return saved;
}

void ParameterFileTransfer::Load(int site) {
  if (!windows_.Window(site)) return;
  const std::optional<std::string> path = host_.AskOpenFileName(kParameterFileFilter, "dat");
  if (path && LoadFrom(site, *path)) TellDone(host_, DoneAction::Load, site, *path);
}

bool ParameterFileTransfer::LoadFrom(int site, const std::string& path) {
  if (!windows_.Window(site)) return false;
  host_.ShowProgress(true);
  const std::optional<ParameterFileContents> file = ReadFile(path);
  if (!file) return false;
  // A file that lacks keys loads their defaults only when the user says so.
  const std::vector<std::string>& missing = file->values.missingKeys;
  if (!missing.empty()) {
    std::string keys;
    for (const std::string& key : missing) keys += (keys.empty() ? "" : ", ") + key;
    std::string text(PickText("The file lacks %d keys: %s\nLoad their default values?",
                              "文件缺少 %d 个参数: %s\n载入其默认值吗？"));
    text.replace(text.find("%d"), 2, std::to_string(missing.size()));
    text.replace(text.find("%s"), 2, keys);
    host_.ShowProgress(false);
    if (host_.AskQuestion(site, std::string(PickText("Load", "载入")), text) != Answer::Yes)
      return false;
    host_.ShowProgress(true);
  }
  ApplyFile(site, *file);
  return true;
}

std::optional<ParameterFileContents> ParameterFileTransfer::ReadFile(const std::string& path,
                                                                     bool offline) {
  ParameterFileRead read = ReadParameterFile(path, offline);
  if (!read.ok()) {
    Host& host = host_;
    host.ShowProgress(false);
    host.SetProgress(0);
    host.ShowMessage(ParameterFileMessage(read, path));
    return std::nullopt;
  }
  return ParameterFileContents{path, std::move(read.values)};
}

void ParameterFileTransfer::ApplyFile(int site, const ParameterFileContents& file) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
  Host& host = host_;
  ApplyLoadedParameters(file.values, w->Editors(), images_, site);
  host.SetProgress(kProgressFull);
  host.ShowProgress(false);
  host.SetProgress(0);
  w->SetCaption(file.path);
  w->SetStatusPanel(0, file.values.deviceName);
  w->SetStatusPanel(2, file.path);
  slots_.SetFileLoaded(site, true);
  slots_.NoteParameters(site, IdentifyFile(file.path));
  parameters_.SetSourceFile(site, file.path);
  parameters_.SetLoadedSource(site, {SourceIdentity(file.values), file.values.limits});
  w->LoadAllPages();
}

std::optional<ParameterComparison> ParameterFileTransfer::Compare(int site) {
  if (!windows_.Window(site)) return std::nullopt;
  const std::optional<std::string> path = host_.AskOpenFileName(kParameterFileFilter, "dat");
  if (!path) return std::nullopt;
  return CompareWith(site, *path);
}

std::optional<ParameterComparison> ParameterFileTransfer::CompareWith(int site,
                                                                      const std::string& path) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return std::nullopt;
  constexpr int kScratchSite = 1;
  auto fileImages = std::make_unique<SiteImages>();
  auto fileEditors = std::make_unique<EditorModel>();
  const ParameterFileRead read = LoadParameterSide(path, *fileImages, kScratchSite, *fileEditors);
  if (!read.ok()) {
    host_.ShowMessage(ParameterFileMessage(read, path));
    return std::nullopt;
  }
  // The window's side: its store pass into a copy of the site's image, shown again by a copy
  // of its editors, so that comparing changes nothing the window or the poll sees.
  auto ownImages = std::make_unique<SiteImages>();
  const auto image = images_.Image(site);
  for (int a = 0; a < kImageWords; ++a)
    ownImages->SetWord(kScratchSite, a, image[static_cast<std::size_t>(a)]);
  auto ownEditors = std::make_unique<EditorModel>(w->Editors());
  ownEditors->Store(*ownImages, kScratchSite);
  ownEditors->Load(*ownImages, kScratchSite);
  return ParameterComparison{path, CompareParameters({*ownImages, kScratchSite, *ownEditors},
                                                     {*fileImages, kScratchSite, *fileEditors})};
}

void ParameterFileTransfer::OpenOffline() {
  const std::optional<std::string> path = host_.AskOpenFileName(kParameterFileFilter, "");
  if (path) OpenOfflineFrom(*path);
}

int ParameterFileTransfer::OpenOfflineFrom(const std::string& path) {
  const bool factory = ReadAccessLevel() == "factory";
  int site = 0;
  for (int n = 1; n <= kSiteCount && site == 0; ++n)
    if (slots_.WindowState(n) == kWindowNone) site = n;
  if (site == 0) return 0;

  Host& host = host_;
  host.ShowProgress(true);
  const std::optional<ParameterFileContents> file = ReadFile(path, true);
  if (!file) return 0;
  windows_.SetWindow(site, windows_.MakeWindow(site), kWindowOffline);
  SiteWindow* w = windows_.Window(site);
  if (!w) {
    windows_.FreeSlot(site);
    host.ShowProgress(false);
    return 0;
  }
  host.SetProgress(kProgressHalf);
  // Nothing of the unit last connected in this slot (serial number, name, clock, power save,
  // event-log position) may show as the file's: the value image starts from zero.
  for (int address = 0; address < kImageWords; ++address) images_.SetWord(site, address, 0);
  ApplyLoadedParameters(file->values, w->Editors(), images_, site);
  host.SetProgress(0);
  const std::int16_t productCode =
      static_cast<std::int16_t>(images_.Word(site, reg::kProductCode.address));
  w->SetCaption(path);
  w->SetStatusPanel(0, file->values.deviceName);
  w->SetStatusPanel(2, std::to_string(productCode));
  slots_.SetFileLoaded(site, true);
  slots_.NoteParameters(site, IdentifyFile(path));
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
