#include "settings/color.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace skarvo {
namespace {

TEST(ColorText, NamesNumbersAndTheDollarForm) {
  struct Row {
    const char* text;
    std::optional<Color> value;
  } rows[] = {
      {"clOlive", RgbColor(128, 128, 0)},
      {"clolive", RgbColor(128, 128, 0)},
      {"CLCREAM", RgbColor(255, 251, 240)},
      {"clSkyBlue", RgbColor(166, 202, 240)},
      {"clMedGray", RgbColor(160, 160, 164)},
      {"clMoneyGreen", RgbColor(192, 220, 192)},
      {"clWindow", 0xFF000005u},
      {"clMenuBar", 0xFF00001Eu},
      {"clHotLight", 0xFF00001Au},
      {"clNone", 0x1FFFFFFFu},
      {"clDefault", 0x20000000u},
      {"$00030201", RgbColor(1, 2, 3)},
      {"$FF00000D", 0xFF00000Du},
      {"255", RgbColor(255, 0, 0)},
      {"0x8000", RgbColor(0, 128, 0)},
      {"-16777211", 0xFF000005u},
      {"clPink", std::nullopt},
      {"red", std::nullopt},
      {"", std::nullopt},
      {"$GG", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ColorFromText(row.text), row.value);
  }
}

TEST(ColorText, WritesANameWhenThereIsOneElseDollarAndEightDigits) {
  EXPECT_EQ(ColorToText(RgbColor(1, 2, 3)), "$00030201");
  EXPECT_EQ(ColorToText(RgbColor(0, 0, 128)), "clNavy");
  EXPECT_EQ(ColorToText(0xFF000005u), "clWindow");
  EXPECT_EQ(ColorToText(0xFF000019u), "$FF000019");  // display colour 25 has no name
  EXPECT_EQ(ColorToText(0xABCDEF12u), "$ABCDEF12");
  EXPECT_EQ(ColorToText(kClNone), "clNone");
  EXPECT_EQ(ColorToText(kClDefault), "clDefault");
}

TEST(ColorTable, HoldsFiftyTwoDistinctNamesThatRoundTrip) {
  size_t count = 0;
  const NamedColor* table = ColorTable(&count);
  ASSERT_EQ(count, 52u);
  std::set<Color> values;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(table[i].name);
    values.insert(table[i].value);
    EXPECT_EQ(ColorToText(table[i].value), table[i].name);
    EXPECT_EQ(ColorFromText(table[i].name), table[i].value);
  }
  EXPECT_EQ(values.size(), 52u);
  EXPECT_STREQ(table[0].name, "clBlack");
  EXPECT_STREQ(table[19].name, "clMedGray");
}

