// The engine against a plain reference on seeded random patterns and texts.
//
// Patterns are generated as syntax trees and rendered to pattern text in varied spellings
// (raw, backslash-escaped, hexadecimal and octal codes, 2-byte characters, classes, negated
// classes, ranges, groups, alternation, the three postfix operators, ^ and $ anywhere). The
// engine compiles the text; the reference interprets the tree directly: it builds its own
// automaton, with anchors decided by position (a ^ where nothing can come before it, a $
// where nothing can follow), and simulates it over sets of states with the same procedural
// rules for line starts, line ends and the line separator as the search routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/match_core.h"
#include "engine/re_compile.h"
#include "engine/re_state_walk.h"
#include "engine/regexp_error.h"

namespace skarvo {
namespace {

using Ranges = std::vector<std::pair<unsigned, unsigned>>;

const Ranges kAnyChar = {{0x01, 0x09}, {0x0B, 0x0C}, {0x0E, 0xFCFC}};

bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// ---- Syntax trees ------------------------------------------------------------------------

struct Alt;
struct Primary {
  enum Kind { kChar, kClass, kAny, kGroup, kHead, kTail } kind = kChar;
  unsigned code = 0;
  bool negated = false;
  Ranges items;                // class members as listed
  std::shared_ptr<Alt> group;  // kGroup
};
struct Factor {
  Primary primary;
  char op = 0;  // 0, '*', '+', '?'
};
struct Alt {
  std::vector<std::vector<Factor>> terms;
};

// ---- Reference automaton -----------------------------------------------------------------

constexpr unsigned kHeadMarker = 0x10000;  // stand-ins that no text code equals
constexpr unsigned kTailMarker = 0x10001;

struct RefNfa {
  struct Edge {
    bool empty;
    Ranges ranges;  // also holds the anchor marker or code
    int to;
  };
  std::vector<std::vector<Edge>> edges{2};
  bool headUsed = false;
  bool tailUsed = false;
  bool emptyNegatedClass = false;
  unsigned headCode = 0xFFFD;
  unsigned tailCode = 0xFFFE;

  int NewState() {
    edges.emplace_back();
    return static_cast<int>(edges.size()) - 1;
  }
  void AddEmpty(int a, int b) { edges[a].push_back({true, {}, b}); }
  void AddRanges(int a, int b, Ranges r) { edges[a].push_back({false, std::move(r), b}); }

  void BuildAlt(const Alt& alt, int a, int b, bool atEntry, bool atFinal) {
    for (const auto& term : alt.terms) {
      if (term.empty()) {
        AddEmpty(a, b);
        continue;
      }
      int from = a;
      for (std::size_t i = 0; i < term.size(); ++i) {
        const bool last = i + 1 == term.size();
        const int to = last ? b : NewState();
        BuildFactor(term[i], from, to, atEntry && i == 0, atFinal && last);
        from = to;
      }
    }
  }
  void BuildStar(const Primary& p, int a, int b) {
    const int c = NewState();
    const int d = NewState();
    AddEmpty(a, c);
    BuildPrimary(p, c, d, false, false);
    AddEmpty(d, c);
    AddEmpty(c, b);
  }
  void BuildFactor(const Factor& f, int a, int b, bool atEntry, bool atFinal) {
    switch (f.op) {
      case '*':
        BuildStar(f.primary, a, b);
        break;
      case '+': {
        const int x = NewState();
        BuildPrimary(f.primary, a, x, atEntry, false);
        BuildStar(f.primary, x, b);
        break;
      }
      case '?':
        BuildPrimary(f.primary, a, b, atEntry, atFinal);
        AddEmpty(a, b);
        break;
      default:
        BuildPrimary(f.primary, a, b, atEntry, atFinal);
    }
  }
  void BuildPrimary(const Primary& p, int a, int b, bool atEntry, bool atFinal) {
    switch (p.kind) {
      case Primary::kChar:
        AddRanges(a, b, {{p.code, p.code}});
        break;
      case Primary::kAny:
        AddRanges(a, b, kAnyChar);
        break;
      case Primary::kClass: {
        if (!p.negated) {
          AddRanges(a, b, p.items);
          break;
        }
        Ranges kept;
        for (const auto& [lo, hi] : kAnyChar) {
          for (unsigned c = lo; c <= hi;) {
            // Skip forward over listed members, keep runs of unlisted codes.
            unsigned next = c;
            bool listed = false;
            for (const auto& [il, ih] : p.items) {
              if (il <= c && c <= ih) {
                listed = true;
                next = std::max(next, ih + 1);
              }
            }
            if (listed) {
              c = next;
              continue;
            }
            unsigned end = hi;
            for (const auto& [il, ih] : p.items) {
              if (il > c && il - 1 < end) end = il - 1;
            }
            kept.push_back({c, end});
            c = end + 1;
          }
        }
        if (kept.empty()) emptyNegatedClass = true;
        AddRanges(a, b, kept);
        break;
      }
      case Primary::kGroup:
        BuildAlt(*p.group, a, b, atEntry, atFinal);
        break;
      case Primary::kHead:
        if (atEntry) {
          headUsed = true;
          AddRanges(a, b, {{kHeadMarker, kHeadMarker}});
        } else {
          AddRanges(a, b, {{'^', '^'}});
        }
        break;
      case Primary::kTail:
        if (atFinal) {
          tailUsed = true;
          AddRanges(a, b, {{kTailMarker, kTailMarker}});
        } else {
          AddRanges(a, b, {{'$', '$'}});
        }
        break;
    }
  }

