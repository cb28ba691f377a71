// vorel-cli curve against vorel-sim over a real pseudo-terminal: the export, a bad file and a
// wrong password refused without changing the controller's curve, imports (rising, falling,
// turning with a warning) that the next export reads back and that leave the set in the mode and
// protection it was found in, and a running engine that is not stopped without --stop-engine.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

// vorel-cli with its audit trail and snapshots in a folder of the test's.
CliRun RunCli(const SimProcess& sim, const QStringList& args) {
  static const QTemporaryDir home;
  const QStringList all{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"};
  return RunProgram(VOREL_CLI_PATH, all + args,
                    {{"XDG_CONFIG_HOME", home.path()}, {"XDG_DATA_HOME", home.path()}});
}

CliRun RunCurveCli(const SimProcess& sim, const QStringList& args) {
  return RunCli(sim, QStringList{"curve"} + args);
}

std::string Word(const SimProcess& sim, const char* address) {
  return QString::fromStdString(RunCli(sim, {"read", "4", address, "1"}).out)
      .trimmed()
      .toStdString();
}

void WriteFile(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// The exported file with the resistances 10, 20, ... 100 and the values kept.
std::string WithNewResistances(const std::string& csv) {
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  std::string out = "point,ohm,value\n";  // plain line ends: accepted as well
  for (int k = 1; std::getline(in, line); ++k) {
    if (line.ends_with('\r')) line.pop_back();
    const std::size_t value = line.rfind(',');
    out += std::to_string(k) + "," + std::to_string(10 * k) + line.substr(value) + "\n";
  }
  return out;
}

TEST(CurveCli, ExportsRefusesBadFilesAndWrongPasswordsAndImports) {
  QTemporaryDir dir;
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4", "--time-scale", "20"})) << sim.error();

  const CliRun first = RunCurveCli(sim, {"4", "AI2"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ASSERT_TRUE(first.out.starts_with("point,ohm,value\r\n1,")) << first.out;
  const QString file = dir.filePath("ai2.csv");
  ASSERT_EQ(RunCurveCli(sim, {"4", "AI2", "--export", file}).exitCode, 0);
  std::ifstream in(file.toStdString(), std::ios::binary);
  std::stringstream exported;
  exported << in.rdbuf();
  EXPECT_EQ(exported.str(), first.out);

  std::string wanted = WithNewResistances(first.out);
  std::string bad = wanted;
  bad.replace(bad.find("\n4,40,"), 6, "\n4,4x,");
  WriteFile(file, bad);
  const CliRun refused = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "1234"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("Line 5: the resistance must be whole ohms from -32768 to 32767."),
            std::string::npos)
      << refused.err;

  WriteFile(file, wanted);
  const CliRun locked = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "9999"});
  EXPECT_EQ(locked.exitCode, 1);
  EXPECT_TRUE(locked.err.ends_with(
      "Address 4: the password was not accepted: the controller stays locked, nothing written\n"))
      << locked.err;
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI2"}).out, first.out);

  // Found in AUTO and locked: OFF and unlocked only for the write.
  ASSERT_EQ(RunCli(sim, {"command", "4", "auto"}).exitCode, 0);
  const CliRun written = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "1234"});
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_EQ(written.out, "Address 4: AI2 curve written\n");
  EXPECT_NE(written.err.find("Address 4: snapshot "), std::string::npos) << written.err;
  EXPECT_EQ(Word(sim, "0x0113"), "200");
  EXPECT_EQ(Word(sim, "0x0004"), "0");
  std::string crlf;
  for (char c : wanted) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI2"}).out, crlf);

  // The simulator's own coolant curve falls (287 ohm down to 17): its export goes back in as it
  // is. A curve that turns is written too, with a warning.
  WriteFile(file, first.out);
  const CliRun falling = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "1234"});
  ASSERT_EQ(falling.exitCode, 0) << falling.err;
  EXPECT_EQ(falling.err.find("neither only rise"), std::string::npos) << falling.err;
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI2"}).out, first.out);
  std::string turning = wanted;
  turning.replace(turning.find("\n4,40,"), 6, "\n4,20,");
  WriteFile(file, turning);
  const CliRun warned = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "1234"});
  ASSERT_EQ(warned.exitCode, 0) << warned.err;
  EXPECT_NE(warned.err.find("Point 4: the resistances neither only rise nor only fall"),
            std::string::npos)
      << warned.err;
  crlf.clear();
  for (char c : turning) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI2"}).out, crlf);

  // A running engine is not stopped for a curve without --stop-engine.
  ASSERT_EQ(RunCli(sim, {"command", "4", "manual"}).exitCode, 0);
  ASSERT_EQ(RunCli(sim, {"command", "4", "start", "--yes"}).exitCode, 0);
  std::string other = wanted;
  other.replace(other.find("\n1,10,"), 6, "\n1,5,");
  WriteFile(file, other);
  const CliRun running = RunCurveCli(sim, {"4", "AI2", "--import", file, "--password", "1234"});
  EXPECT_EQ(running.exitCode, 1);
  EXPECT_NE(running.err.find("The engine of site 4 is running. Stop it to write?"),
            std::string::npos)
      << running.err;
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI2"}).out, crlf);
  EXPECT_EQ(Word(sim, "0x0113"), "199");
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI4"}).exitCode, 2);
  EXPECT_EQ(RunCurveCli(sim, {"4", "AI1", "--import", file}).exitCode, 2);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
