// The defined result is leftmost-longest: the first start position with a match, and there
// the longest match. Walking the automaton again from every start would cost the text length
// times the longest partial match, so one pass walks from all starts together (a set of
// states, each tagged with the earliest start that reached it) until the leftmost start
// with a match is known; one more walk from there finds the longest match.
//
// When nothing is alive, positions whose first byte cannot take the initial state are
// skipped, and when only a few byte values can begin a match the text is searched for them
// with strchr or strpbrk, which run far faster than a loop over characters. A byte found
// that way may be the second byte of a 2-byte character; whether it begins a character is
// decided by the parity of the run of lead-byte values right before it, counted back no
// further than a position known to begin a character.
#include "engine/match_core.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/codepage.h"
#include "platform/work_done.h"

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

const char* TMatchCORE::LongestFrom(const TRE_DFA& dfa, const char* s) const {
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
  workDone += static_cast<std::size_t>(q - s);  // once per walk, not per character
  return end;
}

// While no start has a match yet, FindFirst's walks are a list of states ascending by tag
// (their start), and a step keeps some of them in order and may add the new start at the
// end. So a step of the list depends on its states only: the cache keeps it as the next
// list, the indices it ends and whether it adds, and the tags are kept apart and changed by
// that record (ending the oldest walks costs nothing).
namespace {

// How long a walk goes on without the cache after the cache kept missing: doubling each time.
struct CachePause {
  std::size_t left = 0;
  std::size_t length = 16;
  void Start() {
    left = length;
    length = std::min<std::size_t>(length * 2, 256);
  }
  // True (and one step less) while the pause lasts.
  bool Waiting() {
    if (left == 0) return false;
    --left;
    return true;
  }
};

}  // namespace

class TMatchCORE::OrderedCache {
 public:
  explicit OrderedCache(const TRE_DFA& dfa)
      : dfa(dfa),
        serial(dfa.Serial()),
        limits(WalkCacheLimits()),
        cache(limits.budget),
        stamp(static_cast<std::size_t>(dfa.StateCount()), 0) {}