  // ---- Simulation over sets of states ----

  // Sets of states are bit words; an empty vector stands for "no state".
  using Set = std::vector<std::uint64_t>;
  struct Move {
    unsigned lo;
    unsigned hi;
    int to;
  };
  std::vector<std::vector<Move>> moves;      // per state, every non-empty edge by range
  std::vector<std::vector<int>> emptyMoves;  // per state
  Set start;

  // Flattens the edges for the simulation; call once the automaton is built.
  void Finish() {
    moves.assign(edges.size(), {});
    emptyMoves.assign(edges.size(), {});
    for (std::size_t i = 0; i < edges.size(); ++i) {
      for (const Edge& e : edges[i]) {
        if (e.empty) {
          emptyMoves[i].push_back(e.to);
          continue;
        }
        for (const auto& [lo, hi] : e.ranges) moves[i].push_back({lo, hi, e.to});
      }
    }
    start.assign(edges.size() / 64 + 1, 0);
    start[0] = 1;
    Close(start);
  }

  static bool Has(const Set& s, int i) { return (s[i >> 6] >> (i & 63)) & 1; }
  static void Put(Set& s, int i) { s[i >> 6] |= std::uint64_t{1} << (i & 63); }

  void Close(Set& s) const {
    std::vector<int> stack;
    for (int i = 0; i < static_cast<int>(edges.size()); ++i) {
      if (Has(s, i)) stack.push_back(i);
    }
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      for (int to : emptyMoves[i]) {
        if (!Has(s, to)) {
          Put(s, to);
          stack.push_back(to);
        }
      }
    }
  }
  const Set& Start() const { return start; }
  // code is a text code or a marker: a marker stands for the anchors; with the file line
  // codes the anchors are the LF itself, so an LF also takes them.
  Set Step(const Set& s, unsigned code) const {
    Set out(s.size(), 0);
    bool any = false;
    for (int i = 0; i < static_cast<int>(edges.size()); ++i) {
      if (!Has(s, i)) continue;
      for (const Move& m : moves[i]) {
        bool holds = m.lo <= code && code <= m.hi;
        if (m.lo == kHeadMarker) holds = code == kHeadMarker || code == headCode;
        if (m.lo == kTailMarker) holds = code == kTailMarker || code == tailCode;
        if (holds) {
          Put(out, m.to);
          any = true;
        }
      }
    }
    if (!any) return {};
    Close(out);
    return out;
  }
  static bool None(const Set& s) { return s.empty(); }
  static bool Accepting(const Set& s) { return !s.empty() && Has(s, 1); }
};

// ---- Reference search routines ------------------------------------------------------------

struct RefMatcher {
  const RefNfa& nfa;
  const std::string& text;  // the terminator is text.size()
  bool lfSeparator;

  unsigned Read(std::size_t& q) const {
    if (q >= text.size()) return 0;
    const auto b = static_cast<unsigned char>(text[q]);
    if (IsLead(b) && q + 1 < text.size()) {
      const unsigned code = b << 8 | static_cast<unsigned char>(text[q + 1]);
      q += 2;
      return code;
    }
    q += 1;
    return b;
  }
  std::size_t Next(std::size_t s) const {
    std::size_t q = s;
    Read(q);
    return q;
  }
  bool Separator(unsigned c) const { return lfSeparator ? c == 10 : c == 13; }

