#include "engine/re_compile.h"

#include "engine/re_nfa.h"
#include "engine/re_parser.h"

namespace skarvo {

std::unique_ptr<TRE_DFA> CompileDFA(const std::string& pattern, CharCode lineHeadCode,
                                    CharCode lineTailCode) {
  TREParser parser(pattern);
  parser.Run();
  TRE_NFA nfa(parser, lineTailCode, lineHeadCode);
  nfa.Build();
  auto dfa = std::make_unique<TRE_DFA>(nfa);
  dfa->Build();
  return dfa;
}

}  // namespace skarvo
