// The whole value image through the real window: load, store, and the same with every editor
// and every channel list opened and left without a change. The result must be exactly what
// the editor model's own load-store round trip gives: the widgets add nothing and lose
// nothing. (Leaving an editor brings its value within its limits, so the pass that opens the
// editors keeps the three words that have limits on every window within them.)
#include <chrono>
#include <cstdio>
#include <functional>

#include "parameter_window_fixture.h"

namespace vorel::test {
namespace {

// Resident memory of the test process in kB (0 where /proc is not there).
long ResidentKb() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
  }
  std::fclose(f);
  return kb;
}

using RoundTrip = ParameterWindowTest;

Image Fill(const std::function<std::uint16_t(int)>& word) {
  Image image{};
  for (int a = 0; a < kImageWords; ++a) image[a] = word(a);
  return image;
}

TEST_F(RoundTrip, WindowLoadStoreMatchesTheModel) {
  const std::vector<std::pair<std::string, Image>> patterns = {
      {"zero", Fill([](int) { return std::uint16_t{0}; })},
      {"0xFFFF", Fill([](int) { return std::uint16_t{0xFFFF}; })},
      {"0x8000", Fill([](int) { return std::uint16_t{0x8000}; })},
      {"0x7FFF", Fill([](int) { return std::uint16_t{0x7FFF}; })},
      {"scattered", Fill([](int a) { return static_cast<std::uint16_t>(a * 40503 + 0x5A5A); })},
      {"realistic", Fill([](int a) {
         switch (a) {
           case 0x0126:
             return std::uint16_t{0x2054};
           case 0x0129:
             return std::uint16_t{0x1E35};
           case 0x0127:
             return std::uint16_t{0xD855};
           case 0x012A:
             return std::uint16_t{0x2D9F};
           case 0x003A:
             return std::uint16_t{0xC8D1};
           case 0x0079:
             return std::uint16_t{167};
           case 0x0089:
             return std::uint16_t{0x1DCD};
           case 0x009F:
             return std::uint16_t{1234};
           case 0x00A0:
             return std::uint16_t{1830};
           case 0x0073:
             return std::uint16_t{57};
           default:
             return static_cast<std::uint16_t>(a % 7 == 0 ? 0xFFFF : a);
         }
       })},
  };
  SetAccessLevel(true);  // every row can be opened
  for (const auto& [label, before] : patterns) {
    for (auto [state, open] : {std::pair{kWindowOffline, false}, std::pair{kWindowOnline, false},
                               std::pair{kWindowOffline, true}, std::pair{kWindowOnline, true}}) {
      SCOPED_TRACE(label + (state == kWindowOnline ? " online" : " offline") +
                   (open ? " editors opened" : ""));
      Image image = before;
      image[0x016B] = 3101;
      image[0x0000] |= 0x0040;  // the serial number opens too
      if (open) {
        image[0x0011] = 5;    // controller address 1 to 32
        image[0x00EF] = 30;   // battery alarm delay 0 to 600
        image[0x0098] = 100;  // number of starts 0 to 65535
      }
      SetImage(image);
      EditorModel model;
      model.Load(*images, kSite);
      model.Store(*images, kSite);
      const Image expected = Current();

      SetImage(image);
      ParameterWindow& w = Open(state);
      for (const SetpointGridInfo& info : SetpointGrids()) {
        if (!open) break;
        for (int row = 1; row < info.rows; ++row) {
          for (int column = 0; column < info.columns; ++column) ClickCell(info.grid, row, column);
        }
      }
      for (QTableWidget* grid :
           {static_cast<QTableWidget*>(w.AnalogueGrid()), static_cast<QTableWidget*>(w.InputGrid()),
            static_cast<QTableWidget*>(w.OutputGrid())}) {
        if (!open) break;
        for (int row = 1; row < grid->rowCount(); ++row) {
          for (int column = 1; column < grid->columnCount(); ++column) {
            if (grid == w.AnalogueGrid() && column == kAnlgChart) continue;
            ClickCell(grid, row, column);
          }
        }
      }
      w.StoreAllPages();
      const Image after = Current();
      for (int a = 0; a < kImageWords; ++a)
        EXPECT_EQ(after[a], expected[a]) << "register 0x" << std::hex << a;
    }
  }
}

TEST_F(RoundTrip, TimeToSetUpOneAndThirtyTwoWindows) {
  Image image = Fill([](int a) { return static_cast<std::uint16_t>(a * 7); });
  image[0x016B] = 3101;
  SetImage(image);
  for (int s = 1; s <= kSiteCount; ++s) {
    for (int a = 0; a < kImageWords; ++a) images->SetWord(s, a, image[a]);
    siteSlots.SetWindowState(s, kWindowOnline);
  }
  using Clock = std::chrono::steady_clock;
  const long residentBefore = ResidentKb();
  auto start = Clock::now();
  std::vector<std::unique_ptr<ParameterWindow>> windows;
  windows.push_back(std::make_unique<ParameterWindow>(*images, siteSlots, 1, commands));
  windows.back()->show();
  windows.back()->SetUpWindow();
  const double one = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  start = Clock::now();
  for (int s = 2; s <= kSiteCount; ++s) {
    windows.push_back(std::make_unique<ParameterWindow>(*images, siteSlots, s, commands));
    windows.back()->show();
    windows.back()->SetUpWindow();
  }
  QCoreApplication::processEvents();
  const double all = one + std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("set-up of one window: %.1f ms; of 32 windows: %.1f ms; 32 windows add %ld kB\n", one,
              all, ResidentKb() - residentBefore);
  RecordProperty("one_window_ms", static_cast<int>(one));
  RecordProperty("32_windows_ms", static_cast<int>(all));
  // Generous bounds that only catch a gross regression on a loaded machine.
  EXPECT_LT(one, 2000);
  EXPECT_LT(all, 30000);
}

}  // namespace
}  // namespace vorel::test
