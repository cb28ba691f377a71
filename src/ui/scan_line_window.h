// Tools -> Scan line...: tries every address at the configured speed or at each of the usual
// speeds (LineScanner), with a progress bar and a Stop button, lists the addresses that answer
// with their product codes, and hands the addresses found, with the speed they answered at, to
// the site address list and the port settings.
#pragma once

#include <QDialog>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "control/line_scanner.h"
#include "core/site_images.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/serial_port.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vorel {

class ScanLineWindow : public QDialog {
  Q_OBJECT
 public:
  using PortFactory = std::function<std::unique_ptr<SerialPort>()>;
  ScanLineWindow(Host& host, EventPump& pump, PortFactory makePort, QWidget* parent = nullptr);

  // The port and its settings to scan with (the speed is the one tried without every speed).
  void SetPortSettings(const PortSettings& settings) { settings_ = settings; }
  // Ticks or clears "every speed".
  void SetEverySpeed(bool on);
  // Receives the addresses found and their speed when the user takes them into the site
  // address list.
  std::function<void(const std::array<bool, kSiteCount>&, int baud)> onUseAddresses;

  // Start: runs the scan to its end or until Stop; the window stays responsive meanwhile.
  void Start();
  // Stop: the scan ends before the next address.
  void Stop() { stopRequested_ = true; }
  bool Running() const { return running_; }
  const std::vector<ScanHit>& Found() const { return found_; }
  // The line runs at one speed: the one most controllers answered at (the first scanned of
  // equals), 0 when none answered. FoundSites() are the addresses found at that speed.
  int FoundSpeed() const;
  std::array<bool, kSiteCount> FoundSites() const;

  // Caption and texts in the current language.
  void Relabel();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void UpdateButtons();
  void UseAddresses();

  Host& host_;
  EventPump& pump_;
  PortFactory makePort_;
  PortSettings settings_;
  std::vector<ScanHit> found_;
  bool running_ = false;
  std::atomic<bool> stopRequested_{false};

  QCheckBox* everySpeedCheck_;
  QLabel* statusLabel_;
  QProgressBar* progress_;
  QTableWidget* resultGrid_;
  QPushButton* startButton_;
  QPushButton* stopButton_;
  QPushButton* useButton_;
  QPushButton* closeButton_;
};

}  // namespace vorel
