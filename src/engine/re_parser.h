// TREParser: recursive descent over the tokens of one pattern, building a TREParseTree.
//
//   RegExp  := Term ('|' Term)*            left-associative unions
//   Term    := empty | Factor Factor*      an empty term is allowed: "|a", "()", ""
//   Factor  := Primary ('*' | '+' | '?')?  x+ is Concat(x, Star(x)) over the same x
//   Primary := char | '(' RegExp ')' | class | negated class | '.' | '^' | '$'
//
// A negated class becomes a positive union of ranges at parse time: the listed ranges are
// subtracted from what '.' matches. After parsing, the tree's leaves are made disjoint.
#pragma once

#include <string>

#include "engine/re_parse_tree.h"
#include "engine/re_scanner.h"

namespace skarvo {

class TREParser {
 public:
  explicit TREParser(const std::string& pattern);

  // Parses the whole pattern into Tree() (clearing it first) and makes its leaves disjoint.
  // Raises ERegExpParser with the scanner's position for a malformed pattern.
  void Run();

  TREParseTree& Tree() noexcept { return tree_; }
  const TREParseTree& Tree() const noexcept { return tree_; }
  TRENode* Root() const noexcept { return tree_.Root; }

  // Groups may nest this deep; deeper patterns are refused as too complex rather than
  // risking the stack.
  static constexpr int kMaxNesting = 1000;

 private:
  TRENode* ParseRegExp();
  TRENode* ParseTerm();
  TRENode* ParseFactor();
  TRENode* ParsePrimary();
  TRENode* ParseClass(TREParseTree& tree);
  TRENode* ParseNegClass();
  TRENode* ClassItem(TREParseTree& tree);
  [[noreturn]] void Fail(const char* utf8Message) const;

  TREScanner scanner_;
  TREParseTree tree_;
  int nesting_ = 0;
};

}  // namespace skarvo