  long MatchAt(std::size_t p, RefNfa::Set state) const {
    if (RefNfa::None(state)) return -1;
    long result = -1;
    std::size_t q = p;
    unsigned c = 0;
    for (;;) {
      if (RefNfa::Accepting(state)) result = static_cast<long>(q);
      c = Read(q);
      if (c == 0) break;
      RefNfa::Set next = nfa.Step(state, c);
      if (RefNfa::None(next)) break;
      state = std::move(next);
    }
    if ((c == 0 || Separator(c)) && !RefNfa::None(nfa.Step(state, kTailMarker))) {
      return static_cast<long>(c == 0 ? q : q - 1);
    }
    return result;
  }
  long MatchAtLineStart(std::size_t p, const RefNfa::Set& state) const {
    if (!nfa.headUsed) return MatchAt(p, state);
    const long e1 = MatchAt(p, nfa.Step(state, kHeadMarker));
    if (e1 < 0) return -1;
    const long e2 = MatchAt(p, state);
    return e2 >= e1 ? e2 : e1;
  }
  std::pair<long, long> FindFirst() const {
    for (std::size_t s = 0; s < text.size(); s = Next(s)) {
      RefNfa::Set state = nfa.Start();
      long end = -1;
      std::size_t q = s;
      for (;;) {
        if (RefNfa::Accepting(state)) end = static_cast<long>(q);
        const unsigned c = Read(q);
        if (c == 0) break;
        state = nfa.Step(state, c);
        if (RefNfa::None(state)) break;
      }
      if (end >= 0) return {static_cast<long>(s), end};
    }
    if (text.empty() && RefNfa::Accepting(nfa.Start())) return {0, 0};
    return {-1, -1};
  }
  std::pair<long, long> ScanForMatch(std::size_t p) const {
    std::size_t s = p;
    for (; s < text.size(); s = Next(s)) {
      const long e = MatchAt(s, nfa.Start());
      if (e >= 0) return {static_cast<long>(s), e};
      if (text[s] == '\n' && nfa.headUsed) {
        const long e2 = MatchAtLineStart(s + 1, nfa.Start());
        if (e2 >= 0) return {static_cast<long>(s + 1), e2};
      }
    }
    if (nfa.tailUsed && !RefNfa::None(nfa.Step(nfa.Start(), kTailMarker))) {
      return {static_cast<long>(s), static_cast<long>(s)};
    }
    return {-1, -1};
  }
  std::pair<long, long> FindAnchored() const {
    const long e = MatchAtLineStart(0, nfa.Start());
    if (e >= 0) return {0, e};
    // An empty text: the alternatives without ^ have their empty match there.
    if (text.empty() && RefNfa::Accepting(nfa.Start())) return {0, 0};
    return ScanForMatch(0);
  }
};

// ---- Random generation ---------------------------------------------------------------------

const unsigned kSingleCodes[] = {'a',  'b',  'c',  'x',  'A',  ' ',  '-',  '^',  '$',  '\\', ']',
                                 '[',  '.',  '*',  '(',  ')',  '|',  '+',  '?',  '\n', '\r', '\t',
                                 0x08, 0x7F, 0x80, 0xA0, 0xB1, 0xDF, 0x01, 0x0B, 0x0E, 0x82};
const unsigned kDoubleCodes[] = {0x82A0, 0x82A2, 0x8341, 0x815B, 0x835C, 0x889F, 0x8181,
                                 0xE040, 0x9F9F, 0xFC4B, 0x82F1, 0x829F, 0x835E, 0x837C};
// What texts are made of (0x82 alone only as a text's last byte).
const unsigned kTextCodes[] = {'a',    'b',    'c',    'x',    'A',   '^',  '$',
                               '-',    '\n',   '\r',   '\n',   '\r',  0xB1, 0x82A0,
                               0x8341, 0x835C, 0x889F, 0x8181, 0x9F9F};

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Below(100) < percent; }

  unsigned Code() {
    if (Chance(60)) return kSingleCodes[Below(std::size(kSingleCodes))];
    return kDoubleCodes[Below(std::size(kDoubleCodes))];
  }

  Alt MakeAlt(int depth) {
    Alt alt;
    const int terms = Chance(35) ? 1 + Below(3) : 1;
    for (int t = 0; t < terms; ++t) {
      std::vector<Factor> term;
      const int n = Chance(8) ? 0 : 1 + Below(depth > 1 ? 3 : 5);
      for (int i = 0; i < n; ++i) term.push_back(MakeFactor(depth));
      alt.terms.push_back(std::move(term));
    }
    return alt;
  }

  Factor MakeFactor(int depth) {
    Factor f;
    f.primary = MakePrimary(depth);
    const int r = Below(100);
    f.op = r < 12 ? '*' : r < 22 ? '+' : r < 32 ? '?' : 0;
    return f;
  }

  Primary MakePrimary(int depth) {
    Primary p;
    const int r = Below(100);
    if (r < 45) {
      p.kind = Primary::kChar;
      p.code = Code();
    } else if (r < 60) {
      p.kind = Primary::kClass;
      p.negated = Chance(35);
      const int items = 1 + Below(3);
      for (int i = 0; i < items; ++i) {
        unsigned lo = Code();
        unsigned hi = lo;
        if (Chance(40)) {
          hi = Code();
          if (hi < lo) std::swap(lo, hi);
        }
        if (Chance(3)) lo = 0x01, hi = 0xFCFC;  // everything, for the empty negated class
        p.items.push_back({lo, hi});
      }
    } else if (r < 68) {
      p.kind = Primary::kAny;
    } else if (r < 80 && depth < 3) {
      p.kind = Primary::kGroup;
      p.group = std::make_shared<Alt>(MakeAlt(depth + 1));
    } else if (r < 90) {
      p.kind = Primary::kHead;
    } else {
      p.kind = Primary::kTail;
    }
    return p;
  }

  std::string Hex(unsigned code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, Chance(50) ? "\\x%04x" : "\\x%04X", code);
    return buf;
  }
  std::string Octal(unsigned code) {
    char buf[10];
    std::snprintf(buf, sizeof buf, "\\%06o", code);
    return buf;
  }

  // One character in one of its spellings; inClass switches the set of special characters.
  std::string Spell(unsigned code, bool inClass) {
    const int how = Below(100);
    if (how < 10) return Hex(code);
    if (how < 15) return Octal(code);
    if (code > 0xFF) {
      std::string raw{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      return how < 25 ? "\\" + raw : raw;
    }
    if (code == '\n' && how < 60) return "\\n";
    if (code == '\r' && how < 60) return "\\r";
    if (code == '\t' && how < 60) return "\\t";
    if (code == 0x08) return "\\b";
    if (IsLead(code) || code == 0 || (code >= '0' && code <= '7')) return Hex(code);
    if (code == 'b' || code == 'n' || code == 'r' || code == 't' || code == 'x') {
      return std::string(1, static_cast<char>(code));  // raw only: escaped they mean more
    }
    const std::string meta = inClass ? "]\\-^" : "^(|)+*?.[]$\\";
    const bool special = meta.find(static_cast<char>(code)) != std::string::npos;
    if (special || how < 20) return "\\" + std::string(1, static_cast<char>(code));
    return std::string(1, static_cast<char>(code));
  }

  std::string Render(const Alt& alt) {
    std::string out;
    for (std::size_t t = 0; t < alt.terms.size(); ++t) {
      if (t > 0) out += '|';
      for (const Factor& f : alt.terms[t]) {
        out += Render(f.primary);
        if (f.op) out += f.op;
      }
    }
    return out;
  }
  std::string Render(const Primary& p) {
    switch (p.kind) {
      case Primary::kChar:
        return Spell(p.code, false);
      case Primary::kAny:
        return ".";
      case Primary::kHead:
        return "^";
      case Primary::kTail:
        return "$";
      case Primary::kGroup:
        return "(" + Render(*p.group) + ")";
      case Primary::kClass: {
        std::string out = p.negated ? "[^" : "[";
        for (const auto& [lo, hi] : p.items) {
          out += Spell(lo, true);
          if (hi != lo) out += "-" + Spell(hi, true);
        }
        return out + "]";
      }
    }
    return "";
  }

  std::string Text() {
    std::string text;
    const int n = Below(14);
    for (int i = 0; i < n; ++i) {
      const unsigned c = kTextCodes[Below(std::size(kTextCodes))];
      if (c > 0xFF) text += static_cast<char>(c >> 8);
      text += static_cast<char>(c & 0xFF);
    }
    if (Chance(10)) text += '\x82';  // a lone lead byte at the end
    return text;
  }

  // Hundreds of characters: short texts and long runs of one character, so that partial
  // matches run long and many walks are alive at once.
  std::string LongText() {
    std::string text;
    while (text.size() < 300) {
      if (Chance(50)) {
        text += Text();
        if (!text.empty() && text.back() == '\x82') text.pop_back();
      } else {
        const unsigned c = kTextCodes[Below(std::size(kTextCodes))];
        for (int n = Below(120); n >= 0; --n) {
          if (c > 0xFF) text += static_cast<char>(c >> 8);
          text += static_cast<char>(c & 0xFF);
        }
      }
    }
    return text;
  }

 private:
  std::mt19937 rng_;
};

