#include "ui/alarm_notifier.h"

#include <QApplication>
#include <QSystemTrayIcon>

#ifdef VOREL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>
#endif

#include "ui/qt_text.h"

namespace vorel {

AlarmNotifier::AlarmNotifier(QObject* parent) : QObject(parent) {}

bool AlarmNotifier::Notify(const AlarmEvent& event) {
  if (!settings_.Announces(event)) return false;
  const std::string title = AlarmNoticeTitle();
  const std::string text = AlarmNoticeText(event);
  if (show) {
    show(title, text);
  } else {
    ShowOnDesktop(title, text);
  }
  if (settings_.sound) {
    if (beep) {
      beep();
    } else {
      QApplication::beep();
    }
  }
  return true;
}

void AlarmNotifier::ShowOnDesktop(const std::string& title, const std::string& text) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    if (!tray_) {
      tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
      tray_->show();
    }
    tray_->showMessage(Q(title), Q(text), QSystemTrayIcon::Warning);
    return;
  }
#ifdef VOREL_HAVE_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify");
  call << QString("Vorel2000") << 0u << QString() << Q(title) << Q(text) << QStringList()
       << QVariantMap() << -1;
  bus.asyncCall(call);  // nobody waits for the answer; without a service nothing is shown
#endif
}

}  // namespace vorel
