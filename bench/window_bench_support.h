// What the benchmarks of the desktop tool's windows share: a temporary home, 32 sites of
// vorel-sim on a pty, a vport.ini that selects them all, and the main window's services.
#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#include "core/language.h"
#include "core/site_images.h"
#include "link/posix_serial_port.h"
#include "ui/desktop.h"

namespace vorel::bench {

// Starts vorel-sim with sites 1 to 32 on `link` at `baud` (0: at once), with `extra` options.
// False, after saying so, when it does not answer.
inline bool StartSimSites(QProcess& sim, const QString& link, int baud,
                          const QStringList& extra = {}) {
  QStringList args{"--link", link, "--baud", QString::number(baud)};
  args << extra;
  for (int n = 1; n <= kSiteCount; ++n) args << "--site" << QString::number(n);
  sim.start(VOREL_SIM_PATH, args);
  if (sim.waitForReadyRead(10000)) return true;
  std::fprintf(stderr, "vorel-sim did not start\n");
  return false;
}

// Before the application starts: the offscreen platform unless another is chosen, and `home` as
// the settings and data folder, so that the user's own are never touched.
inline void UseTemporaryHome(const QTemporaryDir& home) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
}

// vorel/vport.ini under `configHome`: English (the language of this process too), every site
// selected, the port `link` at `baud`, the site windows as tabs or separate.
inline void WriteVport(const QDir& configHome, const QString& link, int baud, bool separate) {
  SetLanguageSetting("english");
  configHome.mkpath("vorel");
  std::ofstream vport(configHome.filePath("vorel/vport.ini").toStdString(), std::ios::binary);
  vport << "[System]\r\nLanguage=english\r\n[View]\r\nSeparateSiteWindows="
        << (separate ? "-1" : "0") << "\r\n[Device]\r\n";
  for (int n = 1; n <= kSiteCount; ++n) vport << "ControlerAddr" << n << "=-1\r\n";
  vport << "[ComPort1]\r\nPort=" << link.toStdString() << "\r\nBaudRate=" << baud << "\r\n";
}

// The main window's services for OpenDesktop: `makePort`, a POSIX port when empty.
inline MainWindowServices WindowServices(
    std::function<std::unique_ptr<SerialPort>()> makePort = {}) {
  MainWindowServices services;
  services.makePort = makePort ? std::move(makePort) : []() -> std::unique_ptr<SerialPort> {
    return std::make_unique<PosixSerialPort>();
  };
  return services;
}

}  // namespace vorel::bench
