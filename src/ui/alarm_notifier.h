// Raises the desktop notice of a new alarm: through the system tray where the desktop has
// one, else through the freedesktop notification service on the session bus (where Qt was
// built with D-Bus), else not at all (a headless machine); a beep when the sound is on.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "control/alarm_notice.h"

class QSystemTrayIcon;

namespace vorel {

class AlarmNotifier : public QObject {
  Q_OBJECT
 public:
  explicit AlarmNotifier(QObject* parent = nullptr);

  void SetSettings(const AlarmNoticeSettings& settings) { settings_ = settings; }
  const AlarmNoticeSettings& Settings() const { return settings_; }

  // Announces the event when the settings say so; true when a notice was raised.
  bool Notify(const AlarmEvent& event);

  // Replaces the desktop (tests count the notices here).
  std::function<void(const std::string& title, const std::string& text)> show;
  std::function<void()> beep;

 private:
  void ShowOnDesktop(const std::string& title, const std::string& text);

  AlarmNoticeSettings settings_;
  QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace vorel
