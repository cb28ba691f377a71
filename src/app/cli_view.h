// The main-window side of a connection for vorel-cli: the power-up log is collected line by
// line (the "." marks extend the last line), everything else is not shown.
#pragma once

#include <string>
#include <vector>

#include "control/connection_view.h"

namespace vorel {

class CliView : public ConnectionView {
 public:
  std::vector<std::string> log;

  void ClearPowerUpLog() override { log.clear(); }
  void AppendPowerUpLine(const std::string& line) override { log.push_back(line); }
  void AppendPowerUpText(const std::string& text) override {
    if (log.empty()) log.emplace_back();
    log.back() += text;
  }
  void ShowPowerUpLog(bool) override {}
  void SetMainStatus(int, const std::string&) override {}
  void SetMainEnabled(bool) override {}
  void BringToFront() override {}
  void SetConfigurationButtonsEnabled(bool) override {}
  void SetConfigurationMenuEnabled(bool) override {}
  void ShowCommunicationProperties(const CommunicationProperties&) override {}
};

}  // namespace vorel
