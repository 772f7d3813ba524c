// Holds a search's worker at each hand-over of rows until the test lets it go on, so a test
// acts "while the run works" at a known row. Used as the run's wake-up call.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace skarvo {

class WorkerGate {
 public:
  // The wake-up call to give the run: holds the worker's thread, then calls then.
  std::function<void()> Wake(std::function<void()> then = nullptr) {
    return [this, then = std::move(then)] {
      Hold();
      if (then) then();
    };
  }
  // Waits until the worker is held at a hand-over.
  void WaitHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  // Lets the held worker go on to its next hand-over.
  void Step() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  // Lets the worker go on for good (before waiting for the run's end, which joins it).
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    held_ = false;
    changed_.notify_all();
  }

 private:
  void Hold() {
    std::unique_lock lock(mutex_);
    if (open_) return;
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool open_ = false;
};

}  // namespace skarvo
