// What the Read and Unlock controls of a parameter window do: reading the four parameter
// groups, unlocking the parameter protection and re-reading the sensor block before a curve is
// edited; and the audit trail's line of a write. Parameters are written only through the
// checked write sequence (SafeWrite).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/exchange_scope.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "control/transfer_result.h"
#include "control/write_preflight.h"
#include "core/site_images.h"
#include "files/audit_log.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/port_holder.h"
#include "store/history_records.h"

namespace vorel {

// The password of a four-position field's text: a blank, anything but a digit and a position
// the text does not reach count as "0" ("12" is 1200); only the first four characters count.
std::uint16_t PasswordValue(const std::string& text);

class HistoryRecorder;

// What a parameter file loaded into a window says of itself: the window's Write checks it
// against the controller before it sends anything.
struct LoadedSource {
  UnitIdentity identity;
  std::vector<LoadedLimit> limits;
};

class ParameterTransfer {
 public:
  // `port` names the line in the audit trail.
  ParameterTransfer(Host& host, SiteImages& images, SiteSlots& siteSlots, ModbusLink& link,
                    const PortHolder& port, SiteWindows& windows, ExchangeControl& exchange,
                    RegisterRequests& requests)
      : host_(host),
        images_(images),
        slots_(siteSlots),
        link_(link),
        port_(port),
        windows_(windows),
        exchange_(exchange),
        requests_(requests) {}

  // The four parameter groups into the value image, then the window reloaded; a failure ends
  // the read.
  TransferResult Read(int site);
  // Mode OFF (after the running-engine question), then the password (up to four characters;
  // blanks count as "0"), then the mode the set was found in: an unlock leaves the set running
  // as it was, and the writes switch it to OFF themselves for as long as they need it.
  TransferResult Unlock(int site, const std::string& password);
  // The sensor block again from the controller, with polling paused.
  TransferResult ReadSensorBlock(int site);
  // One line of the audit trail for a write to the site (the curve writer and the command
  // sender record their own); a failed append is reported and gives false, the write stands.
  bool RecordWrite(int site, const char* action, std::vector<AuditChange> changes,
                   const char* note);
  // The parameter file whose values the site's editors now hold (named in the audit trail);
  // a complete Read forgets it.
  void SetSourceFile(int site, std::string path);
  // Writes, complete reads and the parameter sets below go to the history too.
  void SetHistory(HistoryRecorder* history) { history_ = history; }
  // The site's parameters as they are now in its image, as a backup or a pre-write snapshot
  // in the history.
  void RecordParameterSet(int site, ParameterSetKind kind);
  // The identity and limits of the file loaded into the site's window; a complete Read
  // forgets them.
  void SetLoadedSource(int site, LoadedSource source);
  const std::optional<LoadedSource>& LoadedSourceOf(int site) const;

 private:
  HistoryRecorder* history_ = nullptr;
  TransferResult SendPassword(int site, std::uint16_t address, const std::string& text,
                              bool modeOff);

  Host& host_;
  SiteImages& images_;
  SiteSlots& slots_;
  ModbusLink& link_;
  const PortHolder& port_;
  SiteWindows& windows_;
  ExchangeControl& exchange_;
  RegisterRequests& requests_;
  std::array<std::string, kSiteCount> sourceFiles_;
  std::array<std::optional<LoadedSource>, kSiteCount> loadedSources_;
};

}  // namespace vorel
