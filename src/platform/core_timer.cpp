#include "platform/core_timer.h"

#include <algorithm>

namespace skarvo {

CoreTimer::CoreTimer(int intervalMs, bool enabled)
    : interval_(std::max(intervalMs, 0)), enabled_(enabled) {}

void CoreTimer::Restart() {
  elapsed_ = 0;
  ++generation_;
  if (listener_) listener_();
}

void CoreTimer::SetInterval(int intervalMs) {
  intervalMs = std::max(intervalMs, 0);
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  if (enabled_) Restart();
}

void CoreTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

bool CoreTimer::Fire() {
  if (!enabled_ || interval_ == 0 || !handler_) return false;
  elapsed_ = 0;
  // A copy, so a handler that replaces the handler does not destroy the running one.
  Handler handler = handler_;
  handler();
  return true;
}

int CoreTimer::Advance(int milliseconds) {
  int fired = 0;
  while (milliseconds > 0 && enabled_ && interval_ > 0) {
    if (!handler_) {
      // Nothing to run: only the position in the interval moves.
      elapsed_ = static_cast<int>((static_cast<long long>(elapsed_) + milliseconds) % interval_);
      break;
    }
    int step = std::min(milliseconds, interval_ - elapsed_);
    elapsed_ += step;
    milliseconds -= step;
    if (elapsed_ < interval_) break;
    // The handler may stop the timer or change its interval; the loop condition sees it.
    if (Fire()) ++fired;
  }
  return fired;
}

}  // namespace skarvo
