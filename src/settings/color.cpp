#include "settings/color.h"

#include <cstdio>

#include "platform/codepage.h"
#include "settings/value_format.h"

namespace skarvo {
namespace {

constexpr NamedColor kColors[] = {
    {"clBlack", kClBlack},
    {"clMaroon", kClMaroon},
    {"clGreen", kClGreen},
    {"clOlive", kClOlive},
    {"clNavy", kClNavy},
    {"clPurple", kClPurple},
    {"clTeal", kClTeal},
    {"clGray", kClGray},
    {"clSilver", kClSilver},
    {"clRed", kClRed},
    {"clLime", kClLime},
    {"clYellow", kClYellow},
    {"clBlue", kClBlue},
    {"clFuchsia", kClFuchsia},
    {"clAqua", kClAqua},
    {"clWhite", kClWhite},
    {"clMoneyGreen", kClMoneyGreen},
    {"clSkyBlue", kClSkyBlue},
    {"clCream", kClCream},
    {"clMedGray", kClMedGray},
    {"clScrollBar", SystemColor(0)},
    {"clBackground", SystemColor(1)},
    {"clActiveCaption", SystemColor(2)},
    {"clInactiveCaption", SystemColor(3)},
    {"clMenu", SystemColor(4)},
    {"clWindow", SystemColor(5)},
    {"clWindowFrame", SystemColor(6)},
    {"clMenuText", SystemColor(7)},
    {"clWindowText", SystemColor(8)},
    {"clCaptionText", SystemColor(9)},
    {"clActiveBorder", SystemColor(10)},
    {"clInactiveBorder", SystemColor(11)},
    {"clAppWorkSpace", SystemColor(12)},
    {"clHighlight", SystemColor(13)},
    {"clHighlightText", SystemColor(14)},
    {"clBtnFace", SystemColor(15)},
    {"clBtnShadow", SystemColor(16)},
    {"clGrayText", SystemColor(17)},
    {"clBtnText", SystemColor(18)},
    {"clInactiveCaptionText", SystemColor(19)},
    {"clBtnHighlight", SystemColor(20)},
    {"cl3DDkShadow", SystemColor(21)},
    {"cl3DLight", SystemColor(22)},
    {"clInfoText", SystemColor(23)},
    {"clInfoBk", SystemColor(24)},
    {"clHotLight", SystemColor(26)},
    {"clGradientActiveCaption", SystemColor(27)},
    {"clGradientInactiveCaption", SystemColor(28)},
    {"clMenuHighlight", SystemColor(29)},
    {"clMenuBar", SystemColor(30)},
    {"clNone", kClNone},
    {"clDefault", kClDefault},
};

}  // namespace

const NamedColor* ColorTable(size_t* count) {
  if (count) *count = sizeof kColors / sizeof kColors[0];
  return kColors;
}

std::optional<Color> ColorFromName(std::string_view name) {
  std::string upper = UpperCaseCp932(name);
  for (const NamedColor& c : kColors)
    if (UpperCaseCp932(c.name) == upper) return c.value;
  return std::nullopt;
}

std::optional<std::string> ColorName(Color color) {
  for (const NamedColor& c : kColors)
    if (c.value == color) return std::string(c.name);
  return std::nullopt;
}

std::optional<Color> ColorFromText(std::string_view text) {
  if (std::optional<Color> named = ColorFromName(text)) return named;
  if (std::optional<int> number = ParseProfileInteger(text)) return static_cast<Color>(*number);
  return std::nullopt;
}

std::string ColorToText(Color color) {
  if (std::optional<std::string> name = ColorName(color)) return *name;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
  return buffer;
}

}  // namespace skarvo
