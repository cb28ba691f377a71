// Everything the link and control layers show or ask goes through Host. The widget windows
// implement it, vorel-cli prints, and tests script the answers and record what was shown, so
// no modal dialog can block a test. Texts are UTF-8, already in the current language.
#pragma once

#include <optional>
#include <string>

#include "core/report_fields.h"

namespace vorel {

enum class Answer { Ok, Retry, Cancel, Yes, No, Closed };

class Host {
 public:
  virtual ~Host() = default;

  // Panel `panel` of the status bar of the site's online parameter window; nothing when the
  // site has no online window.
  virtual void SetSiteStatus(int site, int panel, const std::string& text) = 0;
  // Panel of the main window's status bar.
  virtual void SetMainStatus(int panel, const std::string& text) = 0;
  // A simple message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The Retry/Cancel box owned by the site's window; Closed when dismissed otherwise.
  virtual Answer AskRetryCancel(int site, const std::string& caption, const std::string& text) = 0;
  // A question with a title, Yes, No and Cancel and a question icon, owned by the site's
  // window.
  virtual Answer AskQuestion(int site, const std::string& caption, const std::string& text) = 0;
  // A Yes/No question before something that cannot be taken back (an engine started or
  // stopped): No is the default button, so a stray Enter does nothing.
  virtual Answer AskConfirmation(int site, const std::string& caption, const std::string& text) {
    return AskQuestion(site, caption, text);
  }
  // The progress window: shown with a bar 0 to 100, updated, hidden.
  virtual void ShowProgress(bool shown) = 0;
  virtual void SetProgress(int percent) = 0;
  // What the progress window says is being done ("Reading the event log of site 1: block 23
  // of 56"); nothing where there is no such window.
  virtual void SetProgressText(const std::string& text) { (void)text; }
  // The user pressed the progress window's Cancel since it was shown: the transfer stops
  // after the request under way.
  virtual bool ProgressCancelled() { return false; }
  // File dialogs; nullopt when cancelled.
  virtual std::optional<std::string> AskOpenFileName(const std::string& filter,
                                                     const std::string& defaultExtension) = 0;
  virtual std::optional<std::string> AskSaveFileName(const std::string& filter,
                                                     const std::string& defaultExtension,
                                                     const std::string& initialName) = 0;
  // The service report's fields for the site's controller, shown filled with `fields` for the
  // user to change; false when cancelled. Without a dialog the fields stay as they are.
  virtual bool AskReportFields(int site, ReportFields& fields) {
    (void)site;
    (void)fields;
    return true;
  }
};

}  // namespace vorel
