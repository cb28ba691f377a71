// The service report's HTML from fake images: identity, a parameter, an event row, escaping,
// and the offline variant without the live parts.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "core/conversions.h"
#include "core/event_log.h"
#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "files/service_report.h"

namespace vorel {
namespace {

constexpr int kSite = 7;

class ServiceReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    images_->SetWord(kSite, reg::kProductCode.address, 3105);
    images_->SetWord(kSite, 0x00C8, 250);  // seNominPower
    images_->SetWord(kSite, reg::kSerialNumber.address, 0x1234);
    images_->SetWord(kSite, reg::kSerialNumber.address + 1, 0xABCD);
    images_->SetWord(kSite, reg::kSerialNumber.address + 2, 0x0042);
    StoreGeneratorName(*images_, kSite, "<G&\"1\">");
    images_->SetWord(kSite, reg::kAlarmList.address, 0x2821);  // low battery on the monitor
    // Record 0: power up on 2026-12-10 at 14:05:09, 1500 rpm.
    std::array<std::uint8_t, 2 * kEventLogRecordWords> bytes{};
    const std::array<std::pair<int, std::uint16_t>, 6> words = {
        {{0, 0x2812}, {1, 0x1012}, {2, 0x2600}, {3, 0x1405}, {4, 0x0900}, {5, 1500}}};
    for (const auto& [k, w] : words) {
      bytes[static_cast<std::size_t>(2 * k)] = static_cast<std::uint8_t>(w >> 8);
      bytes[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::uint8_t>(w & 0xFF);
    }
    images_->StoreBlockReply(kSite, {0x0200, 32, 0, {}}, bytes);
    images_->SetWord(kSite, reg::kEventLogPosition.address, 0x0200);
    SetEventLogTitles(*images_, kSite, sheet_);
    DisplayEventLog(*images_, kSite, sheet_);
  }
  void TearDown() override { SetLanguageSetting("english"); }

  ServiceReportInput Input(bool online, const EventLogSheet* log) const {
    ServiceReportInput in;
    in.images = images_.get();
    in.site = kSite;
    in.deviceName = "VR-3105 V5.10 <script>alert(1)</script>";
    in.firmware = "5.10";
    in.readAt = "2026-12-10 14:30:00";
    in.online = online;
    in.eventLog = log;
    return in;
  }

