#include "control/service_report_writer.h"

#include <QDateTime>

#include "control/busy_notice.h"
#include "control/done_notices.h"
#include "control/identification.h"
#include "control/settings.h"
#include "core/cp936.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/service_report.h"

namespace vorel {

void ServiceReportWriter::Write(int site) {
  SiteWindow* w = windows_.Window(site);
  if (!w) return;
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
  if (WriteTo(site, *path, w->EventLogShown() ? &sheet : nullptr))
    TellDone(host_, DoneAction::Report, site, *path);
}

bool ServiceReportWriter::WriteTo(int site, const std::string& path,
                                  const EventLogSheet* eventLog) {
  FileError error;
  if (WriteFileAtomically(path, Html(site, eventLog), &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

std::string ServiceReportWriter::Html(int site, const EventLogSheet* eventLog) const {
  const SiteImages& images = images_;
  ServiceReportInput in;
  in.images = &images;
  in.site = site;
  in.factoryLevel = IsFactoryLevel();
  // A window shows the device name of its file or controller in panel 0.
  const SiteWindow* w = windows_.Window(site);
  in.deviceName = w ? w->StatusPanelText(0) : Cp936ToUtf8(images.DeviceNameText(site));
  in.firmware = VersionText(in.deviceName);
  in.readAt = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
  in.online = slots_.IsOnline(site);
  in.parametersFromFile = in.online && slots_.FileLoaded(site);
  in.eventLog = eventLog;
  return ServiceReportHtml(in);
}

}  // namespace vorel
