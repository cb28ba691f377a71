#include "app/cli_scan.h"

#include <QJsonArray>
#include <QJsonObject>
#include <array>
#include <cstdio>
#include <span>
#include <string>

#include "app/cli_host.h"
#include "app/cli_json.h"
#include "app/cli_modem.h"
#include "app/cli_output.h"
#include "app/cli_trace.h"
#include "control/connect_sequence.h"
#include "control/line_scanner.h"
#include "link/event_pump.h"

namespace vorel {

const char* const kScanUsage =
    "  scan [--baud auto]         read the identification block of sites 1 to 32 and list the\n"
    "                             sites that answer with their product codes, waiting at most\n"
    "                             500 ms for each reply; with --baud auto the same at 9600,\n"
    "                             19200, 38400, 4800, 2400, 57600 and 115200 baud (parity and\n"
    "                             stop bits as configured), listed per speed, waiting for each\n"
    "                             address the request and reply's time on the wire plus 50 ms\n"
    "                             (346 ms at 2400, 124 ms at 9600, 57 ms at 115200 baud);\n"
    "                             exit 0 when any site answered\n";

namespace {

constexpr int kScanTimeoutMs = 500;

}  // namespace

int RunScanCommand(const PortSettings& port, bool everySpeed, bool fast, CliHost& host,
                   EventPump& pump) {
  const auto serial = MakeCliPort(pump);
  LineScanner scanner(*serial, host, pump);
  TrafficLog traffic;
  traffic.Restart(pump.NowMs());
  AttachCliTrace(traffic);
  scanner.traffic = &traffic;
  int found = 0;
  int foundAtSpeed = 0;
  const bool json = CliJson();
  QJsonArray speedsFound;
  QJsonArray sitesAtSpeed;
  int speedShown = 0;
  scanner.onProbe = [&](int baud, int site) {
    if (serial->Gone()) return false;  // the adapter went away: nothing more can answer
    if (site == 1) speedShown = baud;
    if (!json && everySpeed && site == 1) {
      EndProgress();  // the terminal line is free for the heading
      PrintOut("%d baud:\n", baud);
      FlushOut();
      foundAtSpeed = 0;
    }
    ShowProgress("Scanning at " + std::to_string(baud) + " baud: address " + std::to_string(site) +
                 " of " + std::to_string(kSiteCount));
    return true;
  };
  scanner.onFound = [&](const ScanHit& hit) {
    ++found;
    if (json) {
      sitesAtSpeed.append(
          QJsonObject{{"site", hit.site}, {"productCode", static_cast<int>(hit.productCode)}});
      return;
    }
    EndProgress();
    PrintOut("%sAddress %d: product code %d\n", everySpeed ? "  " : "", hit.site, hit.productCode);
    FlushOut();
    ++foundAtSpeed;
  };
  scanner.onSpeedDone = [&](int baud) {
    if (json) {
      speedsFound.append(QJsonObject{{"baud", baud ? baud : speedShown}, {"sites", sitesAtSpeed}});
      sitesAtSpeed = QJsonArray();
      return;
    }
    EndProgress();
    if (everySpeed && foundAtSpeed == 0) PrintOut("  no address answered\n");
    FlushOut();
  };
  const std::array<int, 1> configured{port.baud};
  const std::span<const int> speeds =
      everySpeed ? std::span<const int>(kScanSpeeds) : std::span<const int>(configured);
  std::string error;
  const bool ran = scanner.Run(port, speeds, everySpeed ? 0 : kScanTimeoutMs, fast, &error);
  EndProgress();
  if (ran && json) WriteJson(QJsonObject{{"command", "scan"}, {"speeds", speedsFound}});
  if (!ran) {
    if (serial->Gone()) {
      host.ShowMessage(PortGoneText(port.name, serial->GoneReason()));
      return 1;
    }
    host.ShowMessage(PortErrorText(port.name));
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return found > 0 ? 0 : 1;
}

}  // namespace vorel
