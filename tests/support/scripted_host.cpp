#include "support/scripted_host.h"

namespace vorel::test {

Answer ScriptedHost::NextAnswer() {
  if (whileAsking) whileAsking();
  if (answers.empty()) return defaultAnswer;
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

void ScriptedHost::SetSiteStatus(int site, int panel, const std::string& text) {
  siteStatus[{site, panel}] = text;
}

void ScriptedHost::SetMainStatus(int panel, const std::string& text) {
  mainStatus[panel] = text;
  mainStatusHistory.push_back(text);
}

void ScriptedHost::ShowMessage(const std::string& text) {
  messages.push_back(text);
}

Answer ScriptedHost::AskRetryCancel(int site, const std::string& caption, const std::string& text) {
  questions.push_back({site, caption, text});
  return NextAnswer();
}

Answer ScriptedHost::AskQuestion(int site, const std::string& caption, const std::string& text) {
  questions.push_back({site, caption, text});
  return NextAnswer();
}

Answer ScriptedHost::AskConfirmation(int site, const std::string& caption,
                                     const std::string& text) {
  questions.push_back({site, caption, text, true});
  return NextAnswer();
}

void ScriptedHost::ShowProgress(bool shown) {
  progressShown = shown;
}

void ScriptedHost::SetProgress(int percent) {
  progress.push_back(percent);
  if (whileProgress) whileProgress();
}

std::optional<std::string> ScriptedHost::AskOpenFileName(const std::string&, const std::string&) {
  if (fileNames.empty()) return std::nullopt;
  auto name = fileNames.front();
  fileNames.pop_front();
  return name;
}

std::optional<std::string> ScriptedHost::AskSaveFileName(const std::string&, const std::string&,
                                                         const std::string&) {
  return AskOpenFileName("", "");
}

}  // namespace vorel::test
