// Drives a core timer with a QTimer: the QTimer runs while the core timer is enabled,
// with its interval, and each timeout fires the core timer and lets the owner refresh.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/core_timer.h"

namespace skarvo::gui {

class TimerDriver : public QObject {
  Q_OBJECT

 public:
  TimerDriver(CoreTimer& timer, std::function<void()> afterFire, QObject* parent = nullptr);
  ~TimerDriver() override;

  // The real timer (for tests and for the owner's inspection).
  QTimer* Timer() { return &qtimer_; }
  // Brings the real timer in line with the core timer.
  void Sync();

 private:
  CoreTimer& timer_;
  std::function<void()> afterFire_;
  QTimer qtimer_;
};

}  // namespace skarvo::gui
