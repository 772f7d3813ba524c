#include "engine/re_parse_tree.h"

#include <algorithm>

#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo {

void TREParseTree::CheckSize() const {
  if (nodes_.size() + leaves_.size() >= kMaxNodes) {
    throw ERegExpParser(Sjis("正規表現が複雑すぎます"), 1);
  }
}

TRENode* TREParseTree::MakeNode(TRENodeKind kind, TRENode* left, TRENode* right) {
  CheckSize();
  auto node = std::make_unique<TRENode>();
  node->Kind = kind;
  node->Left = left;
  node->Right = right;
  nodes_.push_back(std::move(node));
  return nodes_.back().get();
}

TRENode* TREParseTree::MakeLeaf(CharCode low, CharCode high) {
  TRENode probe;
  probe.Low = low;
  probe.High = high;
  const auto found = leafIndex_.find(probe.Label());
  if (found != leafIndex_.end()) return found->second;
  CheckSize();
  auto leaf = std::make_unique<TRENode>();
  leaf->Kind = NodeRange;
  leaf->Low = low;
  leaf->High = high;
  leaves_.push_back(std::move(leaf));
  leafRanges_.emplace_back(low, high);
  leafIndex_.emplace(probe.Label(), leaves_.back().get());
  return leaves_.back().get();
}

TRENode* TREParseTree::MakeLeafIfValid(int low, int high) {
  if (high < low || low < 0 || high > 0xFFFF) return nullptr;
  return MakeLeaf(static_cast<CharCode>(low), static_cast<CharCode>(high));
}

TRENode* TREParseTree::MakeLineHeadNode(CharCode code) {
  TRENode* node = MakeNode(NodeLineHead, nullptr, nullptr);
  node->Low = node->High = code;
  return node;
}

TRENode* TREParseTree::MakeLineTailNode(CharCode code) {
  TRENode* node = MakeNode(NodeLineTail, nullptr, nullptr);
  node->Low = node->High = code;
  return node;
}

TRENode* TREParseTree::MakeAnyCharNode() {
  // Made one after the other: the leaf order is part of the result.
  TRENode* controls = MakeLeaf(0x01, 0x09);
  TRENode* tabs = MakeLeaf(0x0B, 0x0C);
  TRENode* first = MakeNode(NodeUnion, controls, tabs);
  TRENode* rest = MakeLeaf(0x0E, 0xFCFC);
  return MakeNode(NodeUnion, first, rest);
}

std::size_t TREParseTree::LeafIndex(const TRENode* leaf) const {
  for (std::size_t i = 0; i < leaves_.size(); ++i) {
    if (leaves_[i].get() == leaf) return i;
  }
  return leaves_.size();
}

void TREParseTree::LeafToUnion(TRENode* leaf, TRENode* left, TRENode* right) {
  if (left == nullptr || right == nullptr) throw Exception(Sjis("TREParseTree : 致命的エラー"));
  const std::size_t index = LeafIndex(leaf);
  if (index == leaves_.size()) throw Exception(Sjis("TREParseTree : 致命的エラー"));
  leafIndex_.erase(leaf->Label());
  std::unique_ptr<TRENode> owned = std::move(leaves_[index]);
  leaves_.erase(leaves_.begin() + static_cast<std::ptrdiff_t>(index));
  leafRanges_.erase(leafRanges_.begin() + static_cast<std::ptrdiff_t>(index));
  owned->Kind = NodeUnion;
  owned->Left = left;
  owned->Right = right;
  owned->Low = owned->High = 0;
  nodes_.push_back(std::move(owned));
}

void TREParseTree::DropLeafAt(std::size_t index) {
  leafIndex_.erase(leaves_[index]->Label());
  leaves_.erase(leaves_.begin() + static_cast<std::ptrdiff_t>(index));
  leafRanges_.erase(leafRanges_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool TREParseTree::SplitOverlap(TRENode* a, TRENode* b) {
  TRENode* l = a;
  TRENode* r = b;
  if (b->Low < a->Low) std::swap(l, r);
  if (r->Low > l->High) return false;
  if (r->Low == l->Low && r->High == l->High) return false;
  const int c = l->Low;
  const int lo = r->Low;
  const int hiMin = std::min(l->High, r->High);
  const int hiMax = std::max(l->High, r->High);
  // The highs are read before any rewrite: LeafToUnion clears a leaf's codes.
  const bool leftReachesEnd = l->High == hiMax;
  const bool rightReachesEnd = r->High == hiMax;
  TRENode* p1 = MakeLeafIfValid(c, lo - 1);
  TRENode* p2 = MakeLeaf(static_cast<CharCode>(lo), static_cast<CharCode>(hiMin));
  TRENode* p3 = MakeLeafIfValid(hiMin + 1, hiMax);
  if (p1 != nullptr) {
    if (p3 == nullptr) {
      LeafToUnion(l, p1, p2);
    } else if (leftReachesEnd) {
      LeafToUnion(l, MakeNode(NodeUnion, p1, p2), p3);
    } else {
      LeafToUnion(l, p1, p2);
      LeafToUnion(r, p2, p3);
    }
  } else if (leftReachesEnd) {
    LeafToUnion(l, p2, p3);
  } else if (rightReachesEnd) {
    LeafToUnion(r, p2, p3);
  }
  return true;
}

void TREParseTree::MakeLeavesDisjoint() {
  std::size_t i = 0;
  while (i < leaves_.size()) {
    bool changed = false;
    const auto [lowI, highI] = leafRanges_[i];
    for (std::size_t j = i + 1; j < leaves_.size(); ++j) {
      // Disjoint or identical pairs are left alone; only overlaps need SplitOverlap.
      const auto [lowJ, highJ] = leafRanges_[j];
      if (lowJ > highI || lowI > highJ || (lowI == lowJ && highI == highJ)) continue;
      if (SplitOverlap(leaves_[j].get(), leaves_[i].get())) {
        changed = true;
        break;
      }
    }
    if (!changed) ++i;
  }
}

void TREParseTree::Clear() {
  nodes_.clear();
  leaves_.clear();
  leafRanges_.clear();
  leafIndex_.clear();
  Root = nullptr;
}

}  // namespace skarvo
