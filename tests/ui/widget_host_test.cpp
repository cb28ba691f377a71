#include "ui/widget_host.h"

#include "ui_fixture.h"

namespace vorel::test {
namespace {

TEST(WidgetHost, FileFiltersBecomeQtFilters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Parameter files (*.dat)|*.dat", "Parameter files (*.dat)"},
      {"Parameter|*.dat|All|*.*", "Parameter (*.dat);;All (*.*)"},
      {"Logs|*.log;*.txt", "Logs (*.log *.txt)"},
      {"Images (*.png)", "Images (*.png)"},
      {"Odd|", "Odd ()"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(QtFileFilter(in), out) << in;
}

using UiWidgetHost = UiTest;

TEST_F(UiWidgetHost, DrivesTheStatusBarAndTheProgressWindow) {
  WidgetHost widgets;
  MainWindow& main = Main();
  widgets.Attach(&main);
  widgets.SetMainStatus(0, "Address 4 init 21%.");
  widgets.SetMainStatus(1, "modem");
  widgets.SetMainStatus(7, "ignored");
  EXPECT_EQ(main.StatusText(0), "Address 4 init 21%.");
  EXPECT_EQ(main.StatusText(1), "modem");

  widgets.ShowProgress(true);
  widgets.SetProgress(42);
  EXPECT_TRUE(main.StatusWindow().isVisible());
  EXPECT_EQ(main.StatusWindow().Percent(), 42);
  widgets.SetProgress(250);
  EXPECT_EQ(main.StatusWindow().Percent(), 100);
  // The progress window is borderless and on top.
  EXPECT_TRUE(main.StatusWindow().windowFlags().testFlags(Qt::FramelessWindowHint |
                                                          Qt::WindowStaysOnTopHint));
  widgets.ShowProgress(false);
  EXPECT_FALSE(main.StatusWindow().isVisible());

  std::vector<std::string> seen;
  widgets.siteStatusSink = [&](int site, int panel, const std::string& text) {
    seen.push_back(std::to_string(site) + "/" + std::to_string(panel) + ":" + text);
  };
  widgets.SetSiteStatus(3, 1, "CRC error");
  EXPECT_EQ(seen, std::vector<std::string>{"3/1:CRC error"});
}

}  // namespace
}  // namespace vorel::test
