// FindFirst tries start positions in order and walks the automaton from each; that is the
// defined leftmost-longest result. The walk is only worth starting where the first byte can
// take the initial state, so positions are skipped by a table of such bytes, and when only
// a few byte values can begin a match the text is searched for them with strchr or strpbrk,
// which run far faster than a loop over characters. A byte found
// that way may be the second byte of a 2-byte character; whether it begins a character is
// decided by the parity of the run of lead-byte values right before it, counted back no
// further than a position known to begin a character.
#include "engine/match_core.h"

#include <cstring>

#include "platform/codepage.h"

namespace skarvo {

namespace {

const unsigned char* U(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

// Length of the character at s as ReadCharFromText reads it (s is not the terminator).
std::size_t CharLength(const char* s) { return IsLeadByte(U(s)[0]) && s[1] != 0 ? 2 : 1; }

// Up to this many possible first bytes, the text is searched for them by the C library.
constexpr std::size_t kFewStartBytes = 8;

// True when x begins a character, given that sync (<= x) does.
bool BeginsCharacter(const char* sync, const char* x) {
  const char* k = x;
  while (k > sync && IsLeadByte(U(k)[-1])) --k;
  return (x - k) % 2 == 0;
}

}  // namespace

const char* TMatchCORE::LongestFrom(const char* s) const {
  const TRE_DFA& dfa = CurrentDFA();
  int state = dfa.InitialState();
  const char* end = nullptr;
  const char* q = s;
  for (;;) {
    if (dfa.Accepting(state)) end = q;
    const CharCode c = ReadCharFromText(q);
    if (c == 0) break;
    state = dfa.Step(state, c);
    if (state == TRE_DFA::kNone) break;
  }
  return end;
}

TMatchRange TMatchCORE::FindFirst(const char* p) const {
  const TRE_DFA& dfa = CurrentDFA();
  if (dfa.Accepting(dfa.InitialState())) {
    // Every position matches at least the empty string: the first one wins.
    return {p, LongestFrom(p)};
  }
  const std::string& starts = dfa.StartByteSet();
  if (starts.empty()) return {};
  if (starts.size() <= kFewStartBytes) {
    const int sole = dfa.SoleStartByte();
    const char* sync = p;
    const char* s = p;
    for (;;) {
      s = sole > 0 ? std::strchr(s, sole) : std::strpbrk(s, starts.c_str());
      if (s == nullptr) return {};
      if (!BeginsCharacter(sync, s)) {
        // The second byte of a 2-byte character; the next byte begins one.
        sync = s + 1;
        s = sync;
        continue;
      }
      if (const char* end = LongestFrom(s)) return {s, end};
      s += CharLength(s);
      sync = s;
    }
  }
  for (const char* s = p; *s != 0; s += CharLength(s)) {
    if (!dfa.CanStartWith(U(s)[0])) continue;
    if (const char* end = LongestFrom(s)) return {s, end};
  }
  return {};
}

const char* TMatchCORE::MatchAt(const char* p, int state) const {
  if (state == TRE_DFA::kNone) return nullptr;
  const TRE_DFA& dfa = CurrentDFA();
  const char* result = nullptr;
  const char* q = p;
  CharCode c = 0;
  for (;;) {
    if (dfa.Accepting(state)) result = q;
    c = ReadCharFromText(q);
    if (c == 0) break;
    const int next = dfa.Step(state, c);
    if (next == TRE_DFA::kNone) break;
    state = next;
  }
  if ((c == 0 || IsLineSeparator(c)) && dfa.Step(state, dfa.LineTailCode()) != TRE_DFA::kNone) {
    return c == 0 ? q : q - 1;
  }
  return result;
}

const char* TMatchCORE::MatchAtLineStart(const char* p, int state) const {
  const TRE_DFA& dfa = CurrentDFA();
  if (!dfa.LineHeadUsed()) return MatchAt(p, state);
  const int afterHead =
      state == TRE_DFA::kNone ? TRE_DFA::kNone : dfa.Step(state, dfa.LineHeadCode());
  const char* e1 = MatchAt(p, afterHead);
  if (e1 == nullptr) return nullptr;
  const char* e2 = MatchAt(p, state);
  return (e2 != nullptr && e2 >= e1) ? e2 : e1;
}

TMatchRange TMatchCORE::ScanForMatch(const char* p) const {
  const TRE_DFA& dfa = CurrentDFA();
  const int init = dfa.InitialState();
  const char* s = p;
  for (; *s != 0; s += CharLength(s)) {
    if (const char* e = MatchAt(s, init)) return {s, e};
    if (*s == '\n' && dfa.LineHeadUsed()) {
      if (const char* e = MatchAtLineStart(s + 1, init)) return {s + 1, e};
    }
  }
  if (dfa.LineTailUsed() && dfa.Step(init, dfa.LineTailCode()) != TRE_DFA::kNone) return {s, s};
  return {};
}

TMatchRange TMatchCORE::FindAnchored(const char* p) const {
  if (const char* end = MatchAtLineStart(p, CurrentDFA().InitialState())) return {p, end};
  return ScanForMatch(p);
}

}  // namespace skarvo