std::string Visible(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    char buf[6];
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buf, sizeof buf, "<%02X>", c);
      out += buf;
    }
  }
  return out;
}

std::pair<long, long> Offsets(const TMatchRange& r, const char* p) {
  if (!r.Found()) return {-1, -1};
  return {r.start - p, r.end - p};
}

// Every match the replacement takes in text (its loop, with search giving the match from a
// place, told whether the place begins a line).
template <typename Search>
std::vector<std::pair<long, long>> AllMatches(const std::string& text, bool crlf, Search&& search) {
  std::vector<std::pair<long, long>> out;
  const char* base = text.c_str();
  TMatchRange m = search(base, true);
  for (std::size_t rest = 0; m.Found();) {
    out.push_back(Offsets(m, base));
    if (m.start < base + rest || m.end < m.start) break;  // a fault: must not loop
    auto start = static_cast<std::size_t>(m.start - base);
    auto end = static_cast<std::size_t>(m.end - base);
    if (start == end) {
      if (start >= text.size()) break;
      const bool pair =
          crlf && text[start] == '\r' && start + 1 < text.size() && text[start + 1] == '\n';
      end = std::min(text.size(),
                     start + (IsLead(static_cast<unsigned char>(text[start])) || pair ? 2 : 1));
    }
    rest = end;
    if (rest >= text.size()) break;
    m = search(base + rest, text[rest - 1] == '\n');
  }
  return out;
}

