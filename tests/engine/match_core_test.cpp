#include "engine/match_core.h"

#include <gtest/gtest.h>

#include "engine/re_compile.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

enum Routine { kFindFirst, kFindAnchored, kScanForMatch };

struct Offsets {
  int start;
  int end;
  bool operator==(const Offsets&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Offsets& o) {
  return os << "(" << o.start << ", " << o.end << ")";
}

constexpr Offsets kNone{-1, -1};

Offsets Search(Routine routine, const std::string& pattern, const std::string& text,
               TMatchCORE_LineSeparator separator = mcls_CRLF) {
  auto dfa = CompileDFA(pattern);
  TMatchCORE core(dfa.get());
  core.SetLineSeparator(separator);
  const char* p = text.c_str();
  TMatchRange r = routine == kFindFirst      ? core.FindFirst(p)
                  : routine == kFindAnchored ? core.FindAnchored(p)
                                             : core.ScanForMatch(p);
  if (!r.Found()) return kNone;
  return {static_cast<int>(r.start - p), static_cast<int>(r.end - p)};
}

TEST(FindFirst, LeftmostLongestOverWholeCharacters) {
  struct Row {
    std::string pattern;
    std::string text;
    Offsets expected;
  } rows[] = {
      {"ab*", "xabbbc", {1, 5}},
      {"a|ab", "ab", {0, 2}},
      {"b*", "abc", {0, 0}},
      {"x*", "", {0, 0}},
      {"x", "", kNone},
      {"A", "\x83\x41", kNone},  // ア ends in the byte of A
      {"A",
       "\x83\x41"
       "A",
       {2, 3}},
      {"\\x41",
       "\x83\x41\x83\x41"
       "zA",
       {5, 6}},  // the literal path's boundary check
      {Sjis("ア"), "A\x83\x41", {1, 3}},
      {"[a-a]+", "`abba", {1, 2}},  // a range of one character is that character
      {"[a-a]", "`b", kNone},
      {Sjis("[ぁ-ん]+"), Sjis("xyzあいうアx"), {3, 9}},
      {"(ab|a)(bc|c)?", "abc", {0, 3}},
      {"a.c",
       "a\x82\xA0"
       "c",
       {0, 4}},
      {"a.c", "a\nc", kNone},  // . never holds LF or CR
      {"[^a]", "a\r\nb", {3, 4}},
      {"\\x82", "ab\x82", {2, 3}},  // a lone last lead byte reads as itself
      {".", "\x82", {0, 1}},
      {"x\\x82?", "zx\x82", {1, 3}},
      // Bytes after the terminator are never read: the text ends at its zero byte.
      {"ab", std::string("a\0b", 3), kNone},
      {"a^x|a.y", "a^x", {0, 3}},  // a literal ^ that '.' also holds
      {"a^x|a.y", "a^y", {0, 3}},
      {"x$y|x.z", "x$y", {0, 3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(Search(kFindFirst, row.pattern, row.text), row.expected);
  }
}

TEST(FindAnchored, LineStartsAndEndsFollowTheSeparator) {
  struct Row {
    std::string pattern;
    std::string text;
    TMatchCORE_LineSeparator separator;
    Offsets expected;
  } rows[] = {
      {"c$", "abc\r\nx", mcls_CRLF, {2, 3}},
      {"c$", "abc\nx", mcls_CRLF, kNone},
      {"c$", "abc\nx", mcls_LF, {2, 3}},
      {"c$", "abc", mcls_CRLF, {2, 3}},
      {"^b", "ab\nbc", mcls_CRLF, {3, 4}},
      {"^b", "ab\rbc", mcls_CRLF, kNone},  // a line start is only after LF
      {"^a|b", "b", mcls_CRLF, {0, 1}},
      {"^$", "", mcls_CRLF, {0, 0}},
      {"^$", "a\n", mcls_LF, {2, 2}},
      {"x*$", "ab", mcls_CRLF, {2, 2}},
      {"^ab|abc", "abc", mcls_CRLF, {0, 3}},  // the longer unanchored match wins
      {"^abc|ab", "abc", mcls_CRLF, {0, 3}},
      {"^a*", "baa", mcls_CRLF, {0, 0}},
      {"^$", "ab", mcls_CRLF, kNone},
      {"a$|b", "a\r", mcls_CRLF, {0, 1}},
      {Sjis("^ア"), "x\n\x83\x41", mcls_CRLF, {2, 4}},
      // Ranges reaching the anchor codes hold no text code there and never take an
      // anchor's step.
      {"^q|[\\xfff0-\\xfffe]a", "a", mcls_CRLF, kNone},
      {"a[\\xfff0-\\xffff]|b$", "a", mcls_CRLF, kNone},
      {"a[\\xfff0-\\xfffe]$", "a\r", mcls_CRLF, kNone},
      {"^[\\x01-\\xffff]+$", Sjis("xア\r"), mcls_CRLF, {0, 4}},  // CR is in the class
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern + " on " + row.text);
    EXPECT_EQ(Search(kFindAnchored, row.pattern, row.text, row.separator), row.expected);
  }
}

TEST(ScanForMatch, DoesNotTakeTheTextStartAsALineStart) {
  EXPECT_EQ(Search(kScanForMatch, "^b", "bc\nb"), (Offsets{3, 4}));
  EXPECT_EQ(Search(kScanForMatch, "^b", "bc"), kNone);
  EXPECT_EQ(Search(kScanForMatch, "x*$", "ab"), (Offsets{2, 2}));
  EXPECT_EQ(Search(kScanForMatch, "b$", "ab"), (Offsets{1, 2}));
}

TEST(MatchAt, EndsAtASeparatorOnlyWhereTheWalkStops) {
  auto dfa = CompileDFA("ab$");
  TMatchCORE core(dfa.get());
  const char text[] = "ab\r\n";
  EXPECT_EQ(core.MatchAt(text, dfa->InitialState()), text + 2);
  EXPECT_EQ(core.MatchAt(text, TRE_DFA::kNone), nullptr);
  EXPECT_EQ(core.MatchAt(text + 1, dfa->InitialState()), nullptr);
  core.SetLineSeparator(mcls_LF);
  EXPECT_EQ(core.MatchAt(text, dfa->InitialState()), nullptr);
  EXPECT_TRUE(core.IsLineSeparator('\n'));
  EXPECT_FALSE(core.IsLineSeparator('\r'));
}

}  // namespace
}  // namespace skarvo
