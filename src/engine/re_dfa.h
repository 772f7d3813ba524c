// TRE_DFA: the deterministic automaton of a pattern, built eagerly from its NFA by subset
// construction when the pattern is compiled; nothing is built while matching. Transitions
// keep the NFA's range labels, sorted by low code, and Step finds the one range that holds
// a character. A compiled DFA is read-only and may be shared by any number of searches.
//
// While building, it finds out whether the pattern is a fixed string (IsLiteral), and it
// keeps within a budget: a pattern whose automaton would pass kMaxStates states,
// kMemoryBudget bytes or kMaxSetMembers is refused with ERegExpParser "正規表現が複雑すぎます" at
// position 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/char_codes.h"
#include "engine/re_nfa.h"

namespace skarvo {

struct TRE_DFATransition {
  CharCode Low = 0;
  CharCode High = 0;
  std::int32_t Target = 0;  // index of the target state
};

struct TRE_DFAState {
  // The NFA states it stands for, ascending; kept while the automaton is built only.
  std::vector<std::int32_t> StateSet;
  bool Visited = false;
  bool Accepting = false;  // StateSet holds the NFA's final state
  // Sorted by Low; the ranges never overlap.
  std::vector<TRE_DFATransition> Transitions;
};

class TRE_DFA {
 public:
  static constexpr int kNone = -1;
  static constexpr std::size_t kMaxStates = 100000;
  static constexpr std::size_t kMemoryBudget = std::size_t{64} << 20;
  // The NFA states all DFA states stand for, counted together: the work of the construction
  // grows with it, so a blow-up is refused before it takes long.
  static constexpr std::size_t kMaxSetMembers = std::size_t{4} << 20;

  // The NFA is read by Build only; it may be freed afterwards.
  explicit TRE_DFA(const TRE_NFA& nfa);

  // Runs the subset construction, sorts the transitions, detects a fixed string and builds
  // the single-byte lookup table. Raises ERegExpParser "正規表現が複雑すぎます" (position 1)
  // past the state or memory budget; maxStates lowers the state bound.
  void Build(std::size_t maxStates = kMaxStates);

  // The state reached from state on code, or kNone. Same result as walking the state's
  // sorted transitions: none at the first whose low code is above code, else the first
  // whose high code is at least code.
  int Step(int state, CharCode code) const noexcept {
    const std::size_t row = static_cast<std::size_t>(state);
    if (code < 256) return byteTable_[row * classCount_ + byteClass_[code]];
    const int t = leadTable_[row * leadClassCount_ + leadClass_[code >> 8]];
    return t == kMixed ? WalkStep(state, code) : t;
  }
  // Step by walking the transitions, without the table.
  int WalkStep(int state, CharCode code) const noexcept;
  // A key below kCodeClassCount that codes stepping alike from every state share: the byte
  // class below 256, the class of a block of 2-byte codes that no label cuts, else the code.
  std::uint32_t CodeClass(CharCode code) const noexcept {
    if (code < 256) return byteClass_[code];
    const std::uint8_t k = leadClass_[code >> 8];
    return leadMixed_[k] ? 512u + code : 256u + k;
  }
  static constexpr std::uint32_t kCodeClassCount = 512 + 65536;

  // Different for every automaton made in this process.
  std::uint64_t Serial() const noexcept { return serial_; }

  // The state a match starts in (0 once built), whether a state accepts, the number of
  // states and one state's content.
  int InitialState() const noexcept { return states_.empty() ? kNone : 0; }
  bool Accepting(int state) const noexcept {
    return accepting_[static_cast<std::size_t>(state)] != 0;
  }
  int StateCount() const noexcept { return static_cast<int>(states_.size()); }
  const TRE_DFAState& State(int state) const { return states_[static_cast<std::size_t>(state)]; }

  // True when the pattern is one chain of single characters; LiteralText is that chain.
  bool IsLiteral() const noexcept { return isLiteral_; }
  const std::string& LiteralText() const noexcept { return literalText_; }
  // True when no transition takes either anchor's code (not even through an escape).
  bool MarkersUnused() const noexcept { return markersUnused_; }
  bool LineHeadUsed() const noexcept { return lineHeadUsed_; }
  bool LineTailUsed() const noexcept { return lineTailUsed_; }
  // The codes the anchors were built with.
  CharCode LineHeadCode() const noexcept { return lineHeadCode_; }
  CharCode LineTailCode() const noexcept { return lineTailCode_; }

  // True when a character whose first byte is b can take the initial state somewhere.
  bool CanStartWith(unsigned char b) const noexcept { return startBytes_[b]; }
  // The only first byte that can begin a match, or -1 when there are none or several.
  int SoleStartByte() const noexcept { return soleStartByte_; }
  // Every first byte that can begin a match, ascending (never the zero byte).
  const std::string& StartByteSet() const noexcept { return startByteSet_; }

 private:
  // A set of NFA states, ascending once closed (members may repeat before).
  using StateList = std::vector<std::int32_t>;
  // A non-empty NFA transition as the construction reads it: its label's number and target.
  struct LabelledStep {
    std::int32_t label;
    std::int32_t target;
  };
  // One part of a label's targets in the state being expanded (a target, or -q - 1 for the
  // targets of sequence q), chained to the part gathered before.
  struct GatheredTarget {
    std::int32_t target;
    std::int32_t next;
  };
  // A list of parts already closed for the state being expanded, with the state it led to.
  struct ClosedList {
    std::uint64_t hash;
    std::size_t offset;  // into closedTargets_
    std::size_t length;
    int state;
  };

