#include "gui/event_log.h"

#include <chrono>
#include <cstdlib>

namespace skarvo::gui {

std::unique_ptr<EventLog> EventLog::FromEnvironment() {
  const char* path = std::getenv("SKARVO_EVENT_LOG");
  if (!path || !*path) return nullptr;
  std::FILE* file = std::fopen(path, "ae");
  if (!file) return nullptr;
  return std::make_unique<EventLog>(file);
}

EventLog::~EventLog() { std::fclose(file_); }

void EventLog::Write(std::string_view kind, const QString& text) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const double seconds = std::chrono::duration<double>(now).count();
  QString line = text;
  line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
  const QByteArray utf8 = line.toUtf8();
  std::fprintf(file_, "%.6f %.*s%s%s\n", seconds, static_cast<int>(kind.size()), kind.data(),
               utf8.isEmpty() ? "" : " ", utf8.constData());
  std::fflush(file_);
}

}  // namespace skarvo::gui
