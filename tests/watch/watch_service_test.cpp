// vorel-cli watch against vorel-sim over TCP and a real mosquitto broker: the retained state
// of each site (validated JSON), a site that does not answer and one that answers garbage,
// alarm messages (none lost while the broker is down), the metrics endpoint checked by
// promtool and its refusals, the last will of a killed watcher, and the stop on SIGTERM.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "broker.h"
#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

// The whole answer of the endpoint to `request` (empty when it could not connect).
std::string Http(int port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  std::string answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[65536];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
      answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

std::string Scrape(int port) {
  const std::string answer = Http(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
  const std::size_t body = answer.find("\r\n\r\n");
  return body == std::string::npos ? std::string() : answer.substr(body + 4);
}

QJsonObject Json(const std::string& payload) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(payload), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << payload;
  return doc.object();
}

class Watcher {
 public:
  void Start(const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config_.path());
    process_.setProcessEnvironment(env);
    process_.start(VOREL_CLI_PATH, arguments);
    ASSERT_TRUE(process_.waitForStarted(5000));
  }
  qint64 Pid() const { return process_.processId(); }
  bool WaitForExit(int ms) { return process_.waitForFinished(ms); }
  int ExitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  ~Watcher() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

 private:
  QTemporaryDir config_;
  QProcess process_;
};

bool IsState(const Received& m, int site, const char* link) {
  return m.topic == "vorel/north/" + std::to_string(site) + "/state" &&
         Json(m.payload)["link"].toString() == link;
}

class WatchService : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(broker.Start()) << broker.error();
    simPort = FreeTcpPort();
    // Site 3 is identified, then answers every read of its live values with a bad checksum;
    // site 4 is silent.
    ASSERT_TRUE(sim.Start({"--tcp",
                           QString::number(simPort),
                           "--baud",
                           "0",
                           "--site",
                           "1",
                           "--site",
                           "2",
                           "--site",
                           "3",
                           "--start-fails",
                           "--time-scale",
                           "50",
                           "--fault-crc",
                           "1",
                           "--fault-site",
                           "3",
                           "--fault-register",
                           "0x804F",
                           "--fault-after",
                           "1"}))
        << sim.error();
    metricsPort = FreeTcpPort();
  }
  void StartWatcher() {
    watcher.Start({"--port", QString("tcp://127.0.0.1:%1").arg(simPort), "watch", "1-4", "--line",
                   "north", "--mqtt", QString("127.0.0.1:%1").arg(broker.Port()), "--metrics",
                   QString("127.0.0.1:%1").arg(metricsPort)});
    ASSERT_TRUE(WaitForListener(metricsPort, 10000));
  }
  // Starts the engine of `site` through the simulator's terminal; it fails to fire and its
  // start-fail alarm appears about a second later.
  void FailedStart(int site) {
    for (const char* command : {"manual", "start"}) {
      const CliRun run = RunProgram(VOREL_CLI_PATH,
                                    {"--port", QString::fromStdString(sim.LinkPath()), "command",
                                     QString::number(site), command, "--yes"},
                                    {{"XDG_CONFIG_HOME", config.path()}}, 30000);
      ASSERT_EQ(run.exitCode, 0) << run.err;
    }
  }

  QTemporaryDir config;
  Broker broker;
  SimProcess sim{VOREL_SIM_PATH};
  Watcher watcher;
  int simPort = 0;
  int metricsPort = 0;
};

