// The main window "Vorel2000": tool bar, framed panel with the idle picture or the power-up
// log, two-panel status bar, the Open / Configurations / Help menus. It owns the serial port,
// the per-site slots and the auxiliary windows (Properties, About, progress, site addresses),
// which it creates hidden.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/connection_view.h"
#include "control/session.h"
#include "control/settings.h"
#include "control/site_slots.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/serial_port.h"

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStackedLayout;
class QToolButton;

namespace vorel {

class AboutDialog;
class FleetFeatures;
class PortSettingsDialog;
class SiteListDialog;
class ProgressWindow;
class TrafficView;
class ScanLineWindow;
class SiteWindowTabs;

// What the main window needs from outside, so that tests can run it without hardware and
// without blocking dialogs.
struct MainWindowServices {
  // A new, closed serial port. May return nullptr (no port facility): Connect then shows the
  // port error.
  std::function<std::unique_ptr<SerialPort>()> makePort;
  // The machine's serial port names for the Properties window.
  std::function<std::vector<std::string>()> portNames;
  // Runs a dialog modally and returns its result. Defaults to QDialog::exec; tests drive the
  // dialog instead.
  std::function<int(QDialog&)> runModal;
  // The window of a site that Connect identifies or that is opened from a file, made for the
  // main window's session (MakeParameterWindow fits); none when empty.
  std::function<std::unique_ptr<SiteWindow>(Session& session, int site, SiteCommands& commands)>
      makeWindow;
  // The clock, event dispatch and timers of the session (every pause of the tool runs on it).
  // Defaults to Qt's event loop.
  std::shared_ptr<EventPump> pump;
};

class MainWindow : public QMainWindow, public ConnectionView {
  Q_OBJECT
 public:
  MainWindow(Host& host, MainWindowServices services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- Entries of the tool bar and the menus ---
  // The session's Connect, from the check boxes' current selections.
  void Connect();
  void Disconnect();
  // Open > Disconnect (Ctrl+D) and its tool button: closes the line as closing the last window
  // does; the open windows stay and are polled again after the next Connect.
  void DisconnectLine();
  // Open > Exit: while connected it asks first; Yes disconnects and closes the window.
  void Exit();
  // Opens a parameter file in a new window without a controller.
  virtual void OpenOffLine();
  // The Hangup button: a modem dial under way gives up, a call that is up ends.
  void Hangup();
  // The Hangup button is enabled while a modem dial or call is up.
  void SetHangupEnabled(bool enabled) override;
  void ChoosePort();
  void ShowSiteAddresses();
  // Tools -> Scan line...: the scan window on the configured port; the addresses it finds can
  // be taken into the site address list (and vport.ini).
  void ShowScanLine();
  // Detect in the Properties window: the scan at every speed on the port the window shows; the
  // addresses taken go to the site list, the speed into the window.
  void DetectLine();
  // Writes the language to vport.ini, sets it and relabels this window. An unwritable file
  // is reported and the language stays as it was.
  void SetLanguage(const std::string& language);
  void ShowAbout();
  // View -> Traffic: every frame on the line.
  void ShowTraffic();
  // View -> Separate site windows: writes the choice to vport.ini and moves the open site
  // windows into their own windows, or into tabs of the "Parameter windows" window. An
  // unwritable file is reported and the windows stay as they are.
  void SetSeparateSiteWindows(bool separate);
  bool SeparateSiteWindows() const { return separateSiteWindows_; }
  // The window that holds the site windows as tabs (hidden while it holds none).
  SiteWindowTabs& SiteTabs() const { return *siteTabs_; }

  // --- Settings held by the windows ---
  // Reads the modem option and the site selections into their check boxes; false (after
  // the error report) when a value cannot be read.
  bool LoadCommunicationProperties();
  bool ModemOption() const;
  std::string DialNumber() const override;
  bool SiteSelected(int site) const;
  const PortSettings& CurrentPortSettings() const { return portSettings_; }

  // --- State ---
  SerialPort* Port() const { return session_->Port().Get(); }
  bool PortOpen() const { return session_->PortOpen(); }
  SiteSlots& Slots() { return session_->Slots(); }
  bool IsOnline(int site) const { return session_->IsOnline(site); }
  Session& session() { return *session_; }
  // Communication state per site (the link's), 299 at start.
  int CommState(int site) const { return session_->Link().CommState(site); }

  // --- Status bar and power-up log ---
  void SetStatusText(int panel, const std::string& text);
  std::string StatusText(int panel) const;
  void ClearPowerUpLog() override;
  void AppendPowerUpLine(const std::string& line) override;
  // Appends to the end of the whole text, without a line break (the "." progress marks).
  void AppendPowerUpText(const std::string& text) override;
  void ShowPowerUpLog(bool shown) override;
  // ConnectionView
  void SetMainStatus(int panel, const std::string& text) override { SetStatusText(panel, text); }
  void SetMainEnabled(bool enabled) override { setEnabled(enabled); }
  void BringToFront() override;
  void SetConfigurationButtonsEnabled(bool enabled) override;
  void SetConfigurationMenuEnabled(bool enabled) override;
  void ShowCommunicationProperties(const CommunicationProperties& properties) override;
  bool PowerUpLogShown() const;
  QPlainTextEdit* PowerUpLog() const { return powerUpLog_; }

  // Captions, check marks and status texts in the current language.
  void Relabel();

  PortSettingsDialog& Properties() const { return *portSettingsDialog_; }
  AboutDialog& AboutBox() const { return *aboutDialog_; }
  ProgressWindow& StatusWindow() const { return *progressWindow_; }
  SiteListDialog& SiteAddr() const { return *siteListDialog_; }
  // The traffic view, made on first use.
  TrafficView& Traffic();
  ScanLineWindow& ScanLine() const { return *scanLineWindow_; }
  Host& HostWindow() const { return host_; }
  // The fleet overview, alarm journal and alarm notices.
  FleetFeatures& Fleet() const { return *fleet_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildToolBar();
  void BuildMenus();
  void BuildPanel();
  // Disconnect is offered and Connect shows itself pressed while the line is open.
  void ShowConnectionState();
  int RunModal(QDialog& dialog);
  // A new site window goes into a tab unless separate windows are chosen.
  void PlaceSiteWindow(SiteWindow* window, int site);

  Host& host_;
  MainWindowServices services_;
  std::shared_ptr<EventPump> pump_;
  // Declared before the session: the held site windows are the session's, which goes first.
  std::unique_ptr<SiteWindowTabs> siteTabs_;
  bool separateSiteWindows_ = false;
  std::unique_ptr<Session> session_;
  PortSettings portSettings_;

  QToolButton* connectButton_ = nullptr;
  QToolButton* openFileButton_ = nullptr;
  QToolButton* hangupButton_ = nullptr;
  QToolButton* disconnectButton_ = nullptr;
  QToolButton* siteListButton_ = nullptr;
  QToolButton* portButton_ = nullptr;
  QMenu* openMenu_ = nullptr;
  QAction* connectAction_ = nullptr;
  QAction* disconnectAction_ = nullptr;
  QAction* openFileAction_ = nullptr;
  QAction* exitAction_ = nullptr;
  QMenu* configurationMenu_ = nullptr;
  QAction* portAction_ = nullptr;
  QAction* addressAction_ = nullptr;
  QAction* chineseAction_ = nullptr;
  QAction* englishAction_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QAction* trafficAction_ = nullptr;
  QAction* separateWindowsAction_ = nullptr;
  QMenu* toolsMenu_ = nullptr;
  QAction* scanLineAction_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QAction* helpAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QFrame* mainPanel_ = nullptr;
  QStackedLayout* panelStack_ = nullptr;
  QLabel* idlePicture_ = nullptr;
  QPlainTextEdit* powerUpLog_ = nullptr;
  // 0 connection, 1 modem, 2 what a site window's Write, Backup, Load or report did.
  QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};

  PortSettingsDialog* portSettingsDialog_ = nullptr;
  AboutDialog* aboutDialog_ = nullptr;
  ProgressWindow* progressWindow_ = nullptr;
  SiteListDialog* siteListDialog_ = nullptr;
  TrafficView* trafficView_ = nullptr;
  ScanLineWindow* scanLineWindow_ = nullptr;
  FleetFeatures* fleet_ = nullptr;
};

}  // namespace vorel
