// Two kinds of needle are tried and the one with the longer shortest needle is kept:
// - through a state every match passes (a dominator of the accepting states): the codes every
//   path into it ends with, then the codes it is forced on with; one needle;
// - through the first character: for each move out of the initial state, its code and the
//   codes forced after it; one needle per move.
// In both, a chain is cut where a code could not be searched as plain bytes, and its longest
// piece is the needle.
#include "engine/grep_needles.h"

#include <algorithm>
#include <deque>

#include "platform/codepage.h"

namespace skarvo {

namespace {

constexpr int kMaxStatesForDominators = 1000;
constexpr size_t kMaxChain = 64;

// True when a code of the range holds a line end: LF itself, or a lead byte with the LF
// it took as its second byte.
bool HoldsLineEnd(CharCode low, CharCode high) {
  if (low <= 0x0A && high >= 0x0A) return true;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    const unsigned code = lead << 8 | 0x0A;
    if (low <= code && code <= high) return true;
  }
  return false;
}

// The bytes of a code that can stand in a needle, or nothing.
std::string NeedleBytes(CharCode c) {
  const auto plain = [](unsigned b) { return b != 0x00 && b != 0x0A && b != 0x0D && b != 0x20; };
  if (c < 0x100) {
    if (!plain(c) || IsLeadByte(static_cast<unsigned char>(c))) return {};
    return std::string(1, static_cast<char>(c));
  }
  const unsigned high = c >> 8;
  const unsigned low = c & 0xFF;
  if (!IsLeadByte(static_cast<unsigned char>(high)) || !plain(low)) return {};
  return std::string{static_cast<char>(high), static_cast<char>(low)};
}

// The longest run of the chain's codes that are all searchable bytes.
std::string LongestPiece(const std::vector<CharCode>& chain) {
  std::string best;
  std::string current;
  for (CharCode c : chain) {
    const std::string bytes = NeedleBytes(c);
    if (bytes.empty()) {
      current.clear();
      continue;
    }
    current += bytes;
    if (current.size() > best.size()) best = current;
  }
  return best;
}

class NeedleFinder {
 public:
  explicit NeedleFinder(const TRE_DFA& dfa)
      : dfa_(dfa), initial_(dfa.InitialState()), n_(static_cast<size_t>(dfa.StateCount())) {}

  std::vector<std::string> Find() {
    if (initial_ == TRE_DFA::kNone) return {};
    MarkReachable();
    if (!anyAccepting_) return {};
    std::vector<std::string> byFirst = ThroughFirstCharacter();
    std::string byDominator = ThroughDominator();
    const auto shortest = [](const std::vector<std::string>& v) {
      size_t m = v.empty() ? 0 : v.front().size();
      for (const std::string& s : v) m = std::min(m, s.size());
      return m;
    };
    if (!byDominator.empty() && byDominator.size() >= shortest(byFirst)) return {byDominator};
    return byFirst;
  }

 private:
  // The grep walks on from the initial state and from states that do not accept.
  bool Expands(int s) const { return s == initial_ || !dfa_.Accepting(s); }

  void MarkReachable() {
    reach_.assign(n_, false);
    std::deque<int> queue{initial_};
    reach_[static_cast<size_t>(initial_)] = true;
    while (!queue.empty()) {
      const int s = queue.front();
      queue.pop_front();
      if (s != initial_ && dfa_.Accepting(s)) anyAccepting_ = true;
      if (!Expands(s)) continue;
      for (const TRE_DFATransition& t : dfa_.State(s).Transitions) {
        if (t.Target == initial_) initialEntered_ = true;
        if (!reach_[static_cast<size_t>(t.Target)]) {
          reach_[static_cast<size_t>(t.Target)] = true;
          queue.push_back(t.Target);
        }
      }
    }
  }

  // The codes a walk is forced on with from state s: one move of one code at a time, up to
  // an accepting state or a line end (what follows a line end lies in a later line).
  std::vector<CharCode> ForwardChain(int s) const {
    std::vector<CharCode> codes;
    while (codes.size() < kMaxChain && s != initial_ && !dfa_.Accepting(s)) {
      const auto& moves = dfa_.State(s).Transitions;
      if (moves.size() != 1 || moves[0].Low != moves[0].High) break;
      if (HoldsLineEnd(moves[0].Low, moves[0].High)) break;
      codes.push_back(moves[0].Low);
      s = moves[0].Target;
    }
    return codes;
  }

