// TREParseTree: the graph a pattern is parsed into. Interior nodes (concatenation, union,
// star, empty, and the ^ and $ nodes) live in the node list; character-range leaves live in
// the leaf list, where no two leaves have the same range, so equal ranges share one leaf.
//
// After parsing, MakeLeavesDisjoint splits the leaves until any two are identical or
// disjoint, rewriting each split leaf in place as a union of its pieces. The automata built
// from the tree rely on that: their range labels never partly overlap.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/char_codes.h"

namespace skarvo {

// Node kinds; the numbers are fixed, the automaton construction dispatches on them.
enum TRENodeKind : std::uint8_t {
  NodeRange = 0,     // Low..High
  NodeLineHead = 1,  // ^ (code in Low and High)
  NodeLineTail = 2,  // $ (code in Low and High)
  NodeConcat = 3,    // Left then Right
  NodeUnion = 4,     // Left or Right
  NodeStar = 5,      // Left repeated; no Right
  NodeEmpty = 6,     // the empty string
};

// One node record. A range leaf can be rewritten in place into a union, so every record can
// hold either form: the references to it then reach the union.
struct TRENode {
  TRENodeKind Kind = NodeEmpty;
  TRENode* Left = nullptr;
  TRENode* Right = nullptr;
  CharCode Low = 0;
  CharCode High = 0;

  // Low and High read as one 32-bit value, low first.
  std::uint32_t Label() const noexcept { return std::uint32_t{Low} | std::uint32_t{High} << 16; }
};

class TREParseTree {
 public:
  // Splitting many overlapping ranges multiplies nodes; past this many nodes and leaves a
  // pattern is refused with ERegExpParser "正規表現が複雑すぎます" (position 1).
  static constexpr std::size_t kMaxNodes = 1000000;

  TREParseTree() = default;
  TREParseTree(const TREParseTree&) = delete;
  TREParseTree& operator=(const TREParseTree&) = delete;
  virtual ~TREParseTree() = default;

  // Appends a new interior node.
  TRENode* MakeNode(TRENodeKind kind, TRENode* left, TRENode* right);
  // Returns the leaf with exactly this range, making it (at the end of the leaf list) when
  // there is none yet.
  TRENode* MakeLeaf(CharCode low, CharCode high);
  // As MakeLeaf, but nothing (nullptr) when high < low. Takes int so that callers can pass
  // low - 1 or high + 1 without wrapping.
  TRENode* MakeLeafIfValid(int low, int high);
  TRENode* MakeLineHeadNode(CharCode code);
  TRENode* MakeLineTailNode(CharCode code);
  // What '.' matches: 0x01-0x09, 0x0B-0x0C and 0x0E-0xFCFC (no LF, no CR, no code 0).
  virtual TRENode* MakeAnyCharNode();
  // Rewrites leaf in place as Union(left, right) and moves it to the node list. Raises
  // Exception "TREParseTree : 致命的エラー" when left or right is missing.
  void LeafToUnion(TRENode* leaf, TRENode* left, TRENode* right);
  // Splits leaves until any two of them are identical or disjoint.
  void MakeLeavesDisjoint();
  // Frees every node and leaf; Root becomes nullptr.
  void Clear();
  // Removes the leaf at index from the leaf list and frees it. Only for a leaf that nothing
  // refers to (the scratch trees of a negated class).
  void DropLeafAt(std::size_t index);

  // The root of the pattern (set by the parser).
  TRENode* Root = nullptr;
  // Interior, ^ and $ nodes (split leaves included), in creation order.
  const std::vector<std::unique_ptr<TRENode>>& Nodes() const noexcept { return nodes_; }
  // Range leaves, no two with the same range, in the order the algorithms leave them.
  const std::vector<std::unique_ptr<TRENode>>& Leaves() const noexcept { return leaves_; }

 private:
  bool SplitOverlap(TRENode* a, TRENode* b);
  void CheckSize() const;
  std::size_t LeafIndex(const TRENode* leaf) const;

  std::vector<std::unique_ptr<TRENode>> nodes_;
  std::vector<std::unique_ptr<TRENode>> leaves_;
  // The ranges of leaves_, side by side, so the overlap search reads them contiguously.
  std::vector<std::pair<CharCode, CharCode>> leafRanges_;
  // Label -> leaf, so MakeLeaf does not search the list; it finds the same leaf the list
  // search would, as no two leaves share a range.
  std::unordered_map<std::uint32_t, TRENode*> leafIndex_;
};

}  // namespace skarvo
