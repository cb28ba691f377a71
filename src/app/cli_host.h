// The Host of vorel-cli: messages go to standard error, questions are answered with Cancel,
// status texts and windows do not exist.
#pragma once

#include "link/host.h"

namespace vorel {

class CliHost : public Host {
 public:
  void SetSiteStatus(int, int, const std::string&) override {}
  void SetMainStatus(int, const std::string&) override {}
  void ShowMessage(const std::string& text) override;
  // The last message shown (vorel-cli identify names it as the reason of a failure).
  std::string lastMessage;
  Answer AskRetryCancel(int site, const std::string& caption, const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  void SetWindowsEnabled(bool) override {}
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
