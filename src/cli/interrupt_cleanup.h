// Clean-up when skarvo-cli is interrupted (SIGINT, SIGTERM, SIGHUP): the temporary file of
// every write in progress and the private folder go, then the program ends by that signal
// as it would have.
#pragma once

#include <signal.h>

#include <string>

namespace skarvo::cli {

// From now on an interrupt removes the temporary files of the writes in progress (every
// command that writes files). A signal that was ignored stays ignored.
void RemoveTempFilesOnInterrupt();

// While an object lives, SIGINT and SIGTERM remove the folder (a native path) before the
// program ends; links inside are removed, never followed. One folder at a time. A signal
// that was ignored when the object was made stays ignored. Destroying the object restores
// the signals' earlier handling; the folder itself is then the owner's to remove.
// Holds SIGINT and SIGTERM back while it lives (they arrive when it goes), so that a
// folder can be made and handed to RemoveOnInterrupt with no moment between the two.
class HoldInterrupts {
 public:
  HoldInterrupts();
  ~HoldInterrupts();
  HoldInterrupts(const HoldInterrupts&) = delete;
  HoldInterrupts& operator=(const HoldInterrupts&) = delete;

 private:
  sigset_t previous_;
};

class RemoveOnInterrupt {
 public:
  explicit RemoveOnInterrupt(const std::string& nativeFolder);
  ~RemoveOnInterrupt();
  RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
  RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

 private:
  bool armed_ = false;
};

}  // namespace skarvo::cli