  std::vector<std::string> ThroughFirstCharacter() const {
    const auto& moves = dfa_.State(initial_).Transitions;
    if (moves.empty() || moves.size() > kMaxGrepNeedles) return {};
    std::vector<std::string> needles;
    for (const TRE_DFATransition& t : moves) {
      if (t.Low != t.High) return {};
      std::vector<CharCode> chain{t.Low};
      const std::vector<CharCode> rest = ForwardChain(t.Target);
      chain.insert(chain.end(), rest.begin(), rest.end());
      std::string piece = LongestPiece(chain);
      if (piece.empty()) return {};
      if (std::find(needles.begin(), needles.end(), piece) == needles.end())
        needles.push_back(std::move(piece));
    }
    return needles;
  }

  // True when every walk to an accepting state passes d, and no walk consumes a line end
  // before it (but as its first character).
  bool DominatesCleanly(int d) const {
    std::vector<bool> seen(n_, false);
    std::deque<int> queue{initial_};
    seen[static_cast<size_t>(initial_)] = true;
    while (!queue.empty()) {
      const int s = queue.front();
      queue.pop_front();
      if (!Expands(s)) return false;  // an accepting state reached around d
      for (const TRE_DFATransition& t : dfa_.State(s).Transitions) {
        const bool first = s == initial_ && !initialEntered_;
        if (!first && HoldsLineEnd(t.Low, t.High)) return false;
        if (t.Target == d || seen[static_cast<size_t>(t.Target)]) continue;
        seen[static_cast<size_t>(t.Target)] = true;
        queue.push_back(t.Target);
      }
    }
    return true;
  }

  // The codes every walk into d ends with.
  std::vector<CharCode> BackwardChain(int d) const {
    std::vector<CharCode> codes;
    std::vector<bool> in(n_, false);
    in[static_cast<size_t>(d)] = true;
    while (codes.size() < kMaxChain && !in[static_cast<size_t>(initial_)]) {
      bool have = false;
      CharCode code = 0;
      std::vector<bool> sources(n_, false);
      for (size_t u = 0; u < n_; ++u) {
        if (!reach_[u] || !Expands(static_cast<int>(u))) continue;
        for (const TRE_DFATransition& t : dfa_.State(static_cast<int>(u)).Transitions) {
          if (!in[static_cast<size_t>(t.Target)]) continue;
          if (t.Low != t.High || (have && t.Low != code)) return Reversed(codes);
          have = true;
          code = t.Low;
          sources[u] = true;
        }
      }
      if (!have) break;
      codes.push_back(code);
      in = std::move(sources);
    }
    return Reversed(codes);
  }

  static std::vector<CharCode> Reversed(std::vector<CharCode> codes) {
    std::reverse(codes.begin(), codes.end());
    return codes;
  }

  std::string ThroughDominator() const {
    if (dfa_.StateCount() > kMaxStatesForDominators) return {};
    std::string best;
    for (size_t d = 0; d < n_; ++d) {
      if (!reach_[d] || static_cast<int>(d) == initial_) continue;
      if (!DominatesCleanly(static_cast<int>(d))) continue;
      std::vector<CharCode> chain = BackwardChain(static_cast<int>(d));
      const std::vector<CharCode> forward = ForwardChain(static_cast<int>(d));
      chain.insert(chain.end(), forward.begin(), forward.end());
      std::string piece = LongestPiece(chain);
      if (piece.size() > best.size()) best = std::move(piece);
    }
    return best;
  }

  const TRE_DFA& dfa_;
  const int initial_;
  const size_t n_;
  std::vector<bool> reach_;
  bool anyAccepting_ = false;
  bool initialEntered_ = false;
};

}  // namespace

std::vector<std::string> GrepNeedles(const TRE_DFA& dfa) { return NeedleFinder(dfa).Find(); }

}  // namespace skarvo
