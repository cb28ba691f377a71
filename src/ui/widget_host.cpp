#include "ui/widget_host.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "control/file_folders.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/qt_text.h"
#include "ui/report_fields_dialog.h"
#include "ui/site_window_tabs.h"

namespace vorel {
namespace {

constexpr const char* kTitle = "Parvex";

QWidget* Owner(MainWindow* main) {
  QWidget* active = QApplication::activeWindow();
  return active ? active : main;
}

std::string WithExtension(const QString& name, const std::string& defaultExtension) {
  if (name.isEmpty()) return {};
  if (!defaultExtension.empty() && QFileInfo(name).suffix().isEmpty())
    return (name + "." + Q(defaultExtension)).toStdString();
  return name.toStdString();
}

}  // namespace

std::string QtFileFilter(const std::string& filter) {
  if (filter.find('|') == std::string::npos) return filter;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string pattern = parts[i + 1];
    for (char& c : pattern)
      if (c == ';') c = ' ';
    if (!out.empty()) out += ";;";
    out += parts[i];
    if (parts[i].find('(') == std::string::npos) out += " (" + pattern + ")";
  }
  return out;
}

void WidgetHost::SetSiteStatus(int site, int panel, const std::string& text) {
  if (siteStatusSink) siteStatusSink(site, panel, text);
}

void WidgetHost::SetMainStatus(int panel, const std::string& text) {
  if (main_) main_->SetStatusText(panel, text);
}

void WidgetHost::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, Q(text), QMessageBox::Ok, Owner(main_));
  box.exec();
}

Answer WidgetHost::AskRetryCancel(int site, const std::string& caption, const std::string& text) {
  QWidget* owner = siteWindow ? SiteWindowForMessage(siteWindow(site)) : nullptr;
  QMessageBox box(QMessageBox::Warning, Q(caption.empty() ? kTitle : caption), Q(text),
                  QMessageBox::Retry | QMessageBox::Cancel, owner ? owner : Owner(main_));
  switch (box.exec()) {
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::Closed;
  }
}

Answer WidgetHost::AskQuestion(int site, const std::string& caption, const std::string& text) {
  QWidget* owner = siteWindow ? SiteWindowForMessage(siteWindow(site)) : nullptr;
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                  owner ? owner : Owner(main_));
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::Closed;
  }
}

Answer WidgetHost::AskConfirmation(int site, const std::string& caption, const std::string& text) {
  QWidget* owner = siteWindow ? SiteWindowForMessage(siteWindow(site)) : nullptr;
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No,
                  owner ? owner : Owner(main_));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Closed;
  }
}

void WidgetHost::ShowProgress(bool shown) {
  if (!main_) return;
  ProgressWindow& status = main_->StatusWindow();
  if (shown) {
    status.Restart();
    status.SetPercent(0);
    status.show();
    status.raise();
  } else {
    status.hide();
  }
}

void WidgetHost::SetProgress(int percent) {
  if (main_) main_->StatusWindow().SetPercent(percent);
}

void WidgetHost::SetProgressText(const std::string& text) {
  if (main_) main_->StatusWindow().SetText(Q(text));
}

bool WidgetHost::ProgressCancelled() {
  return main_ && main_->StatusWindow().Cancelled();
}

std::optional<std::string> WidgetHost::AskOpenFileName(const std::string& filter,
                                                       const std::string& defaultExtension) {
  // The dialog opens in the last folder of its kind of file.
  const FileKind kind = FileKindOf(defaultExtension);
  QString name = QFileDialog::getOpenFileName(Owner(main_), QString(), Q(LastFolder(kind)),
                                              Q(QtFileFilter(filter)));
  if (name.isEmpty()) return std::nullopt;
  std::string path = WithExtension(name, defaultExtension);
  RememberFolder(kind, path);
  return path;
}

std::optional<std::string> WidgetHost::AskSaveFileName(const std::string& filter,
                                                       const std::string& defaultExtension,
                                                       const std::string& initialName) {
  const FileKind kind = FileKindOf(defaultExtension);
  QString name = QFileDialog::getSaveFileName(
      Owner(main_), QString(), Q(InitialPath(kind, initialName)), Q(QtFileFilter(filter)));
  if (name.isEmpty()) return std::nullopt;
  std::string path = WithExtension(name, defaultExtension);
  RememberFolder(kind, path);
  return path;
}

bool WidgetHost::AskReportFields(int site, ReportFields& fields) {
  QWidget* owner = siteWindow ? SiteWindowForMessage(siteWindow(site)) : nullptr;
  ReportFieldsDialog dialog(fields, owner ? owner : Owner(main_));
  if (dialog.exec() != QDialog::Accepted) return false;
  fields = dialog.Fields();
  return true;
}

}  // namespace vorel
