// Subset construction over range labels.
//
// Every DFA state stands for a set of NFA states closed under empty steps. The construction
// takes the unvisited states in creation order; for each it collects the moves of its NFA
// states, grouped by label, closes each group's target set and finds or creates the DFA
// state for it. A set is held as the ascending list of its NFA states (most sets are small
// next to the NFA), and states are found by a hash of that list; sets are unique, so the
// state found is the one a scan of the list in creation order would find.
//
// The parser makes the leaves of a pattern pairwise identical or disjoint, so grouping by
// identical labels usually gives disjoint transitions. Three kinds of label escape that
// partition: the anchor codes, a literal ^ or $, and ranges reaching the anchor codes. When
// the labels of one state overlap (a^x|a.y: '^' against '.'), grouping by identical labels
// would leave overlapping transitions, and a step would follow only one of them, losing
// matches. So in that case the moves are regrouped by the disjoint pieces that the label
// boundaries cut: each piece leads to the union of the targets of every label holding it.
// States without overlapping labels are grouped exactly as before.
//
// After the construction, the transitions are sorted by low code, which (being disjoint)
// makes a step a search for the one range holding the code. Codes below 256 are the bulk of
// most texts, so they get a per-state table over byte classes: bytes that no label boundary
// separates step alike and share one column.
#include "engine/re_dfa.h"

#include <algorithm>
#include <atomic>
#include <functional>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {

namespace {

// The marked positions of 0..256, ascending.
std::vector<std::uint32_t> CutList(const std::array<bool, 257>& isCut) {
  std::vector<std::uint32_t> cuts;
  for (std::uint32_t i = 0; i <= 256; ++i) {
    if (isCut[i]) cuts.push_back(i);
  }
  return cuts;
}

std::size_t HashSet(const std::vector<std::int32_t>& set) {
  return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(set.data()),
                                                        set.size() * sizeof(std::int32_t)));
}

}  // namespace

namespace {
std::atomic<std::uint64_t> dfaSerials{0};
}  // namespace

TRE_DFA::TRE_DFA(const TRE_NFA& nfa) : nfa_(&nfa), serial_(++dfaSerials) {}

void TRE_DFA::Charge(std::size_t bytes) {
  memoryUsed_ += bytes;
  if (memoryUsed_ > kMemoryBudget || states_.size() > maxStates_ || setMembers_ > kMaxSetMembers) {
    throw ERegExpParser(Sjis("正規表現が複雑すぎます"), 1);
  }
}

void TRE_DFA::Closure(StateList& set) {
  if (++markStamp_ == 0) {
    std::fill(marks_.begin(), marks_.end(), 0);
    markStamp_ = 1;
  }
  std::vector<int>& stack = closureStack_;
  stack.clear();
  StateList members;
  members.reserve(set.size());
  auto reach = [&](int i) {
    std::uint32_t& mark = marks_[static_cast<std::size_t>(i)];
    if (mark == markStamp_) return;
    mark = markStamp_;
    members.push_back(i);
    stack.push_back(i);
  };
  for (int i : set) reach(i);
  while (!stack.empty()) {
    const int i = stack.back();
    stack.pop_back();
    for (int t : emptySteps_[static_cast<std::size_t>(i)]) reach(t);
  }
  // Ascending, the one form a set has: by the marks when it is dense, else by sorting.
  if (members.size() * 32 > marks_.size()) {
    members.clear();
    for (std::size_t i = 0; i < marks_.size(); ++i) {
      if (marks_[i] == markStamp_) members.push_back(static_cast<std::int32_t>(i));
    }
  } else {
    std::sort(members.begin(), members.end());
  }
  set.swap(members);
}

