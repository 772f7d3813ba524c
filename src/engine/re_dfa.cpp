// Subset construction over range labels.
//
// Every DFA state stands for a set of NFA states closed under empty steps. The construction
// takes the unvisited states in creation order; for each it collects the moves of its NFA
// states, grouped by label, closes each group's target set and finds or creates the DFA
// state for it. A set is held as the ascending list of its NFA states (most sets are small
// next to the NFA), and states are found by a hash of that list; sets are unique, so the
// state found is the one a scan of the list in creation order would find.
//
// The labels are numbered once, so gathering a state's moves is a pass over flat arrays.
// A '.' or a fuzzy class is cut into many labels that mostly lead to the same targets;
// such a target list is closed and looked up once per state. Neither changes the states,
// their numbers or their transitions, nor which patterns pass the budget: a real blow-up
// (.*x.{n} keeps every placement of x in the window) is only refused sooner.
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
#include <map>

#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "platform/work_done.h"

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

// A well-spread value of one NFA state; a list hashes to the sum of its members' values, so
// the hash does not depend on their order and a union of lists hashes to the sum of theirs.
std::uint64_t Spread(std::int32_t i) {
  std::uint64_t x = static_cast<std::uint64_t>(static_cast<std::uint32_t>(i)) + 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

std::uint64_t HashOf(const std::vector<std::int32_t>& list) {
  std::uint64_t h = 0;
  for (const std::int32_t i : list) h += Spread(i);
  return h;
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

void TRE_DFA::ChargeTablesSoFar(const std::vector<TRE_DFATransition>& transitions) {
  // The tables built at the end take a row per state with a column per byte class and per
  // lead class, and the classes are cut where transitions start and end. The cuts seen so
  // far give fewer classes than the end will, and there will be at least as many states, so
  // an automaton whose tables already pass the budget on that count is refused now rather
  // than after building the rest of it.
  const auto cut = [](std::array<bool, 257>& isCut, std::size_t& count, std::uint32_t at) {
    if (!isCut[at]) {
      isCut[at] = true;
      ++count;
    }
  };
  for (const TRE_DFATransition& t : transitions) {
    if (t.Low < 256) cut(byteCutsSoFar_, byteCutCount_, t.Low);
    if (t.High < 255) cut(byteCutsSoFar_, byteCutCount_, t.High + 1u);
    cut(leadCutsSoFar_, leadCutCount_, t.Low >> 8);
    cut(leadCutsSoFar_, leadCutCount_, (t.Low >> 8) + 1u);
    cut(leadCutsSoFar_, leadCutCount_, t.High >> 8);
    cut(leadCutsSoFar_, leadCutCount_, (t.High >> 8) + 1u);
  }
  // Counting 0 and 256 as cuts, as the tables do, n cuts make n - 1 classes.
  const std::size_t columns = (byteCutCount_ - 1) + (leadCutCount_ - 1);
  if (memoryUsed_ + states_.size() * columns * sizeof(std::int32_t) > kMemoryBudget) {
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
  workDone += members.size();
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

void TRE_DFA::NumberLabels() {
  const auto n = static_cast<std::size_t>(nfa_->StateCount());
  std::unordered_map<std::uint32_t, std::int32_t> numbers;
  labels_.clear();
  steps_.clear();
  stepStart_.assign(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    stepStart_[i] = steps_.size();
    const auto& added = nfa_->Transitions(static_cast<int>(i));
    for (auto t = added.rbegin(); t != added.rend(); ++t) {
      if (t->IsEmptyStep()) continue;
      const auto [it, isNew] =
          numbers.emplace(t->Label(), static_cast<std::int32_t>(labels_.size()));
      if (isNew) labels_.emplace_back(t->Low, t->High);
      steps_.push_back({it->second, t->Target});
    }
  }
  stepStart_[n] = steps_.size();
  // A state whose labels all lead to one target (a '.', a class cut into pieces) is read as
  // its sequence of labels, numbered once, and that target.
  std::map<std::vector<std::int32_t>, std::int32_t> sequenceNumbers;
  uniformSequence_.assign(n, -1);
  uniformTarget_.assign(n, 0);
  sequenceStart_.assign(1, 0);
  sequenceLabels_.clear();
  std::vector<std::int32_t> sequence;
  for (std::size_t i = 0; i < n; ++i) {
    if (stepStart_[i + 1] - stepStart_[i] < 2) continue;
    sequence.clear();
    bool uniform = true;
    for (std::size_t k = stepStart_[i]; k < stepStart_[i + 1]; ++k) {
      uniform = uniform && steps_[k].target == steps_[stepStart_[i]].target;
      sequence.push_back(steps_[k].label);
    }
    if (!uniform) continue;
    const auto [it, isNew] =
        sequenceNumbers.emplace(sequence, static_cast<std::int32_t>(sequenceStart_.size() - 1));
    if (isNew) {
      sequenceLabels_.insert(sequenceLabels_.end(), sequence.begin(), sequence.end());
      sequenceStart_.push_back(sequenceLabels_.size());
    }
    uniformSequence_[i] = it->second;
    uniformTarget_[i] = steps_[stepStart_[i]].target;
  }
  sequenceHead_.assign(sequenceStart_.size() - 1, -1);
  sequenceMarks_.assign(sequenceStart_.size() - 1, 0);
  labelHead_.assign(labels_.size(), -1);
  labelHash_.assign(labels_.size(), 0);
  labelMarks_.assign(labels_.size(), 0);
  labelStamp_ = 0;

  // The parser leaves ranges pairwise identical or disjoint, so overlaps are few (a literal
  // ^ or $ inside a range, an anchor code inside a class): list every label's partners,
  // sweeping the labels by low code with those still open. Past a bound on that work a
  // state's labels are compared by sorting instead.
  std::vector<std::int32_t> byLow(labels_.size());
  for (std::size_t k = 0; k < byLow.size(); ++k) byLow[k] = static_cast<std::int32_t>(k);
  std::sort(byLow.begin(), byLow.end(),
            [&](std::int32_t x, std::int32_t y) { return Label(x) < Label(y); });
  constexpr std::size_t kMaxOpen = 64;
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  std::vector<std::int32_t> open;
  conflictsListed_ = true;
  for (const std::int32_t label : byLow) {
    const CharCode low = Label(label).first;
    std::erase_if(open, [&](std::int32_t o) { return Label(o).second < low; });
    for (const std::int32_t o : open) {
      pairs.emplace_back(label, o);
      pairs.emplace_back(o, label);
    }
    open.push_back(label);
    if (open.size() > kMaxOpen || pairs.size() > kMaxOpen * labels_.size()) {
      conflictsListed_ = false;
      break;
    }
  }
  labelOverlaps_.assign(labels_.size(), false);
  conflictStart_.assign(labels_.size() + 1, 0);
  conflicts_.clear();
  if (!conflictsListed_) {
    // Only the flags, from the highest code below each label and the next low code.
    std::uint32_t maxHigh = 0;
    for (std::size_t k = 0; k < byLow.size(); ++k) {
      const auto [low, high] = Label(byLow[k]);
      if ((k > 0 && low <= maxHigh) || (k + 1 < byLow.size() && Label(byLow[k + 1]).first <= high))
        labelOverlaps_[static_cast<std::size_t>(byLow[k])] = true;
      maxHigh = std::max<std::uint32_t>(maxHigh, high);
    }
    return;
  }
  std::sort(pairs.begin(), pairs.end());
  for (const auto& [label, partner] : pairs) {
    labelOverlaps_[static_cast<std::size_t>(label)] = true;
    ++conflictStart_[static_cast<std::size_t>(label) + 1];
    conflicts_.push_back(partner);
  }
  for (std::size_t k = 0; k < labels_.size(); ++k) conflictStart_[k + 1] += conflictStart_[k];
}

bool TRE_DFA::GatherMoves(const StateList& set) {
  if (++labelStamp_ == 0) {
    std::fill(labelMarks_.begin(), labelMarks_.end(), 0);
    std::fill(sequenceMarks_.begin(), sequenceMarks_.end(), 0);
    labelStamp_ = 1;
  }
  workDone += set.size();
  gathered_.clear();
  gatheredTargets_.clear();
  sequenceTargets_.clear();
  bool mayOverlap = false;
  const auto add = [&](std::int32_t label, std::int32_t part) {
    const auto l = static_cast<std::size_t>(label);
    if (labelMarks_[l] != labelStamp_) {
      labelMarks_[l] = labelStamp_;
      labelHead_[l] = -1;
      labelHash_[l] = 0;
      gathered_.push_back(label);
      mayOverlap = mayOverlap || labelOverlaps_[l];
    }
    gatheredTargets_.push_back({part, labelHead_[l]});
    labelHead_[l] = static_cast<std::int32_t>(gatheredTargets_.size() - 1);
    labelHash_[l] += Spread(part);
  };
  for (const std::int32_t i : set) {
    const auto u = static_cast<std::size_t>(i);
    const std::int32_t seq = uniformSequence_[u];
    if (seq < 0) {
      for (std::size_t k = stepStart_[u]; k < stepStart_[u + 1]; ++k)
        add(steps_[k].label, steps_[k].target);
      continue;
    }
    // The first state of a sequence gives each of its labels the sequence as one part (a
    // negative number); every state of the sequence adds its target to the sequence only.
    const auto q = static_cast<std::size_t>(seq);
    if (sequenceMarks_[q] != labelStamp_) {
      sequenceMarks_[q] = labelStamp_;
      sequenceHead_[q] = -1;
      for (std::size_t k = sequenceStart_[q]; k < sequenceStart_[q + 1]; ++k)
        add(sequenceLabels_[k], -seq - 1);
    }
    sequenceTargets_.push_back({uniformTarget_[u], sequenceHead_[q]});
    sequenceHead_[q] = static_cast<std::int32_t>(sequenceTargets_.size() - 1);
  }
  return mayOverlap && GatheredLabelsOverlap();
}

bool TRE_DFA::GatheredLabelsOverlap() const {
  if (conflictsListed_) {
    for (const std::int32_t label : gathered_) {
      const auto l = static_cast<std::size_t>(label);
      for (std::size_t c = conflictStart_[l]; c < conflictStart_[l + 1]; ++c) {
        if (labelMarks_[static_cast<std::size_t>(conflicts_[c])] == labelStamp_) return true;
      }
    }
    return false;
  }
  std::vector<std::int32_t> byLow = gathered_;
  std::sort(byLow.begin(), byLow.end(),
            [&](std::int32_t x, std::int32_t y) { return Label(x) < Label(y); });
  std::uint32_t maxHigh = 0;
  for (std::size_t k = 0; k < byLow.size(); ++k) {
    if (k > 0 && Label(byLow[k]).first <= maxHigh) return true;
    maxHigh = std::max<std::uint32_t>(maxHigh, Label(byLow[k]).second);
  }
  return false;
}

void TRE_DFA::AppendTargets(std::int32_t label, StateList& targets) const {
  for (std::int32_t g = labelHead_[static_cast<std::size_t>(label)]; g >= 0;
       g = gatheredTargets_[static_cast<std::size_t>(g)].next) {
    targets.push_back(gatheredTargets_[static_cast<std::size_t>(g)].target);
  }
}

int TRE_DFA::TargetState(std::uint64_t hash, const StateList& parts) {
  // Many labels of a state often have the same parts (the pieces of a '.'); the same parts
  // close to the same set, so they are closed and looked up once.
  const auto same = [&](const ClosedList& c) {
    return c.hash == hash && c.length == parts.size() &&
           std::equal(parts.begin(), parts.end(),
                      closedTargets_.begin() + static_cast<std::ptrdiff_t>(c.offset));
  };
  if (closedByHash_.empty()) {
    for (const ClosedList& c : closedLists_) {
      if (same(c)) return c.state;
    }
  } else {
    const auto range = closedByHash_.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
      if (same(closedLists_[it->second])) return closedLists_[it->second].state;
    }
  }
  // The parts: a target, or a sequence standing for the targets of its states.
  StateList set;
  for (const std::int32_t part : parts) {
    if (part >= 0) {
      set.push_back(part);
      continue;
    }
    for (std::int32_t g = sequenceHead_[static_cast<std::size_t>(-part - 1)]; g >= 0;
         g = sequenceTargets_[static_cast<std::size_t>(g)].next)
      set.push_back(sequenceTargets_[static_cast<std::size_t>(g)].target);
  }
  Closure(set);
  const int state = FindOrAddState(std::move(set));
  closedLists_.push_back({hash, closedTargets_.size(), parts.size(), state});
  closedTargets_.insert(closedTargets_.end(), parts.begin(), parts.end());
  constexpr std::size_t kScanned = 16;  // beyond this many lists, find them by hash
  if (closedLists_.size() > kScanned) {
    if (closedByHash_.empty()) {
      for (std::size_t c = 0; c < closedLists_.size(); ++c)
        closedByHash_.emplace(closedLists_[c].hash, c);
    } else {
      closedByHash_.emplace(hash, closedLists_.size() - 1);
    }
  }
  return state;
}

std::vector<TRE_DFATransition> TRE_DFA::StepGatheredMoves() {
  std::vector<TRE_DFATransition> transitions(gathered_.size());
  StateList targets;
  // Last label first, the order in which new states are numbered; the transitions stay in
  // order of first appearance.
  for (std::size_t m = gathered_.size(); m-- > 0;) {
    const std::int32_t label = gathered_[m];
    targets.clear();
    AppendTargets(label, targets);
    const auto [low, high] = Label(label);
    transitions[m] = {low, high, TargetState(labelHash_[static_cast<std::size_t>(label)], targets)};
  }
  return transitions;
}

std::vector<TRE_DFATransition> TRE_DFA::StepGatheredPieces() {
  // Sweep the cut points in ascending order, keeping the labels that hold the current
  // piece; each piece leads to the union of their targets. Pieces are numbered in
  // ascending order.
  std::vector<std::int32_t> byLow = gathered_;
  std::sort(byLow.begin(), byLow.end(),
            [&](std::int32_t x, std::int32_t y) { return Label(x).first < Label(y).first; });
  std::vector<std::int32_t> byEnd = gathered_;
  std::sort(byEnd.begin(), byEnd.end(),
            [&](std::int32_t x, std::int32_t y) { return Label(x).second < Label(y).second; });
  std::vector<std::uint32_t> cuts;
  for (const std::int32_t label : gathered_) {
    cuts.push_back(Label(label).first);
    cuts.push_back(std::uint32_t{Label(label).second} + 1);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  std::vector<std::int32_t> active;
  std::size_t nextStart = 0;
  std::size_t nextEnd = 0;
  std::vector<TRE_DFATransition> transitions;
  StateList targets;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const std::uint32_t low = cuts[k];
    while (nextEnd < byEnd.size() && std::uint32_t{Label(byEnd[nextEnd]).second} < low) {
      active.erase(std::find(active.begin(), active.end(), byEnd[nextEnd]));
      ++nextEnd;
    }
    while (nextStart < byLow.size() && Label(byLow[nextStart]).first <= low) {
      active.push_back(byLow[nextStart]);
      ++nextStart;
    }
    if (active.empty()) continue;
    targets.clear();
    std::uint64_t hash = 0;
    for (const std::int32_t label : active) {
      AppendTargets(label, targets);
      hash += labelHash_[static_cast<std::size_t>(label)];
    }
    transitions.push_back({static_cast<CharCode>(low), static_cast<CharCode>(cuts[k + 1] - 1),
                           TargetState(hash, targets)});
  }
  return transitions;
}

void TRE_DFA::GrowStateTable() {
  stateTable_.assign(std::max<std::size_t>(64, stateTable_.size() * 2), kNone);
  const std::size_t mask = stateTable_.size() - 1;
  for (std::size_t s = 0; s < states_.size(); ++s) {
    std::size_t slot = stateHashes_[s] & mask;
    while (stateTable_[slot] != kNone) slot = (slot + 1) & mask;
    stateTable_[slot] = static_cast<std::int32_t>(s);
  }
}

int TRE_DFA::FindOrAddState(StateList&& set) {
  const std::uint64_t hash = HashOf(set);
  const std::size_t mask = stateTable_.size() - 1;
  std::size_t slot = hash & mask;
  for (; stateTable_[slot] != kNone; slot = (slot + 1) & mask) {
    const auto s = static_cast<std::size_t>(stateTable_[slot]);
    if (stateHashes_[s] == hash && states_[s].StateSet == set) return static_cast<int>(s);
  }
  const int index = static_cast<int>(states_.size());
  TRE_DFAState state;
  state.Accepting = std::binary_search(set.begin(), set.end(), nfa_->FinalState());
  state.StateSet = std::move(set);
  const std::size_t setBytes = state.StateSet.size() * sizeof(std::int32_t);
  setMembers_ += state.StateSet.size();
  states_.push_back(std::move(state));
  stateHashes_.push_back(hash);
  stateTable_[slot] = index;
  // At most half full, so that a search ends soon at a free slot.
  if (states_.size() * 2 > stateTable_.size()) GrowStateTable();
  Charge(sizeof(TRE_DFAState) + setBytes + 32);
  return index;
}

void TRE_DFA::Build(std::size_t maxStates) {
  maxStates_ = maxStates;
  memoryUsed_ = 0;
  setMembers_ = 0;
  states_.clear();
  stateHashes_.clear();
  stateTable_.assign(64, kNone);
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
  byteCutsSoFar_ = {};
  leadCutsSoFar_ = {};
  byteCutsSoFar_[0] = byteCutsSoFar_[256] = leadCutsSoFar_[0] = leadCutsSoFar_[256] = true;
  byteCutCount_ = leadCutCount_ = 2;
  NumberLabels();
  StateList start{nfa_->EntryState()};
  Closure(start);
  FindOrAddState(std::move(start));
  for (std::size_t s = 0; s < states_.size(); ++s) {
    states_[s].Visited = true;
    closedLists_.clear();
    closedTargets_.clear();
    closedByHash_.clear();
    std::vector<TRE_DFATransition> transitions =
        GatherMoves(states_[s].StateSet) ? StepGatheredPieces() : StepGatheredMoves();
    Charge(transitions.size() * sizeof(TRE_DFATransition));
    ChargeTablesSoFar(transitions);
    states_[s].Transitions = std::move(transitions);
  }
  emptySteps_.clear();
  closureStack_ = {};
  marks_ = {};
  stateTable_ = {};
  stateHashes_ = {};
  labels_ = {};
  labelOverlaps_ = {};
  conflictStart_ = {};
  conflicts_ = {};
  stepStart_ = {};
  steps_ = {};
  gathered_ = {};
  gatheredTargets_ = {};
  labelHead_ = {};
  labelHash_ = {};
  uniformSequence_ = {};
  uniformTarget_ = {};
  sequenceStart_ = {};
  sequenceLabels_ = {};
  sequenceHead_ = {};
  sequenceMarks_ = {};
  sequenceTargets_ = {};
  labelMarks_ = {};
  closedLists_ = {};
  closedTargets_ = {};
  closedByHash_.clear();
  for (TRE_DFAState& state : states_) state.StateSet = {};

  SortTransitions();
  DetectLiteral();
  BuildTables();
  nfa_ = nullptr;
}

void TRE_DFA::SortTransitions() {
  // A state's transitions are disjoint, so no two share a low code and a plain sort gives
  // the one order; it needs no buffer, unlike a stable one.
  for (TRE_DFAState& s : states_) {
    std::sort(s.Transitions.begin(), s.Transitions.end(),
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
    // Transitions are sorted and disjoint, so their high codes ascend too: one pass over
    // them serves the classes in ascending order.
    const auto& ts = states_[s].Transitions;
    std::size_t j = 0;
    for (std::size_t k = 0; k < leadClassCount_; ++k) {
      // Within one class every block is treated alike, so its first block decides.
      const std::uint32_t blockLow = firstHigh[k] << 8;
      const std::uint32_t blockHigh = blockLow | 0xFF;
      while (j < ts.size() && ts[j].High < blockLow) ++j;
      int result = kNone;
      // The first transition meeting the block: a whole-block one leaves no room for
      // another, any other makes the block mixed.
      if (j < ts.size() && ts[j].Low <= blockHigh)
        result = (ts[j].Low <= blockLow && ts[j].High >= blockHigh) ? ts[j].Target : kMixed;
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
