#include "gui/qt_text.h"

#include "platform/codepage.h"
#include "platform/text_encoding.h"

namespace skarvo::gui {

QString ToQt(const std::string& cp932) {
  // A row of a file in another encoding, or a pattern, may hold characters CP932 lacks.
  if (HoldsUnit(cp932)) return QString::fromStdString(InternalToUtf8(cp932));
  return QString::fromStdString(Cp932ToUtf8Lossy(cp932));
}

std::optional<std::string> FromQt(const QString& text) {
  std::string cp932;
  if (!Utf8ToCp932(text.toStdString(), cp932)) return std::nullopt;
  return cp932;
}

std::optional<std::string> PatternFromQt(const QString& text) {
  std::string cp932;
  if (!Utf8ToInternal(text.toStdString(), cp932)) return std::nullopt;
  return cp932;
}

QColor ToQColor(Color color, const QPalette& palette, const QColor& fallback) {
  if (color == kClDefault || color == kClNone) return fallback;
  if (!IsSystemColor(color)) return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
  switch (SystemColorNumber(color)) {
    case 1:   // clBackground
    case 12:  // clAppWorkSpace
      return palette.color(QPalette::Window);
    case 2:   // clActiveCaption
    case 13:  // clHighlight
    case 27:  // clGradientActiveCaption
    case 29:  // clMenuHighlight
      return palette.color(QPalette::Highlight);
    case 9:   // clCaptionText
    case 14:  // clHighlightText
      return palette.color(QPalette::HighlightedText);
    case 3:   // clInactiveCaption
    case 28:  // clGradientInactiveCaption
      return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 5:  // clWindow
      return palette.color(QPalette::Base);
    case 6:   // clWindowFrame
    case 21:  // cl3DDkShadow
      return palette.color(QPalette::Shadow);
    case 7:   // clMenuText
    case 8:   // clWindowText
    case 18:  // clBtnText
      return palette.color(QPalette::Text);
    case 16:  // clBtnShadow
      return palette.color(QPalette::Dark);
    case 17:  // clGrayText
    case 19:  // clInactiveCaptionText
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 20:  // clBtnHighlight
    case 22:  // cl3DLight
      return palette.color(QPalette::Light);
    case 23:  // clInfoText
      return palette.color(QPalette::ToolTipText);
    case 24:  // clInfoBk
      return palette.color(QPalette::ToolTipBase);
    case 26:  // clHotLight
      return palette.color(QPalette::Link);
    default:  // clScrollBar, clMenu, clActiveBorder, clInactiveBorder, clBtnFace, clMenuBar
      return palette.color(QPalette::Button);
  }
}

QColor ReadableOn(const QColor& text, const QColor& background) {
  const Color shown =
      ReadableTextColor(RgbColor(text.red(), text.green(), text.blue()),
                        RgbColor(background.red(), background.green(), background.blue()));
  return QColor(ColorRed(shown), ColorGreen(shown), ColorBlue(shown));
}

}  // namespace skarvo::gui