std::vector<TRE_DFA::Move> TRE_DFA::CollectMoves(const StateList& set) const {
  std::vector<Move> moves;  // in order of first appearance; reversed at the end
  std::unordered_map<std::uint32_t, std::size_t> byLabel;
  for (const std::int32_t i : set) {
    const auto& added = nfa_->Transitions(static_cast<int>(i));
    for (auto chain = added.rbegin(); chain != added.rend(); ++chain) {
      const TRE_NFATransition& t = *chain;
      if (t.IsEmptyStep()) continue;
      std::size_t k = moves.size();
      if (moves.size() <= 16) {
        // Few labels: a scan is cheaper than the map.
        for (std::size_t m = 0; m < moves.size(); ++m) {
          if (moves[m].low == t.Low && moves[m].high == t.High) k = m;
        }
        if (k == moves.size()) {
          moves.push_back({t.Low, t.High, {}});
          if (moves.size() > 16) {
            for (std::size_t m = 0; m < moves.size(); ++m) {
              byLabel.emplace(std::uint32_t{moves[m].low} | std::uint32_t{moves[m].high} << 16, m);
            }
          }
        }
      } else {
        const auto [it, added] = byLabel.emplace(t.Label(), moves.size());
        if (added) moves.push_back({t.Low, t.High, {}});
        k = it->second;
      }
      moves[k].targets.push_back(t.Target);
    }
  }
  // A new label goes to the front of the list.
  std::reverse(moves.begin(), moves.end());
  return moves;
}