TEST_F(WatchService, PublishesStatesAlarmsAndMetricsAndLosesNoAlarm) {
  Subscriber subscriber(broker.Port());
  StartWatcher();

  // Retained state of a site that answers: identity, mode, engine, values with units.
  ASSERT_TRUE(subscriber.WaitFor([](const Received& m) { return IsState(m, 1, "ok"); }, 15000));
  ASSERT_TRUE(subscriber.WaitFor([](const Received& m) { return IsState(m, 2, "ok"); }, 15000));
  Received state1;
  for (const Received& m : subscriber.Messages())
    if (IsState(m, 1, "ok")) state1 = m;
  const QJsonObject s1 = Json(state1.payload);
  EXPECT_EQ(s1["identity"]["serial"].toString(), "202612090001");
  EXPECT_EQ(s1["identity"]["type"].toInt(), 3101);
  EXPECT_EQ(s1["mode"].toString(), "OFF");
  EXPECT_EQ(s1["engine"].toString(), "stopped");
  EXPECT_FALSE(s1["last_good_poll"].isNull());
  bool battery = false;
  for (const QJsonValue& v : s1["values"].toArray()) {
    const QJsonObject o = v.toObject();
    if (o["name"].toString() == "Battary") {
      battery = true;
      EXPECT_EQ(o["unit"].toString(), "V");
      EXPECT_DOUBLE_EQ(o["value"].toDouble(), 24.6);
    }
  }
  EXPECT_TRUE(battery) << state1.payload;
  EXPECT_TRUE(subscriber.WaitFor(
      [](const Received& m) { return m.topic == "vorel/north/status" && m.payload == "online"; },
      5000));

  // Garbage and silence: the state says so and carries no values.
  ASSERT_TRUE(subscriber.WaitFor(
      [](const Received& m) {
        return IsState(m, 3, "failed") && Json(m.payload)["outcome"].toString() == "crc_error";
      },
      15000));
  ASSERT_TRUE(subscriber.WaitFor([](const Received& m) { return IsState(m, 4, "failed"); }, 15000));
  for (const Received& m : subscriber.Messages()) {
    if (IsState(m, 3, "failed") || IsState(m, 4, "failed")) {
      EXPECT_FALSE(Json(m.payload).contains("values")) << m.payload;
      EXPECT_FALSE(Json(m.payload)["problem"].toString().isEmpty()) << m.payload;
    }
  }
  // A late subscriber gets the retained state.
  {
    Subscriber late(broker.Port(), "vorel-test-late");
    EXPECT_TRUE(late.WaitFor(
        [](const Received& m) { return m.retained && m.topic == "vorel/north/1/state"; }, 5000));
  }

  // The metrics: valid exposition text, values only of good polls.
  const std::string metrics = Scrape(metricsPort);
  EXPECT_NE(metrics.find("vorel_value{line=\"north\",site=\"1\",serial=\"202612090001\","
                         "name=\"Battary\",unit=\"V\"} 24.6\n"),
            std::string::npos)
      << metrics;
  EXPECT_EQ(metrics.find("vorel_value{line=\"north\",site=\"3\""), std::string::npos);
  EXPECT_EQ(metrics.find("vorel_value{line=\"north\",site=\"4\""), std::string::npos);
  EXPECT_NE(metrics.find("vorel_polls_total{line=\"north\",site=\"3\",outcome=\"crc_error\"}"),
            std::string::npos);
  QTemporaryDir scratch;
  const QString file = scratch.filePath("metrics.txt");
  {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::fromStdString(metrics));
  }
  QProcess promtool;
  promtool.setStandardInputFile(file);
  promtool.setProcessChannelMode(QProcess::MergedChannels);
  promtool.start("promtool", {"check", "metrics"});
  ASSERT_TRUE(promtool.waitForFinished(20000));
  EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAll().toStdString();

  // Anything but GET /metrics is refused; so is a head too large to be a scrape.
  EXPECT_TRUE(Http(metricsPort, "POST /metrics HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 405"));
  EXPECT_TRUE(Http(metricsPort, "GET /secret HTTP/1.1\r\n\r\n").starts_with("HTTP/1.1 404"));
  EXPECT_TRUE(
      Http(metricsPort, "GET /metrics HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n")
          .starts_with("HTTP/1.1 431"));

  // An alarm appearing is one QoS 1 message.
  FailedStart(1);
  const auto alarmOf = [](int site) {
    return [site](const Received& m) {
      return m.topic == "vorel/north/" + std::to_string(site) + "/alarm" &&
             Json(m.payload)["event"].toString() == "appeared";
    };
  };
  ASSERT_TRUE(subscriber.WaitFor(alarmOf(1), 20000));
  const QJsonObject alarm = Json([&] {
    for (const Received& m : subscriber.Messages())
      if (alarmOf(1)(m)) return m.payload;
    return std::string();
  }());
  EXPECT_FALSE(alarm["alarm"]["text"].toString().isEmpty());
  EXPECT_FALSE(alarm["alarm"]["severity"].toString().isEmpty());
  EXPECT_GE(alarm["seq"].toInt(), 1);
  EXPECT_EQ(alarm["identity"]["serial"].toString(), "202612090001");

  // The broker goes away; an alarm appears meanwhile; it arrives once the broker is back.
  broker.Stop();
  FailedStart(2);
  QElapsedTimer clock;
  clock.start();
  while (Scrape(metricsPort)
             .find("vorel_site_active_alarms{line=\"north\",site=\"2\","
                   "serial=\"202612090002\"} 1") == std::string::npos) {
    ASSERT_LT(clock.elapsed(), 20000) << "no alarm on site 2";
    QThread::msleep(100);  // the site's poll cycle; nothing to wait on from outside
  }
  EXPECT_NE(Scrape(metricsPort).find("vorel_mqtt_connected{line=\"north\"} 0"), std::string::npos);
  ASSERT_TRUE(broker.Start()) << broker.error();
  EXPECT_TRUE(subscriber.WaitFor(alarmOf(2), 20000));

  // A watcher that dies leaves "offline" through its last will.
  ::kill(static_cast<pid_t>(watcher.Pid()), SIGKILL);
  EXPECT_TRUE(subscriber.WaitFor(
      [](const Received& m) { return m.topic == "vorel/north/status" && m.payload == "offline"; },
      10000));
}

