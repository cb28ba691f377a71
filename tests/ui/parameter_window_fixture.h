// Shared set-up of the parameter window tests: a value image per test, the site slots, a
// window set up from them, and helpers that click grid cells and read what shows.
#pragma once

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <functional>
#include <memory>

#include "core/site_images.h"
#include "support/recording_windows.h"
#include "ui/analogue_channel_grid.h"
#include "ui/binary_io_grids.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui/setpoint_grid.h"
#include "ui_fixture.h"

namespace vorel::test {

using Image = std::array<std::uint16_t, kImageWords>;

class ParameterWindowTest : public UiTest {
 public:
  static constexpr int kSite = 3;

  void SetImage(const Image& image) {
    for (int a = 0; a < kImageWords; ++a) images->SetWord(kSite, a, image[a]);
  }
  Image Current() const {
    Image image{};
    for (int a = 0; a < kImageWords; ++a) image[a] = images->Word(kSite, a);
    return image;
  }
  void SetAccessLevel(bool factory) {
    std::filesystem::create_directories(VorelIniPath().parent_path());
    std::ofstream(VorelIniPath(), std::ios::binary)
        << "[Administrator]\r\nManagerLevel=" << (factory ? "factory" : "user") << "\r\n";
    ReadAccessLevel();
  }
  // Parameter descriptors of block 0x8052: (address, minimum, maximum).
  void SetLimits(std::initializer_list<std::array<int, 3>> limits) {
    std::vector<std::uint8_t> bytes;
    for (const auto& [address, minimum, maximum] : limits) {
      auto be = [&](int v) {
        bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
      };
      be(address);
      bytes.push_back(1);
      bytes.push_back(0);
      be(maximum);
      be(minimum);
      be(0);
    }
    // A table of just these descriptors, as a request for that many would bring it.
    const RegisterBlock config{reg::kParamConfig1.address,
                               static_cast<std::uint16_t>(limits.size()), 0, "CONFIG"};
    images->StoreDescriptors(kSite, config, bytes);
  }

  // A window of the site set up from the value image as it is.
  ParameterWindow& Open(std::int16_t state = kWindowOnline) {
    window.reset();
    siteSlots.SetWindowState(kSite, state);
    window = std::make_unique<ParameterWindow>(*images, siteSlots, kSite, commands);
    // Modal windows are shown and left open for the test to drive; nothing blocks.
    window->SetModalRunner([this](QDialog& dialog) {
      dialog.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
      modalsShown.push_back(dialog.objectName().toStdString());
      return dialog.result();
    });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->SetUpWindow();
    return *window;
  }
  ParameterWindow& OpenType(std::uint16_t type, std::int16_t state = kWindowOnline) {
    images->SetWord(kSite, 0x016B, type);
    return Open(state);
  }

  // Shows the sub-page of a widget, so that clicks reach it.
  void ShowPageOf(QWidget* w) {
    auto* tabs = window->findChild<QTabWidget*>("pcConfiguration");
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->widget(i)->isAncestorOf(w)) tabs->setCurrentIndex(i);
    }
  }
  void ClickCell(QTableWidget* grid, int row, int column) {
    ShowPageOf(grid);
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  void ClickCell(SetpointGrid g, int row, int column) { ClickCell(window->Grid(g), row, column); }

  // Name of the editor or list shown over a grid's cells ("" when none).
  static std::string ShownEditor(QTableWidget* grid) {
    std::string shown;
    for (QObject* child : grid->viewport()->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (!w || !w->isVisibleTo(grid) || w->objectName().startsWith("tb")) continue;
      if (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QLineEdit*>(w)) {
        if (!shown.empty()) shown += ",";
        shown += w->objectName().toStdString();
      }
    }
    return shown;
  }
  std::string ShownEditor(SetpointGrid g) const { return ShownEditor(window->Grid(g)); }

  // A control of the window by name; the editors of the setpoint grids, and the monitor and
  // event-log pages, are made on demand.
  template <typename T = QWidget>
  T* Named(const char* name) {
    if (auto* editor = qobject_cast<T*>(window->Editor(name))) return editor;
    if (!window->findChild<T*>(name)) {
      window->Monitor();
      window->EventLog();
    }
    return Child<T>(*window, name);
  }
  std::string Cell(QTableWidget* grid, int row, int column) const {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().toStdString() : std::string();
  }
  std::string Cell(SetpointGrid g, int row, int column) const {
    return Cell(window->Grid(g), row, column);
  }

  // Chooses entry `index` of a list as the user does (keyboard on the closed list).
  static void Choose(QComboBox* list, int index) {
    list->setFocus();
    if (list->currentIndex() == index) return;
    if (list->currentIndex() < 0) {
      list->setCurrentIndex(index);
      emit list->activated(index);
      return;
    }
    while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
  }

  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  SiteSlots siteSlots;
  RecordingCommands commands;
  std::unique_ptr<ParameterWindow> window;
  std::vector<std::string> modalsShown;

  void SetUp() override {
    UiTest::SetUp();
    ReadAccessLevel();  // no vorel.ini: the user level
    SetLanguageSetting("english");
  }
  void TearDown() override {
    window.reset();
    UiTest::TearDown();
  }
};

}  // namespace vorel::test
