// Walks of many automaton states at once, so a search reads each character once however many
// places a match may start at.
//
// Restarting the automaton at every start position costs the text length times the longest
// partial match: `a*b` over a long line of "a" is quadratic. Walking from all start positions
// together, as a set of DFA states, costs the text length times the number of states alive,
// which the automaton bounds. Two walks that reach the same state at the same place have the
// same future, so only one of them is kept; each carries a tag and the smaller tag wins (the
// earlier start, or a walk already known to lead nowhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/char_codes.h"
#include "engine/re_dfa.h"
#include "platform/work_done.h"

namespace skarvo {

class TRE_StateWalk {
 public:
  struct Entry {
    int state;
    std::size_t tag;
  };

  // How the tags of walks that meet are joined: the smaller one, or all bits of both.
  enum class Join { kMin, kBits };

  explicit TRE_StateWalk(const TRE_DFA& dfa, Join join = Join::kMin);

  void Clear() noexcept { entries_.clear(); }
  // The number of automaton states it was made for.
  int Capacity() const noexcept { return static_cast<int>(stamp_.size()); }
  bool Empty() const noexcept { return entries_.empty(); }
  // The states alive, ascending by tag as long as tags were added ascending.
  const std::vector<Entry>& Entries() const noexcept { return entries_; }
  // The same, for changing tags (not states).
  std::vector<Entry>& Entries() noexcept { return entries_; }

  // Adds a walk in state (kNone is ignored), joining its tag with a walk already there.
  void Add(int state, std::size_t tag);
  // Steps every walk on code; walks without a step end. onEnd(entry) is called for each.
  // When start is a state (not kNone), a new walk from it is stepped on code too, with
  // startTag: the same as Add(start, startTag) before the step, without the entry.
  template <typename OnEnd>
  void Step(CharCode code, int start, std::size_t startTag, OnEnd&& onEnd) {
    StepJoining(code, start, startTag, onEnd,
                [this](std::size_t& into, std::size_t tag) { Joined(into, tag); });
  }
  // As Step, but walks that meet are joined by onJoin(intoTag, laterTag).
  template <typename OnEnd, typename OnJoin>
  void StepJoined(CharCode code, int start, std::size_t startTag, OnEnd&& onEnd, OnJoin&& onJoin) {
    StepJoining(code, start, startTag, onEnd, onJoin);
  }
  // Steps every walk on code; when a walk reaches a state another one reached first, only
  // the first goes on and onJoin(firstTag, laterTag) is called.
  template <typename OnEnd, typename OnJoin>
  void StepKeepingFirst(CharCode code, OnEnd&& onEnd, OnJoin&& onJoin) {
    StepJoining(code, TRE_DFA::kNone, 0, onEnd,
                [&onJoin](std::size_t& into, std::size_t tag) { onJoin(into, tag); });
  }
  // Adds a walk in state (kNone is ignored); when a walk is there already, calls
  // onJoin(itsTag, tag) instead.
  template <typename OnJoin>
  void AddKeepingFirst(int state, std::size_t tag, OnJoin&& onJoin) {
    if (state == TRE_DFA::kNone) return;
    const auto s = static_cast<std::size_t>(state);
    if (stamp_[s] == generation_ && slot_[s] < entries_.size() &&
        entries_[slot_[s]].state == state) {
      onJoin(entries_[slot_[s]].tag, tag);
      return;
    }
    stamp_[s] = generation_;
    slot_[s] = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({state, tag});
  }
  template <typename OnEnd>
  void Step(CharCode code, OnEnd&& onEnd) {
    Step(code, TRE_DFA::kNone, 0, onEnd);
  }
  void Step(CharCode code, int start = TRE_DFA::kNone, std::size_t startTag = 0) {
    Step(code, start, startTag, [](const Entry&) {});
  }
  // The smallest tag of an accepting walk, or npos.
  std::size_t FirstAcceptingTag() const noexcept;
  // Ends every walk whose tag is at least tag (tags must be ascending).
  void DropFrom(std::size_t tag) noexcept;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  void BeginStep();
  template <typename OnEnd, typename Join>
  void StepJoining(CharCode code, int start, std::size_t startTag, OnEnd&& onEnd, Join&& join) {
    BeginStep();
    workDone += entries_.size() + 1;
    for (const Entry& e : entries_) {
      const int next = dfa_.Step(e.state, code);
      if (next == TRE_DFA::kNone) {
        onEnd(e);
      } else {
        Arrive(next, e.tag, join);
      }
    }
    if (start != TRE_DFA::kNone) {
      const int next = dfa_.Step(start, code);
      if (next != TRE_DFA::kNone) Arrive(next, startTag, join);
    }
    entries_.swap(next_);
  }
  template <typename Join>
  void Arrive(int state, std::size_t tag, Join&& join) {
    const auto s = static_cast<std::size_t>(state);
    if (stamp_[s] == generation_) {
      join(next_[slot_[s]].tag, tag);
      return;
    }
    stamp_[s] = generation_;
    slot_[s] = static_cast<std::uint32_t>(next_.size());
    next_.push_back({state, tag});
  }

