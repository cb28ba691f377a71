// The Host of vorel-cli: messages go to standard error; questions are answered with Cancel
// without being shown, since nobody is there to answer them (a command that needs a yes, such
// as start, asks for it before it begins); status texts and windows do not exist.
#pragma once

#include "link/quiet_host.h"

namespace vorel {

class CliHost : public QuietHost {
 public:
  void ShowMessage(const std::string& text) override;
  // The last message shown (vorel-cli identify names it as the reason of a failure).
  std::string lastMessage;
  Answer AskRetryCancel(int site, const std::string& caption, const std::string& text) override;
  Answer AskQuestion(int site, const std::string& caption, const std::string& text) override;
  // Progress texts go to standard error when it is a terminal, on one line cleared at the end.
  void SetProgressText(const std::string& text) override;
  void ShowProgress(bool shown) override;
  // Backup, restore and the event log: the share done, after the text when there is one.
  void SetProgress(int percent) override;

 private:
  std::string progressText_;
};

}  // namespace vorel
