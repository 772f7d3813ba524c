// The required texts of a compiled pattern, for skipping lines that cannot hold a match.
//
// GrepNeedles gives a small set of byte strings ("needles") such that every match the grep
// reports contains one of them inside the line where it starts, as the reader presents that
// line. The grep then looks for the needles with a fast byte search and lets the automaton
// decide only the lines where one occurs. An empty set means no such strings are known, and
// every line is decided as before.
//
// What makes a needle safe, given how the reader reads:
// - A needle never holds the bytes 0x00, 0x0A, 0x0D or 0x20: the reader turns line ends into
//   LF and a zero byte into a space, so a needle made of other bytes occurs in the file's
//   bytes exactly where it occurs in what the automaton sees.
// - The walk from the match's start to the needle's end never consumes a character that
//   holds a line end (LF, or a lead byte paired with the LF after it), except as its very
//   first character (an LF that starts a match belongs to the next line).
// - Walks stop at the first accepting state and a match consumes at least one character:
//   moves out of accepting states and the initial state's own acceptance are ignored.
#pragma once

#include <string>
#include <vector>

#include "engine/re_dfa.h"

namespace skarvo {

// At most this many needles are kept; a pattern that needs more gets none.
constexpr size_t kMaxGrepNeedles = 8;

std::vector<std::string> GrepNeedles(const TRE_DFA& dfa);

}  // namespace skarvo
