// The seam between a site's parameter window and the control layer, one interface each way:
// SiteWindow is what connecting, polling and transfers need of the window; SiteCommands is
// what the window's controls ask of the session. The widget window (ParameterWindow)
// implements SiteWindow; control-layer tests use a recording fake, and vorel-cli runs the same
// sequences with no window at all, or with a window without widgets (HeadlessSiteWindow).
#pragma once

#include <QDate>
#include <QTime>
#include <optional>
#include <string>

#include "control/curve_writer.h"
#include "control/write_preflight.h"
#include "core/editor_model.h"
#include "core/event_log.h"
#include "core/remote_commands.h"
#include "core/trend_buffer.h"
#include "files/parameter_compare.h"

namespace vorel {

class SiteWindow {
 public:
  virtual ~SiteWindow() = default;

  // Sets up every page in its fixed order and shows all parameter values from the value image.
  virtual void SetUpWindow() = 0;
  // Value image -> editors -> grids, and the reverse (the store pass runs before a write).
  // The load pass leaves a picker whose changed mark is set alone; the store pass stores date
  // and time only while their marks are set.
  virtual void LoadAllPages() = 0;
  virtual void StoreAllPages() = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  // Panels of the window's status bar: 0 connection, 1 protection, 2 type, 3 last reply.
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;
  // The monitor page and the event-log page.
  virtual void SetPageVisibility(bool statusPage, bool eventLogPage) = 0;
  virtual void SetWindowEnabled(bool enabled) = 0;
  virtual void ShowWindow() = 0;

  // Refresh tick: the controller clock (nullopt where the controller's text does not convert).
  // A picker whose changed mark is clear is set to the value and its grid row (6 date, 7 time)
  // gets the picker's value in the locale's short date / long time format; a marked picker and
  // its row are left alone. Then the monitor's clock label `lbTime` = row 6 + "  " + row 7.
  virtual void ShowControllerClock(std::optional<QDate> date, std::optional<QTime> time) = 0;
  // `tbUnlock` shown pressed (unlocked) or released. Panel 1's text is set by the caller.
  virtual void ShowProtectionState(bool unlocked) = 0;
  // The monitor page redraws itself from the value image.
  virtual void RefreshMonitor() = 0;
  // Refresh tick: whether the live values are stale (a poll failed, or none came for three
  // poll periods) with "no reply since hh:mm:ss" to show, or live again (empty text).
  virtual void ShowDataAge(bool stale, const std::string& text) {
    (void)stale;
    (void)text;
  }

  // The pickers' changed marks (set only by the user changing `dtpDate` / `dtpTime`).
  virtual bool DateChanged() const = 0;
  virtual bool TimeChanged() const = 0;
  virtual void ClearDateChanged() = 0;
  virtual void ClearTimeChanged() = 0;
  // Whether the serial-number editor `medMasterSN` is enabled (its registers are then written).
  virtual bool SerialNumberEditable() const = 0;
  // Yes to "Modify sensor chart?": as if the three curve buttons were clicked in turn.
  virtual void OpenCurveEditors() = 0;
  // The event-log page refilled from the site's event-log image: titles and, when the site's
  // event-log position is valid, rows 1 to 112 in ring order (otherwise the rows stay).
  virtual void RefillEventLog() = 0;
  // After a complete read of the log: the grid is shown and its Save button enabled.
  virtual void ShowEventLogComplete() = 0;
  // Whether the grid is shown: a complete read or a log file has filled it.
  virtual bool EventLogShown() const = 0;
  // The texts of the grid as shown (row 0 the titles, column 0 the row numbers).
  virtual EventLogSheet EventLogCells() const = 0;
  // Rows 1 to 112, columns 1 to 26 from a log file, and the grid shown; titles, row numbers
  // and the Save button's state stay.
  virtual void ShowEventLogFile(const EventLogSheet& sheet) = 0;
  // The editors' values and limits (a parameter file is saved from and loaded into them).
  // The value image as the window last loaded it from the controller (not from a file); empty
  // when it keeps none (the current image is taken then).
  virtual std::vector<std::uint16_t> ControllerWords() const { return {}; }
  // The change list of a Write before anything is sent: the options to write with after OK
  // (the tick boxes for the address and the counters, offered only when the list would touch
  // them), nullopt for Cancel.
  virtual std::optional<PreflightOptions> ConfirmWrite(
      const std::vector<ParameterDifference>& changes, bool offerAddress, bool offerCounters) {
    (void)changes;
    (void)offerAddress;
    (void)offerCounters;
    return PreflightOptions{};
  }
  // "Undo last write" enabled once a write of this session saved a snapshot.
  virtual void SetUndoAvailable(bool available) { (void)available; }
  virtual EditorModel& Editors() = 0;
  // The text of a status-bar panel (panel 0: the device name).
  virtual std::string StatusPanelText(int panel) const = 0;
};

// What a parameter window's controls start; the session implements it and hands it to the
// window factory. Every call names the window's own site.
class SiteCommands {
 public:
  virtual ~SiteCommands() = default;
  virtual void ReadParameters(int site) = 0;   // btnRead
  virtual void WriteParameters(int site) = 0;  // btnWrite
  // The window's Write: the registers its editors changed, through the checked sequence.
  virtual void WriteEditedParameters(int site) { WriteParameters(site); }
  // "Undo last write": the snapshot of the session's last write back.
  virtual void UndoLastWrite(int site) { (void)site; }
  // tbUnlock / tbPswChange with the four characters of the password field, blank positions
  // as spaces (they count as "0").
  virtual void UnlockParameters(int site, const std::string& password) = 0;
  virtual void ChangePassword(int site, const std::string& password) = 0;
  // A curve button of an online window without a loaded file: the sensor block again.
  virtual void ReadSensorBlock(int site) = 0;
  // The event-log page: btnReadHistory, btnSaveHistory, btnOpenHistory, "Export CSV...".
  virtual void ReadEventLog(int site) = 0;
  virtual void SaveEventLog(int site) = 0;
  virtual void OpenEventLog(int site) = 0;
  virtual void ExportEventLogCsv(int site) = 0;
  // The user closed the window. Call it after the close event has been handled (queued):
  // the session destroys the window, frees the slot and disconnects after the last one.
  virtual void WindowClosed(int site) = 0;
  // A mode or command button of the monitor page (START asks for confirmation first).
  virtual void SendCommand(int site, RemoteCommand command) = 0;
  // Write of the curve editor: the ten points of a channel (0 to 2).
  virtual CurveWriteResult WriteCurve(int site, int channel, const SensorCurve& curve) = 0;
  // btnSave and btnOpen: the site's parameters into a file, a file into the window.
  virtual void SaveParameterFile(int site) = 0;
  virtual void LoadParameterFile(int site) = 0;
  // "Compare with file...": the open dialog of Load, then the window's editors (as Write would
  // send them) against the file; nullopt when cancelled or the file does not convert (the
  // message is shown as Load shows it).
  virtual std::optional<ParameterComparison> CompareParameterFile(int site) = 0;
  // "Service report...": the site's report into an HTML file chosen by the user.
  virtual void WriteServiceReport(int site) = 0;
  // The monitor's trend: the site's samples (null before its first sample), and "Export
  // CSV..." of them into a file chosen by the user.
  virtual const TrendBuffer* Trend(int site) const = 0;
  virtual void ExportTrendCsv(int site) = 0;
};

}  // namespace vorel
