// Shared set-up of the simulator tests: a vorel-sim child on a temporary link and a raw master.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "support/raw_master.h"
#include "support/sim_process.h"

namespace vorel::test {

class SimTest : public ::testing::Test {
 protected:
  // Starts the simulator (at --baud 0 unless the arguments name a baud rate) and opens the line.
  void Launch(QStringList arguments) {
    if (!arguments.contains("--baud"))
      arguments << "--baud"
                << "0";
    ASSERT_TRUE(sim.Start(arguments)) << sim.error();
    ASSERT_TRUE(master.Open(sim.LinkPath()));
  }

  // The simulator must end cleanly on SIGTERM (under the sanitizers: without errors or leaks).
  void TearDown() override {
    master.Close();
    EXPECT_EQ(sim.Stop(), 0) << sim.StandardError().toStdString();
  }

  // Polls `done` every 20 ms for up to `timeoutMs`.
  static bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }

  std::uint16_t Register(std::uint16_t address, std::uint8_t site = 1) {
    const auto words = master.ReadRegisters(site, address, 1);
    return words.empty() ? 0xDEAD : words[0];
  }

  SimProcess sim{VOREL_SIM_PATH};
  RawMaster master;
};

inline Bytes Exception(std::uint8_t site, std::uint8_t function, std::uint8_t code) {
  return WithCrc({site, function, code});
}

}  // namespace vorel::test