  // Takes the walk over; false when the cache had to be emptied and failed.
  bool Enter(const TRE_StateWalk& walk) {
    packed.clear();
    tags.clear();
    head_ = 0;
    for (const TRE_StateWalk::Entry& e : walk.Entries()) {
      packed.push_back(static_cast<std::uint32_t>(e.state));
      tags.push_back(e.tag);
    }
    return Intern();
  }
  // Steps on c with a new walk from init tagged tag; returns the tag of the first accepting
  // walk afterwards, or npos.
  std::size_t Step(CharCode c, std::size_t tag) {
    ++workDone;
    const std::uint32_t key = dfa.CodeClass(c);
    const TWalkCache::Move* m = cache.Find(current, key);
    TWalkCache::Move made;
    if (m == nullptr) {
      made = Make(c);
      m = &made;
    } else {
      misses = 0;
    }
    Apply(*m, tag);
    const std::uint32_t first = m->flags & ~kAdds;
    Keep(m, made, key);
    return first == 0 ? TRE_StateWalk::npos : tags[head_ + first - 1];
  }
  // The step of Scan: walks from lineHead (unless kNone) and from the initial state are added
  // with tag; then the tag of the first walk that accepts, or that ends at c when c is a line
  // separator in a state that takes the line-end marker, or npos.
  std::size_t ScanStep(CharCode c, std::size_t tag, int lineHead, bool separator) {
    ++workDone;
    const std::uint32_t key = kScanKey | dfa.CodeClass(c) << 2 |
                              (lineHead != TRE_DFA::kNone ? 2u : 0u) | (separator ? 1u : 0u);
    const TWalkCache::Move* m = cache.Find(current, key);
    TWalkCache::Move made;
    if (m == nullptr) {
      made = MakeScan(c, lineHead, separator);
      m = &made;
    } else {
      misses = 0;
    }
    for (std::uint32_t k = (m->flags >> 30) & 3u; k > 0; --k) tags.push_back(tag);
    const std::uint32_t first = m->flags & kFirstMask;
    const std::size_t found = first == 0 ? TRE_StateWalk::npos : tags[head_ + first - 1];
    Drop(m->next == kMade ? drops.data() : cache.Drops(*m),
         m->next == kMade ? drops.size() : m->dropCount);
    Keep(m, made, key);
    return found;
  }
  std::size_t Size() const { return tags.size() - head_; }
  // After a start matched, only earlier walks go on and none is added. FindFirst's step (scan
  // false) ends the first walk that accepts after it, Scan's the first that accepts before it
  // or ends at a separator in a state taking the line end; either way with every later walk.
  // Returns that walk's tag (the new leftmost start), or npos.
  std::size_t StepAfterMatch(CharCode c, bool scan, bool separator) {
    ++workDone;
    const std::uint32_t key =
        kAfterKey |
        (scan ? kScanKey | dfa.CodeClass(c) << 2 | (separator ? 1u : 0u) : dfa.CodeClass(c));
    const TWalkCache::Move* m = cache.Find(current, key);
    TWalkCache::Move made;
    if (m == nullptr) {
      made = MakeAfterMatch(c, scan, separator);
      m = &made;
    } else {
      misses = 0;
    }
    const std::size_t found = m->flags == 0 ? TRE_StateWalk::npos : tags[head_ + m->flags - 1];
    Drop(m->next == kMade ? drops.data() : cache.Drops(*m),
         m->next == kMade ? drops.size() : m->dropCount);
    Keep(m, made, key);
    return found;
  }
  // After StepAfterMatch: gives the walks back when none is left, while the cache keeps
  // missing (starting a pause) or when few are left.
  bool LeftAfterMatch(TRE_StateWalk& walk, CachePause& pause) {
    if (Missing()) {
      pause.Start();
    } else if (Size() != 0 && Size() >= limits.below) {
      return false;
    }
    Leave(walk);
    return true;
  }
  bool Missing() {
    if (misses < kMissesBeforePause) return false;
    misses = 0;
    return true;
  }
  // After a step through the cache (found: its answer): gives the walks back and says so on a
  // match, while the cache keeps missing (starting a pause) or when few walks are left.
  bool GaveBack(std::size_t found, TRE_StateWalk& walk, CachePause& pause) {
    if (found == TRE_StateWalk::npos) {
      if (Missing()) {
        pause.Start();
      } else if (Size() >= limits.below) {
        return false;
      }
    }
    Leave(walk);
    return true;
  }
  // Gives the walks back (current must be valid).
  void Leave(TRE_StateWalk& walk) const {
    std::vector<TRE_StateWalk::Entry>& entries = walk.Entries();
    entries.clear();
    const std::uint32_t* states = Lists();
    for (std::size_t i = 0; i < Size(); ++i)
      entries.push_back({static_cast<int>(states[i]), tags[head_ + i]});
  }

  static constexpr std::size_t kMissesBeforePause = 8;
  const TRE_DFA& dfa;
  std::uint64_t serial;  // the automaton it was made for (an address may be reused)
  TWalkCacheLimits limits;

 private:
  static constexpr std::uint32_t kAdds = 0x80000000u;
  static constexpr std::uint32_t kMade = 0xFFFFFFFEu;

  const std::uint32_t* Lists() const {
    return current == TWalkCache::kNone ? packed.data() : cache.Entries(current);
  }
  static constexpr std::uint32_t kScanKey = 0x80000000u;
  static constexpr std::uint32_t kFirstMask = 0x3FFFFFFFu;
  static constexpr std::uint32_t kAfterKey = 0x40000000u;

