// One call from pattern text to automaton: parse, build the NFA, build the DFA, free the
// intermediate stages. The compiled-pattern object and the benchmarks compile through it.
#pragma once

#include <memory>
#include <string>

#include "engine/char_codes.h"
#include "engine/re_dfa.h"

namespace skarvo {

// Line codes of in-memory matching: markers above every code a text can hold.
constexpr CharCode kMemoryLineHeadCode = 0xFFFD;
constexpr CharCode kMemoryLineTailCode = 0xFFFE;

// Compiles pattern with the given anchor codes. Raises ERegExpParser for a bad or too
// complex pattern; nothing is left allocated then.
std::unique_ptr<TRE_DFA> CompileDFA(const std::string& pattern,
                                    CharCode lineHeadCode = kMemoryLineHeadCode,
                                    CharCode lineTailCode = kMemoryLineTailCode);

}  // namespace skarvo
