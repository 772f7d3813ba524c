#include "settings/value_format.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"

namespace skarvo {
namespace {

TEST(ParseProfileInteger, TakesEveryNumberFormOfTheFile) {
  struct Row {
    const char* text;
    std::optional<int> value;
  } rows[] = {
      {"0", 0},
      {"2", 2},
      {"-15", -15},
      {"+7", 7},
      {"  42", 42},
      {"\t\t9", 9},
      {" \t-3", -3},
      {"$1F", 31},
      {"$ff", 255},
      {"0x10", 16},
      {"0X1a", 26},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"$FF000005", static_cast<int>(0xFF000005u)},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"007", 7},
      {"", std::nullopt},
      {"yes", std::nullopt},
      {"1.5", std::nullopt},
      {"12px", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},  // two characters: not the hexadecimal form
      {"0xZ", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$100000000", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ParseProfileInteger(row.text), row.value);
  }
}

using Entries = std::vector<std::string>;

TEST(SplitCommaText, SplitsByTheListRule) {
  struct Row {
    std::string text;
    Entries entries;
  } rows[] = {
      {"", {}},
      {"\"a\",\"b\",", {"a", "b", ""}},
      {"\"a\",\"\",\"b\",", {"a", "", "b", ""}},
      {"  \"a\" , \"b\"", {"a", "b"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"a,b\",c", {"a,b", "c"}},
      {"\"a b\"", {"a b"}},
      {".log .md", {".log", ".md"}},
      {".log,.md,", {".log", ".md", ""}},
      {".txt,,.csv", {".txt", "", ".csv"}},
      {"a\tb\rc\nd", {"a", "b", "c", "d"}},
      {"\"unterminated", {"unterminated"}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"a\"b\",c", {"a\"b\"", "c"}},
      {",", {"", ""}},
      {std::string("a,b\0,c", 6), {"a", "b"}},
      // A 2-byte character whose second byte is a quote-free 0x5C or 0x2C-free byte stays whole.
      {Sjis("\"表,示\",ゾ"), {Sjis("表,示"), Sjis("ゾ")}},
      // A lead byte at the very end is taken as it is.
      {"ab\x83", {"ab\x83"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(SplitCommaText(row.text), row.entries);
  }
}

TEST(ComposeListValue, WritesTheStoredFormAndReadsBack) {
  EXPECT_EQ(ComposeListValue({"a", "b"}), "\"a\",\"b\",");
  EXPECT_EQ(ComposeListValue({"", "a", ""}), "\"a\",");
  EXPECT_EQ(ComposeListValue({}), "");
  EXPECT_EQ(ComposeListValue({"say \"hi\""}), "\"say \"\"hi\"\"\",");

  std::mt19937 random(7);
  const std::string alphabet = std::string(" \",a\t") + Sjis("表ゾ");
  for (int round = 0; round < 300; ++round) {
    Entries entries;
    int count = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < count; ++e) {
      std::string entry = "x";
      int length = static_cast<int>(random() % 6);
      for (int i = 0; i < length; ++i) {
        size_t pick = random() % alphabet.size();
        if (IsLeadByte(static_cast<unsigned char>(alphabet[pick])))
          entry += alphabet.substr(pick, 2);
        else if (pick > 0 && IsLeadByte(static_cast<unsigned char>(alphabet[pick - 1])))
          entry += alphabet.substr(pick - 1, 2);
        else
          entry += alphabet[pick];
      }
      entries.push_back(entry);
    }
    Entries back = SplitCommaText(ComposeListValue(entries));
    ASSERT_EQ(back.size(), entries.size() + 1) << ComposeListValue(entries);
    EXPECT_EQ(back.back(), "");
    back.pop_back();
    EXPECT_EQ(back, entries);
  }
}

}  // namespace
}  // namespace skarvo
