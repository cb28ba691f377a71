#include "control/fleet_rows.h"

#include "control/live_data_age.h"
#include "core/language.h"
#include "link/modbus_link.h"

namespace vorel {
namespace {

// clang-format off
constexpr BilingualText kTitles[kFleetColumns] = {
    {"Site",          "地址"},
    {"Generator",     "机组名称"},
    {"Device",        "设备"},
    {"Type",          "型号"},
    {"Mode",          "运行模式"},
    {"Engine",        "机组状态"},
    {"kW",            "有功功率(kW)"},
    {"V L1-L2",       "线电压L1-L2(V)"},
    {"Hz",            "频率(Hz)"},
    {"Battery V",     "电池电压(V)"},
    {"Alarms",        "报警数"},
    {"Newest alarm",  "最新报警"},
    {"Age",           "数据时间"},
    {"Communication", "通讯"},
};
// clang-format on

std::size_t At(FleetColumn c) {
  return static_cast<std::size_t>(c);
}

}  // namespace

std::string FleetColumnTitle(FleetColumn column) {
  return std::string(kTitles[At(column)].Pick());
}

std::string FleetAgeText(std::int64_t lastGoodWallMs, std::int64_t nowWallMs) {
  if (lastGoodWallMs <= 0) return "-";
  const std::int64_t seconds = std::max<std::int64_t>(0, (nowWallMs - lastGoodWallMs) / 1000);
  return std::to_string(seconds) + " s";
}

FleetLink FleetLinkOf(const LiveDataAge& age, std::int16_t commState, int site,
                      std::uint64_t nowMs) {
  return {commState == kCommNoResult, age.Stale(site, nowMs),
          age.EverPolled(site) ? age.SinceWallMs(site) : 0};
}

FleetRow MakeFleetRow(const SiteImages& images, int site, const FleetLink& link,
                      std::int64_t nowWallMs) {
  FleetRow row;
  row.site = site;
  row.summary = SummarizeSite(images, site);
  const SiteSummary& s = row.summary;
  row.state = link.disconnected || link.pollingStopped ? FleetRowState::Off
              : link.stale                             ? FleetRowState::Stale
              : s.InAlarm()                            ? FleetRowState::Alarm
                                                       : FleetRowState::Normal;
  std::string communication;
  if (link.disconnected) {
    communication = PickText("not connected", "未连接");
  } else if (link.pollingStopped) {
    communication = PickText("polling stopped", "已停止轮询");
  } else if (link.stale) {
    communication = NoReplySinceText(link.lastGoodWallMs);
  } else {
    communication = PickText("ok", "正常");
  }
  auto set = [&](FleetColumn c, std::string text, double key = 0) {
    row.cells[At(c)] = std::move(text);
    row.sortKeys[At(c)] = key;
  };
  set(FleetColumn::Site, std::to_string(site), site);
  set(FleetColumn::Generator, s.generatorName);
  set(FleetColumn::Device, s.deviceName);
  set(FleetColumn::Type, std::to_string(s.productCode), s.productCode);
  set(FleetColumn::Mode, s.modeText);
  set(FleetColumn::Engine, s.engineText, static_cast<double>(s.engine));
  set(FleetColumn::Kw, s.activePowerKw.Text(), s.activePowerKw.Value());
  set(FleetColumn::VoltageL1L2, s.voltageL1L2.Text(), s.voltageL1L2.Value());
  set(FleetColumn::Hz, s.frequencyHz.Text(), s.frequencyHz.Value());
  set(FleetColumn::Battery, s.batteryVolts.Text(), s.batteryVolts.Value());
  set(FleetColumn::Alarms, std::to_string(s.alarms.size()), static_cast<double>(s.alarms.size()));
  set(FleetColumn::NewestAlarm, s.NewestAlarmText());
  set(FleetColumn::Age, FleetAgeText(link.lastGoodWallMs, nowWallMs),
      static_cast<double>(nowWallMs - link.lastGoodWallMs));
  set(FleetColumn::Communication, communication, static_cast<double>(row.state));
  return row;
}

}  // namespace vorel