  // Numbers the NFA's distinct labels, lists every state's labelled transitions and finds
  // the labels that overlap.
  void NumberLabels();
  const std::pair<CharCode, CharCode>& Label(std::int32_t label) const {
    return labels_[static_cast<std::size_t>(label)];
  }
  // Gathers the labels of set's NFA states with their targets; true when two of them
  // overlap, so that the moves must be cut into disjoint pieces.
  bool GatherMoves(const StateList& set);
  bool GatheredLabelsOverlap() const;
  void AppendTargets(std::int32_t label, StateList& targets) const;
  // One transition per gathered label, or per disjoint piece of the gathered labels.
  std::vector<TRE_DFATransition> StepGatheredMoves();
  std::vector<TRE_DFATransition> StepGatheredPieces();
  // The state of the closure of the targets that parts stand for (hash: HashOf(parts)),
  // found or added; a list of parts met before while expanding the same state is not
  // closed again.
  int TargetState(std::uint64_t hash, const StateList& parts);
  void Closure(StateList& set);
  int FindOrAddState(StateList&& set);
  void GrowStateTable();
  void SortTransitions();
  void DetectLiteral();
  void BuildTables();
  void BuildLeadTable();
  void Charge(std::size_t bytes);
  void ChargeTablesSoFar(const std::vector<TRE_DFATransition>& transitions);

  const TRE_NFA* nfa_;
  std::uint64_t serial_;
  std::vector<TRE_DFAState> states_;
  // States by the hash of their set: open addressing over state numbers (kNone: free).
  std::vector<std::int32_t> stateTable_;
  std::vector<std::uint64_t> stateHashes_;
  std::vector<std::vector<int>> emptySteps_;  // per NFA state, while building
  std::vector<int> closureStack_;             // scratch of Closure
  std::vector<std::uint32_t> marks_;          // scratch of Closure: membership by stamp
  std::uint32_t markStamp_ = 0;
  // While building: the distinct labels of the NFA, whether each overlaps another one and
  // which (conflicts_ from conflictStart_[label]; when there were too many to list,
  // conflictsListed_ is false), every NFA state's labelled transitions in chain order (state
  // i's from stepStart_[i]).
  std::vector<std::pair<CharCode, CharCode>> labels_;
  std::vector<bool> labelOverlaps_;
  bool conflictsListed_ = true;
  std::vector<std::size_t> conflictStart_;
  std::vector<std::int32_t> conflicts_;
  std::vector<std::size_t> stepStart_;
  std::vector<LabelledStep> steps_;
  // Scratch of GatherMoves: labels in order of first appearance, each label's chain of
  // parts (head in labelHead_) and the hash of its parts, valid where labelMarks_ holds the
  // stamp.
  std::vector<std::int32_t> gathered_;
  std::vector<GatheredTarget> gatheredTargets_;
  std::vector<std::int32_t> labelHead_;
  std::vector<std::uint64_t> labelHash_;
  std::vector<std::uint32_t> labelMarks_;
  std::uint32_t labelStamp_ = 0;
  // NFA states whose labels all lead to one target: the number of their label sequence
  // (-1 for other states) and the target; the sequences' labels (sequence q's from
  // sequenceStart_[q]). While gathering, each sequence met chains its states' targets.
  std::vector<std::int32_t> uniformSequence_;
  std::vector<std::int32_t> uniformTarget_;
  std::vector<std::size_t> sequenceStart_;
  std::vector<std::int32_t> sequenceLabels_;
  std::vector<std::int32_t> sequenceHead_;
  std::vector<std::uint32_t> sequenceMarks_;
  std::vector<GatheredTarget> sequenceTargets_;
  // Scratch of TargetState: the lists closed for the state being expanded.
  std::vector<ClosedList> closedLists_;
  std::vector<std::int32_t> closedTargets_;
  std::unordered_multimap<std::uint64_t, std::size_t> closedByHash_;
  std::size_t maxStates_ = kMaxStates;
  std::size_t memoryUsed_ = 0;
  std::size_t setMembers_ = 0;
  // While building: the byte and lead-byte cuts of the transitions made so far.
  std::array<bool, 257> byteCutsSoFar_{};
  std::array<bool, 257> leadCutsSoFar_{};
  std::size_t byteCutCount_ = 0;
  std::size_t leadCutCount_ = 0;

  bool isLiteral_ = false;
  std::string literalText_;
  bool lineHeadUsed_ = false;
  bool lineTailUsed_ = false;
  bool markersUnused_ = true;
  CharCode lineHeadCode_ = 0;
  CharCode lineTailCode_ = 0;

  // Codes below 256 are looked up in a table: byteClass_ maps a code to its class (codes
  // that no label boundary separates), byteTable_[state * classCount_ + class] is the step.
  std::array<std::uint8_t, 256> byteClass_{};
  std::size_t classCount_ = 1;
  std::vector<std::int32_t> byteTable_;
  // Codes from 256 up by their high byte: leadClass_ groups high bytes whose 256-code blocks
  // every label treats alike (outside, wholly inside, or cut). leadTable_ holds the step for
  // a block that no label cuts, kMixed for one that must be walked.
  static constexpr int kMixed = -2;
  std::array<std::uint8_t, 256> leadClass_{};
  std::size_t leadClassCount_ = 1;
  std::vector<std::int32_t> leadTable_;
  std::array<bool, 256> leadMixed_{};  // some state must walk the class's blocks
  std::vector<std::uint8_t> accepting_;
  std::array<bool, 256> startBytes_{};
  int soleStartByte_ = -1;
  std::string startByteSet_;
};

}  // namespace skarvo
