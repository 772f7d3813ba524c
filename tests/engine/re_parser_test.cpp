#include "engine/re_parser.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

std::string CodeText(CharCode c) {
  if (c > 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
  char buf[8];
  std::snprintf(buf, sizeof buf, "x%X", c);
  return buf;
}

// A compact form of a (sub)tree: leaves as "a" or "a-z", nodes as C(..), U(..), S(..), E.
std::string Show(const TRENode* n) {
  switch (n->Kind) {
    case NodeRange:
      return n->Low == n->High ? CodeText(n->Low) : CodeText(n->Low) + "-" + CodeText(n->High);
    case NodeLineHead:
      return "^";
    case NodeLineTail:
      return "$";
    case NodeConcat:
      return "C(" + Show(n->Left) + "," + Show(n->Right) + ")";
    case NodeUnion:
      return "U(" + Show(n->Left) + "," + Show(n->Right) + ")";
    case NodeStar:
      return "S(" + Show(n->Left) + ")";
    case NodeEmpty:
      return "E";
  }
  return "?";
}

std::string Leaves(const TREParseTree& tree) {
  std::string out;
  for (const auto& leaf : tree.Leaves()) out += (out.empty() ? "" : " ") + Show(leaf.get());
  return out;
}

TEST(TREParseTree, NodeKindsKeepTheirNumbers) {
  EXPECT_EQ(int(NodeRange), 0);
  EXPECT_EQ(int(NodeLineHead), 1);
  EXPECT_EQ(int(NodeLineTail), 2);
  EXPECT_EQ(int(NodeConcat), 3);
  EXPECT_EQ(int(NodeUnion), 4);
  EXPECT_EQ(int(NodeStar), 5);
  EXPECT_EQ(int(NodeEmpty), 6);
}

TEST(TREParser, BuildsTheTreeOfEachConstruct) {
  struct Row {
    const char* pattern;
    const char* tree;
    const char* leaves;
  } rows[] = {
      {"", "E", ""},
      {"a|", "U(a,E)", "a"},
      {"(|)", "U(E,E)", ""},
      {"()", "E", ""},
      {"a+", "C(a,S(a))", "a"},
      {"a?", "U(a,E)", "a"},
      {"ab|c|d", "U(U(C(a,b),c),d)", "a b c d"},
      {"abc", "C(C(a,b),c)", "a b c"},
      {"[abc]", "U(U(a,b),c)", "a b c"},
      {"[a-cb]", "U(U(U(a,b),c),b)", "b a c"},
      {".", "U(U(x1-x9,xB-xC),xE-xFCFC)", "x1-x9 xB-xC xE-xFCFC"},
      {"[^a]", "U(U(U(x1-x9,xB-xC),xE-`),b-xFCFC)", "x1-x9 xB-xC xE-` b-xFCFC"},
      {"[^\\x01-\\x7f]", "x80-xFCFC", "x80-xFCFC"},
      {"^a$", "C(C(^,a),$)", "a"},
      {"\\^\\$", "C(^,$)", "^ $"},
      {"[a-z]|[m-q]x", "U(U(U(a-l,m-q),U(U(r-w,x),y-z)),C(m-q,x))", "m-q x a-l r-w y-z"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    TREParser parser(row.pattern);
    parser.Run();
    EXPECT_EQ(Show(parser.Root()), row.tree);
    EXPECT_EQ(Leaves(parser.Tree()), row.leaves);
  }
}

TEST(TREParser, SharesEqualLeavesAndThePlusOperand) {
  TREParser parser("aa+");
  parser.Run();
  const TRENode* root = parser.Root();  // C(a, C(a, S(a)))
  ASSERT_EQ(root->Kind, NodeConcat);
  const TRENode* plus = root->Right;
  EXPECT_EQ(root->Left, plus->Left);
  EXPECT_EQ(plus->Left, plus->Right->Left);
  EXPECT_EQ(parser.Tree().Leaves().size(), 1u);
}

TEST(TREParser, ReportsMalformedPatterns) {
  struct Row {
    std::string pattern;
    const char* message;
    int pos;
  } rows[] = {
      {"a)b", "正規表現に余分な文字があります", 3},
      {"a)", "正規表現に余分な文字があります", 3},
      {"(ab", "右(閉じ)括弧が必要です", 4},
      {"?", "普通の文字、または左括弧\"(\"が必要です", 2},
      {"*a", "普通の文字、または左括弧\"(\"が必要です", 2},
      {"a**", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"a+?", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"a|+", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"a]", "普通の文字、または左括弧\"(\"が必要です", 3},
      {"[]", "不正なキャラクタクラス指定です。", 3},
      {"[^]", "不正なキャラクタクラス指定です。", 4},
      // A negated class that leaves nothing for '.' to match is refused like an empty one.
      {"[^\\x01-\\xfcfc]", "不正なキャラクタクラス指定です。", 15},
      {"x[^\\x01-\\x09\\x0b\\x0c\\x0e-\\xfcfc]", "不正なキャラクタクラス指定です。", 33},
      {std::string(1001, '(') + std::string(1001, ')'), "正規表現が複雑すぎます", 1002},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern.substr(0, 20));
    TREParser parser(row.pattern);
    try {
      parser.Run();
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
      EXPECT_EQ(e.ErrorPos(), row.pos);
    }
  }
}

// Every error of the scanner and the parser, reached through Run, with the position the
// scanner stood at: after the byte that revealed the fault (past the end when the pattern
// ran out), or at the lone lead byte itself.
TEST(TREParser, EveryErrorPointsWhereTheScannerStood) {
  const char* bracket = "右ブラケット\"]\"が必要です";
  const char* backslash = "\"\\\"の次には文字が必要です。";
  const char* hex = "不正な１６進数コード表記です。";
  const char* octal = "不正な８進数コード表記です。";
  const char* twoByte = "不正な２バイト文字コードです。";
  const char* range = "不正なキャラクタ範囲です";
  const char* primary = "普通の文字、または左括弧\"(\"が必要です";
  struct Row {
    std::string pattern;
    const char* message;
    int pos;
  } rows[] = {
      {"[a", bracket, 3},
      {"[a-b", bracket, 5},
      {"[^a-", bracket, 5},
      {"x[", bracket, 3},
      {"[\\", backslash, 3},
      {"[a-\\", backslash, 5},
      {"a\\", backslash, 3},
      {"[\\x", hex, 4},
      {"[a-\\x]", hex, 6},
      {"\\xz1", hex, 3},
      {"[\\200000]", octal, 9},
      {"a\\777777", octal, 9},
      {"[z-\\x61]", range, 8},
      {Sjis("[あ-ぁ]"), range, 7},
      {"[b-a-c]", range, 5},
      {"[\x82", twoByte, 2},
      {"[a-\x82", twoByte, 4},
      {"\\\x82", twoByte, 2},
      {Sjis("あ") + "\x82", twoByte, 3},
      {"((a)", "右(閉じ)括弧が必要です", 5},
      {"(", "右(閉じ)括弧が必要です", 2},
      {")", "正規表現に余分な文字があります", 2},
      {"(a))", "正規表現に余分な文字があります", 5},
      {"a(*)", primary, 4},
      {"a||*", primary, 5},
      {"[a]]", primary, 5},
      {"x[]", "不正なキャラクタクラス指定です。", 4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    TREParser parser(row.pattern);
    try {
      parser.Run();
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
      EXPECT_EQ(e.ErrorPos(), row.pos);
    }
  }
}

TEST(TREParser, NegatedClassThatKeepsOnlyNewlinesAndCodeZeroOutIsStillValid) {
  // Everything but 0x0B: the class keeps that one code.
  TREParser parser("[^\\x01-\\x0a\\x0c-\\xfcfc]");
  parser.Run();
  EXPECT_EQ(Show(parser.Root()), "xB");
}

TEST(TREParser, DeepButLegalNestingAndLongPatternsParse) {
  TREParser nested(std::string(1000, '(') + "a" + std::string(1000, ')'));
  EXPECT_NO_THROW(nested.Run());
  TREParser longOne(std::string(200000, 'a'));
  EXPECT_NO_THROW(longOne.Run());
}

TEST(TREParseTree, LeavesEndPairwiseIdenticalOrDisjoint) {
  const char* patterns[] = {"[a-z][c-e][a-c][x-y]q[b-x]", "[\\x00-\\xffff][a][\\x10-\\x20]",
                            "[ぁ-ん][あ-お]あ[ア-ン]", "[a-d][b-c][a-b][c-d]"};
  for (const char* pattern : patterns) {
    SCOPED_TRACE(pattern);
    TREParser parser(Sjis(pattern));
    parser.Run();
    const auto& leaves = parser.Tree().Leaves();
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      for (std::size_t j = i + 1; j < leaves.size(); ++j) {
        const bool disjoint = leaves[i]->High < leaves[j]->Low || leaves[j]->High < leaves[i]->Low;
        EXPECT_TRUE(disjoint) << Show(leaves[i].get()) << " / " << Show(leaves[j].get());
      }
    }
  }
}

TEST(TREParseTree, LeafToUnionRefusesAMissingPart) {
  TREParseTree tree;
  TRENode* leaf = tree.MakeLeaf('a', 'z');
  try {
    tree.LeafToUnion(leaf, tree.MakeLeaf('a', 'b'), nullptr);
    FAIL() << "no error";
  } catch (const ERegExpParser&) {
    FAIL() << "must be the general exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Sjis("TREParseTree : 致命的エラー"));
  }
}

TEST(TREParseTree, MakeLeafIfValidRefusesReversedRangesWithoutWrapping) {
  TREParseTree tree;
  EXPECT_EQ(tree.MakeLeafIfValid('b', 'a'), nullptr);
  EXPECT_EQ(tree.MakeLeafIfValid(0, -1), nullptr);
  EXPECT_EQ(tree.MakeLeafIfValid(0x10000, 0xFFFF), nullptr);
  EXPECT_EQ(tree.MakeLeafIfValid('a', 'a'), tree.MakeLeaf('a', 'a'));
}

}  // namespace
}  // namespace skarvo
