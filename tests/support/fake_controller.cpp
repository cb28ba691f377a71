#include "support/fake_controller.h"

#include "link/modbus_frame.h"

namespace vorel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

Bytes Sealed(Bytes b) {
  const std::uint16_t crc = Crc16Modbus(b);
  b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  b.push_back(static_cast<std::uint8_t>(crc >> 8));
  return b;
}

int ParameterTable(std::uint16_t address, bool config) {
  const std::uint16_t configs[] = {0x8052, 0x8035, 0x8036, 0x8037};
  const std::uint16_t values[] = {0x804D, 0x8045, 0x8046, 0x8047};
  for (int i = 0; i < 4; ++i) {
    if ((config ? configs : values)[i] == address) return i;
  }
  return -1;
}

// A controller answers a CONFIG request with as many descriptors as it asks for: the table
// is filled up with descriptors of one register each that nothing shows and no parameter
// write sends (the password register in the parameter tables, an unused register in the
// live table), so that a test's short table stays what the test is about.
using Table = std::vector<std::pair<std::uint16_t, std::uint8_t>>;
constexpr std::uint16_t kParameterFiller = 0x0004;
constexpr std::uint16_t kLiveFiller = 0x01FF;

Table FilledUp(Table table, std::size_t count, std::uint16_t filler) {
  while (table.size() < count) table.emplace_back(filler, 1);
  return table;
}

}  // namespace

void FakeController::SetDeviceName(Site& s, const std::string& name) {
  for (int k = 0; k < 20; ++k) {
    auto byte = [&](std::size_t i) -> std::uint16_t {
      return i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0x20;
    };
    // Low byte first.
    s.regs[0x0172 + static_cast<std::size_t>(k)] =
        static_cast<std::uint16_t>(byte(2u * k) | (byte(2u * k + 1) << 8));
  }
}

FakeController::Site& FakeController::AddSite(int site, std::int16_t productCode,
                                              const std::string& deviceName) {
  Site& s = sites[site];
  s.regs[0x0000] = 0x0003;
  s.regs[0x016B] = static_cast<std::uint16_t>(productCode);
  s.regs[0x0006] = 0x1234;
  s.regs[0x0007] = 0x5678;
  s.regs[0x0008] = 0x9ABC;
  s.regs[0x000C] = 0x1234;  // 12:34:56
  s.regs[0x000D] = 0x5600;
  s.regs[0x000E] = 0x1012;  // 26-12-10: day and month, then the year
  s.regs[0x000F] = 0x2600;
  s.regs[0x0113] = 198;
  SetDeviceName(s, deviceName);
  s.live = {{0x0000, 5}, {0x000C, 4}, {0x0113, 1}};
  s.parameters[0] = {{0x0004, 1}, {0x0010, 2}, {0x0020, 1}};
  s.parameters[1] = {{0x0030, 2}};
  s.parameters[2] = {};
  s.parameters[3] = {{0x0040, 1}};
  return s;
}

FakeSerialPort::Reply FakeController::Answer(std::span<const std::uint8_t> frame) {
  if (frame.size() < 8) return {};
  FakeRequest r{frame[0],
                frame[1],
                static_cast<std::uint16_t>((frame[2] << 8) | frame[3]),
                static_cast<std::uint16_t>((frame[4] << 8) | frame[5]),
                {}};
  if (r.function == 16) {
    for (std::size_t i = 7; i + 1 < frame.size() - 2; i += 2) {
      r.words.push_back(static_cast<std::uint16_t>((frame[i] << 8) | frame[i + 1]));
    }
  }
  requests.push_back(r);
  auto it = sites.find(r.site);
  if (it == sites.end() || (silent && silent(r))) return {};
  Site& s = it->second;
  const auto site = static_cast<std::uint8_t>(r.site);
  if (except && except(r)) {
    const bool extended = r.function == 3 && r.address >= 0x8031;
    Bytes b{site, static_cast<std::uint8_t>(r.function | 0x80), 4};
    if (extended) b.push_back(0);
    return {{replyDelayMs, Sealed(b)}};
  }
  if (r.function == 16) {
    for (std::size_t k = 0; k < r.words.size(); ++k) {
      const std::size_t at = r.address + k;
      if (at >= s.regs.size()) continue;
      if (at == 0x0004) {
        s.regs[at] = r.words[k] == s.password ? 746 : 0;
      } else if (at == 0x0005) {
        s.password = r.words[k];
      } else {
        s.regs[at] = r.words[k];
      }
    }
    Bytes b{site, 16};
    Put16(b, r.address);
    Put16(b, r.count);
    return {{replyDelayMs, Sealed(b)}};
  }
  Bytes data;
  const bool extended = r.address >= 0x8031;
  if (!extended) {
    for (std::size_t k = 0; k < r.count; ++k) {
      const std::size_t at = r.address + k;
      if (at < s.regs.size()) {
        Put16(data, s.regs[at]);
      } else if (at >= 0x0200 && at - 0x0200 < s.log.size()) {
        Put16(data, s.log[at - 0x0200]);
      } else {
        Put16(data, 0);
      }
    }
    if (damage) damage(r, data);
    Bytes b{site, 3, static_cast<std::uint8_t>(data.size())};
    b.insert(b.end(), data.begin(), data.end());
    return {{replyDelayMs, Sealed(b)}};
  }
  // A VALUE block counts as many entries as its CONFIG block counts descriptors.
  const std::size_t asked = r.count;
  const Table live = FilledUp(s.live, asked, kLiveFiller);
  auto parameters = [&](int t) {
    return FilledUp(s.parameters[static_cast<std::size_t>(t)], asked, kParameterFiller);
  };
  auto words = [&](const Table& table) {
    for (const auto& [address, count] : table) {
      for (int k = 0; k < count; ++k) Put16(data, s.regs[(address + k) & 0x1FF]);
    }
  };
  if (r.address == 0x8053) {
    std::uint16_t offset = 0;
    for (const auto& [address, count] : live) {
      Put16(data, address);
      data.push_back(count);
      data.push_back(0);
      Put16(data, offset);
      offset = static_cast<std::uint16_t>(offset + count);
    }
  } else if (r.address == 0x804F) {
    words(live);
  } else if (int t = ParameterTable(r.address, true); t >= 0) {
    std::uint16_t offset = 0;
    for (const auto& [address, count] : parameters(t)) {
      Put16(data, address);
      data.push_back(count);
      data.push_back(0);
      Put16(data, 9999);
      Put16(data, 0);
      Put16(data, offset);
      offset = static_cast<std::uint16_t>(offset + count);
    }
  } else if (int v = ParameterTable(r.address, false); v >= 0) {
    words(parameters(v));
  }
  if (damage) damage(r, data);
  Bytes b{site, 3};
  Put16(b, static_cast<std::uint16_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return {{replyDelayMs, Sealed(b)}};
}

std::vector<std::uint16_t> Addresses(const std::vector<FakeRequest>& requests, int function) {
  std::vector<std::uint16_t> out;
  for (const auto& r : requests) {
    if (r.function == function) out.push_back(r.address);
  }
  return out;
}

}  // namespace vorel::test
