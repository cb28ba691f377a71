#include "core/alarm_codes.h"

#include <algorithm>

#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

// clang-format off
constexpr AlarmCodeEntry kCodes[] = {
    {0x1854, {"o.p. sen. open alm", "!!油压传感器开路"}},
    {0x1855, {"w.t. sen. open alm", "!!水温传感器开路"}},
    {0x1856, {"f.l. sen. open alm", "!!油位传感器开路"}},
    {0x1857, {"o.t. sen. open alm", "!!油温传感器开路"}},
    {0x1858, {"b.t. sen. open alm", "!!缸温传感器开路"}},
    {0x2810, {"start manual", "手动启动"}},
    {0x2811, {"start auto", "自动启动"}},
    {0x2812, {"power up", "系统通电"}},
    {0x2814, {"gen freq alm", "G频率报警"}},
    {0x2815, {"vg1 alm", "G-L1电压报警"}},
    {0x2816, {"vg2 alm", "G-L2电压报警"}},
    {0x2817, {"vg3 alm", "G-L3电压报警"}},
    {0x2818, {"m-freq alm", "MA频率报警"}},
    {0x2819, {"vm1 alm", "MA-L1电压报警"}},
    {0x281A, {"vm2 alm", "MA-L2电压报警"}},
    {0x281B, {"vm3 alm", "MA-L3电压报警"}},
    {0x281C, {"remote off", "!遥控关闭"}},
    {0x2820, {"high batt", "!!电池电压高"}},
    {0x2821, {"low batt", "!!电池电压低"}},
    {0x2822, {"o.p. sw alm", "!!油压开关警告"}},
    {0x2823, {"w.t. sw alm", "!!水温开关警告"}},
    {0x2824, {"f.l. sw alm", "!!油位开关警告"}},
    {0x2825, {"airin alarm", "!!进风门报警"}},
    {0x2826, {"airout alarm", "!!排风门报警"}},
    {0x2827, {"", "!!风机报警"}},
    {0x2828, {"", "!!油泵报警"}},
    {0x2829, {"MCB feedback alm", "!!MCB 反馈报警"}},
    {0x282B, {"GCB feedback alm", "!!GCB反馈报警"}},
    {0x282D, {"vg1 over alm", "G-L1电压高"}},
    {0x282E, {"vg1 under alm", "G-L1电压低"}},
    {0x282F, {"vg2 over alm", "G-L2电压高"}},
    {0x2830, {"vg2 under alm", "G-L2电压低"}},
    {0x2831, {"vg3 over alm", "G-L3电压高"}},
    {0x2832, {"vg3 under alm", "G-L3电压低"}},
    {0x2833, {"vg unbal alm", "G电压不平衡"}},
    {0x2834, {"ig unbal", "电流不平衡"}},
    {0x2836, {"gen freq over alm", "G频率高"}},
    {0x2837, {"gen freq under alm", "G频率低"}},
    {0x2838, {"vm1 over alm", "MA-L1电压高"}},
    {0x2839, {"vm1 under alm", "MA-L1电压低"}},
    {0x283A, {"vm2 over alm", "MA-L2电压高"}},
    {0x283B, {"vm2 under alm", "MA-L2电压低"}},
    {0x283C, {"vm3 over alm", "MA-L3电压高"}},
    {0x283D, {"vm3 under alm", "MA-L3电压低"}},
    {0x283E, {"vm unbal alm", "MA电压不平衡"}},
    {0x283F, {"m-freq over alm", "MA频率高"}},
    {0x2840, {"m-freq under alm", "MA频率低"}},
    {0x284D, {"belt alm", "皮带故障"}},
    {0x284E, {"w.l. sw alarm", "!!水位开关警告"}},
    {0x284F, {"b.t. sw alarm", "!!缸温开关警告"}},
    {0x2854, {"o.p. sen. alm", "!!油压传感器警告"}},
    {0x2855, {"w.t. sen. alm", "!!水温传感器警告"}},
    {0x2856, {"f.l. sen. alm", "!!油位传感器警告"}},
    {0x2857, {"o.t. sen. alm", "!!油温传感器警告"}},
    {0x2858, {"b.t. sen. alm", "!!缸温传感器警告"}},
    {0x2860, {"ig over", "电流过载"}},
    {0x2862, {"ig short", "电流短路"}},
    {0x2864, {"i-neutral over", "电流漏电"}},
    {0x2866, {"active power over", "功率过载"}},
    {0x2868, {"inverse power alarm", "逆功率报警"}},
    {0x289D, {"reserve 1 alarm", "!!自定义一警告"}},
    {0x289E, {"reserve 2 alarm", "!!自定义二警告"}},
    {0x28D1, {"o.t. sw alarm", "!!油温开关警告"}},
    {0x3854, {"o.p. sen. short alm", "!!油压传感器短路"}},
    {0x3855, {"w.t. sen. short alm", "!!水温传感器短路"}},
    {0x3856, {"f.l. sen. short alm", "!!油位传感器短路"}},
    {0x3857, {"o.t. sen. short alm", "!!油温传感器短路"}},
    {0x3858, {"b.t. sen. short alm", "!!缸温传感器短路"}},
    {0x4822, {"stop o.p. sw", "油压开关停机"}},
    {0x4823, {"stop w.t. sw", "水温开关停机"}},
    {0x4824, {"stop f.l. sw", "油位开关停机"}},
    {0x4841, {"emerg stop", "紧急停机"}},
    {0x4842, {"start-fail stop", "启动失败停机"}},
    {0x4843, {"over-speed stop", "超速停机"}},
    {0x4844, {"under-speed stop", "低速停机"}},
    {0x4845, {"Gen-fail stop", "发电机故障停机"}},
    {0x4846, {"RPM-fail stop", "转速故障停机"}},
    {0x4847, {"Prepare-fail stop", "准备失败停机"}},
    {0x4848, {"stop manual", "手动停机"}},
    {0x4849, {"mains-return stop", "市电恢复停机"}},
    {0x484A, {"fail-stop stop", "停机失败停机"}},
    {0x484C, {"v-batt under stop", "启动电池停机"}},
    {0x4854, {"stop o.p. sen.", "油压传感器停机"}},
    {0x4855, {"stop w.t. sen.", "水温传感器停机"}},
    {0x4856, {"stop f.l. sen.", "油位传感器停机"}},
    {0x4857, {"o.t. sw stop", "油温传感器停机"}},
    {0x4858, {"b.t. sw stop", "缸温传感器停机"}},
    {0x4859, {"stop auto", "自动停机"}},
    {0x8860, {"unload ig over", "电流过载卸载"}},
    {0x8862, {"unload ig short", "电流短路卸载"}},
    {0xA854, {"o.p. sen. pre-alm", "!油压传感器预警"}},
    {0xA855, {"w.t. sen. pre-alm", "!水温传感器预警"}},
    {0xA856, {"f.l. sen. pre-alm", "!油位传感器预警"}},
    {0xA857, {"o.t. sen. pre-alm", "油温传感器预警"}},
    {0xA858, {"b.t. sen. pre-alm", "缸温传感器预警"}},
    {0xB854, {"o.p. sen. failure alm", "!!油压传感器故障"}},
    {0xB855, {"w.t. sen. failure alm", "!!水温传感器故障"}},
    {0xB856, {"f.l. sen. failure alm", "!!油位传感器故障"}},
    {0xB857, {"o.t. sen. failure alm", "!!油温传感器故障"}},
    {0xB858, {"b.t. sen. failure alm", "!!缸温传感器故障"}},
};
// clang-format on

