// EventLog: an optional record of what the window shows, for checks that drive the real
// program from outside (a window's text cannot be read through X). The environment variable
// SKARVO_EVENT_LOG names the file; each event is one UTF-8 line appended to it:
//   <seconds of the monotonic clock> <kind>[ <text>]
// Kinds: "status" (the status-bar text), "start" and "end" of a search run (end with the
// result rows of the core and of the view), "live" (a view refresh during a run), "stop-key"
// (Esc during a run), "close". A run changes its status text with every file and hit: of
// those only the text shown when another line is written is logged, so the log costs the run
// nothing. The clock is CLOCK_MONOTONIC's, so a driver can compare its own key times with
// the lines.
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
  // A status text; during a run it waits for the next line of another kind.
  void Status(const QString& text, bool running);

 private:
  void Line(std::string_view kind, const QString& text);

  std::FILE* file_;
  QString pendingStatus_;
  bool statusPending_ = false;
};

}  // namespace skarvo::gui
