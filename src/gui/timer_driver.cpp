#include "gui/timer_driver.h"

namespace skarvo::gui {

TimerDriver::TimerDriver(CoreTimer& timer, std::function<void()> afterFire, QObject* parent)
    : QObject(parent), timer_(timer), afterFire_(std::move(afterFire)) {
  connect(&qtimer_, &QTimer::timeout, this, [this] {
    timer_.Fire();
    Sync();
    if (afterFire_) afterFire_();
  });
  timer_.SetChangeListener([this] { Sync(); });
  Sync();
}

TimerDriver::~TimerDriver() { timer_.SetChangeListener({}); }

void TimerDriver::Sync() {
  if (timer_.Enabled() && timer_.Interval() > 0) {
    // A change listener call means a new interval starts now.
    qtimer_.start(timer_.Interval());
  } else {
    qtimer_.stop();
  }
}

}  // namespace skarvo::gui
