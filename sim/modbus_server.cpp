#include "modbus_server.h"

#include "core/register_table.h"
#include "site_layout.h"

namespace vorel::sim {
namespace {

// The plain registers end where the event log begins.
constexpr std::uint16_t kImageEnd = kEventLogFirst;
constexpr std::uint16_t kAction = reg::kCommand.address;
constexpr std::uint16_t kProtection = reg::kProtection.address;
constexpr std::uint16_t kNewPassword = reg::kNewPassword.address;
constexpr std::uint16_t kMode = reg::kOperatingMode.address;
constexpr std::uint16_t kTime = reg::kControllerTime.address;  // and the seconds after it
constexpr std::uint16_t kDate = reg::kControllerDate.address;  // and the year after it

bool IsClockRegister(unsigned a) {
  return a >= kTime && a < kDate + reg::kControllerDate.count;
}
constexpr Exception kOk = static_cast<Exception>(0);

// The alarm levels of the analogue inputs carry their limits in shown units: the word is
// compared after division by 10 to the power of the channel's decimals.
bool WithinLimits(const Site& site, const RegisterDefault& limits, std::uint16_t word) {
  double value = static_cast<std::int16_t>(word);
  const int a = limits.address;
  if (a >= 0x00E4 && a <= 0x00EC && (a - 0x00E4) % 3 != 2) {
    const int decimals = (site.Word(0x0129 + (a - 0x00E4) / 3) >> 8) & 3;
    for (int d = 0; d < decimals; ++d) value /= 10;
  }
  return value >= limits.minimum && value <= limits.maximum;
}

void Header(Reply& out, std::uint8_t address, std::uint8_t function) {
  out.size = 0;
  out.Put(address);
  out.Put(function);
}

}  // namespace

SimSite* ModbusServer::Find(int address) {
  for (auto& s : sites_) {
    if (s->site.config.address == address) return s.get();
  }
  return nullptr;
}

bool ModbusServer::Handle(std::span<const std::uint8_t> request, std::time_t host, Reply& out) {
  if (request.size() < 4) return false;
  const std::uint8_t address = request[0];
  const std::uint8_t function = request[1];
  SimSite* s = Find(address);
  if (s == nullptr) return false;

  switch (function) {
    case 0x03: {
      if (request.size() != 8) break;
      Read(*s, Word(request, 2), Word(request, 4), out);
      return true;
    }
    case 0x06: {
      if (request.size() != 8) break;
      const Exception e = Write(*s, Word(request, 2), request.subspan(4, 2), host);
      if (e != kOk) {
        BuildException(out, address, function, e);
      } else {
        Header(out, address, function);
        for (std::size_t i = 2; i < 6; ++i) out.Put(request[i]);
        out.Seal();
      }
      return true;
    }
    case 0x10: {
      if (request.size() < 9) break;
      const std::uint16_t start = Word(request, 2);
      const std::uint16_t count = Word(request, 4);
      const std::size_t bytes = request[6];
      if (count < 1 || count > 123 || bytes != 2U * count || request.size() != 9 + bytes) {
        BuildException(out, address, function, Exception::kIllegalValue);
        return true;
      }
      const Exception e = Write(*s, start, request.subspan(7, bytes), host);
      if (e != kOk) {
        BuildException(out, address, function, e);
      } else {
        Header(out, address, function);
        for (std::size_t i = 2; i < 6; ++i) out.Put(request[i]);
        out.Seal();
      }
      return true;
    }
    default:
      break;
  }
  BuildException(out, address, function, Exception::kIllegalFunction);
  return true;
}

void ModbusServer::Read(SimSite& s, std::uint16_t address, std::uint16_t count, Reply& out) {
  const std::uint8_t slave = static_cast<std::uint8_t>(s.site.config.address);
  if (address >= vorel::kExtendedReplyFirst) {
    ReadBlock(s, address, count, out);
    return;
  }
  if (count < 1 || count > 125) {
    BuildException(out, slave, 0x03, Exception::kIllegalValue);
    return;
  }
  const unsigned end = static_cast<unsigned>(address) + count;
  const bool inImage = end <= kImageEnd;
  const bool inLog = address >= kEventLogFirst && end <= kLogEnd;
  if (!inImage && !inLog) {
    BuildException(out, slave, 0x03, Exception::kIllegalAddress);
    return;
  }
  Header(out, slave, 0x03);
  out.Put(static_cast<std::uint8_t>(2 * count));
  for (unsigned a = address; a < end; ++a) {
    if (inImage) {
      out.PutWord(s.site.Word(static_cast<int>(a)));
    } else {
      const unsigned k = a - kEventLogFirst;
      out.PutWord(s.site.log[k / kLogRecordWords][k % kLogRecordWords]);
    }
  }
  out.Seal();
}

void ModbusServer::ReadBlock(SimSite& s, std::uint16_t address, std::uint16_t count, Reply& out) {
  const std::uint8_t slave = static_cast<std::uint8_t>(s.site.config.address);
  const BlockLayout* layout = FindLayout(address);
  if (layout == nullptr) {
    BuildException(out, slave, 0x03, Exception::kIllegalAddress);
    return;
  }
  if (count != layout->items.size()) {
    BuildException(out, slave, 0x03, Exception::kIllegalValue);
    return;
  }
  Header(out, slave, 0x03);
  out.Put(0);  // byte count, filled in below
  out.Put(0);
  std::uint16_t offset = 0;
  for (const BlockItem& item : layout->items) {
    if (address == layout->config) {
      out.PutWord(item.address);
      out.Put(item.count);
      out.Put(0);  // attribute
      if (layout->parameters) {
        const auto limits = FindFactoryRegister(item.address);
        out.PutWord(static_cast<std::uint16_t>(limits ? limits->maximum : 32767));
        out.PutWord(static_cast<std::uint16_t>(limits ? limits->minimum : -32768));
      }
      out.PutWord(offset);
    } else {
      for (int j = 0; j < item.count; ++j) out.PutWord(s.site.Word(item.address + j));
    }
    offset = static_cast<std::uint16_t>(offset + item.count);
  }
  const std::size_t data = out.size - 4;
  out.bytes[2] = static_cast<std::uint8_t>(data >> 8);
  out.bytes[3] = static_cast<std::uint8_t>(data & 0xFFU);
  out.Seal();
}

Exception ModbusServer::Write(SimSite& s, std::uint16_t address,
                              std::span<const std::uint8_t> words, std::time_t host) {
  const std::size_t count = words.size() / 2;
  auto word = [&](std::size_t i) { return Word(words, 2 * i); };
  Site& site = s.site;

  if (address == kAction) {
    if (count != 1) return Exception::kIllegalValue;
    return s.engine.Command(word(0), host) ? kOk : Exception::kIllegalValue;
  }
  if (static_cast<unsigned>(address) + count > kImageEnd) return Exception::kIllegalAddress;
  if (forgetWriteReg_ >= address && forgetWriteReg_ < static_cast<int>(address + count)) {
    return kOk;  // said yes, kept the old values
  }

  // Check every word first: a refused write changes nothing.
  bool parameters = false;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned a = address + i;
    if (a == kProtection || IsClockRegister(a)) continue;
    if (a == kMode) {
      if (word(i) < kModeOff || word(i) > kModeTest) return Exception::kIllegalValue;
      continue;
    }
    if (a == kNewPassword) {
      if (word(i) > 9999) return Exception::kIllegalValue;
      if (!site.unlocked) return Exception::kRefused;
      continue;
    }
    if (!IsParameterRegister(static_cast<std::uint16_t>(a))) return Exception::kIllegalAddress;
    parameters = true;
    const auto limits = FindFactoryRegister(static_cast<std::uint16_t>(a));
    if (limits && a != 0x0098 && !WithinLimits(site, *limits, word(i))) {
      return Exception::kIllegalValue;
    }
  }
  if (parameters && (!site.unlocked || site.Word(kMode) != kModeOff)) return Exception::kRefused;

  // The clock registers are taken as whole pairs where the write holds both words.
  const auto inWrite = [&](unsigned a) { return a >= address && a < address + count; };
  const auto value = [&](unsigned a) {
    return inWrite(a) ? word(a - address) : site.Word(static_cast<int>(a));
  };
  if (inWrite(kTime) || inWrite(kTime + 1)) {
    if (!site.SetTime(value(kTime), value(kTime + 1), host)) return Exception::kIllegalValue;
  }
  if (inWrite(kDate) || inWrite(kDate + 1)) {
    if (!site.SetDate(value(kDate), value(kDate + 1), host)) return Exception::kIllegalValue;
  }

  bool modeChanged = false;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned a = address + i;
    const std::uint16_t w = word(i);
    if (IsClockRegister(a)) continue;
    if (a == kProtection) {
      site.SetUnlocked(w == site.password);
    } else if (a == kNewPassword) {
      site.password = w;
    } else if (a == kMode) {
      modeChanged = modeChanged || site.Word(kMode) != w;
      site.SetWord(kMode, w);
    } else {
      site.SetWord(static_cast<int>(a), w);
    }
  }
  if (modeChanged) s.engine.ModeChanged(host);
  return kOk;
}

}  // namespace vorel::sim
