// EventLog: an optional record of what the window shows, for checks that drive the real
// program from outside (a window's text cannot be read through X). The environment variable
// SKARVO_EVENT_LOG names the file; each event is one UTF-8 line appended to it:
//   <seconds of the monotonic clock> <kind>[ <text>]
// Kinds: "status" (every status-bar text), "start" and "end" of a search run (end with the
// result rows of the core and of the view), "live" (a view refresh during a run), "stop-key"
// (Esc during a run), "close". The clock is the one of CLOCK_MONOTONIC, so a driver can
// compare its own key times with the lines.
#pragma once

#include <QString>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace skarvo::gui {

class EventLog {
 public:
  // The log named by SKARVO_EVENT_LOG, or none when it is unset or cannot be opened.
  static std::unique_ptr<EventLog> FromEnvironment();
  explicit EventLog(std::FILE* file) : file_(file) {}
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Lines written while a search runs stay buffered unless flushed, so the log costs the
  // run almost nothing; the driver waits for the flushed ones ("start", "end").
  void Write(std::string_view kind, const QString& text = {}, bool flush = true);

 private:
  std::FILE* file_;
};

}  // namespace skarvo::gui
