// Command line of vorel-sim.
#pragma once

#include <string>
#include <vector>

#include "engine.h"
#include "faults.h"
#include "modem.h"
#include "site.h"

namespace vorel::sim {

struct Options {
  std::string link;
  int tcpPort = 0;  // 0: no TCP server
  std::vector<SiteConfig> sites;
  unsigned password = 1234;
  long baud = 9600;
  double turnaroundMs = -1;  // -1: 3.5 character times (at least 1.75 ms), 0 at --baud 0
  double timeScale = 1.0;
  bool echo = false;        // every request comes back before the reply (two-wire adapter)
  bool checkSpeed = false;  // requests sent at another speed than --baud are noise
  bool systemUnlocked = false;
  EngineOptions engine;
  FaultOptions faults;
  ModemOptions modem;
  std::string tracePath;
  std::string statePath;
  bool help = false;
};

// Parses argv; on a bad option returns false with a message in `error`.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// Parses "N[:TYPE[:VERSION]]".
bool ParseSite(const std::string& text, SiteConfig& site, std::string& error);

const char* HelpText();

}  // namespace vorel::sim