// The one-pass cursor against searching afresh from every place, on the text, on the text
// with a zero byte or a lead byte before an LF inside, with windows of a few starts and of
// many.
void CompareCursor(const TMatchCORE& core, const std::string& text, bool lf) {
  const TRE_DFA& dfa = core.CurrentDFA();
  const bool anchors = dfa.LineHeadUsed() || dfa.LineTailUsed();
  std::string zero = text;
  zero.insert(zero.size() / 2, 1, '\0');
  // A 2-byte character whose second byte is an LF: the replacement takes the place after it
  // as a line start, a search from before it does not.
  std::string leadLf = text;
  leadLf.insert(leadLf.size() / 3, "\x82\n");
  // Damaged throughout: after every character in turn a 2-byte character whose second byte
  // is an LF or a CR, a zero byte, or an LF.
  std::string damaged;
  const char* const pieces[] = {"\x82\n", "\x9F\r", "", "\n", "\xE0\n"};
  std::size_t k = 0;
  for (std::size_t i = 0; i < text.size(); ++k) {
    const std::size_t length = IsLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    damaged.append(text, i, length);
    i += length;
    damaged += k % 5 == 2 ? std::string(1, '\0') : pieces[k % 5];
  }
  for (const std::string& t : {text, zero, leadLf, damaged, "\x82\n" + text + "\x82\n"}) {
    const auto expected = AllMatches(t, !lf, [&](const char* p, bool lineStart) {
      if (!lineStart) return core.ScanForMatch(p);
      return anchors ? core.FindAnchored(p) : core.FindFirst(p);
    });
    const std::size_t usual = TMatchCursor::WindowSize();
    for (const std::size_t window : {std::size_t{1}, std::size_t{3}, usual}) {
      TMatchCursor::WindowSize() = window;
      TMatchCursor cursor(core, t.c_str(), t.size());
      const auto got = AllMatches(
          t, !lf, [&](const char* p, bool lineStart) { return cursor.Next(p, lineStart); });
      TMatchCursor::WindowSize() = usual;
      ASSERT_EQ(got, expected) << "all matches, window " << window << " text " << Visible(t);
    }
  }
}

