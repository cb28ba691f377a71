#include "ui/desktop.h"

#include "ui/parameter_window_factory.h"
#include "ui/widget_host.h"

namespace vorel {

std::unique_ptr<MainWindow> OpenDesktop(Host& host, MainWindowServices services) {
  services.makeWindow = MakeParameterWindow;
  return std::make_unique<MainWindow>(host, std::move(services));
}

std::unique_ptr<MainWindow> OpenDesktop(WidgetHost& host, MainWindowServices services) {
  std::unique_ptr<MainWindow> desktop = OpenDesktop(static_cast<Host&>(host), std::move(services));
  MainWindow& main = *desktop;
  host.Attach(&main);
  host.siteWindow = [&main](int site) -> QWidget* {
    return dynamic_cast<QWidget*>(main.session().Window(site));
  };
  host.siteStatusSink = [&main](int site, int panel, const std::string& text) {
    if (!main.IsOnline(site)) return;
    if (SiteWindow* window = main.session().Window(site)) window->SetStatusPanel(panel, text);
  };
  return desktop;
}

}  // namespace vorel
