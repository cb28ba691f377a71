#include "broker.h"

#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <chrono>

namespace vorel::test {

int FreeTcpPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool WaitForListener(int port, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    if (ok) return true;
    QThread::msleep(20);  // a process starting up; nothing to wait on but its port
  }
  return false;
}

Broker::Broker() : port_(FreeTcpPort()) {
  QFile conf(dir_.filePath("mosquitto.conf"));
  conf.open(QIODevice::WriteOnly);
  conf.write(QString("listener %1 127.0.0.1\nallow_anonymous true\npersistence true\n"
                     "persistence_location %2/\nautosave_interval 1\n")
                 .arg(port_)
                 .arg(dir_.path())
                 .toUtf8());
}

Broker::~Broker() {
  Stop();
}

bool Broker::Start() {
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start("/usr/sbin/mosquitto", {"-c", dir_.filePath("mosquitto.conf")});
  if (!process_.waitForStarted(5000) || !WaitForListener(port_, 10000)) {
    error_ = "mosquitto did not start: " + process_.readAll().toStdString();
    return false;
  }
  return true;
}

void Broker::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) process_.kill();
  process_.waitForFinished(2000);
}

Subscriber::Subscriber(int port, std::string id) {
  mosquitto_lib_init();
  client_ = mosquitto_new(id.c_str(), false, this);
  mosquitto_connect_callback_set(client_, &Subscriber::OnConnect);
  mosquitto_message_callback_set(client_, &Subscriber::OnMessage);
  mosquitto_reconnect_delay_set(client_, 1, 1, false);
  mosquitto_loop_start(client_);
  mosquitto_connect_async(client_, "127.0.0.1", port, 10);
}

Subscriber::~Subscriber() {
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);
  mosquitto_destroy(client_);
}

void Subscriber::OnConnect(mosquitto* client, void*, int rc) {
  if (rc == 0) mosquitto_subscribe(client, nullptr, "vorel/#", 1);
}

void Subscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* m) {
  auto* s = static_cast<Subscriber*>(self);
  std::lock_guard lock(s->mutex_);
  s->messages_.push_back(
      {m->topic,
       std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)),
       m->retain});
  s->changed_.notify_all();
}

bool Subscriber::WaitFor(const std::function<bool(const Received&)>& accept, int ms,
                         std::size_t from) {
  std::unique_lock lock(mutex_);
  std::size_t seen = from;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    for (; seen < messages_.size(); ++seen)
      if (accept(messages_[seen])) return true;
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; seen < messages_.size(); ++seen)
        if (accept(messages_[seen])) return true;
      return false;
    }
  }
}

std::vector<Received> Subscriber::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

}  // namespace vorel::test
