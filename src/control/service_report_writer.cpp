#include "control/service_report_writer.h"

#include <QDateTime>

#include "control/busy_notice.h"
#include "control/done_notices.h"
#include "control/identification.h"
#include "control/live_data_age.h"
#include "control/report_fields_settings.h"
#include "control/settings.h"
#include "core/cp936.h"
#include "files/atomic_file.h"
#include "files/audit_entries.h"
#include "files/file_error.h"
#include "files/service_report.h"

namespace vorel {

void ServiceReportWriter::Write(int site) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
  // Kept per controller; a window opened from a file stands for none.
  const std::string serial = slots_.IsOnline(site) ? images_.SerialNumberText(site) : "";
  ReportOptions options{LoadReportFields(serial), 0};
  if (!host_.AskReportFields(site, options.fields)) return;
  SaveReportFields(serial, options.fields);
  const std::optional<std::string> path =
      host_.AskSaveFileName(kServiceReportFilter, "html", "report");
  if (!path) return;
  if (slots_.IsOnline(site) && !w->EventLogShown()) {
    // Busy: told, and the report goes without the log as after a failed read. Cancel stops
    // the report too: nothing is written.
    const TransferResult read = TellIfBusy(host_, eventLog_.Read(site));
    if (read.status == TransferStatus::Cancelled) return;
    if (!(w = windows_.Window(site))) return;  // closed while the log was read
  }
  const EventLogSheet sheet = w->EventLogCells();
  if (WriteTo(site, *path, w->EventLogShown() ? &sheet : nullptr, options))
    TellDone(host_, DoneAction::Report, site, *path);
}

bool ServiceReportWriter::WriteTo(int site, const std::string& path, const EventLogSheet* eventLog,
                                  const ReportOptions& options) {
  FileError error;
  if (WriteFileAtomically(path, Html(site, eventLog, options), &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

std::string ServiceReportWriter::Html(int site, const EventLogSheet* eventLog,
                                      const ReportOptions& options) const {
  const SiteImages& images = images_;
  ServiceReportInput in;
  in.images = &images;
  in.site = site;
  in.factoryLevel = IsFactoryLevel();
  // A window shows the device name of its file or controller in panel 0.
  const SiteWindow* w = windows_.Window(site);
  in.deviceName = w ? w->StatusPanelText(0) : Cp936ToUtf8(images.DeviceNameText(site));
  in.firmware = VersionText(in.deviceName);
  in.madeAt = QDateTime::currentSecsSinceEpoch();
  in.online = slots_.IsOnline(site);
  in.parameters = slots_.Parameters(site);
  in.eventLog = slots_.EventLog(site);
  in.eventLogSheet = eventLog;
  in.fields = options.fields;
  if (in.online) {
    // The controller's writes of this visit: the audit trail's lines for its serial number.
    std::string trail;
    FileError error;
    if (ReadAuditTrail(AuditLogPath(), &trail, &error)) {
      const std::int64_t since =
          options.changesSince ? options.changesSince : slots_.WindowSince(site);
      in.changes = AuditEntriesFor(trail, images.SerialNumberText(site), since);
    }
    // The clock in the image is as the last good poll brought it.
    in.liveReadAt = options.liveReadAt               ? options.liveReadAt
                    : age_ && age_->EverPolled(site) ? age_->SinceWallMs(site) / 1000
                                                     : in.madeAt;
  }
  return ServiceReportHtml(in);
}

}  // namespace vorel
