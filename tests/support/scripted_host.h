// A Host for tests: records everything shown and answers questions from a script, so no
// modal dialog ever blocks a test.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/host.h"

namespace vorel::test {

class ScriptedHost : public Host {
 public:
  struct Question {
    int site = 0;
    std::string caption;
    std::string text;
    bool defaultNo = false;  // asked as a confirmation, No the default
  };

  // Answers handed out in order; when the script runs dry the default answer is used.
  std::deque<Answer> answers;
  Answer defaultAnswer = Answer::Cancel;
  std::deque<std::optional<std::string>> fileNames;
  // Runs while a question is open (as a modal box would dispatch events).
  std::function<void()> whileAsking;
  // Runs at each progress step (as the event loop of a long exchange would).
  std::function<void()> whileProgress;

  std::vector<std::string> messages;
  std::vector<Question> questions;
  std::map<std::pair<int, int>, std::string> siteStatus;  // (site, panel) -> last text
  std::map<int, std::string> mainStatus;                  // panel -> last text
  std::vector<std::string> mainStatusHistory;             // every text set on any main panel
  std::vector<int> progress;
  std::vector<std::string> progressTexts;
  bool progressShown = false;
  // Answers ProgressCancelled (never cancelled when empty).
  std::function<bool()> progressCancelled;
  // Answers the report's fields dialog (shown filled, changed in place; false is Cancel);
  // without it the fields stay as they are.
  std::function<bool(ReportFields&)> reportFields;

  void SetSiteStatus(int site, int panel, const std::string& text) override;
  void SetMainStatus(int panel, const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  Answer AskRetryCancel(int site, const std::string& caption, const std::string& text) override;
  Answer AskQuestion(int site, const std::string& caption, const std::string& text) override;
  Answer AskConfirmation(int site, const std::string& caption, const std::string& text) override;
  void ShowProgress(bool shown) override;
  void SetProgress(int percent) override;
  void SetProgressText(const std::string& text) override { progressTexts.push_back(text); }
  bool ProgressCancelled() override { return progressCancelled && progressCancelled(); }
  std::optional<std::string> AskOpenFileName(const std::string& filter,
                                             const std::string& defaultExtension) override;
  std::optional<std::string> AskSaveFileName(const std::string& filter,
                                             const std::string& defaultExtension,
                                             const std::string& initialName) override;
  bool AskReportFields(int, ReportFields& fields) override {
    return !reportFields || reportFields(fields);
  }

 private:
  Answer NextAnswer();
};

}  // namespace vorel::test
