#include "engine/re_scanner.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

struct Tok {
  TRETokenKind kind;
  CharCode code;
  CharCode high;
  bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{" << int(t.kind) << ", 0x" << std::hex << t.code << ", 0x" << t.high << std::dec
            << "}";
}

std::vector<Tok> Tokens(const std::string& pattern) {
  TREScanner scanner(pattern);
  std::vector<Tok> out;
  for (int i = 0; i < 100; ++i) {
    const TRETokenKind k = scanner.GetToken();
    out.push_back({k, k == TokEnd ? CharCode(0) : scanner.TokenCode(),
                   k == TokRange ? scanner.TokenCodeHigh() : CharCode(0)});
    if (k == TokEnd) break;
  }
  return out;
}

TEST(TREScanner, TokenKindsKeepTheirNumbers) {
  EXPECT_EQ(int(TokChar), 0);
  EXPECT_EQ(int(TokRange), 1);
  EXPECT_EQ(int(TokUnion), 2);
  EXPECT_EQ(int(TokLParen), 3);
  EXPECT_EQ(int(TokRParen), 4);
  EXPECT_EQ(int(TokStar), 5);
  EXPECT_EQ(int(TokPlus), 6);
  EXPECT_EQ(int(TokOptional), 7);
  EXPECT_EQ(int(TokClassOpen), 8);
  EXPECT_EQ(int(TokNegClassOpen), 9);
  EXPECT_EQ(int(TokClassClose), 10);
  EXPECT_EQ(int(TokAnyChar), 11);
  EXPECT_EQ(int(TokLineHead), 12);
  EXPECT_EQ(int(TokLineTail), 13);
  EXPECT_EQ(int(TokEnd), 14);
}

TEST(TREScanner, CutsPatternsIntoTokens) {
  struct Row {
    const char* pattern;
    std::vector<Tok> tokens;
  } rows[] = {
      {"", {{TokEnd, 0, 0}}},
      {"a\\.b", {{TokChar, 'a', 0}, {TokChar, '.', 0}, {TokChar, 'b', 0}, {TokEnd, 0, 0}}},
      {"(a|b)*+?.^$",
       {{TokLParen, '(', 0},
        {TokChar, 'a', 0},
        {TokUnion, '|', 0},
        {TokChar, 'b', 0},
        {TokRParen, ')', 0},
        {TokStar, '*', 0},
        {TokPlus, '+', 0},
        {TokOptional, '?', 0},
        {TokAnyChar, '.', 0},
        {TokLineHead, '^', 0},
        {TokLineTail, '$', 0},
        {TokEnd, 0, 0}}},
      {"[^]", {{TokNegClassOpen, '[', 0}, {TokClassClose, ']', 0}, {TokEnd, 0, 0}}},
      {"[]", {{TokClassOpen, '[', 0}, {TokClassClose, ']', 0}, {TokEnd, 0, 0}}},
      {"[]a]",
       {{TokClassOpen, '[', 0},
        {TokClassClose, ']', 0},
        {TokChar, 'a', 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[a-]",
       {{TokClassOpen, '[', 0},
        {TokChar, 'a', 0},
        {TokChar, '-', 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[-a]",
       {{TokClassOpen, '[', 0},
        {TokChar, '-', 0},
        {TokChar, 'a', 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[\\x41-\\x5a]",
       {{TokClassOpen, '[', 0}, {TokRange, 0x41, 0x5A}, {TokClassClose, ']', 0}, {TokEnd, 0, 0}}},
      {"[ぁ-ん]",
       {{TokClassOpen, '[', 0},
        {TokRange, 0x829F, 0x82F1},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[.*([^]",
       {{TokClassOpen, '[', 0},
        {TokChar, '.', 0},
        {TokChar, '*', 0},
        {TokChar, '(', 0},
        {TokChar, '[', 0},
        {TokChar, '^', 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[\\]\\-\\\\]",
       {{TokClassOpen, '[', 0},
        {TokChar, ']', 0},
        {TokChar, '-', 0},
        {TokChar, '\\', 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"[a-\\x7a]",
       {{TokClassOpen, '[', 0}, {TokRange, 'a', 'z'}, {TokClassClose, ']', 0}, {TokEnd, 0, 0}}},
      {"\\1234567", {{TokChar, 0xA72E, 0}, {TokChar, '7', 0}, {TokEnd, 0, 0}}},
      // ソ (0x83 0x5C) ends in a backslash byte and ] (0x83 0x5D) in a bracket byte.
      {"ソ[ソ]",
       {{TokChar, 0x835C, 0},
        {TokClassOpen, '[', 0},
        {TokChar, 0x835C, 0},
        {TokClassClose, ']', 0},
        {TokEnd, 0, 0}}},
      {"\\(", {{TokChar, '(', 0}, {TokEnd, 0, 0}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(Tokens(Sjis(row.pattern)), row.tokens);
  }
}

TEST(TREScanner, ReportsMalformedPatternsWithTheirPositions) {
  struct Row {
    std::string pattern;
    const char* message;
    int pos;
  } rows[] = {
      {"[", "右ブラケット\"]\"が必要です", 2},
      {"[^", "右ブラケット\"]\"が必要です", 3},
      {"[ab", "右ブラケット\"]\"が必要です", 4},
      {"[a-", "右ブラケット\"]\"が必要です", 4},
      {"[z-a]", "不正なキャラクタ範囲です", 5},
      {"ab\\", "\"\\\"の次には文字が必要です。", 4},
      {"\\x", "不正な１６進数コード表記です。", 3},
      {"\\xg", "不正な１６進数コード表記です。", 3},
      {"\\200000", "不正な８進数コード表記です。", 8},
      {"ab\x82", "不正な２バイト文字コードです。", 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    TREScanner scanner(row.pattern);
    try {
      for (int i = 0; i < 20 && scanner.GetToken() != TokEnd; ++i) {
      }
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
      EXPECT_EQ(e.ErrorPos(), row.pos);
    }
  }
}

TEST(TREScanner, SetPatternRestartsInNormalModeAfterAnErrorInAClass) {
  TREScanner scanner("[a");
  EXPECT_EQ(scanner.GetToken(), TokClassOpen);
  EXPECT_THROW(scanner.GetToken(), ERegExpParser);
  EXPECT_TRUE(scanner.InClass());
  scanner.SetPattern("]*");
  EXPECT_FALSE(scanner.InClass());
  EXPECT_EQ(scanner.Position(), 1);
  EXPECT_EQ(scanner.GetToken(), TokClassClose);
  EXPECT_EQ(scanner.GetToken(), TokStar);
  EXPECT_EQ(scanner.GetToken(), TokEnd);
  EXPECT_EQ(scanner.GetToken(), TokEnd);
}

}  // namespace
}  // namespace skarvo
