// Timers as core objects. A CoreTimer holds an interval, an enabled state and a handler; it
// keeps no clock of its own. Whoever drives it (the gui with a QTimer, a test by hand) calls
// Fire() when the interval has run out, or Advance() with the time that has passed.
//
// The rules are those of a window-system timer: enabling a disabled timer, or changing the
// interval of an enabled one, starts a new interval; enabling an enabled timer changes
// nothing; an interval of 0 never fires; a disabled timer never runs its handler.
#pragma once

#include <functional>

namespace skarvo {

class CoreTimer {
 public:
  using Handler = std::function<void()>;

  explicit CoreTimer(int intervalMs = 1000, bool enabled = true);
  CoreTimer(const CoreTimer&) = delete;
  CoreTimer& operator=(const CoreTimer&) = delete;

  // The interval in milliseconds. Negative values are taken as 0.
  int Interval() const { return interval_; }
  // Sets the interval; when it differs and the timer is enabled, a new interval starts.
  void SetInterval(int intervalMs);

  bool Enabled() const { return enabled_; }
  // Switches the timer on or off; switching it on starts a new interval.
  void SetEnabled(bool enabled);

  // The code run each time the interval runs out (the timer's OnTimer event).
  void SetHandler(Handler handler) { handler_ = std::move(handler); }

  // Runs the handler once when the timer is enabled, its interval is not 0 and it has a
  // handler; otherwise does nothing. Returns whether the handler ran. The next interval
  // counts from here, and the handler may switch its own timer off or on.
  bool Fire();

  // For drivers without a real clock: lets milliseconds pass and fires once for each whole
  // interval that runs out while the timer stays enabled. Returns how often it fired.
  int Advance(int milliseconds);

  // Called after every change that starts a new interval or stops the timer, so a driver
  // can restart or stop its real timer. One listener; an empty function removes it.
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

  // Counts the changes that started a new interval or stopped the timer (not the firings:
  // a repeating real timer goes on by itself). A driver compares it to know whether its
  // real timer must be restarted.
  unsigned long Generation() const { return generation_; }

 private:
  void Restart();

  int interval_;
  bool enabled_;
  int elapsed_ = 0;  // of the current interval, for Advance()
  unsigned long generation_ = 0;
  Handler handler_;
  std::function<void()> listener_;
};

}  // namespace skarvo
