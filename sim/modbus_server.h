// Answers Modbus RTU requests for the simulated sites: function 3 (plain and block-transfer
// reads), 6 and 16 (writes), exceptions for everything else.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <vector>

#include "engine.h"
#include "frames.h"
#include "site.h"

namespace vorel::sim {

struct SimSite {
  SimSite(const SiteConfig& config, std::uint16_t password, EngineOptions options)
      : site(config, password), engine(site, options) {}
  Site site;
  Engine engine;
};

using Sites = std::vector<std::unique_ptr<SimSite>>;

class ModbusServer {
 public:
  explicit ModbusServer(Sites& sites) : sites_(sites) {}

  SimSite* Find(int address);
  // Writes that cover register `reg` are acknowledged and not stored (-1: every write stored).
  void ForgetWritesTo(int reg) { forgetWriteReg_ = reg; }

  // `request` is a whole frame whose CRC has been checked. Returns false when no site has the
  // frame's address (no reply at all); otherwise `out` holds the sealed reply.
  bool Handle(std::span<const std::uint8_t> request, std::time_t host, Reply& out);

 private:
  void Read(SimSite& s, std::uint16_t address, std::uint16_t count, Reply& out);
  void ReadBlock(SimSite& s, std::uint16_t address, std::uint16_t count, Reply& out);
  // Validates and applies a write of `words` at `address`; 0 on success, else an exception code.
  Exception Write(SimSite& s, std::uint16_t address, std::span<const std::uint8_t> words,
                  std::time_t host);

  Sites& sites_;
  int forgetWriteReg_ = -1;
};

}  // namespace vorel::sim
