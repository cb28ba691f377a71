#include "link/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace vorel {

QtEventPump::QtEventPump() {
  clock_.start();
  wake_.setSingleShot(true);
  wake_.setTimerType(Qt::PreciseTimer);
}

QtEventPump::~QtEventPump() = default;

std::uint64_t QtEventPump::NowMs() const {
  return static_cast<std::uint64_t>(clock_.elapsed());
}

void QtEventPump::Pump(int maxWaitMs) {
  if (maxWaitMs <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  // Sleeps in the event loop until any event arrives; the wake timer bounds the sleep.
  wake_.start(maxWaitMs);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  wake_.stop();
}

int QtEventPump::StartTimer(int intervalMs, std::function<void()> onTimeout) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(intervalMs);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer.get(), &QTimer::timeout, std::move(onTimeout));
  timer->start();
  const int id = nextId_++;
  timers_[id] = std::move(timer);
  return id;
}

void QtEventPump::StopTimer(int id) {
  timers_.erase(id);
}

}  // namespace vorel
