// A Host with no windows: it shows nothing, cancels every question and every file dialog.
// Headless front ends derive from it and override what they report.
#pragma once

#include "link/host.h"

namespace vorel {

class QuietHost : public Host {
 public:
  void SetSiteStatus(int, int, const std::string&) override {}
  void SetMainStatus(int, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  Answer AskRetryCancel(int, const std::string&, const std::string&) override {
    return Answer::Cancel;
  }
  Answer AskQuestion(int, const std::string&, const std::string&) override {
    return Answer::Cancel;
  }
  void ShowProgress(bool) override {}
  void SetProgress(int) override {}
  std::optional<std::string> AskOpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskSaveFileName(const std::string&, const std::string&,
                                             const std::string&) override {
    return std::nullopt;
  }
};

}  // namespace vorel