void CompareInMemory(unsigned seed, int patterns, bool longTexts, int minCompiled, int minFound) {
  Generator gen(seed);
  int compiled = 0;
  int found = 0;
  for (int i = 0; i < patterns; ++i) {
    const Alt tree = gen.MakeAlt(0);
    const std::string pattern = gen.Render(tree);
    RefNfa ref;
    ref.BuildAlt(tree, 0, 1, true, true);
    ref.Finish();
    SCOPED_TRACE("pattern " + Visible(pattern));
    std::unique_ptr<TRE_DFA> dfa;
    try {
      dfa = CompileDFA(pattern);
    } catch (const ERegExpParser& e) {
      ASSERT_TRUE(ref.emptyNegatedClass) << "unexpected error at " << e.ErrorPos();
      continue;
    }
    ASSERT_FALSE(ref.emptyNegatedClass) << "a class that excludes everything was accepted";
    ++compiled;
    TMatchCORE core(dfa.get());
    for (int k = 0; k < 3; ++k) {
      const std::string text = longTexts ? gen.LongText() : gen.Text();
      SCOPED_TRACE("text " + Visible(text));
      for (const bool lf : {false, true}) {
        core.SetLineSeparator(lf ? mcls_LF : mcls_CRLF);
        const RefMatcher m{ref, text, lf};
        const auto first = m.FindFirst();
        ASSERT_EQ(Offsets(core.FindFirst(text.c_str()), text.c_str()), first) << "FindFirst";
        const auto anchored = m.FindAnchored();
        ASSERT_EQ(Offsets(core.FindAnchored(text.c_str()), text.c_str()), anchored)
            << "FindAnchored lf=" << lf;
        ASSERT_EQ(Offsets(core.ScanForMatch(text.c_str()), text.c_str()), m.ScanForMatch(0))
            << "ScanForMatch lf=" << lf;
        if (anchored.first >= 0) ++found;
        CompareCursor(core, text, lf);
      }
    }
  }
  // The generator must produce a useful mix.
  EXPECT_GT(compiled, minCompiled);
  EXPECT_GT(found, minFound);
}

TEST(Differential, InMemoryRoutinesAgreeWithTheReference) {
  CompareInMemory(20261207, 10000, false, 9000, 10000);
}

TEST(Differential, InMemoryRoutinesAgreeWithTheReferenceOnLongTexts) {
  CompareInMemory(777, 800, true, 700, 1500);
}

// The same with the walks' cache taking every step it can, emptied every few lists (tiny
// budget) or kept.
TEST(Differential, InMemoryRoutinesAgreeWithTheReferenceThroughTheWalkCache) {
  const TWalkCacheLimits saved = WalkCacheLimits();
  for (const TWalkCacheLimits limits :
       {TWalkCacheLimits{1, 1, 40}, TWalkCacheLimits{2, 0, 1 << 20}}) {
    WalkCacheLimits() = limits;
    CompareInMemory(99, 2000, false, 1800, 2000);
    CompareInMemory(98, 300, true, 250, 500);
  }
  WalkCacheLimits() = saved;
}