  // Moves on to the next list; a move made anew is kept unless the cache had to be emptied.
  void Keep(const TWalkCache::Move* m, TWalkCache::Move& made, std::uint32_t key) {
    if (m != &made) {
      current = m->next;
      return;
    }
    const std::uint32_t from = current;
    packed.assign(next.begin(), next.end());
    const bool kept = Intern();
    if (kept && from != TWalkCache::kNone) {
      made.next = current;
      made.dropBegin = cache.AddDrops(drops);
      made.dropCount = static_cast<std::uint32_t>(drops.size());
      cache.Add(from, key, made);
    }
  }
  // Scan's step of the current list, into next and drops (indices into the list with the
  // added walks at its end); flags: the number added (bits 30-31), 1 + the first index found.
  TWalkCache::Move MakeScan(CharCode c, int lineHead, bool separator) {
    ++misses;
    const std::uint32_t* states = Lists();
    const std::size_t n = Size();
    inter.assign(states, states + n);
    NewGeneration();
    for (std::size_t i = 0; i < n; ++i) stamp[states[i]] = generation;
    std::uint32_t added = 0;
    for (const int s : {lineHead, dfa.InitialState()}) {
      if (s == TRE_DFA::kNone || stamp[static_cast<std::size_t>(s)] == generation) continue;
      stamp[static_cast<std::size_t>(s)] = generation;
      inter.push_back(static_cast<std::uint32_t>(s));
      ++added;
    }
    std::uint32_t first = 0;
    for (std::size_t i = 0; i < inter.size() && first == 0; ++i) {
      if (dfa.Accepting(static_cast<int>(inter[i]))) first = static_cast<std::uint32_t>(i + 1);
    }
    NewGeneration();
    next.clear();
    drops.clear();
    const CharCode tail = dfa.LineTailCode();
    for (std::size_t i = 0; i < inter.size(); ++i) {
      const int state = static_cast<int>(inter[i]);
      const int to = dfa.Step(state, c);
      if (to == TRE_DFA::kNone) {
        if (separator && (first == 0 || i + 1 < first) && dfa.Step(state, tail) != TRE_DFA::kNone)
          first = static_cast<std::uint32_t>(i + 1);
        drops.push_back(static_cast<std::uint32_t>(i));
      } else if (stamp[static_cast<std::size_t>(to)] == generation) {
        drops.push_back(static_cast<std::uint32_t>(i));
      } else {
        stamp[static_cast<std::size_t>(to)] = generation;
        next.push_back(static_cast<std::uint32_t>(to));
      }
    }
    TWalkCache::Move m;
    m.next = kMade;
    m.flags = first | added << 30;
    return m;
  }
  void NewGeneration() {
    if (++generation == 0) {
      std::fill(stamp.begin(), stamp.end(), 0);
      generation = 1;
    }
  }
  bool Intern() {
    current = cache.Intern(packed.data(), packed.size());
    if (current != TWalkCache::kNone) return true;
    cache.Clear();
    current = cache.Intern(packed.data(), packed.size());
    return false;
  }
  // StepAfterMatch's step of the current list, into next and drops; flags: 1 + the index of
  // the walk found, 0 for none.
  TWalkCache::Move MakeAfterMatch(CharCode c, bool scan, bool separator) {
    ++misses;
    const std::uint32_t* states = Lists();
    const std::size_t n = Size();
    std::uint32_t first = 0;
    for (std::size_t i = 0; scan && i < n && first == 0; ++i) {
      if (dfa.Accepting(static_cast<int>(states[i]))) first = static_cast<std::uint32_t>(i + 1);
    }
    NewGeneration();
    next.clear();
    drops.clear();
    const CharCode tail = dfa.LineTailCode();
    for (std::size_t i = 0; i < n; ++i) {
      drops.push_back(static_cast<std::uint32_t>(i));
      if (first != 0 && i + 1 >= first) continue;  // the walk found and every later one end
      const int state = static_cast<int>(states[i]);
      const int to = dfa.Step(state, c);
      if (to == TRE_DFA::kNone) {
        if (scan && separator && dfa.Step(state, tail) != TRE_DFA::kNone)
          first = static_cast<std::uint32_t>(i + 1);
      } else if (stamp[static_cast<std::size_t>(to)] != generation) {
        stamp[static_cast<std::size_t>(to)] = generation;
        if (!scan && dfa.Accepting(to)) {
          first = static_cast<std::uint32_t>(i + 1);
        } else {
          next.push_back(static_cast<std::uint32_t>(to));
          drops.pop_back();
        }
      }
    }
    TWalkCache::Move m;
    m.next = kMade;
    m.flags = first;
    return m;
  }
  // The step of the current list on c, into next and drops.
  TWalkCache::Move Make(CharCode c) {
    ++misses;
    NewGeneration();
    next.clear();
    drops.clear();
    const std::uint32_t* states = Lists();
    const std::size_t n = Size();
    std::uint32_t first = 0;
    auto arrive = [&](int state) {
      if (state == TRE_DFA::kNone || stamp[static_cast<std::size_t>(state)] == generation)
        return false;
      stamp[static_cast<std::size_t>(state)] = generation;
      next.push_back(static_cast<std::uint32_t>(state));
      if (first == 0 && dfa.Accepting(state)) first = static_cast<std::uint32_t>(next.size());
      return true;
    };
    for (std::size_t i = 0; i < n; ++i) {
      if (!arrive(dfa.Step(static_cast<int>(states[i]), c)))
        drops.push_back(static_cast<std::uint32_t>(i));
    }
    const bool adds = arrive(dfa.Step(dfa.InitialState(), c));
    TWalkCache::Move m;
    m.next = kMade;
    m.flags = first | (adds ? kAdds : 0);
    return m;
  }
  void Apply(const TWalkCache::Move& m, std::size_t tag) {
    Drop(m.next == kMade ? drops.data() : cache.Drops(m),
         m.next == kMade ? drops.size() : m.dropCount);
    if (m.flags & kAdds) tags.push_back(tag);
  }
  // Ends the walks at indices d[0, count) (ascending) of the tags.
  void Drop(const std::uint32_t* d, std::size_t count) {
    std::size_t k = 0;
    while (k < count && d[k] == k) ++k;
    // Walks ended at the front cost nothing; the rest are closed up.
    std::size_t write = head_ + (k < count ? d[k] : 0);
    if (k < count) {
      for (std::size_t i = d[k], j = k; head_ + i < tags.size(); ++i) {
        if (j < count && d[j] == i) {
          ++j;
        } else {
          tags[write++] = tags[head_ + i];
        }
      }
      tags.resize(write);
    }
    head_ += k;
    if (head_ > 4096 && head_ * 2 > tags.size()) {
      tags.erase(tags.begin(), tags.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
  }

  TWalkCache cache;
  std::uint32_t current = TWalkCache::kNone;
  std::vector<std::uint32_t> packed, next, drops, inter;
  std::vector<std::size_t> tags;
  std::size_t head_ = 0;
  std::vector<std::uint32_t> stamp;
  std::uint32_t generation = 0;
  std::size_t misses = 0;
};

TMatchCORE::OrderedCache& TMatchCORE::Ordered(const TRE_DFA& dfa) const {
  const TWalkCacheLimits& limits = WalkCacheLimits();
  if (ordered_ == nullptr || ordered_->serial != dfa.Serial() ||
      ordered_->limits.budget != limits.budget || ordered_->limits.from != limits.from ||
      ordered_->limits.below != limits.below)
    ordered_ = std::make_shared<OrderedCache>(dfa);
  return *ordered_;
}

TMatchRange TMatchCORE::FindFirst(const TRE_DFA& dfa, const char* p) const {
  const int init = dfa.InitialState();
  if (dfa.Accepting(init)) {
    // Every position matches at least the empty string: the first one wins.
    return {p, LongestFrom(dfa, p)};
  }
  const std::string& starts = dfa.StartByteSet();
  if (starts.empty()) return {};
  // One pass finds the leftmost start: walks from every start go on together, tagged with
  // their start; once one accepts, later starts cannot win and only earlier ones are followed.
  // The longest match from that start is then one more walk.
  const bool few = starts.size() <= kFewStartBytes;
  const int sole = dfa.SoleStartByte();
  TRE_StateWalk& walk = Walk(dfa);
  walk.Clear();
  std::size_t best = TRE_StateWalk::npos;
  const char* s = p;
  // While many walks are alive and no start has a match, their steps come from the cache;
  // when it keeps missing it is left alone for a while, longer each time.
  OrderedCache* cached = nullptr;
  CachePause pause;
  while (*s != 0) {
    if (cached != nullptr) {
      const auto tag = static_cast<std::size_t>(s - p);
      const CharCode c = ReadCharFromText(s);
      if (best != TRE_StateWalk::npos) {
        // Only walks from earlier starts are left; one that accepts becomes the start.
        const std::size_t found = cached->StepAfterMatch(c, false, false);
        if (found != TRE_StateWalk::npos) best = found;
        if (cached->LeftAfterMatch(walk, pause)) cached = nullptr;
        continue;
      }
      const std::size_t accepted = cached->Step(c, tag);
      if (cached->GaveBack(accepted, walk, pause)) {
        cached = nullptr;
        if (accepted != TRE_StateWalk::npos) {
          best = accepted;
          walk.DropFrom(best);
        }
      }
      continue;
    }
    if (walk.Empty()) {
      if (best != TRE_StateWalk::npos) break;
      // Nothing alive: move on to the next character that can begin a match.
      if (few) {
        const char* sync = s;
        for (;;) {
          s = sole > 0 ? std::strchr(s, sole) : std::strpbrk(s, starts.c_str());
          if (s == nullptr) return {};
          if (BeginsCharacter(sync, s)) break;
          // The second byte of a 2-byte character; the next byte begins one.
          sync = ++s;
        }
      } else {
        while (*s != 0 && !dfa.CanStartWith(U(s)[0])) s += CharLength(s);
        if (*s == 0) break;
      }
    }
    const auto tag = static_cast<std::size_t>(s - p);
    const CharCode c = ReadCharFromText(s);
    walk.Step(c, best == TRE_StateWalk::npos ? init : TRE_DFA::kNone, tag);
    const std::size_t accepted = walk.FirstAcceptingTag();
    if (accepted < best) best = accepted;
    if (best != TRE_StateWalk::npos) walk.DropFrom(best);
    if (!pause.Waiting() && walk.Entries().size() >= WalkCacheLimits().from) {
      cached = &Ordered(dfa);
      cached->Enter(walk);
    }
  }
  if (best == TRE_StateWalk::npos) return {};
  return {p + best, LongestFrom(dfa, p + best)};
}

const char* TMatchCORE::MatchAt(const TRE_DFA& dfa, const char* p, int state) const {
  if (state == TRE_DFA::kNone) return nullptr;
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
  workDone += static_cast<std::size_t>(q - p);  // once per walk, not per character
  if ((c == 0 || IsLineSeparator(c)) && dfa.Step(state, dfa.LineTailCode()) != TRE_DFA::kNone) {
    return c == 0 ? q : q - 1;
  }
  return result;
}

const char* TMatchCORE::MatchAtLineStart(const TRE_DFA& dfa, const char* p, int state) const {
  if (!dfa.LineHeadUsed()) return MatchAt(dfa, p, state);
  const int afterHead =
      state == TRE_DFA::kNone ? TRE_DFA::kNone : dfa.Step(state, dfa.LineHeadCode());
  const char* e1 = MatchAt(dfa, p, afterHead);
  if (e1 == nullptr) return nullptr;
  const char* e2 = MatchAt(dfa, p, state);
  return (e2 != nullptr && e2 >= e1) ? e2 : e1;
}

TMatchRange TMatchCORE::Scan(const TRE_DFA& dfa, const char* p, bool pIsLineStart) const {
  // One pass finds the leftmost start, as in FindFirst, with the rules of MatchAt: a walk
  // matches when it reaches an accepting state, or when it stops at the terminator or at a
  // line separator in a state that can take the line-end marker. A line start begins a walk
  // after the line-start marker as well as the plain one.
  const int init = dfa.InitialState();
  const bool head = dfa.LineHeadUsed();
  const int afterHead = head ? dfa.Step(init, dfa.LineHeadCode()) : TRE_DFA::kNone;
  const CharCode tail = dfa.LineTailCode();
  TRE_StateWalk& walk = Walk(dfa);
  walk.Clear();
  std::size_t best = TRE_StateWalk::npos;
  bool lineStart = pIsLineStart;  // s follows an LF (a whole character, not a second byte)
  const char* s = p;
  // As in FindFirst, many walks alive before any match step through the cache.
  OrderedCache* cached = nullptr;
  CachePause pause;
  while (*s != 0 && !(walk.Empty() && best != TRE_StateWalk::npos)) {
    if (cached != nullptr) {
      const auto tag = static_cast<std::size_t>(s - p);
      const CharCode c = ReadCharFromText(s);
      if (best != TRE_StateWalk::npos) {
        const std::size_t found = cached->StepAfterMatch(c, true, IsLineSeparator(c));
        lineStart = c == '\n';
        if (found != TRE_StateWalk::npos) best = found;
        if (cached->LeftAfterMatch(walk, pause)) cached = nullptr;
        continue;
      }
      const std::size_t found =
          cached->ScanStep(c, tag, lineStart ? afterHead : TRE_DFA::kNone, IsLineSeparator(c));
      lineStart = c == '\n';
      if (cached->GaveBack(found, walk, pause)) {
        cached = nullptr;
        if (found != TRE_StateWalk::npos) {
          best = found;
          walk.DropFrom(best);
        }
      }
      continue;
    }
    if (best == TRE_StateWalk::npos) {
      const auto tag = static_cast<std::size_t>(s - p);
      if (lineStart) walk.Add(afterHead, tag);
      walk.Add(init, tag);
    }
    const std::size_t accepted = walk.FirstAcceptingTag();
    if (accepted < best) best = accepted;
    const CharCode c = ReadCharFromText(s);
    const bool separator = IsLineSeparator(c);
    walk.Step(c, [&](const TRE_StateWalk::Entry& e) {
      if (separator && e.tag < best && dfa.Step(e.state, tail) != TRE_DFA::kNone) best = e.tag;
    });
    if (best != TRE_StateWalk::npos) walk.DropFrom(best);
    if (!pause.Waiting() && walk.Entries().size() >= WalkCacheLimits().from) {
      cached = &Ordered(dfa);
      cached->Enter(walk);
    }
    lineStart = c == '\n';
  }
  if (cached != nullptr) cached->Leave(walk);
  if (*s == 0) {
    // The walks still alive stop at the terminator.
    const std::size_t accepted = walk.FirstAcceptingTag();
    if (accepted < best) best = accepted;
    for (const TRE_StateWalk::Entry& e : walk.Entries()) {
      if (e.tag < best && dfa.Step(e.state, tail) != TRE_DFA::kNone) best = e.tag;
    }
  }
  if (best != TRE_StateWalk::npos) {
    const char* start = p + best;
    const char* end = MatchAt(dfa, start, init);
    if (head && (start == p ? pIsLineStart : start[-1] == '\n' && BeginsCharacter(p, start - 1))) {
      const char* e1 = MatchAt(dfa, start, afterHead);
      if (e1 != nullptr && (end == nullptr || e1 > end)) end = e1;
    }
    return {start, end};
  }
  // No start before the terminator has a match. The terminator is a line start after an LF
  // (or when the text is empty), and has an empty match when the initial state takes the
  // line-end marker.
  if (lineStart && (head || s == p)) {
    if (const char* e = MatchAtLineStart(dfa, s, init)) return {s, e};
    // The alternatives without ^ match the empty line too (`a*|^b`), as `a*` alone does.
    if (dfa.Accepting(init)) return {s, s};
  }
  if (dfa.LineTailUsed() && dfa.Step(init, tail) != TRE_DFA::kNone) return {s, s};
  return {};
}

std::size_t& TMatchCursor::WindowSize() {
  static std::size_t size = std::size_t{1} << 19;
  return size;
}

TMatchCursor::TMatchCursor(const TMatchCORE& core, const TRE_DFA& dfa, const char* base,
                           std::size_t size)
    : core_(core),
      dfa_(dfa),
      base_(base),
      size_(size),
      anchored_(dfa_.LineHeadUsed() || dfa_.LineTailUsed()),
      afterHead_(dfa_.LineHeadUsed() ? dfa_.Step(dfa_.InitialState(), dfa_.LineHeadCode())
                                     : TRE_DFA::kNone),
      acceptApart_(!anchored_ && !dfa_.MarkersUnused()) {}

TMatchRange TMatchCursor::Afresh(const char* p, bool lineStart) const {
  if (anchored_) return core_.Scan(dfa_, p, lineStart);
  return lineStart ? core_.FindFirst(dfa_, p) : core_.Scan(dfa_, p, false);
}

TMatchRange TMatchCursor::AtZero(std::size_t pos, bool first, bool lineHere, bool lineStart) const {
  const char* s = base_ + pos;
  const int init = dfa_.InitialState();
  auto matchesEmpty = [this](int state) {
    return state != TRE_DFA::kNone &&
           (dfa_.Accepting(state) || dfa_.Step(state, dfa_.LineTailCode()) != TRE_DFA::kNone);
  };
  // Without anchors only a search from a line start right there finds the empty match.
  if (!anchored_)
    return first && lineStart && dfa_.Accepting(init) ? TMatchRange{s, s} : TMatchRange{};
  // A line start there has the empty match of the pattern after the line-start marker (of
  // the whole pattern when it has none and the search began there); else the line end.
  if (lineHere && (afterHead_ != TRE_DFA::kNone || (first && !dfa_.LineHeadUsed()))) {
    if (matchesEmpty(dfa_.LineHeadUsed() ? afterHead_ : init)) return {s, s};
  }
  // The alternatives without ^ match the empty text where the search begins at a line start.
  if (first && lineHere && dfa_.Accepting(init)) return {s, s};
  if (dfa_.LineTailUsed() && dfa_.Step(init, dfa_.LineTailCode()) != TRE_DFA::kNone) return {s, s};
  return {};
}

TMatchRange TMatchCursor::Next(const char* p, bool lineStart) {
  const auto from = static_cast<std::size_t>(p - base_);
  for (std::size_t pos = from;;) {
    if (pos < windowBegin_ || pos >= windowEnd_)
      Fill(pos, pos == from ? lineStart : nextLineStart_);
    for (; pos < windowEnd_; ++pos) {
      const std::size_t i = pos - windowBegin_;
      const bool first = pos == from;
      // Where the search begins the caller says whether a line starts; further on the text.
      const bool lineHere = anchored_ && (first ? lineStart : (flags_[i] & kLine) != 0);
      if (base_[pos] == 0) return AtZero(pos, first, lineHere, lineStart);
      std::size_t e = acceptApart_ && lineStart ? acceptEnd_[2 * i] : end_[2 * i];
      if (lineHere && afterHead_ != TRE_DFA::kNone) {
        // Never for the replacement or the highlight: they say so only after an LF byte.
        if ((flags_[i] & kHeadWalk) == 0) return Afresh(p, lineStart);
        e = std::max(e, end_[2 * i + 1]);
      }
      if (e != 0) return {base_ + pos, base_ + (e - 1)};
    }
  }
}

void TMatchCursor::Fill(std::size_t from, bool lineStart) {
  constexpr std::uint32_t kFirst = 0xFFFFFFFFu;
  std::size_t limit = from + std::min(WindowSize(), size_ - std::min(size_, from) + 1);
  // A zero byte ends the window (the walks stop there): the tables need not be longer.
  if (const void* zero = std::memchr(base_ + from, 0, limit - from))
    limit = static_cast<std::size_t>(static_cast<const char*>(zero) - base_) + 1;
  const std::size_t n = limit - from + 1;
  end_.assign(2 * n, 0);
  if (acceptApart_) acceptEnd_.assign(2 * n, 0);
  joined_.assign(2 * n, kFirst);
  joinedAt_.resize(2 * n);
  if (anchored_) flags_.assign(n, 0);
  TRE_StateWalk& walk = core_.Walk(dfa_);
  walk.Clear();
  const int init = dfa_.InitialState();
  const CharCode tail = dfa_.LineTailCode();
  // Every character boundary before limit starts walks, and the walks go on until they end.
  const char* q = base_ + from;
  std::size_t pos = from;
  CharCode c = 0;
  auto join = [this, &pos](std::size_t& first, std::size_t later) {
    joined_[later] = static_cast<std::uint32_t>(first);
    joinedAt_[later] = pos;
  };
  // A walk that stops at a line separator, or at the terminator, in a state that takes the
  // line-end marker ends a match there.
  auto takesTail = [&](const TRE_StateWalk::Entry& e) {
    return dfa_.Step(e.state, tail) != TRE_DFA::kNone;
  };
  windowBegin_ = from;
  windowEnd_ = 0;
  for (;;) {
    if (pos < limit) {
      const std::size_t i = pos - from;
      walk.AddKeepingFirst(init, 2 * i, join);
      if (anchored_) {
        // An LF byte before pos may be the second byte of a character; a caller that takes
        // pos as a line start then still finds its answer here.
        const bool head = lineStart || (pos > 0 && base_[pos - 1] == '\n');
        flags_[i] = static_cast<std::uint8_t>((lineStart ? kLine : 0) | (head ? kHeadWalk : 0));
        if (head) walk.AddKeepingFirst(afterHead_, 2 * i + 1, join);
      }
    } else if (windowEnd_ == 0) {
      windowEnd_ = pos;  // the first boundary at or after limit
      nextLineStart_ = lineStart;
    }
    for (const TRE_StateWalk::Entry& e : walk.Entries()) {
      if (!dfa_.Accepting(e.state)) continue;
      end_[e.tag] = pos + 1;
      if (acceptApart_) acceptEnd_[e.tag] = pos + 1;
    }
    if (*q == 0) {
      // The terminator (or a zero byte, after which the text is read afresh).
      for (const TRE_StateWalk::Entry& e : walk.Entries()) {
        if (takesTail(e)) end_[e.tag] = pos + 1;
      }
      if (pos < limit) {
        windowEnd_ = pos + 1;
        nextLineStart_ = false;
      }
      break;
    }
    if (walk.Empty() && pos >= limit) break;
    const std::size_t at = pos;
    c = ReadCharFromText(q);
    pos = static_cast<std::size_t>(q - base_);
    lineStart = c == '\n';
    const bool separator = core_.IsLineSeparator(c);
    walk.StepKeepingFirst(
        c,
        [&](const TRE_StateWalk::Entry& e) {
          if (separator && takesTail(e)) end_[e.tag] = std::max(end_[e.tag], at + 1);
        },
        join);
  }
  // A walk that handed over ends where the one it joined ends, if that end lies on their
  // common way (not before they met) and is further.
  std::vector<std::uint32_t> chain;
  const std::size_t count = windowEnd_ - from;
  auto takeOver = [this](std::vector<std::size_t>& ends, std::uint32_t k) {
    const std::size_t shared = ends[joined_[k]];
    if (shared > joinedAt_[k]) ends[k] = std::max(ends[k], shared);
  };
  // Without a line-start walk only the even walks exist.
  const std::size_t stride = afterHead_ == TRE_DFA::kNone ? 2 : 1;
  for (std::size_t i = 0; i < 2 * count; i += stride) {
    for (std::size_t k = i; joined_[k] != kFirst; k = joined_[k])
      chain.push_back(static_cast<std::uint32_t>(k));
    while (!chain.empty()) {
      const std::uint32_t k = chain.back();
      chain.pop_back();
      takeOver(end_, k);
      if (acceptApart_) takeOver(acceptEnd_, k);
      joined_[k] = kFirst;
    }
  }
}

TRE_StateWalk& TMatchCORE::Walk(const TRE_DFA& dfa) const {
  if (walk_ == nullptr || walkDFA_ != &dfa || walk_->Capacity() != dfa.StateCount()) {
    walk_ = std::make_unique<TRE_StateWalk>(dfa);
    walkDFA_ = &dfa;
  }
  return *walk_;
}

}  // namespace skarvo
