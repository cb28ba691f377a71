#include "site.h"

#include <cstdio>

#include "site_layout.h"

namespace vorel::sim {
namespace {

std::uint8_t ToBcd(int v) {
  return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10));
}

// -1 when the byte is not two BCD digits.
int FromBcd(std::uint8_t b) {
  const int hi = b >> 4;
  const int lo = b & 0x0F;
  if (hi > 9 || lo > 9) return -1;
  return hi * 10 + lo;
}

void PutText(Site& site, int first, int words, const std::string& text) {
  for (int k = 0; k < words; ++k) {
    const auto at = static_cast<std::size_t>(2 * k);
    const std::uint8_t lo = at < text.size() ? static_cast<std::uint8_t>(text[at]) : ' ';
    const std::uint8_t hi = at + 1 < text.size() ? static_cast<std::uint8_t>(text[at + 1]) : ' ';
    site.SetWord(first + k, static_cast<std::uint16_t>(hi << 8 | lo));
  }
}

}  // namespace

std::string DeviceName(const SiteConfig& config) {
  char text[64];
  std::snprintf(text, sizeof text, "GENSET CONTROLLER %u %s", config.type, config.version.c_str());
  std::string name(text);
  name.resize(40, ' ');
  return name;
}

Site::Site(const SiteConfig& s, std::uint16_t pw) : config(s), password(pw) {
  Reset();
}

void Site::Reset() {
  image.fill(0);
  for (auto& record : log) record.fill(0);
  for (const RegisterDefault& r : FactoryRegisters()) SetWord(r.address, r.value);
  for (const RegisterDefault& r : TypeRegisters(config.type)) SetWord(r.address, r.value);
  const auto curves = FactoryCurves();
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 10; ++i) {
      SetWord(0x012C + 10 * c + i, static_cast<std::uint16_t>(curves[c].values[i]));
      SetWord(0x014A + 10 * c + i, static_cast<std::uint16_t>(curves[c].resistances[i]));
    }
  }
  char name[17];
  std::snprintf(name, sizeof name, "GENSET-%02d", config.address);
  PutText(*this, reg::kGeneratorName.address, reg::kGeneratorName.count, name);
  SetWord(reg::kControllerAddress.address, static_cast<std::uint16_t>(config.address));
  SetWord(reg::kEventLogPosition.address, kEventLogFirst);
  unlocked = false;
  clockOffset = 0;
  ApplyIdentity();
}

void Site::ApplyIdentity() {
  SetWord(reg::kProductCode.address, config.type);
  // Bit 6 of the status word: the serial number may be written.
  const std::uint16_t status = Word(reg::kSystem.address);
  SetWord(reg::kSystem.address,
          static_cast<std::uint16_t>(config.systemUnlocked ? status | 0x0040U : status & ~0x0040U));
  PutText(*this, reg::kDeviceName.address, reg::kDeviceName.count, DeviceName(config));
  // Serial number 2026-1209-00NN: twelve digits, four per register.
  SetWord(reg::kSerialNumber.address, 0x2026);
  SetWord(reg::kSerialNumber.address + 1, 0x1209);
  SetWord(reg::kSerialNumber.address + 2,
          static_cast<std::uint16_t>(ToBcd(config.address / 100) << 8 | ToBcd(config.address)));
  SetUnlocked(unlocked);
}

void Site::SetUnlocked(bool on) {
  unlocked = on;
  SetWord(reg::kProtection.address, on ? kUnlockedMark : 0);
}

