// What the Backup and Load buttons of a parameter window and the main window's File entries do
// with parameter files: saving a site's editors and value image, loading a file into a site's
// window, opening a file in a new window that has no controller (an offline window, never
// polled). A file is converted completely before anything of it is applied. vorel-cli restore
// writes a file through the checked write (SafeWrite).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control/exchange_scope.h"
#include "control/parameter_transfer.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "core/site_images.h"
#include "files/parameter_compare.h"
#include "files/parameter_file.h"
#include "link/host.h"

namespace vorel {

// A parameter file read and converted completely, not yet applied.
struct ParameterFileContents {
  std::string path;
  LoadedParameters values;
};

class ParameterFileTransfer {
 public:
  ParameterFileTransfer(Host& host, SiteImages& images, SiteSlots& siteSlots, SiteWindows& windows,
                        ParameterTransfer& parameters)
      : host_(host),
        images_(images),
        slots_(siteSlots),
        windows_(windows),
        parameters_(parameters) {}

  // Backup: the save dialog, then SaveTo.
  void Save(int site);
  // The store pass, then the file with the progress window; "Unable to write to %s" on failure
  // (the old file stays as it was).
  bool SaveTo(int site, const std::string& path);
  // Load: the open dialog, then LoadFrom.
  void Load(int site);
  // The file's limits and values into the site's window and value image, caption and status
  // panels, the file-loaded mark and the load pass. A file that does not convert completely is
  // reported and changes nothing.
  bool LoadFrom(int site, const std::string& path);
  // The first half of LoadFrom: the whole file read and converted, nothing applied. A file
  // that does not convert is reported as Load reports it (progress window closed, message
  // shown) and gives nullopt. `offline` also reads the keys only an offline open reads.
  std::optional<ParameterFileContents> ReadFile(const std::string& path, bool offline = false);
  // The second half of LoadFrom: the file's limits and values into the site's window and value
  // image, caption and status panels, the file-loaded mark and the load pass.
  void ApplyFile(int site, const ParameterFileContents& file);
  // Compare with file: the open dialog of Load, then CompareWith.
  std::optional<ParameterComparison> Compare(int site);
  // The window's editors as Write would send them against the file as Load would read it;
  // nothing of the window or the value image changes. A file that does not convert is
  // reported as Load reports it (nullopt).
  std::optional<ParameterComparison> CompareWith(int site, const std::string& path);
  // The main window's File entries: the open dialog, then OpenOfflineFrom.
  void OpenOffline();
  // A new window in the lowest free slot (window state 246) from the file; the slot's number,
  // or 0 when no slot is free, the file does not convert or no window can be made.
  int OpenOfflineFrom(const std::string& path);

 private:
  Host& host_;
  SiteImages& images_;
  SiteSlots& slots_;
  SiteWindows& windows_;
  ParameterTransfer& parameters_;
};

}  // namespace vorel
