// Colours of the settings file. A colour is a 32-bit value: for a plain colour bits 0-7 are
// red, 8-15 green and 16-23 blue with a top byte of 0; a top byte of 0xFF with low byte nn
// is the window system's display colour number nn; 0x20000000 is "clDefault" and
// 0x1FFFFFFF "clNone". In the file a colour is one of 52 names, or "$" and 8 upper-case
// hexadecimal digits; reading also takes any integer form of the settings file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skarvo {

using Color = std::uint32_t;

inline constexpr Color RgbColor(int red, int green, int blue) {
  return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

inline constexpr Color kClBlack = RgbColor(0, 0, 0);
inline constexpr Color kClMaroon = RgbColor(128, 0, 0);
inline constexpr Color kClGreen = RgbColor(0, 128, 0);
inline constexpr Color kClOlive = RgbColor(128, 128, 0);
inline constexpr Color kClNavy = RgbColor(0, 0, 128);
inline constexpr Color kClPurple = RgbColor(128, 0, 128);
inline constexpr Color kClTeal = RgbColor(0, 128, 128);
inline constexpr Color kClGray = RgbColor(128, 128, 128);
inline constexpr Color kClSilver = RgbColor(192, 192, 192);
inline constexpr Color kClRed = RgbColor(255, 0, 0);
inline constexpr Color kClLime = RgbColor(0, 255, 0);
inline constexpr Color kClYellow = RgbColor(255, 255, 0);
inline constexpr Color kClBlue = RgbColor(0, 0, 255);
inline constexpr Color kClFuchsia = RgbColor(255, 0, 255);
inline constexpr Color kClAqua = RgbColor(0, 255, 255);
inline constexpr Color kClWhite = RgbColor(255, 255, 255);
inline constexpr Color kClMoneyGreen = RgbColor(192, 220, 192);
inline constexpr Color kClSkyBlue = RgbColor(166, 202, 240);
inline constexpr Color kClCream = RgbColor(255, 251, 240);
inline constexpr Color kClMedGray = RgbColor(160, 160, 164);
inline constexpr Color kClDefault = 0x20000000;
inline constexpr Color kClNone = 0x1FFFFFFF;

// The colour that stands for display colour number nn of the window system.
inline constexpr Color SystemColor(int number) {
  return 0xFF000000u | static_cast<Color>(number & 0xFF);
}
inline constexpr bool IsSystemColor(Color c) { return (c & 0xFF000000u) == 0xFF000000u; }
// The display colour number of a system colour.
inline constexpr int SystemColorNumber(Color c) { return static_cast<int>(c & 0xFF); }
inline constexpr int ColorRed(Color c) { return static_cast<int>(c & 0xFF); }
inline constexpr int ColorGreen(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int ColorBlue(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

// One name of the colour table.
struct NamedColor {
  const char* name;  // ASCII, as written in the file
  Color value;
  const char* shownName;  // UTF-8, what the colour pickers show for it
};

// The 52 named colours: the 16 standard, the 4 extra, the 30 system colours, "clNone" and
// "clDefault". The colour pickers list them; the order is the pickers' order.
const NamedColor* ColorTable(size_t* count);

// The value of a colour name (ASCII case ignored), or nullopt when it is no name.
std::optional<Color> ColorFromName(std::string_view name);
// The name of a colour value, or nullopt when it has none.
std::optional<std::string> ColorName(Color color);

// A colour text of the file: a name, else an integer of the settings file's forms (decimal,
// "$" or "0x" hexadecimal; negative numbers give their 32-bit pattern). nullopt when it is
// neither.
std::optional<Color> ColorFromText(std::string_view text);
// The text written for a colour: its name when it has one, else "$" and 8 upper-case hex
// digits.
std::string ColorToText(Color color);

// The contrast of two plain colours as their relative luminances give it: 1 for the same
// colour up to 21 for black and white.
double ContrastRatio(Color a, Color b);
// The least contrast text is drawn with: less is hard to read.
inline constexpr double kMinTextContrast = 3.0;
// The colour to draw text of colour text in on background (both plain colours): text itself
// when it stands out at least kMinTextContrast, else black or white, whichever stands out
// more. A colour pair picked in one click thus never leaves the text unreadable, while the
// settings keep the colour that was picked.
Color ReadableTextColor(Color text, Color background);

}  // namespace skarvo
