// The construction is recursive over the tree in the natural reading, but patterns can be
// long (a concatenation of n characters is a left-leaning chain n deep), so it runs on an
// explicit stack of pending steps. Steps are pushed in reverse so that they run in exactly
// the order of the recursive construction: left before right, and for a star the entry
// step, the operand, the loop-back step and the exit step. That order fixes the state
// numbers.
#include "engine/re_nfa.h"

#include "engine/re_parser.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo {

void TRE_NFAStateSet::IncludeAll(const TRE_NFAStateSet& other) noexcept {
  for (std::size_t i = 0; i < bits_.size(); ++i) bits_[i] |= other.bits_[i];
}

TRE_NFA::TRE_NFA(const TREParser& parser, CharCode lineTailCode, CharCode lineHeadCode)
    : parser_(&parser), lineHeadCode_(lineHeadCode), lineTailCode_(lineTailCode) {}

void TRE_NFA::Build() {
  states_.clear();
  transitionCount_ = 0;
  lineHeadUsed_ = lineTailUsed_ = false;
  entryState_ = AddState();
  finalState_ = AddState();
  GenerateStateList(parser_->Root(), entryState_, finalState_);
}

int TRE_NFA::AddState() {
  if (states_.size() >= static_cast<std::size_t>(kMaxStates)) {
    throw ERegExpParser(Sjis("正規表現が複雑すぎます"), 1);
  }
  states_.emplace_back();
  return static_cast<int>(states_.size()) - 1;
}

void TRE_NFA::AddTransition(int from, int to, std::uint32_t label) {
  TRE_NFATransition t;
  t.Low = static_cast<CharCode>(label & 0xFFFF);
  t.High = static_cast<CharCode>(label >> 16);
  t.Target = to;
  if (++transitionCount_ > kMaxTransitions) {
    throw ERegExpParser(Sjis("正規表現が複雑すぎます"), 1);
  }
  // Stored oldest first so that adding is cheap; readers walk it from the back.
  states_[static_cast<std::size_t>(from)].push_back(t);
}

namespace {

std::uint32_t SingleCodeLabel(CharCode code) { return std::uint32_t{code} * 0x10001u; }

// True when code is an anchor code that no text holds and low..high holds it.
bool HoldsMarker(CharCode low, CharCode high, CharCode code) {
  return code > kLastTextCode && low <= code && code <= high;
}

struct Pending {
  const TRENode* node;  // nullptr: add the transition a -> b on label
  int a;
  int b;
  std::uint32_t label;
};

}  // namespace

void TRE_NFA::GenerateStateList(const TRENode* root, int a, int b) {
  std::vector<Pending> stack{{root, a, b, 0}};
  while (!stack.empty()) {
    const Pending step = stack.back();
    stack.pop_back();
    if (step.node == nullptr) {
      AddTransition(step.a, step.b, step.label);
      continue;
    }
    const TRENode* n = step.node;
    switch (n->Kind) {
      case NodeRange: {
        // A text holds no code above kLastTextCode; the anchor codes of in-memory matching
        // live there. A range reaching an anchor code would take the anchor's step (a
        // class up to \xffff would match at every line end), so it is cut back to the codes
        // a text can hold, and a range wholly above them adds no transition at all.
        CharCode high = n->High;
        if (n->Low != kEpsilonCode && (HoldsMarker(n->Low, high, lineHeadCode_) ||
                                       HoldsMarker(n->Low, high, lineTailCode_))) {
          high = kLastTextCode;
          if (n->Low > high) break;
        }
        AddTransition(step.a, step.b, std::uint32_t{n->Low} | std::uint32_t{high} << 16);
        break;
      }
      case NodeLineHead:
        if (step.a == entryState_) {
          lineHeadUsed_ = true;
          AddTransition(step.a, step.b, SingleCodeLabel(lineHeadCode_));
        } else {
          AddTransition(step.a, step.b, n->Label());
        }
        break;
      case NodeLineTail:
        if (step.b == finalState_) {
          lineTailUsed_ = true;
          AddTransition(step.a, step.b, SingleCodeLabel(lineTailCode_));
        } else {
          AddTransition(step.a, step.b, n->Label());
        }
        break;
      case NodeConcat: {
        const int c = AddState();
        stack.push_back({n->Right, c, step.b, 0});
        stack.push_back({n->Left, step.a, c, 0});
        break;
      }
      case NodeUnion:
        stack.push_back({n->Right, step.a, step.b, 0});
        stack.push_back({n->Left, step.a, step.b, 0});
        break;
      case NodeStar: {
        const int c = AddState();
        const int d = AddState();
        AddTransition(step.a, c, EpsilonLabel);
        stack.push_back({nullptr, c, step.b, EpsilonLabel});
        stack.push_back({nullptr, d, c, EpsilonLabel});
        stack.push_back({n->Left, c, d, 0});
        break;
      }
      case NodeEmpty:
        AddTransition(step.a, step.b, EpsilonLabel);
        break;
      default:
        throw Exception("This cannot happen in TRE_NFA.GenerateStateList");
    }
  }
}

}  // namespace skarvo