TEST(ColorTable, EveryNameHasItsValue) {
  // The 20 plain colours by red, green and blue; the window system's colours by display colour
  // number in the low byte under a top byte of FF; the two special values.
  struct Row {
    const char* name;
    Color value;
  } rows[] = {
      {"clBlack", RgbColor(0, 0, 0)},
      {"clMaroon", RgbColor(128, 0, 0)},
      {"clGreen", RgbColor(0, 128, 0)},
      {"clOlive", RgbColor(128, 128, 0)},
      {"clNavy", RgbColor(0, 0, 128)},
      {"clPurple", RgbColor(128, 0, 128)},
      {"clTeal", RgbColor(0, 128, 128)},
      {"clGray", RgbColor(128, 128, 128)},
      {"clSilver", RgbColor(192, 192, 192)},
      {"clRed", RgbColor(255, 0, 0)},
      {"clLime", RgbColor(0, 255, 0)},
      {"clYellow", RgbColor(255, 255, 0)},
      {"clBlue", RgbColor(0, 0, 255)},
      {"clFuchsia", RgbColor(255, 0, 255)},
      {"clAqua", RgbColor(0, 255, 255)},
      {"clWhite", RgbColor(255, 255, 255)},
      {"clMoneyGreen", RgbColor(192, 220, 192)},
      {"clSkyBlue", RgbColor(166, 202, 240)},
      {"clCream", RgbColor(255, 251, 240)},
      {"clMedGray", RgbColor(160, 160, 164)},
      {"clScrollBar", 0xFF000000u | 0u},
      {"clBackground", 0xFF000000u | 1u},
      {"clActiveCaption", 0xFF000000u | 2u},
      {"clInactiveCaption", 0xFF000000u | 3u},
      {"clMenu", 0xFF000000u | 4u},
      {"clWindow", 0xFF000000u | 5u},
      {"clWindowFrame", 0xFF000000u | 6u},
      {"clMenuText", 0xFF000000u | 7u},
      {"clWindowText", 0xFF000000u | 8u},
      {"clCaptionText", 0xFF000000u | 9u},
      {"clActiveBorder", 0xFF000000u | 10u},
      {"clInactiveBorder", 0xFF000000u | 11u},
      {"clAppWorkSpace", 0xFF000000u | 12u},
      {"clHighlight", 0xFF000000u | 13u},
      {"clHighlightText", 0xFF000000u | 14u},
      {"clBtnFace", 0xFF000000u | 15u},
      {"clBtnShadow", 0xFF000000u | 16u},
      {"clGrayText", 0xFF000000u | 17u},
      {"clBtnText", 0xFF000000u | 18u},
      {"clInactiveCaptionText", 0xFF000000u | 19u},
      {"clBtnHighlight", 0xFF000000u | 20u},
      {"cl3DDkShadow", 0xFF000000u | 21u},
      {"cl3DLight", 0xFF000000u | 22u},
      {"clInfoText", 0xFF000000u | 23u},
      {"clInfoBk", 0xFF000000u | 24u},
      {"clHotLight", 0xFF000000u | 26u},
      {"clGradientActiveCaption", 0xFF000000u | 27u},
      {"clGradientInactiveCaption", 0xFF000000u | 28u},
      {"clMenuHighlight", 0xFF000000u | 29u},
      {"clMenuBar", 0xFF000000u | 30u},
      {"clNone", 0x1FFFFFFFu},
      {"clDefault", 0x20000000u},
  };
  size_t count = 0;
  ColorTable(&count);
  EXPECT_EQ(count, sizeof rows / sizeof rows[0]);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ColorFromName(row.name), row.value);
    EXPECT_EQ(ColorToText(row.value), row.name);
  }
}

TEST(ColorParts, SplitsAPlainColourAndASystemColour) {
  Color c = RgbColor(1, 2, 3);
  EXPECT_EQ(ColorRed(c), 1);
  EXPECT_EQ(ColorGreen(c), 2);
  EXPECT_EQ(ColorBlue(c), 3);
  EXPECT_FALSE(IsSystemColor(c));
  EXPECT_TRUE(IsSystemColor(SystemColor(13)));
  EXPECT_EQ(SystemColorNumber(SystemColor(13)), 13);
  EXPECT_FALSE(IsSystemColor(kClNone));
}

}  // namespace
}  // namespace skarvo

namespace skarvo {
namespace {

// A picked text colour stays unless it is hard to read on its background; then black or
// white, whichever reads better, stands in for it.
TEST(ReadableTextColor, KeepsReadablePairsAndMendsTheOthers) {
  const struct {
    Color text;
    Color background;
    Color shown;
  } rows[] = {
      {kClCream, kClOlive, kClCream},                                  // the header defaults
      {kClBlack, kClOlive, kClBlack},  {kClBlack, kClNavy, kClWhite},  // black on navy: unreadable
      {kClNavy, kClNavy, kClWhite},    {kClYellow, kClWhite, kClBlack},
      {kClWhite, kClYellow, kClBlack}, {kClRed, kClMaroon, kClWhite},
      {kClWhite, kClBlack, kClWhite},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ColorToText(row.text) + " on " + ColorToText(row.background));
    EXPECT_EQ(ReadableTextColor(row.text, row.background), row.shown);
    EXPECT_GE(ContrastRatio(ReadableTextColor(row.text, row.background), row.background),
              kMinTextContrast);
  }
  EXPECT_DOUBLE_EQ(ContrastRatio(kClBlack, kClWhite), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kClTeal, kClTeal), 1.0);
}

TEST(ColorTable, EveryColourHasAJapaneseNameOfItsOwn) {
  size_t count = 0;
  const NamedColor* table = ColorTable(&count);
  std::set<std::string> shown;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(table[i].name);
    ASSERT_NE(table[i].shownName, nullptr);
    // Not the file's ASCII name: at least one character beyond ASCII.
    const std::string name = table[i].shownName;
    EXPECT_TRUE(std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }));
    shown.insert(name);
  }
  EXPECT_EQ(shown.size(), count);
  EXPECT_STREQ(table[3].shownName, "オリーブ");
}

}  // namespace
}  // namespace skarvo
