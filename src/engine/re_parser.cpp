#include "engine/re_parser.h"

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {

TREParser::TREParser(const std::string& pattern) : scanner_(pattern) {}

void TREParser::Fail(const char* utf8Message) const {
  throw ERegExpParser(Sjis(utf8Message), scanner_.Position());
}

void TREParser::Run() {
  tree_.Clear();
  nesting_ = 0;
  scanner_.SetPattern(scanner_.Pattern());
  scanner_.GetToken();
  tree_.Root = ParseRegExp();
  if (scanner_.TokenType() != TokEnd) Fail("正規表現に余分な文字があります");
  tree_.MakeLeavesDisjoint();
}

TRENode* TREParser::ParseRegExp() {
  TRENode* r = ParseTerm();
  while (scanner_.TokenType() == TokUnion) {
    scanner_.GetToken();
    TRENode* right = ParseTerm();
    r = tree_.MakeNode(NodeUnion, r, right);
  }
  return r;
}

TRENode* TREParser::ParseTerm() {
  auto endsTerm = [this] {
    const TRETokenKind k = scanner_.TokenType();
    return k == TokUnion || k == TokRParen || k == TokEnd;
  };
  if (endsTerm()) return tree_.MakeNode(NodeEmpty, nullptr, nullptr);
  TRENode* r = ParseFactor();
  while (!endsTerm()) {
    TRENode* right = ParseFactor();
    r = tree_.MakeNode(NodeConcat, r, right);
  }
  return r;
}

TRENode* TREParser::ParseFactor() {
  TRENode* p = ParsePrimary();
  switch (scanner_.TokenType()) {
    case TokStar:
      p = tree_.MakeNode(NodeStar, p, nullptr);
      scanner_.GetToken();
      break;
    case TokPlus: {
      TRENode* star = tree_.MakeNode(NodeStar, p, nullptr);
      p = tree_.MakeNode(NodeConcat, p, star);
    }
      scanner_.GetToken();
      break;
    case TokOptional: {
      TRENode* empty = tree_.MakeNode(NodeEmpty, nullptr, nullptr);
      p = tree_.MakeNode(NodeUnion, p, empty);
    }
      scanner_.GetToken();
      break;
    default:
      break;
  }
  return p;
}

TRENode* TREParser::ParsePrimary() {
  TRENode* r = nullptr;
  switch (scanner_.TokenType()) {
    case TokChar:
      r = tree_.MakeLeaf(scanner_.TokenCode(), scanner_.TokenCode());
      break;
    case TokLParen:
      if (++nesting_ > kMaxNesting) Fail("正規表現が複雑すぎます");
      scanner_.GetToken();
      r = ParseRegExp();
      if (scanner_.TokenType() != TokRParen) Fail("右(閉じ)括弧が必要です");
      --nesting_;
      break;
    case TokClassOpen:
      r = ParseClass(tree_);
      if (scanner_.TokenType() != TokClassClose) Fail("右ブラケット\"]\"が必要です");
      break;
    case TokNegClassOpen:
      r = ParseNegClass();
      if (scanner_.TokenType() != TokClassClose) Fail("右ブラケット\"]\"が必要です");
      break;
    case TokAnyChar:
      r = tree_.MakeAnyCharNode();
      break;
    case TokLineHead:
      r = tree_.MakeLineHeadNode(scanner_.TokenCode());
      break;
    case TokLineTail:
      r = tree_.MakeLineTailNode(scanner_.TokenCode());
      break;
    default:
      Fail("普通の文字、または左括弧\"(\"が必要です");
  }
  scanner_.GetToken();
  return r;
}

TRENode* TREParser::ClassItem(TREParseTree& tree) {
  if (scanner_.TokenType() == TokRange) {
    return tree.MakeLeaf(scanner_.TokenCode(), scanner_.TokenCodeHigh());
  }
  return tree.MakeLeaf(scanner_.TokenCode(), scanner_.TokenCode());
}

TRENode* TREParser::ParseClass(TREParseTree& tree) {
  if (scanner_.GetToken() == TokClassClose) Fail("不正なキャラクタクラス指定です。");
  TRENode* r = ClassItem(tree);
  while (scanner_.GetToken() != TokClassClose) {
    TRENode* item = ClassItem(tree);
    r = tree.MakeNode(NodeUnion, r, item);
  }
  return r;
}

TRENode* TREParser::ParseNegClass() {
  TREParseTree listed;
  TREParseTree remaining;
  ParseClass(listed);
  listed.MakeLeavesDisjoint();
  remaining.MakeAnyCharNode();
  for (const auto& x : listed.Leaves()) {
    std::size_t k = 0;
    while (k < remaining.Leaves().size()) {
      const TRENode* q = remaining.Leaves()[k].get();
      if (q->High < x->Low || q->Low > x->High) {
        ++k;
        continue;
      }
      const int qLow = q->Low;
      const int qHigh = q->High;
      remaining.DropLeafAt(k);
      remaining.MakeLeafIfValid(qLow, x->Low - 1);
      remaining.MakeLeafIfValid(x->High + 1, qHigh);
    }
  }
  // Nothing left: the class could match no character at all. It is refused like an empty
  // class rather than silently never matching.
  if (remaining.Leaves().empty()) Fail("不正なキャラクタクラス指定です。");
  TRENode* r = nullptr;
  for (const auto& leaf : remaining.Leaves()) {
    TRENode* piece = tree_.MakeLeaf(leaf->Low, leaf->High);
    r = r == nullptr ? piece : tree_.MakeNode(NodeUnion, r, piece);
  }
  return r;
}

}  // namespace skarvo