std::vector<TRE_DFA::Move> TRE_DFA::SplitIntoDisjointMoves(std::vector<Move> moves) {
  if (moves.size() < 2) return moves;
  if (moves.size() <= 8) {
    // Few labels: compare every pair instead of sorting.
    bool overlap = false;
    for (std::size_t x = 0; x < moves.size() && !overlap; ++x) {
      for (std::size_t y = x + 1; y < moves.size(); ++y) {
        if (moves[x].low <= moves[y].high && moves[y].low <= moves[x].high) overlap = true;
      }
    }
    if (!overlap) return moves;
  }
  std::vector<std::size_t> order(moves.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t x, std::size_t y) { return moves[x].low < moves[y].low; });
  bool overlap = false;
  std::uint32_t maxHigh = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Move& m = moves[order[k]];
    if (k > 0 && m.low <= maxHigh) overlap = true;
    maxHigh = std::max<std::uint32_t>(maxHigh, m.high);
  }
  if (!overlap) return moves;

  // Sweep the cut points in ascending order, keeping the moves whose label holds the
  // current piece; each piece leads to the union of their targets.
  std::vector<std::uint32_t> cuts;
  for (const Move& m : moves) {
    cuts.push_back(m.low);
    cuts.push_back(std::uint32_t{m.high} + 1);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  std::vector<std::size_t> byEnd = order;
  std::sort(byEnd.begin(), byEnd.end(),
            [&](std::size_t x, std::size_t y) { return moves[x].high < moves[y].high; });
  std::vector<std::size_t> active;
  std::size_t nextStart = 0;
  std::size_t nextEnd = 0;
  std::vector<Move> pieces;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const std::uint32_t low = cuts[k];
    while (nextEnd < byEnd.size() && std::uint32_t{moves[byEnd[nextEnd]].high} < low) {
      const auto gone = std::find(active.begin(), active.end(), byEnd[nextEnd]);
      if (gone != active.end()) {
        *gone = active.back();
        active.pop_back();
      }
      ++nextEnd;
    }
    while (nextStart < order.size() && moves[order[nextStart]].low <= low) {
      active.push_back(order[nextStart]);
      ++nextStart;
    }
    if (active.empty()) continue;
    Move piece{static_cast<CharCode>(low), static_cast<CharCode>(cuts[k + 1] - 1),
               moves[active.front()].targets};
    for (std::size_t m = 1; m < active.size(); ++m) {
      const StateList& more = moves[active[m]].targets;
      piece.targets.insert(piece.targets.end(), more.begin(), more.end());
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

int TRE_DFA::FindOrAddState(StateList&& set) {
  const std::size_t hash = HashSet(set);
  const auto range = statesByHash_.equal_range(hash);
  for (auto it = range.first; it != range.second; ++it) {
    if (states_[static_cast<std::size_t>(it->second)].StateSet == set) return it->second;
  }
  const int index = static_cast<int>(states_.size());
  TRE_DFAState state;
  state.Accepting = std::binary_search(set.begin(), set.end(), nfa_->FinalState());
  state.StateSet = std::move(set);
  const std::size_t setBytes = state.StateSet.size() * sizeof(std::int32_t);
  setMembers_ += state.StateSet.size();
  states_.push_back(std::move(state));
  statesByHash_.emplace(hash, index);
  Charge(sizeof(TRE_DFAState) + setBytes + 32);
  return index;
}

void TRE_DFA::Build(std::size_t maxStates) {
  maxStates_ = maxStates;
  memoryUsed_ = 0;
  setMembers_ = 0;
  states_.clear();
  statesByHash_.clear();
  lineHeadUsed_ = nfa_->LineHeadUsed();
  lineTailUsed_ = nfa_->LineTailUsed();
  lineHeadCode_ = nfa_->LineHeadCode();
  lineTailCode_ = nfa_->LineTailCode();

  const auto n = static_cast<std::size_t>(nfa_->StateCount());
  emptySteps_.assign(n, {});
  for (std::size_t i = 0; i < n; ++i) {
    for (const TRE_NFATransition& t : nfa_->Transitions(static_cast<int>(i))) {
      if (t.IsEmptyStep()) emptySteps_[i].push_back(t.Target);
    }
  }

  marks_.assign(n, 0);
  markStamp_ = 0;
  StateList start{nfa_->EntryState()};
  Closure(start);
  FindOrAddState(std::move(start));
  for (std::size_t s = 0; s < states_.size(); ++s) {
    states_[s].Visited = true;
    std::vector<Move> moves = SplitIntoDisjointMoves(CollectMoves(states_[s].StateSet));
    std::vector<TRE_DFATransition> transitions;
    transitions.reserve(moves.size());
    for (Move& m : moves) {
      Closure(m.targets);
      const int target = FindOrAddState(std::move(m.targets));
      transitions.insert(transitions.begin(), {m.low, m.high, target});
    }
    Charge(transitions.size() * sizeof(TRE_DFATransition));
    states_[s].Transitions = std::move(transitions);
  }
  emptySteps_.clear();
  closureStack_ = {};
  marks_ = {};
  statesByHash_.clear();
  for (TRE_DFAState& state : states_) state.StateSet = {};

  SortTransitions();
  DetectLiteral();
  BuildTables();
  nfa_ = nullptr;
}

void TRE_DFA::SortTransitions() {
  for (TRE_DFAState& s : states_) {
    std::stable_sort(
        s.Transitions.begin(), s.Transitions.end(),
        [](const TRE_DFATransition& x, const TRE_DFATransition& y) { return x.Low < y.Low; });
  }
}

void TRE_DFA::DetectLiteral() {
  std::string text;
  std::vector<bool> seen(states_.size(), false);
  int s = InitialState();
  for (;;) {
    const TRE_DFAState& state = states_[static_cast<std::size_t>(s)];
    if (state.Transitions.empty()) {
      // A chain must end in an accepting state; one ending in a dead state (a range that
      // holds no text code) matches nothing and is no fixed string.
      isLiteral_ = state.Accepting;
      if (!isLiteral_) text.clear();
      literalText_ = std::move(text);
      return;
    }
    const TRE_DFATransition& t = state.Transitions.front();
    // A chain that comes back to a state it passed can never end: not a fixed string.
    if (state.Transitions.size() > 1 || t.Low != t.High || state.Accepting ||
        seen[static_cast<std::size_t>(s)]) {
      isLiteral_ = false;
      literalText_.clear();
      return;
    }
    seen[static_cast<std::size_t>(s)] = true;
    text += CodeToStr(t.Low);
    s = t.Target;
  }
}

int TRE_DFA::WalkStep(int state, CharCode code) const noexcept {
  const auto& ts = states_[static_cast<std::size_t>(state)].Transitions;
  if (ts.size() <= 8) {
    for (const TRE_DFATransition& t : ts) {
      if (t.Low > code) return kNone;
      if (t.High >= code) return t.Target;
    }
    return kNone;
  }
  // Sorted and disjoint: the last transition whose low code is <= code is the only one
  // that can hold it.
  auto it = std::upper_bound(ts.begin(), ts.end(), code,
                             [](CharCode c, const TRE_DFATransition& t) { return c < t.Low; });
  if (it == ts.begin()) return kNone;
  --it;
  return it->High >= code ? it->Target : kNone;
}

void TRE_DFA::BuildLeadTable() {
  // Cut the high bytes where some label starts, ends, or starts/ends inside a block.
  std::array<bool, 257> isCut{};
  isCut[0] = isCut[256] = true;
  for (const TRE_DFAState& s : states_) {
    for (const TRE_DFATransition& t : s.Transitions) {
      isCut[t.Low >> 8] = isCut[(t.Low >> 8) + 1u] = true;
      isCut[t.High >> 8] = isCut[(t.High >> 8) + 1u] = true;
    }
  }
  const std::vector<std::uint32_t> cuts = CutList(isCut);
  leadClassCount_ = cuts.size() - 1;
  std::vector<std::uint32_t> firstHigh(leadClassCount_);
  for (std::size_t k = 0; k < leadClassCount_; ++k) {
    firstHigh[k] = cuts[k];
    for (std::uint32_t h = cuts[k]; h < cuts[k + 1]; ++h)
      leadClass_[h] = static_cast<std::uint8_t>(k);
  }
  Charge(states_.size() * leadClassCount_ * sizeof(std::int32_t));
  leadTable_.assign(states_.size() * leadClassCount_, kNone);
  for (std::size_t s = 0; s < states_.size(); ++s) {
    for (std::size_t k = 0; k < leadClassCount_; ++k) {
      // Within one class every block is treated alike, so its first block decides.
      const std::uint32_t blockLow = firstHigh[k] << 8;
      const std::uint32_t blockHigh = blockLow | 0xFF;
      int result = kNone;
      for (const TRE_DFATransition& t : states_[s].Transitions) {
        if (t.High < blockLow || t.Low > blockHigh) continue;
        result = (t.Low <= blockLow && t.High >= blockHigh) ? t.Target : kMixed;
        if (result == kMixed) break;
        // A second transition meeting the block would make it mixed; a whole-block one
        // leaves no room for another, as transitions are disjoint.
      }
      leadTable_[s * leadClassCount_ + k] = result;
      if (result == kMixed) leadMixed_[k] = true;
    }
  }
}

void TRE_DFA::BuildTables() {
  accepting_.resize(states_.size());
  for (std::size_t s = 0; s < states_.size(); ++s) accepting_[s] = states_[s].Accepting ? 1 : 0;
  std::array<bool, 257> isCut{};
  isCut[0] = isCut[256] = true;
  for (const TRE_DFAState& s : states_) {
    for (const TRE_DFATransition& t : s.Transitions) {
      if ((t.Low <= lineHeadCode_ && lineHeadCode_ <= t.High) ||
          (t.Low <= lineTailCode_ && lineTailCode_ <= t.High))
        markersUnused_ = false;
      if (t.Low < 256) isCut[t.Low] = true;
      if (t.High < 255) isCut[t.High + 1u] = true;
    }
  }
  const std::vector<std::uint32_t> cuts = CutList(isCut);
  classCount_ = cuts.size() - 1;
  std::vector<CharCode> representative(classCount_);
  for (std::size_t k = 0; k < classCount_; ++k) {
    representative[k] = static_cast<CharCode>(cuts[k]);
    for (std::uint32_t b = cuts[k]; b < cuts[k + 1]; ++b) {
      byteClass_[b] = static_cast<std::uint8_t>(k);
    }
  }
  Charge(states_.size() * classCount_ * sizeof(std::int32_t));
  byteTable_.assign(states_.size() * classCount_, kNone);
  for (std::size_t s = 0; s < states_.size(); ++s) {
    for (std::size_t k = 0; k < classCount_; ++k) {
      byteTable_[s * classCount_ + k] = WalkStep(static_cast<int>(s), representative[k]);
    }
  }

  BuildLeadTable();

  // First bytes that can begin a match: a single-byte code with a step, or a lead byte
  // whose 2-byte codes (or the lead alone, at the very end of a text) have one.
  const int init = InitialState();
  int count = 0;
  startByteSet_.clear();
  for (unsigned b = 0; b < 256; ++b) {
    bool can = b != 0 && Step(init, static_cast<CharCode>(b)) != kNone;
    if (!can && IsLeadByte(static_cast<unsigned char>(b))) {
      const CharCode low = static_cast<CharCode>(b << 8);
      const CharCode high = static_cast<CharCode>(b << 8 | 0xFF);
      for (const TRE_DFATransition& t : states_[0].Transitions) {
        if (t.Low <= high && t.High >= low) can = true;
      }
    }
    startBytes_[b] = can;
    if (can) {
      startByteSet_ += static_cast<char>(b);
      ++count;
      soleStartByte_ = static_cast<int>(b);
    }
  }
  if (count != 1) soleStartByte_ = -1;
}

}  // namespace skarvo
