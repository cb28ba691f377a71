// Host on widgets: the main window's status bar, message boxes titled "Parvex", the progress
// window and the file dialogs. Created before the main window and attached to it afterwards.
#pragma once

#include <functional>

#include "link/host.h"

class QWidget;

namespace vorel {

class MainWindow;

class WidgetHost : public Host {
 public:
  void Attach(MainWindow* main) { main_ = main; }

  // Routes panel texts to the parameter window of a site; set when parameter windows exist.
  std::function<void(int site, int panel, const std::string& text)> siteStatusSink;
  // The parameter window of a site, which owns its Retry/Cancel box; nullptr when none.
  std::function<QWidget*(int site)> siteWindow;

  void SetSiteStatus(int site, int panel, const std::string& text) override;
  void SetMainStatus(int panel, const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  Answer AskRetryCancel(int site, const std::string& caption, const std::string& text) override;
  Answer AskQuestion(int site, const std::string& caption, const std::string& text) override;
  Answer AskConfirmation(int site, const std::string& caption, const std::string& text) override;
  void ShowProgress(bool shown) override;
  void SetProgress(int percent) override;
  void SetProgressText(const std::string& text) override;
  bool ProgressCancelled() override;
  std::optional<std::string> AskOpenFileName(const std::string& filter,
                                             const std::string& defaultExtension) override;
  std::optional<std::string> AskSaveFileName(const std::string& filter,
                                             const std::string& defaultExtension,
                                             const std::string& initialName) override;
  bool AskReportFields(int site, ReportFields& fields) override;

 private:
  MainWindow* main_ = nullptr;
};

// "Parameter files (*.dat)|*.dat|All (*.*)|*.*" (description|pattern pairs) as a Qt file
// dialog filter; a plain Qt filter passes unchanged.
std::string QtFileFilter(const std::string& filter);

}  // namespace vorel
