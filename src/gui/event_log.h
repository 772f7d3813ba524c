// EventLog: an optional record of what the window shows, for checks that drive the real
// program from outside (a window's text cannot be read through X). The environment variable
// SKARVO_EVENT_LOG names the file; each event is one UTF-8 line appended to it:
//   <seconds of the monotonic clock> <kind>[ <text>]
// Kinds: "status" (the status-bar text), "start" and "end" of a search run (end with the
// result rows of the core and of the view), "live" (a view refresh during a run), "stop-key"
// (Esc during a run), "close". During a run the window shows (and logs) the status text at
// each view refresh only. The clock is CLOCK_MONOTONIC's, so a driver can compare its own
// key times with the lines.
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

  void Write(std::string_view kind, const QString& text = {});

 private:
  std::FILE* file_;
};

}  // namespace skarvo::gui
