// TRE_NFA: a nondeterministic automaton built from a parse tree by a Thompson-style
// construction between a pair of states: state 0 is the entry, state 1 the final state, and
// every other state is numbered in the order the construction creates it.
//
// It also settles which ^ and $ are anchors: a ^ whose transition leaves the entry state
// (nothing can have been consumed before it) and a $ whose transition enters the final state
// (nothing can follow it). Anchors become transitions on codes chosen by the pattern's owner
// (markers above every text code for in-memory matching, LF for files); every other ^ or $
// is the literal character.
//
// TRE_NFAStateSet is the bit set over NFA states that the subset construction works with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/char_codes.h"
#include "engine/re_parse_tree.h"

namespace skarvo {

class TREParser;

// A label is low + high * 65536. The all-ones label is an empty step; a transition is an
// empty step exactly when its low code is 0xFFFF.
constexpr std::uint32_t EpsilonLabel = 0xFFFFFFFFu;
constexpr CharCode kEpsilonCode = 0xFFFF;
// The highest code a text can hold (lead byte 0xFC and any second byte).
constexpr CharCode kLastTextCode = 0xFCFF;

struct TRE_NFATransition {
  CharCode Low = 0;
  CharCode High = 0;
  std::int32_t Target = 0;

  bool IsEmptyStep() const noexcept { return Low == kEpsilonCode; }
  std::uint32_t Label() const noexcept { return std::uint32_t{Low} | std::uint32_t{High} << 16; }
};

class TRE_NFAStateSet {
 public:
  // An empty set over states 0 .. n-1 (n / 8 + 1 bytes, lowest bit first).
  explicit TRE_NFAStateSet(std::size_t n = 0) : bits_(n / 8 + 1, 0) {}

  bool Has(std::size_t i) const noexcept { return (bits_[i >> 3] >> (i & 7)) & 1u; }
  void Include(std::size_t i) noexcept {
    bits_[i >> 3] = static_cast<std::uint8_t>(bits_[i >> 3] | (1u << (i & 7)));
  }
  // Byte-by-byte comparison; both sets have the same size within one construction.
  bool Equals(const TRE_NFAStateSet& other) const noexcept { return bits_ == other.bits_; }
  // Adds every member of other (same size).
  void IncludeAll(const TRE_NFAStateSet& other) noexcept;

  // Calls f(i) for every member i, ascending.
  template <typename F>
  void ForEach(F&& f) const {
    for (std::size_t b = 0; b < bits_.size(); ++b) {
      for (unsigned v = bits_[b]; v != 0; v &= v - 1)
        f(b * 8 + static_cast<unsigned>(__builtin_ctz(v)));
    }
  }

  std::size_t ByteCount() const noexcept { return bits_.size(); }
  std::string_view Bytes() const noexcept {
    return {reinterpret_cast<const char*>(bits_.data()), bits_.size()};
  }

 private:
  std::vector<std::uint8_t> bits_;
};

class TRE_NFA {
 public:
  // The parser is read by Build and not owned.
  TRE_NFA(const TREParser& parser, CharCode lineTailCode, CharCode lineHeadCode);

  // A shared subtree (the operand of +) is built once per use, so nested + doubles the
  // automaton at each level; past this many states a pattern is refused.
  static constexpr int kMaxStates = 500000;

  // Builds the automaton from the parser's root. Raises ERegExpParser
  // "正規表現が複雑すぎます" (position 1) past kMaxStates states or kMaxTransitions
  // transitions.
  void Build();
  // Appends a state without transitions and returns its number.
  int AddState();
  // Puts a transition at the head of state from's chain.
  void AddTransition(int from, int to, std::uint32_t label);

  // Past this many transitions in all a pattern is refused (a class of many overlapping
  // ranges becomes one transition per piece per range).
  static constexpr std::size_t kMaxTransitions = 2000000;

  // Number of states; states are numbered 0 .. StateCount() - 1.
  int StateCount() const noexcept { return static_cast<int>(states_.size()); }
  // State s's transitions in the order they were added. The chain of a state is the reverse
  // (the most recently added first); walk this from the back to follow the chain.
  const std::vector<TRE_NFATransition>& Transitions(int s) const { return states_[s]; }

  // Always 0 and 1; whether some ^ / $ became an anchor; the codes anchors stand for.
  int EntryState() const noexcept { return entryState_; }
  int FinalState() const noexcept { return finalState_; }
  bool LineHeadUsed() const noexcept { return lineHeadUsed_; }
  bool LineTailUsed() const noexcept { return lineTailUsed_; }
  CharCode LineHeadCode() const noexcept { return lineHeadCode_; }
  CharCode LineTailCode() const noexcept { return lineTailCode_; }

 private:
  void GenerateStateList(const TRENode* root, int a, int b);

  const TREParser* parser_;
  std::vector<std::vector<TRE_NFATransition>> states_;
  std::size_t transitionCount_ = 0;
  int entryState_ = 0;
  int finalState_ = 1;
  bool lineHeadUsed_ = false;
  bool lineTailUsed_ = false;
  CharCode lineHeadCode_;
  CharCode lineTailCode_;
};

}  // namespace skarvo
