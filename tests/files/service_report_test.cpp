// The service report's HTML from fake images: identity, a parameter, an event row, escaping,
// and the offline variant without the live parts.
#include <gtest/gtest.h>

#include <array>
#include <ctime>
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
const std::int64_t kMadeAt = 1'797'000'000;

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
    in.madeAt = kMadeAt;
    in.online = online;
    in.eventLogSheet = log;
    if (!online) in.parameters = {true, {"/data/units/g7.dat", 0, {}}, kMadeAt - 60, false};
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
  EXPECT_TRUE(Has(html, "<td>Report made</td><td>" + LocalTimeText(kMadeAt) + "</td>"));
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
  // The file names the report; no address, serial number or clock of a controller.
  EXPECT_TRUE(Has(offline, "<title>Service report - file g7.dat</title>"));
  EXPECT_TRUE(Has(offline, "<td>File</td><td>/data/units/g7.dat</td>"));
  EXPECT_FALSE(Has(offline, "<td>Address</td>"));
  EXPECT_FALSE(Has(offline, "address 7"));
  EXPECT_TRUE(Has(offline, "<td>Serial number</td><td></td>"));
  EXPECT_FALSE(Has(offline, "<h3>Clock</h3>"));
  EXPECT_FALSE(Has(offline, "Changes on this visit"));
  EXPECT_TRUE(Has(offline, "<td>Identity and parameters</td><td>file /data/units/g7.dat, opened " +
                               LocalTimeText(kMadeAt - 60) + "</td>"));
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

// Every part names where it came from: the controller and when, or the file with its identity.
TEST_F(ServiceReportTest, EveryPartNamesItsSource) {
  const std::int64_t at = kMadeAt - 600;
  const std::string when = LocalTimeText(at);
  const std::string changed = LocalTimeText(at - 86400);
  const PartSource controller{true, {}, at, false};
  const PartSource partial{true, {}, at, true};
  const PartSource datFile{true, {"/u/other.dat", at - 86400, "ab12"}, at, false};
  const PartSource logFile{true, {"/u/other.log", at - 86400, "cd34"}, at, false};
  const struct {
    const char* language;
    PartSource parameters;
    PartSource eventLog;
    std::string row;
  } cases[] = {
      {"english", controller, controller,
       "<td>Identity and parameters</td><td>controller at address 7, read " + when + "</td>"},
      {"english", partial, controller,
       "<td>Identity and parameters</td><td>controller at address 7, read " + when +
           "; the read stopped part-way, some values are older</td>"},
      {"english", datFile, controller,
       "<td>Identity and parameters</td><td>file /u/other.dat (changed " + changed +
           ", SHA-256 ab12), opened " + when +
           "; loaded into the window, not written to the controller</td>"},
      {"english", controller, controller,
       "<td>Event log</td><td>controller at address 7, read " + when + "</td>"},
      {"english", controller, logFile,
       "<td>Event log</td><td>file /u/other.log (changed " + changed + ", SHA-256 cd34), opened " +
           when + "; the file does not name the controller it came from</td>"},
      {"english", controller, logFile,
       "<p>Source: file /u/other.log (changed " + changed + ", SHA-256 cd34), opened " + when},
      {"chinese", datFile, logFile,
       "<td>设备信息和参数</td><td>文件 /u/other.dat (修改于 " + changed +
           ", SHA-256 ab12)，打开于 " + when + "；已载入窗口，尚未写入控制器</td>"},
      {"chinese", controller, logFile,
       "<td>历史记录</td><td>文件 /u/other.log (修改于 " + changed + ", SHA-256 cd34)，打开于 " +
           when + "；该文件未注明来自哪台控制器</td>"},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    ServiceReportInput in = Input(true, &sheet_);
    in.parameters = c.parameters;
    in.eventLog = c.eventLog;
    EXPECT_TRUE(Has(ServiceReportHtml(in), c.row)) << c.row;
  }
}