TEST_F(WatchService, SigtermSaysOfflineAndEndsWithinTwoSeconds) {
  Subscriber subscriber(broker.Port(), "vorel-test-sigterm");
  StartWatcher();
  ASSERT_TRUE(subscriber.WaitFor([](const Received& m) { return IsState(m, 1, "ok"); }, 15000));
  // Site 4 is silent: the line is busy waiting for a reply at the signal more often than not.
  QElapsedTimer clock;
  clock.start();
  ::kill(static_cast<pid_t>(watcher.Pid()), SIGTERM);
  ASSERT_TRUE(watcher.WaitForExit(5000));
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(watcher.ExitCode(), 0);
  EXPECT_TRUE(subscriber.WaitFor(
      [](const Received& m) { return m.topic == "vorel/north/status" && m.payload == "offline"; },
      2000));
}

TEST_F(WatchService, LineWhoseServerWentAwayComesBackOnItsOwn) {
  Subscriber subscriber(broker.Port(), "vorel-test-server-gone");
  StartWatcher();
  ASSERT_TRUE(subscriber.WaitFor([](const Received& m) { return IsState(m, 1, "ok"); }, 15000));
  sim.Stop();
  // The state says the port is gone and shows no values.
  ASSERT_TRUE(subscriber.WaitFor(
      [](const Received& m) {
        return IsState(m, 1, "failed") && Json(m.payload)["outcome"].toString() == "port_gone" &&
               !Json(m.payload).contains("values");
      },
      15000));
  const std::size_t gone = subscriber.Messages().size();
  // The server is back on the same port: the line opens it again and identifies its sites.
  ASSERT_TRUE(sim.Start({"--tcp", QString::number(simPort), "--baud", "0", "--site", "1"}))
      << sim.error();
  EXPECT_TRUE(
      subscriber.WaitFor([](const Received& m) { return IsState(m, 1, "ok"); }, 30000, gone));
}

TEST(WatchArguments, WrongArgumentsAreUsageErrors) {
  const QStringList cases[] = {
      {"watch"},
      {"watch", "1", "--mqtt", "nohostport"},
      {"watch", "33", "--mqtt", "h:1"},
      {"watch", "1"},
      {"watch", "1", "--metrics", "127.0.0.1:0"},
      {"watch", "1", "--mqtt", "h:1", "--line", "a/b"},
      {"watch", "--config", "x.ini", "1"},
  };
  QTemporaryDir config;
  for (const QStringList& args : cases) {
    const CliRun run =
        RunProgram(VOREL_CLI_PATH, args, {{"XDG_CONFIG_HOME", config.path()}}, 10000);
    EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString() << "\n" << run.err;
  }
  const CliRun missing =
      RunProgram(VOREL_CLI_PATH, {"watch", "--config", config.filePath("none.ini")},
                 {{"XDG_CONFIG_HOME", config.path()}}, 10000);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.ini"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vorel::test
