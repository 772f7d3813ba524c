#include "settings/color.h"

#include <gtest/gtest.h>

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