  void Joined(std::size_t& into, std::size_t tag) const noexcept {
    if (join_ == Join::kBits) {
      into |= tag;
    } else if (tag < into) {
      into = tag;
    }
  }

  const TRE_DFA& dfa_;
  Join join_;
  std::vector<Entry> entries_;
  std::vector<Entry> next_;
  std::vector<std::uint32_t> stamp_;
  std::vector<std::uint32_t> slot_;
  std::uint32_t generation_ = 0;
};

// Remembers how the contents of a walk step: a lazy automaton whose states are whole walk
// contents (lists of packed entries), made as the text asks for them. With many walks alive a
// step costs one look-up instead of one automaton step per walk, so a long periodic pattern
// over a long line costs the line. It holds at most a budget of entries and forgets
// everything when that is reached; a content is then made again when it is next met.
class TWalkCache {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Move {
    std::uint32_t next = kNone;   // the content after the step
    std::uint32_t flags = 0;      // what the owner learnt on the step
    std::uint32_t dropBegin = 0;  // the entries the step ended, as indices into the content
    std::uint32_t dropCount = 0;
  };

  explicit TWalkCache(std::size_t budget = std::size_t{1} << 20) : budget_(budget) {}

  // The number of the content entries[0, count), made when new. Returns kNone when the
  // budget is reached: the caller clears the cache and asks again.
  std::uint32_t Intern(const std::uint32_t* entries, std::size_t count);
  const std::uint32_t* Entries(std::uint32_t id) const noexcept {
    return pool_.data() + contents_[id].begin;
  }
  std::size_t Size(std::uint32_t id) const noexcept { return contents_[id].count; }
  // The step of content id on key (a code class and the owner's bits), or null.
  const Move* Find(std::uint32_t id, std::uint32_t key) const {
    const auto it = moves_.find(MoveKey(id, key));
    return it == moves_.end() ? nullptr : &it->second;
  }
  void Add(std::uint32_t id, std::uint32_t key, Move move) {
    moves_.emplace(MoveKey(id, key), move);
  }
  // Stores the indices a step ended and returns where they begin (for Move::dropBegin).
  std::uint32_t AddDrops(const std::vector<std::uint32_t>& drops);
  const std::uint32_t* Drops(const Move& m) const noexcept { return drops_.data() + m.dropBegin; }
  void Clear();

 private:
  struct Content {
    std::size_t begin;
    std::uint32_t count;
  };
  static std::uint64_t MoveKey(std::uint32_t id, std::uint32_t key) {
    return std::uint64_t{id} << 32 | key;
  }

  std::size_t budget_;
  std::vector<std::uint32_t> pool_;
  std::vector<Content> contents_;
  std::unordered_multimap<std::uint64_t, std::uint32_t> byHash_;
  std::unordered_map<std::uint64_t, Move> moves_;
  std::vector<std::uint32_t> drops_;
};

// When walks go through a TWalkCache: from `from` walks alive on, until fewer than `below`
// are; the cache holds about `budget` words. Read when a search begins; tests lower them so
// that the cache takes part everywhere.
struct TWalkCacheLimits {
  std::size_t from = 24;
  std::size_t below = 12;
  std::size_t budget = std::size_t{1} << 20;
};
TWalkCacheLimits& WalkCacheLimits();

// Decides, for the file search, whether a match starts in the current line: at the character
// the main cursor has just read or at any later one of the same line (the line's closing LF
// belongs to the next line). The walk goes on past the line end as long as a match from the
// line may still complete.
//
// The caller reads the first character with the main cursor and the rest with the lookahead
// cursor. Without a match, the main cursor may pass over Passed() more characters without
// missing a start. A line end is an LF, or a 2-byte character whose second byte is one (the
// reader counts that LF as a line end). A pattern that runs across lines (a(.|\n)*z) must not be
// walked again from every line over the same text, so what a walk past a line end learnt is handed
// to the next line, which then starts right at that line end (MaySkip() is false). The automaton
// is deterministic, so what is learnt belongs to a state at a place, whichever walk brought it:
// - dead: the state leads nowhere from there; a walk of a later line that meets it neither;
// - good: the state reaches an accepting one later; a walk of a later line that meets it has a
//   match. Which of a line's states at its end are good is known by giving each an identity
//   there and joining the identities of walks that meet (they share their future from then
//   on): those joined into the walk that reaches the match are good.
// Both are carried on over the following lines (good until the state accepts), also over a line
// that has a match of its own, so each place is walked past its line end by at most as many
// lines as the automaton has states, however many different walks the lines begin.
class TLineDecider {
 public:
  explicit TLineDecider(const TRE_DFA& dfa)
      : dfa_(dfa), walk_(dfa), limits_(WalkCacheLimits()), cache_(limits_.budget) {}

