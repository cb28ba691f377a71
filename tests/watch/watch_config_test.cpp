// The watch configuration: what a file must hold and what is refused with a reason.
#include <gtest/gtest.h>

#include "watch/watch_config.h"

namespace vorel::test {
namespace {

TEST(WatchConfig, ReadsLinesBrokerAndMetrics) {
  const std::string file =
      "[Mqtt]\r\nHost=broker.example\r\nPort=8883\r\nCaFile=/etc/ca.pem\r\nCertFile=c.pem\r\n"
      "KeyFile=k.pem\r\nUser=watch\r\nPasswordFile=/etc/pw\r\n"
      "[Metrics]\r\nAddress=127.0.0.1:9105\r\n"
      "[Line north]\r\nPort=tcp://10.1.2.3:4001\r\nSites=1-3, 7\r\n"
      "[Line south]\r\nPort=/dev/ttyUSB0\r\nBaud=19200\r\nEcho=1\r\nSites=32\r\n";
  std::string error;
  const auto config = ParseWatchConfig(file, &error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->lines.size(), 2u);
  EXPECT_EQ(config->lines[0].name, "north");
  EXPECT_EQ(config->lines[0].port.name, "tcp://10.1.2.3:4001");
  EXPECT_EQ(config->lines[0].port.baud, 9600);
  EXPECT_FALSE(config->lines[0].port.discardEcho);
  EXPECT_EQ(config->lines[0].sites, (std::vector<int>{1, 2, 3, 7}));
  EXPECT_EQ(config->lines[1].port.baud, 19200);
  EXPECT_TRUE(config->lines[1].port.discardEcho);
  EXPECT_EQ(config->lines[1].sites, (std::vector<int>{32}));
  EXPECT_EQ(config->mqtt.host, "broker.example");
  EXPECT_EQ(config->mqtt.port, 8883);
  EXPECT_EQ(config->mqtt.user, "watch");
  EXPECT_EQ(config->mqtt.passwordFile, "/etc/pw");
  ASSERT_TRUE(config->metrics);
  EXPECT_EQ(config->metrics->host, "127.0.0.1");
  EXPECT_EQ(config->metrics->port, 9105);
}

TEST(WatchConfig, RefusesWhatCannotWorkNamingTheKey) {
  const std::string line = "[Line a]\nPort=/dev/ttyS0\nSites=1\n";
  const struct {
    std::string file;
    std::string named;  // part of the reason
  } cases[] = {
      {"", "no [Line NAME]"},
      {"[Line a/b]\nPort=x\nSites=1\n", "line name"},
      {"[Line a+]\nPort=x\nSites=1\n", "line name"},
      {"[Line a]\nSites=1\n", "Port"},
      {"[Line a]\nPort=tcp://nohost\nSites=1\n", "Port"},
      {"[Line a]\nPort=x\nSites=0\n", "Sites"},
      {"[Line a]\nPort=x\nSites=33\n", "Sites"},
      {"[Line a]\nPort=x\nSites=5-2\n", "Sites"},
      {"[Line a]\nPort=x\nSites=1,\n", "Sites"},
      {"[Line a]\nPort=x\n", "Sites"},
      {"[Line a]\nPort=x\nSites=1\nBaud=fast\n", "Baud"},
      {"[Line a]\nPort=x\nSites=1\nEcho=yes\n", "Echo"},
      {line + "[Mqtt]\nHost=h\nPort=0\n", "[Mqtt] Port"},
      {line + "[Mqtt]\nHost=h\nCertFile=c\n", "KeyFile"},
      {line + "[Mqtt]\nHost=h\nCertFile=c\nKeyFile=k\n", "CaFile"},
      {line + "[Metrics]\nAddress=9105\n", "[Metrics]"},
      {line + "[Metrics]\nAddress=:9105\n", "[Metrics]"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseWatchConfig(c.file, &error)) << c.file;
    EXPECT_NE(error.find(c.named), std::string::npos) << c.file << " -> " << error;
  }
}

TEST(WatchConfig, SiteListsAndAddresses) {
  EXPECT_EQ(ParseSiteList("3,1-2,2"), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ParseSiteList("1-32")->size(), 32u);
  for (const char* bad : {"", "-", "1-", "a", "1;2", "2--3", "100000000000"})
    EXPECT_FALSE(ParseSiteList(bad)) << bad;
  const auto v6 = ParseHostAndPort("[::1]:9105");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, "::1");
  for (const char* bad : {"host", "host:", "host:0", "host:65536", ":1", "a b:1"})
    EXPECT_FALSE(ParseHostAndPort(bad)) << bad;
}

}  // namespace
}  // namespace vorel::test
