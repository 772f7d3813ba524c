#include "engine/fuzzy_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/char_codes.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommaText, FollowsTheCommaListRules) {
  struct Row {
    const char* text;
    Words words;
  } rows[] = {
      {"a,b", {"a", "b"}},
      {"  a,  b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},  // a comma at the very end adds an empty word
      {"a, ", {"a"}},     // ... but not when a blank follows it
      {",", {"", ""}},
      {"", {}},
      {"   ", {}},
      {"a b", {"a", "b"}},  // an unquoted word ends at a blank
      {"\"x, y\",z", {"x, y", "z"}},
      {"\"\"\"\",q", {"\"", "q"}},  // two double quotes inside quotes stand for one
      {"\"ab\"\"cd\"", {"ab\"cd"}},
      {"\"\",x", {"", "x"}},
      {"\"abc", {"abc"}},  // an unclosed quote runs to the end, nothing lost
      {"\"ab\"cd", {"ab", "cd"}},
      {"\" \"", {" "}},
      {"a\tb\nc", {"a", "b", "c"}},
      {"\x81\x40,x", {"\x81\x40", "x"}},  // the full-width space is not a blank
      {"\x82\x2C,x", {"\x82\x2C", "x"}},  // a 2-byte character is never split
      {"x\x82", {"x\x82"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(SplitCommaText(row.text), row.words);
  }
}

TEST(SplitCommaText, AZeroByteEndsTheText) {
  EXPECT_EQ(SplitCommaText(std::string("a\0b", 3)), (Words{"a"}));
  EXPECT_EQ(SplitCommaText(std::string("\0,\0", 3)), (Words{}));
}

TEST(BuiltInFuzzyDictionary, HasTheLetterGroupsInOrder) {
  const TREDictionary& d = BuiltInFuzzyDictionary();
  ASSERT_EQ(d.Count(), 145u);
  for (int k = 0; k < 26; ++k) {
    SCOPED_TRACE(k);
    // Full-width A is 0x8260, full-width a is 0x8281.
    const Words expected = {std::string{'\x82', static_cast<char>(0x60 + k)},
                            std::string{'\x82', static_cast<char>(0x81 + k)},
                            std::string(1, static_cast<char>('A' + k)),
                            std::string(1, static_cast<char>('a' + k))};
    EXPECT_EQ(d.GroupAt(k), expected);
  }
}

TEST(BuiltInFuzzyDictionary, GroupsHoldTheseBytes) {
  struct Row {
    int group;
    Words words;
  } rows[] = {
      {0, {"\x82\x60", "\x82\x81", "A", "a"}},
      {26, {"0", "\x82\x4F", "\x97\xEB"}},
      {27, {"1", "\x82\x50", "\x88\xEA", "\x87\x40", "\x87\x54", "\x88\xEB"}},
      {36, {"\x81\x40", " "}},
      {38, {"\"", "\x81\x68"}},
      {43, {"'", "\x81\x66"}},
      {48, {"\x81\x5B", "\x81\x60", "\xB0", ""}},
      {49, {"-", "\x81\x5B", "\x81\x7C", "\x81\x60", "\xB0"}},
      {59, {"[", "\x81\x6D", "\x81\x6B"}},
      {60, {"\\", "\x81\x8F"}},
      {65, {"|", "\x81\x62"}},
      {67, {"~", "\x81\x50"}},
      {68, {",", "\xA4", "\x81\x41", "\x81\x43"}},
      {69, {"\xA1", ".", "\x81\x42", "\x81\x44"}},
      {70, {"\x81\x75", "\x81\x77", "\xA2"}},
      {73, {"\x82\xAA", "\x83\x4B", "\xB6\xDE", "\x82\xA9\x81\x4A", "\x83\x4A\x81\x4A"}},
      {80,
       {"\x82\xB8", "\x83\x59", "\xBD\xDE", "\x83\x58\x81\x4A", "\x83\x58\x81\x4A", "\x82\xC3",
        "\x83\x64", "\xC2\xDE", "\x82\xC2\x81\x4A", "\x83\x63\x81\x4A"}},
      {86,
       {"\x82\xCE", "\x83\x6F", "\xCA\xDE", "\x82\xCD\x81\x4A", "\x83\x6E\x81\x4A",
        "\x83\x94\x83\x40", "\x82\xA4\x81\x4A\x82\x9F", "\x83\x45\x81\x4A\x83\x40",
        "\xB3\xDE\xA7"}},
      {91, {"\x82\xCF", "\x83\x70", "\xCA\xDF", "\x82\xCD\x81\x4B", "\x83\x6E\x81\x4B"}},
      {96, {"\x82\xA0", "\x83\x41", "\xB1", "\x82\x9F", "\x83\x40", "\xA7"}},
      {113, {"\x82\xC2", "\x83\x63", "\xC2", "\x82\xC1", "\x83\x62", "\xAF"}},
      {140, {"\x83\x90", "\x82\xEE", "\x82\xA4\x82\xA1", "\x83\x45\x83\x42", "\xB3\xA8"}},
      {143, {"\xDE", "\x81\x4A"}},
      {144, {"\xDF", "\x81\x4B"}},
  };
  const TREDictionary& d = BuiltInFuzzyDictionary();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.group);
    EXPECT_EQ(d.GroupAt(row.group), row.words);
  }
}