void Site::AppendEvent(std::uint16_t code, std::time_t now) {
  std::uint16_t position = Word(reg::kEventLogPosition.address);
  if (position < kEventLogFirst || position >= kLogEnd ||
      (position - kEventLogFirst) % kLogRecordWords) {
    position = kEventLogFirst;
  }
  auto& r = log[static_cast<std::size_t>((position - kEventLogFirst) / kLogRecordWords)];
  r.fill(0);
  ShowClock(now);
  r[0] = code;
  r[1] = Word(reg::kControllerDate.address);
  r[2] = Word(reg::kControllerDate.address + 1);
  r[3] = Word(reg::kControllerTime.address);
  r[4] = Word(reg::kControllerTime.address + 1);
  r[5] = Word(0x0099);
  r[6] = Word(0x009A);
  r[7] = Word(0x009B);
  r[8] = Word(0x009C);
  r[9] = Word(0x009E);
  r[10] = Word(0x00A7);
  r[11] = Word(0x00A1);
  r[12] = Word(0x00A2);
  r[13] = Word(0x00A3);
  r[14] = Word(0x00B6);
  r[15] = Word(0x00B7);
  r[16] = Word(0x00B8);
  r[18] = Word(0x0053);
  r[19] = Word(0x0054);
  r[20] = Word(0x0055);
  r[22] = Word(0x00C5);
  const BinaryLayout io = BinaryLayoutOf(config.type);
  r[23] = static_cast<std::uint16_t>(Word(0x0060) >> io.recordInputShift);
  r[24] = static_cast<std::uint16_t>(~(Word(0x0061) >> io.recordOutputShift));
  r[25] = static_cast<std::uint16_t>(~Word(0x005F));
  r[26] = Word(0x00AE);
  r[27] = Word(0x00A8);
  r[28] = Word(0x00A9);
  r[29] = Word(0x00AA);
  position = static_cast<std::uint16_t>(position + kLogRecordWords);
  if (position >= kLogEnd) position = kEventLogFirst;
  SetWord(reg::kEventLogPosition.address, position);
}

void Site::ShowClock(std::time_t host) {
  const std::time_t t = ClockTime(host);
  std::tm tm{};
  localtime_r(&t, &tm);
  SetWord(reg::kControllerTime.address,
          static_cast<std::uint16_t>(ToBcd(tm.tm_hour) << 8 | ToBcd(tm.tm_min)));
  SetWord(reg::kControllerTime.address + 1, static_cast<std::uint16_t>(ToBcd(tm.tm_sec) << 8));
  SetWord(reg::kControllerDate.address,
          static_cast<std::uint16_t>(ToBcd(tm.tm_mday) << 8 | ToBcd(tm.tm_mon + 1)));
  SetWord(reg::kControllerDate.address + 1,
          static_cast<std::uint16_t>(ToBcd(tm.tm_year % 100) << 8));
}

bool Site::SetTime(std::uint16_t hoursMinutes, std::uint16_t seconds, std::time_t host) {
  const int h = FromBcd(static_cast<std::uint8_t>(hoursMinutes >> 8));
  const int m = FromBcd(static_cast<std::uint8_t>(hoursMinutes & 0xFF));
  const int s = FromBcd(static_cast<std::uint8_t>(seconds >> 8));
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  const std::time_t now = ClockTime(host);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  clockOffset = std::mktime(&tm) - host;
  ShowClock(host);
  return true;
}

bool Site::SetDate(std::uint16_t dayMonth, std::uint16_t year, std::time_t host) {
  const int d = FromBcd(static_cast<std::uint8_t>(dayMonth >> 8));
  const int mo = FromBcd(static_cast<std::uint8_t>(dayMonth & 0xFF));
  const int y = FromBcd(static_cast<std::uint8_t>(year >> 8));
  if (d < 1 || d > 31 || mo < 1 || mo > 12 || y < 0) return false;
  const std::time_t now = ClockTime(host);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_mday = d;
  tm.tm_mon = mo - 1;
  tm.tm_year = 100 + y;
  tm.tm_isdst = -1;
  std::tm check = tm;
  const std::time_t t = std::mktime(&tm);
  if (tm.tm_mday != check.tm_mday || tm.tm_mon != check.tm_mon) return false;  // 31 February
  clockOffset = t - host;
  ShowClock(host);
  return true;
}

}  // namespace vorel::sim