  std::unique_ptr<SiteImages> images_ = std::make_unique<SiteImages>();
  EventLogSheet sheet_;
};

bool Has(const std::string& html, const std::string& part) {
  return html.find(part) != std::string::npos;
}

TEST_F(ServiceReportTest, OnlineReportHoldsIdentityParameterMonitorAndEvent) {
  const std::string html = ServiceReportHtml(Input(true, &sheet_));
  ASSERT_TRUE(html.starts_with("<!DOCTYPE html>")) << html.substr(0, 100);
  EXPECT_TRUE(Has(html, "<meta charset=\"utf-8\">"));
  // Self-contained: no links, scripts or outside resources.
  for (const char* outside : {"<script", "<link", "src=", "href=", "http:", "https:"})
    EXPECT_FALSE(Has(html, outside)) << outside;
  // Identity.
  EXPECT_TRUE(Has(html, "<td>Product code</td><td>3105</td>"));
  EXPECT_TRUE(Has(html, "<td>Firmware</td><td>5.10</td>"));
  EXPECT_TRUE(Has(html, "<td>Serial number</td><td>1234ABCD0042</td>"));
  EXPECT_TRUE(Has(html, "<td>Address</td><td>7</td>"));
  EXPECT_TRUE(Has(html, "<td>Read at</td><td>2026-12-10 14:30:00</td>"));
  // Escaping: the device and generator names cannot open an element.
  EXPECT_TRUE(Has(html, "<td>VR-3105 V5.10 &lt;script&gt;alert(1)&lt;/script&gt;</td>"));
  EXPECT_TRUE(Has(html, "<td>Generator name</td><td>&lt;G&amp;&quot;1&quot;&gt;"));
  // A parameter with its title, value and unit, under its grid's header.
  EXPECT_TRUE(Has(html, "<td>Nomin Power</td><td>250</td><td>KW</td>"));
  EXPECT_LT(html.find("<h3>Basic</h3>"), html.find("<td>Nomin Power</td>"));
  // The monitor snapshot with its alarm list.
  EXPECT_TRUE(Has(html, "<h2>Monitor</h2>"));
  EXPECT_TRUE(Has(html, "<li>low batt</li>"));
  // The channel tables and the event log with the grid's titles and its first row.
  EXPECT_TRUE(Has(html, "<th>Above/Under</th>"));
  EXPECT_TRUE(Has(html, "<th>BInput(BI05...BI01)</th>"));
  EXPECT_TRUE(Has(html,
                  "<tr><td>0</td><td>power up</td><td>26/12/10</td><td>14:05:09</td>"
                  "<td>1500</td>"));
}

TEST_F(ServiceReportTest, OfflineReportHasNoMonitorAndNoLogUnlessOneWasOpened) {
  const std::string offline = ServiceReportHtml(Input(false, nullptr));
  EXPECT_TRUE(Has(offline, "<td>Source</td><td>parameter file</td>"));
  // Values loaded from a file into an online window are not reported as the controller's.
  ServiceReportInput loaded = Input(true, nullptr);
  loaded.parametersFromFile = true;
  EXPECT_TRUE(Has(ServiceReportHtml(loaded),
                  "<td>Source</td><td>controller; parameters from a file loaded into the window, "
                  "not written</td>"));
  EXPECT_TRUE(Has(ServiceReportHtml(Input(true, nullptr)), "<td>Source</td><td>controller</td>"));
  EXPECT_TRUE(Has(offline, "<td>Nomin Power</td><td>250</td><td>KW</td>"));
  EXPECT_FALSE(Has(offline, "<h2>Monitor</h2>"));
  EXPECT_FALSE(Has(offline, "low batt"));
  EXPECT_FALSE(Has(offline, "<h2>Event log</h2>"));
  EXPECT_TRUE(Has(ServiceReportHtml(Input(false, &sheet_)), "<td>power up</td>"));
}

TEST_F(ServiceReportTest, ChineseReportIsUtf8AndTaggedChinese) {
  SetLanguageSetting("chinese");
  const std::string html = ServiceReportHtml(Input(true, &sheet_));
  EXPECT_TRUE(Has(html, "<html lang=\"zh\">"));
  EXPECT_TRUE(Has(html, "<td>额定功率</td><td>250</td><td>KW</td>"));
  EXPECT_TRUE(Has(html, "<li>!!电池电压低</li>"));
}

TEST_F(ServiceReportTest, CheckBoxesPrintTheirStateAndTheLogFitsALandscapePage) {
  const struct {
    const char* language;
    std::uint16_t word;  // 0x0118, power save on bit 15
    const char* row;
  } cases[] = {
      {"english", 0x8000, "<td>Power save</td><td>on</td>"},
      {"english", 0x0000, "<td>Power save</td><td>off</td>"},
      {"chinese", 0x8000, "<td>省电模式</td><td>开</td>"},
      {"chinese", 0x0000, "<td>省电模式</td><td>关</td>"},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    images_->SetWord(kSite, 0x0118, c.word);
    EXPECT_TRUE(Has(ServiceReportHtml(Input(true, &sheet_)), c.row)) << c.row;
  }
  // Printed, every column of the event log stays on the page.
  const std::string html = ServiceReportHtml(Input(true, &sheet_));
  const std::size_t print = html.find("@media print{");
  ASSERT_NE(print, std::string::npos);
  for (const char* rule : {"@page{size:A4 landscape", "table.log{width:100%;table-layout:fixed}",
                           "white-space:normal"})
    EXPECT_NE(html.find(rule, print), std::string::npos) << rule;
}

TEST(ServiceReportTextTest, TitleUnitSplitAndEscape) {
  EXPECT_EQ(SplitTitleUnit("Nomin Power (KW)").title, "Nomin Power");
  EXPECT_EQ(SplitTitleUnit("Nomin Power (KW)").unit, "KW");
  EXPECT_EQ(SplitTitleUnit("CT Ratio (/5A)").unit, "/5A");
  EXPECT_EQ(SplitTitleUnit("Gen <V").title, "Gen <V");
  EXPECT_EQ(SplitTitleUnit("Gen <V").unit, "");
  EXPECT_EQ(HtmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
  EXPECT_EQ(ServiceReportHtml({}), "");  // no images: nothing, not a crash
}

}  // namespace
}  // namespace vorel
