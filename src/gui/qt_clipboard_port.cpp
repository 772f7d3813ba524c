#include "gui/qt_clipboard_port.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "gui/qt_text.h"

namespace skarvo::gui {

bool QtClipboardPort::HasText() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText();
}

std::optional<std::string> QtClipboardPort::Text() const {
  if (!HasText()) return std::nullopt;
  return FromQt(QGuiApplication::clipboard()->text());
}

void QtClipboardPort::SetText(const std::string& text) {
  QGuiApplication::clipboard()->setText(ToQt(text));
}

}  // namespace skarvo::gui
