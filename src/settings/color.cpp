#include "settings/color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/codepage.h"
#include "settings/value_format.h"

namespace skarvo {
namespace {

constexpr NamedColor kColors[] = {
    {"clBlack", kClBlack, "黒"},
    {"clMaroon", kClMaroon, "えび茶"},
    {"clGreen", kClGreen, "緑"},
    {"clOlive", kClOlive, "オリーブ"},
    {"clNavy", kClNavy, "濃紺"},
    {"clPurple", kClPurple, "紫"},
    {"clTeal", kClTeal, "青緑"},
    {"clGray", kClGray, "灰色"},
    {"clSilver", kClSilver, "銀色"},
    {"clRed", kClRed, "赤"},
    {"clLime", kClLime, "ライム"},
    {"clYellow", kClYellow, "黄"},
    {"clBlue", kClBlue, "青"},
    {"clFuchsia", kClFuchsia, "赤紫"},
    {"clAqua", kClAqua, "水色"},
    {"clWhite", kClWhite, "白"},
    {"clMoneyGreen", kClMoneyGreen, "薄緑"},
    {"clSkyBlue", kClSkyBlue, "空色"},
    {"clCream", kClCream, "クリーム"},
    {"clMedGray", kClMedGray, "中間の灰色"},
    {"clScrollBar", SystemColor(0), "スクロールバー"},
    {"clBackground", SystemColor(1), "デスクトップ"},
    {"clActiveCaption", SystemColor(2), "アクティブなタイトル"},
    {"clInactiveCaption", SystemColor(3), "非アクティブなタイトル"},
    {"clMenu", SystemColor(4), "メニュー"},
    {"clWindow", SystemColor(5), "ウィンドウの背景"},
    {"clWindowFrame", SystemColor(6), "ウィンドウの枠"},
    {"clMenuText", SystemColor(7), "メニューの文字"},
    {"clWindowText", SystemColor(8), "ウィンドウの文字"},
    {"clCaptionText", SystemColor(9), "タイトルの文字"},
    {"clActiveBorder", SystemColor(10), "アクティブな枠"},
    {"clInactiveBorder", SystemColor(11), "非アクティブな枠"},
    {"clAppWorkSpace", SystemColor(12), "作業領域"},
    {"clHighlight", SystemColor(13), "選択項目"},
    {"clHighlightText", SystemColor(14), "選択項目の文字"},
    {"clBtnFace", SystemColor(15), "ボタンの表面"},
    {"clBtnShadow", SystemColor(16), "ボタンの影"},
    {"clGrayText", SystemColor(17), "無効な文字"},
    {"clBtnText", SystemColor(18), "ボタンの文字"},
    {"clInactiveCaptionText", SystemColor(19), "非アクティブなタイトルの文字"},
    {"clBtnHighlight", SystemColor(20), "ボタンの明るい縁"},
    {"cl3DDkShadow", SystemColor(21), "立体の濃い影"},
    {"cl3DLight", SystemColor(22), "立体の明るい面"},
    {"clInfoText", SystemColor(23), "ヒントの文字"},
    {"clInfoBk", SystemColor(24), "ヒントの背景"},
    {"clHotLight", SystemColor(26), "ホットトラック"},
    {"clGradientActiveCaption", SystemColor(27), "アクティブなタイトルのグラデーション"},
    {"clGradientInactiveCaption", SystemColor(28), "非アクティブなタイトルのグラデーション"},
    {"clMenuHighlight", SystemColor(29), "メニューの選択項目"},
    {"clMenuBar", SystemColor(30), "メニューバー"},
    {"clNone", kClNone, "なし"},
    {"clDefault", kClDefault, "既定の色"},
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

namespace {

// Relative luminance of a plain colour (sRGB channels made linear, then weighted).
double Luminance(Color c) {
  const auto linear = [](int channel) {
    const double v = channel / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(ColorRed(c)) + 0.7152 * linear(ColorGreen(c)) +
         0.0722 * linear(ColorBlue(c));
}

}  // namespace

double ContrastRatio(Color a, Color b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Color ReadableTextColor(Color text, Color background) {
  if (ContrastRatio(text, background) >= kMinTextContrast) return text;
  return ContrastRatio(kClBlack, background) >= ContrastRatio(kClWhite, background) ? kClBlack
                                                                                    : kClWhite;
}

}  // namespace skarvo