// A slip in a source text (a stray comma, a missing quote) shows as an empty word or a
// word with a blank or comma in it.
TEST(BuiltInFuzzyDictionary, OnlyTheLongVowelGroupHasAnEmptyWord) {
  const TREDictionary& d = BuiltInFuzzyDictionary();
  for (std::size_t g = 0; g < d.Count(); ++g) {
    SCOPED_TRACE(g);
    const Words& words = d.GroupAt(g);
    EXPECT_GE(words.size(), 2u);
    for (std::size_t w = 0; w < words.size(); ++w) {
      const std::string& word = words[w];
      EXPECT_EQ(word.empty(), g == 48 && w == 3);
      if (g != 36) {
        EXPECT_EQ(word.find(' '), std::string::npos);
      }
      if (g != 68) {
        EXPECT_EQ(word.find(','), std::string::npos);
      }
      if (g != 38) {
        EXPECT_EQ(word.find('"'), std::string::npos);
      }
    }
  }
}

TEST(BuiltInFuzzyDictionary, GroupPatternTextsQuoteMetacharacters) {
  struct Row {
    int group;
    const char* text;
  } rows[] = {
      // The metacharacters that the rewrite examples do not reach.
      {45, "(\\)|）)"}, {59, "(\\[|［|〔)"}, {61, "(\\]|］|〕)"}, {62, "(\\^|＾)"},
      {40, "(\\$|＄)"}, {46, "(\\*|＊)"},    {47, "(\\+|＋)"},
  };
  const TREDictionary& d = BuiltInFuzzyDictionary();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(d.GroupPatternText(row.group), Sjis(row.text));
  }
}

TEST(TREDictionary, IndexesWordsByFirstCodeInGroupThenWordOrder) {
  const TREDictionary& d = BuiltInFuzzyDictionary();
  struct Row {
    const char* character;
    std::vector<std::pair<unsigned, unsigned>> refs;
  } rows[] = {
      {"ー", {{48, 0}, {49, 1}}},
      {"～", {{48, 1}, {49, 3}}},
      {"ｳ",
       {{86, 8},
        {87, 8},
        {88, 8},
        {89, 8},
        {90, 8},
        {98, 2},
        {139, 5},
        {140, 4},
        {141, 4},
        {142, 5}}},
      {"ス", {{80, 3}, {80, 4}, {108, 1}}},
      {"漢", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.character);
    const std::string& c = Sjis(row.character);
    int index = 1;
    const CharCode code = ReadCharAt(c, index);
    std::vector<std::pair<unsigned, unsigned>> refs;
    for (const auto& ref : d.WordsStartingWith(code)) refs.emplace_back(ref.group, ref.word);
    EXPECT_EQ(refs, row.refs);
  }
}

TEST(TREDictionary, RefusesAWordEndingInALoneLeadByteAndStaysAsItWas) {
  TREDictionary d;
  d.AddGroup({"a", "b"});
  try {
    d.AddGroup({"c", "x\x82"});
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("不正な２バイト文字コードです。"));
  }
  EXPECT_EQ(d.Count(), 1u);
  EXPECT_TRUE(d.WordsStartingWith('c').empty());
}

TEST(TREDictionary, BuildsGroupsFromCommaTexts) {
  TREDictionary d;
  d.AddCommaText("\"a|b\",c.d, e");
  ASSERT_EQ(d.Count(), 1u);
  EXPECT_EQ(d.GroupAt(0), (Words{"a|b", "c.d", "e"}));
  EXPECT_EQ(d.GroupPatternText(0), "(a\\|b|c\\.d|e)");
}

}  // namespace
}  // namespace skarvo
