// The parameter window's Write and "Undo last write": the registers the user changed (edited in
// the window or set by a loaded file) go through the checked write sequence, after the window
// showed the change list and the user said OK. A register the user did not touch is never
// sent, so counters, the clock and a name left as it was stay as the controller has them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "control/curve_writer.h"
#include "control/safe_write.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "core/editor_model.h"
#include "core/site_images.h"
#include "files/parameter_file.h"

namespace vorel {

// The words the editors store that differ from what the same editors store when loaded from
// `loaded` (the words the window last loaded from the controller). Both sides go through the
// same store pass, so a value the store pass only reshapes (a name's padding) is no change.
std::vector<LoadedWord> EditedWords(const EditorModel& editors,
                                    std::span<const std::uint16_t> loaded);

class WindowWriter {
 public:
  WindowWriter(Host& host, SiteImages& images, SiteSlots& siteSlots, ModbusLink& link,
               SiteWindows& windows, ExchangeControl& exchange, RegisterRequests& requests,
               ParameterTransfer& parameters, CurveWriter& curves)
      : host_(host),
        images_(images),
        slots_(siteSlots),
        link_(link),
        windows_(windows),
        exchange_(exchange),
        requests_(requests),
        parameters_(parameters),
        curves_(curves) {}

  // Write of the site's window: the change list, then the checked sequence after OK.
  SafeWriteResult Write(int site);
  // The snapshot of the last write of this session back through the same sequence.
  SafeWriteResult Undo(int site);
  bool UndoAvailable(int site) const;
  // The curve editor's Write: on an online site the curve through the checked sequence (no
  // preview: the editor shows it); otherwise into the value image as the curve writer does.
  CurveWriteResult WriteCurve(int site, int channel, const SensorCurve& curve);
  // tbPswChange: the new password through the checked sequence.
  SafeWriteResult ChangePassword(int site, const std::string& password);

 private:
  SafeWriteResult Run(int site, SafeWriteRequest request);
  // The messages, the rollback and the ending of a write that did not end as written.
  void Show(const SafeWriteResult& result);
  // Undo takes the snapshot of a write that went out.
  void KeepSnapshot(int site, const SafeWriteResult& result);

  Host& host_;
  SiteImages& images_;
  SiteSlots& slots_;
  ModbusLink& link_;
  SiteWindows& windows_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
  ParameterTransfer& parameters_;
  CurveWriter& curves_;
  std::array<std::string, kSiteCount> snapshots_{};
};

}  // namespace vorel