constexpr std::uint16_t kMainsFail = 18569;
constexpr std::uint16_t kMainsReturn = 18571;

bool IsOneOf(std::uint16_t type, std::initializer_list<std::uint16_t> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

}  // namespace

std::span<const AlarmCodeEntry> AlarmCodeTable() {
  return kCodes;
}

std::string HexWordText(std::uint16_t word) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 0; i < 4; ++i)
    text[static_cast<std::size_t>(3 - i)] = kDigits[(word >> (4 * i)) & 0xF];
  return text;
}

std::string AlarmCodeText(std::uint16_t controllerType, std::uint16_t code) {
  const auto* end = std::end(kCodes);
  const auto* it =
      std::lower_bound(std::begin(kCodes), end, code,
                       [](const AlarmCodeEntry& e, std::uint16_t c) { return e.code < c; });
  if (it != end && it->code == code) return std::string(it->text.Pick());
  if (code == kMainsFail || code == kMainsReturn) {
    const bool fail = code == kMainsFail;
    if (IsOneOf(controllerType, {3101, 3102, 3104, 3106, 3109, 3113})) {
      return std::string(fail ? PickText("mains fail", "!!市电故障")
                              : PickText("mains return", "!!市电恢复"));
    }
    if (controllerType == 3103) {
      return std::string(fail ? PickText("mains A fail", "!!市电A故障")
                              : PickText("mains A return", "!!市电A恢复"));
    }
    return {};
  }
  if ((code & 0xF000) == 0xF000) return "Exception " + HexWordText(code & 0x07FF);
  return HexWordText(code);
}

std::string AlarmCodeText(const SiteImages& images, int site, std::uint16_t code) {
  return AlarmCodeText(images.Word(site, reg::kProductCode.address), code);
}

}  // namespace vorel