// BCD words of the controller clock at local time `t`.
void SetControllerClock(SiteImages& images, int site, std::int64_t t) {
  const std::time_t time = static_cast<std::time_t>(t);
  std::tm tm{};
  localtime_r(&time, &tm);
  const auto bcd = [](int v) { return static_cast<std::uint16_t>((v / 10) << 4 | v % 10); };
  images.SetWord(site, reg::kControllerDate.address, bcd(tm.tm_mday) << 8 | bcd(tm.tm_mon + 1));
  images.SetWord(site, reg::kControllerDate.address + 1, bcd(tm.tm_year % 100) << 8);
  images.SetWord(site, reg::kControllerTime.address, bcd(tm.tm_hour) << 8 | bcd(tm.tm_min));
  images.SetWord(site, reg::kControllerTime.address + 1, bcd(tm.tm_sec) << 8);
}

// The technician's fields, this visit's writes named by parameter, and the clock drift.
TEST_F(ServiceReportTest, VisitFieldsChangesAndClockDrift) {
  ServiceReportInput in = Input(true, &sheet_);
  in.fields = {"ACME <Ltd>", "Pump house 3", "Li Wei", "Oil changed.\nBattery weak."};
  in.changes = {{0, "2026-12-11 10:00:00", "write", 7, "/u/a.dat", {{0x00C8, 0x00FA, 0x012C}}},
                {0, "2026-12-11 10:05:00", "password", 7, "", {}}};
  in.liveReadAt = kMadeAt - 30;
  const struct {
    std::int64_t drift;
    std::string english;
    std::string chinese;
  } clocks[] = {
      {5, "<td>Clock drift</td><td>+5 s (controller ahead of the PC)</td>",
       "<td>时钟偏差</td><td>+5 秒（控制器快于电脑）</td>"},
      {-125, "<td>Clock drift</td><td>-125 s (controller behind the PC)</td>",
       "<td>时钟偏差</td><td>-125 秒（控制器慢于电脑）</td>"},
      {0, "<td>Clock drift</td><td>0 s</td>", "<td>时钟偏差</td><td>0 秒</td>"},
  };
  for (const auto& c : clocks) {
    SetControllerClock(*images_, kSite, in.liveReadAt + c.drift);
    SetLanguageSetting("english");
    const std::string html = ServiceReportHtml(in);
    EXPECT_TRUE(Has(html, c.english)) << c.english;
    EXPECT_TRUE(Has(
        html, "<td>Controller clock</td><td>" + LocalTimeText(in.liveReadAt + c.drift) + "</td>"));
    EXPECT_TRUE(Has(html, "<td>PC clock</td><td>" + LocalTimeText(in.liveReadAt) + "</td>"));
    SetLanguageSetting("chinese");
    EXPECT_TRUE(Has(ServiceReportHtml(in), c.chinese)) << c.chinese;
  }
  SetLanguageSetting("english");
  const std::string html = ServiceReportHtml(in);
  EXPECT_TRUE(Has(html, "<td>Customer</td><td>ACME &lt;Ltd&gt;</td>"));
  EXPECT_TRUE(Has(html, "<td>Site</td><td>Pump house 3</td>"));
  EXPECT_TRUE(Has(html, "<td>Technician</td><td>Li Wei</td>"));
  EXPECT_TRUE(Has(html, ">Oil changed.\nBattery weak.</p>"));
  EXPECT_TRUE(Has(html,
                  "<tr><td>2026-12-11 10:00:00</td><td>write (/u/a.dat)</td><td>00C8</td>"
                  "<td>Nomin Power</td><td>00FA</td><td>012C</td></tr>"));
  EXPECT_TRUE(Has(html, "<tr><td>2026-12-11 10:05:00</td><td>password</td><td></td>"));
  SetLanguageSetting("chinese");
  const std::string chinese = ServiceReportHtml(in);
  EXPECT_TRUE(Has(chinese, "<td>客户</td><td>ACME &lt;Ltd&gt;</td>"));
  EXPECT_TRUE(Has(chinese, "<td>00C8</td><td>额定功率</td>"));
  // No fields: no visit section; no writes: said so; a clock never read: no drift.
  SetLanguageSetting("english");
  in.fields = {};
  in.changes.clear();
  images_->SetWord(kSite, reg::kControllerDate.address, 0);
  images_->SetWord(kSite, reg::kControllerDate.address + 1, 0);
  const std::string bare = ServiceReportHtml(in);
  EXPECT_FALSE(Has(bare, "<h2>Visit</h2>"));
  EXPECT_TRUE(Has(bare, "<h2>Changes on this visit</h2>\n<p>none</p>"));
  EXPECT_FALSE(Has(bare, "Clock drift"));
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