// The walk cache against plain walks where a later start matches first and walks from earlier
// starts go on, long enough to enter the cache again, until one of them matches: patterns
// made of a word and a piece of it ("abcab|ca", "^abcab|ca", "abcab$|ca", "abcabx|bca|ca|a").
TEST(Differential, WalkCacheAfterAMatchAgreesWithPlainWalks) {
  std::mt19937 rng(31337);
  auto below = [&rng](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  struct Restore {
    TWalkCacheLimits saved = WalkCacheLimits();
    ~Restore() { WalkCacheLimits() = saved; }
  } restore;
  const TWalkCacheLimits plain{std::size_t{1} << 40, 0, 1 << 20};
  int later = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string word;
    for (std::size_t n = 3 + below(10); n > 0; --n) word += "abc"[below(3)];
    const std::size_t from = 1 + below(word.size() - 1);
    const std::string piece = word.substr(from, 1 + below(word.size() - from));
    // Or pieces from the word's second, third and fourth character: walks from earlier starts
    // match one after the other, later starts first.
    std::string pieces = word + "x";
    for (std::size_t k = 1; k <= 3 && k < word.size(); ++k)
      pieces += "|" + word.substr(k, 1 + below(word.size() - k));
    const std::string pattern =
        std::vector<std::string>{word + "|" + piece, "^" + word + "|" + piece, word + "$|" + piece,
                                 "(" + word + ")*" + word + "|" + piece, pieces}[below(5)];
    std::string text;
    while (text.size() < 60) text += below(3) == 0 ? word : std::string(1, "abc\r\n"[below(5)]);
    SCOPED_TRACE("pattern " + pattern + " text " + Visible(text));
    const auto dfa = CompileDFA(pattern);
    TMatchCORE core(dfa.get());
    for (const bool lf : {false, true}) {
      core.SetLineSeparator(lf ? mcls_LF : mcls_CRLF);
      auto all = [&](const TWalkCacheLimits& limits) {
        WalkCacheLimits() = limits;
        std::vector<std::pair<long, long>> out;
        for (std::size_t k = 0; k < text.size(); k += 3) {
          const char* q = text.c_str() + k;
          out.push_back(Offsets(core.FindFirst(q), q));
          out.push_back(Offsets(core.FindAnchored(q), q));
          out.push_back(Offsets(core.ScanForMatch(q), q));
        }
        return out;
      };
      const auto expected = all(plain);
      for (const TWalkCacheLimits limits :
           {TWalkCacheLimits{1, 1, 40}, TWalkCacheLimits{1, 0, 1 << 20},
            TWalkCacheLimits{2, 1, 1 << 20}}) {
        ASSERT_EQ(all(limits), expected) << "limits " << limits.from << " " << limits.below;
      }
      for (std::size_t k = 0; k < expected.size(); ++k) later += expected[k].first > 0;
    }
  }
  EXPECT_GT(later, 10000);
}

// With the file line codes both anchors are LF, which the reader puts before and after every
// line; a walk reports the first position at which an accepting state is reached.
TEST(Differential, FileLineCodesAgreeWithTheReference) {
  Generator gen(4242);
  int matches = 0;
  for (int i = 0; i < 2500; ++i) {
    const Alt tree = gen.MakeAlt(0);
    const std::string pattern = gen.Render(tree);
    RefNfa ref;
    ref.headCode = ref.tailCode = '\n';
    ref.BuildAlt(tree, 0, 1, true, true);
    ref.Finish();
    SCOPED_TRACE("pattern " + Visible(pattern));
    std::unique_ptr<TRE_DFA> dfa;
    try {
      dfa = CompileDFA(pattern, '\n', '\n');
    } catch (const ERegExpParser&) {
      ASSERT_TRUE(ref.emptyNegatedClass);
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      std::string line = gen.Text();
      std::replace(line.begin(), line.end(), '\r', '\n');
      if (!line.empty() && line.back() == '\x82') line.pop_back();
      const std::string text = "\n" + line + "\n";
      SCOPED_TRACE("text " + Visible(text));
      // Without anchors such an automaton still takes these codes, so a search from a line
      // start ends matches otherwise than one from elsewhere: the one pass must agree with both.
      TMatchCORE core(dfa.get());
      for (const bool lf : {false, true}) {
        core.SetLineSeparator(lf ? mcls_LF : mcls_CRLF);
        CompareCursor(core, line, lf);
      }
      const RefMatcher m{ref, text, true};
      for (std::size_t s = 0; s < text.size(); s = m.Next(s)) {
        long refEnd = -1;
        RefNfa::Set set = ref.Start();
        int state = dfa->InitialState();
        std::size_t q = s;
        long engineEnd = -1;
        for (std::size_t r = s; r < text.size();) {
          const unsigned c = m.Read(r);
          if (!RefNfa::None(set)) set = ref.Step(set, c);
          if (state != TRE_DFA::kNone) state = dfa->Step(state, static_cast<CharCode>(c));
          if (refEnd < 0 && RefNfa::Accepting(set)) refEnd = static_cast<long>(r);
          if (engineEnd < 0 && state != TRE_DFA::kNone && dfa->Accepting(state)) {
            engineEnd = static_cast<long>(r);
          }
          q = r;
        }
        (void)q;
        ASSERT_EQ(engineEnd, refEnd) << "start " << s;
        if (refEnd >= 0) ++matches;
      }
    }
  }
  EXPECT_GT(matches, 3000);
}

}  // namespace
}  // namespace skarvo
