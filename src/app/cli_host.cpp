#include "app/cli_host.h"

#include <cstdio>

#include "app/cli_json.h"

namespace vorel {

void CliHost::ShowMessage(const std::string& text) {
  lastMessage = text;
  std::fprintf(stderr, "%s\n", text.c_str());
}

Answer CliHost::AskRetryCancel(int, const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return Answer::Cancel;
}

Answer CliHost::AskQuestion(int, const std::string&, const std::string&) {
  return Answer::Cancel;
}

void CliHost::SetProgressText(const std::string& text) {
  progressText_ = text;
  vorel::ShowProgress(text);
}

void CliHost::ShowProgress(bool shown) {
  progressText_.clear();
  if (!shown) EndProgress();
}

void CliHost::SetProgress(int percent) {
  if (percent <= 0) return;  // the reset at the end
  vorel::ShowProgress((progressText_.empty() ? std::string("Working") : progressText_) + " (" +
                      std::to_string(percent) + " %)");
}

}  // namespace vorel
