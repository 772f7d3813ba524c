// The gui's border between the core's CP932 bytes and Qt's strings and colours.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <optional>
#include <string>

#include "settings/color.h"

namespace skarvo::gui {

// CP932 -> QString for drawing (bytes that are not CP932 show as U+FFFD); the units of the
// internal text form show as their characters.
QString ToQt(const std::string& cp932);
// QString -> CP932; nullopt when a character has no CP932 form (the caller refuses it).
std::optional<std::string> FromQt(const QString& text);
// QString -> the internal text form for a search pattern: a character CP932 lacks (or holds
// one way only) becomes a unit, so it can be found in files of other encodings.
std::optional<std::string> PatternFromQt(const QString& text);
// The program's UTF-8 literal as a QString.
inline QString Lit(const char* utf8) { return QString::fromUtf8(utf8); }

// A settings colour as Qt draws it; display colour numbers map to the nearest palette
// role, clDefault and clNone to the fallback.
QColor ToQColor(Color color, const QPalette& palette, const QColor& fallback);
// The colour text of colour `text` is drawn in on background (ReadableTextColor).
QColor ReadableOn(const QColor& text, const QColor& background);

}  // namespace skarvo::gui