  // False while the next decision must begin at the very next character.
  bool MaySkip() const noexcept { return handed_.empty(); }

  // True when a match starts in the line; next() gives the characters after first, 0 at the
  // end of the file.
  template <typename Next>
  bool Decide(CharCode first, Next&& next) {
    Begin();
    for (CharCode c = first;;) {
      Stepped(c);
      if (outcome_ != kOpen) return outcome_ == kMatch;
      c = next();
      ++read_;
    }
  }

  // After a decision without a match: how many characters after the first one the main cursor
  // may pass over.
  std::size_t Passed() const noexcept { return passed_; }

 private:
  // Tag bits: a walk from this line, a state known to lead nowhere, one known to reach an
  // accepting state later; above them, past the line end, the identity of a walk of this
  // line (1 + its index at the line end; walks that met carry the smallest).
  static constexpr std::size_t kLive = 1;
  static constexpr std::size_t kDead = 2;
  static constexpr std::size_t kGood = 4;
  static constexpr std::size_t kLearnt = kDead | kGood;
  static constexpr int kIdShift = 3;
  enum Outcome { kOpen, kMatch, kNoMatch };
  // What a step learnt: a walk from this line accepts (or meets a good state); one is alive;
  // states learnt from earlier lines are still carried.
  enum StepFlag : std::uint32_t { kLiveAccepts = 1, kLiveLeft = 2, kCarried = 4 };
  // A cached walk entry: the state and its tag (identities are below the automaton's size).
  static constexpr std::size_t kWordsPerEntry = 2;
  // After this many new contents in a row the cache is not asked for a number of steps,
  // doubling up to the longest pause while it keeps missing.
  static constexpr std::size_t kMissesBeforePause = 8;
  static constexpr std::size_t kFirstPause = 16;
  static constexpr std::size_t kLongestPause = 256;

  void Begin();
  void AddHandedStates();
  void Stepped(CharCode c);
  // The line has a match: only what earlier lines handed on is walked on, to the line end.
  void Settle();
  // Steps the walk on c (starting one more walk from this line when start), applies the tag
  // rules and says what it learnt; WalkStep never through the cache, adding the handed states
  // after the step when addHanded.
  std::uint32_t Advance(CharCode c, bool start);
  std::uint32_t WalkStep(CharCode c, bool start, bool addHanded);
  // The tag rules after a step of walk_ (dead states, good states, accepting walks).
  std::uint32_t ApplyTagRules();
  // Joins the tag of a walk that met another one into that one's tag.
  void Join(std::size_t& into, std::size_t tag);
  std::size_t Root(std::size_t id) noexcept;
  std::size_t CachedCount(std::uint32_t id) const noexcept {
    return cache_.Size(id) / kWordsPerEntry;
  }
  // Makes walk_ hold the walk again when its content is in the cache.
  void Materialize();
  // Puts the walk into the cache; false when the cache had to be emptied first.
  bool Intern();
  void AtLineEnd();
  void Finish(Outcome outcome);
  // Hands the entries at the line end on: what was learnt of them, and of this line's walks
  // that they reached a match (those joined into it) or led nowhere.
  void HandOn(const std::vector<TRE_StateWalk::Entry>& atEnd, bool matched);

  const TRE_DFA& dfa_;
  TRE_StateWalk walk_;
  // Handed to the next line: states with what is known of them (dead or good).
  std::vector<TRE_StateWalk::Entry> handed_;
  std::vector<TRE_StateWalk::Entry> atEnd_;
  // After a line end that is a lead byte and an LF: the states right after it (a report
  // leaves the reader on that LF, so the next line's walk is there after its first step).
  std::vector<TRE_StateWalk::Entry> afterEnd_;
  bool handedAfterEnd_ = false;  // handed_ holds states after the next line's first step
  bool addAfterFirst_ = false;
  // Past the line end: identities joined (parent of each, the smallest one its root), and the
  // roots of walks that reached the match.
  std::vector<std::uint32_t> parent_;
  std::vector<char> goodRoot_;
  std::vector<std::uint32_t> joins_;  // pairs (root, joined) of the last step
  TWalkCacheLimits limits_;
  TWalkCache cache_;
  bool cached_ = false;  // the walk is content current_ of the cache, not walk_
  std::uint32_t current_ = TWalkCache::kNone;
  std::vector<std::uint32_t> packed_;
  std::size_t misses_ = 0;
  std::size_t pause_ = 0;
  std::size_t pauseLength_ = kFirstPause;
  Outcome outcome_ = kOpen;
  bool pastEnd_ = false;
  bool settled_ = false;      // a match starts in the line; only learnt states are walked on
  bool plainEnd_ = true;      // the line ended with an LF of its own
  std::size_t read_ = 0;      // characters read after the first
  std::size_t endIndex_ = 0;  // read_ at the line end
  std::size_t passed_ = 0;
};

}  // namespace skarvo
