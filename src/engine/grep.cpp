#include "engine/grep.h"

#include <array>
#include <memory>

#include "engine/fuzzy_dictionary.h"
#include "engine/regexp_error.h"

namespace skarvo {

namespace {

// The codes of the automaton's chain of single characters, from the initial state.
std::vector<CharCode> ChainCodes(const TRE_DFA& dfa) {
  std::vector<CharCode> codes;
  int state = dfa.InitialState();
  while (state != TRE_DFA::kNone) {
    const auto& transitions = dfa.State(state).Transitions;
    if (transitions.size() != 1) break;
    codes.push_back(transitions[0].Low);
    state = transitions[0].Target;
  }
  return codes;
}

// The codes of a text as ReadCharAt reads them; false when the text does not split cleanly.
bool SplitCodes(const std::string& text, std::vector<CharCode>& codes) {
  codes.clear();
  try {
    int index = 1;
    while (static_cast<size_t>(index) <= text.size()) codes.push_back(ReadCharAt(text, index));
  } catch (const ERegExpParser&) {
    return false;
  }
  return true;
}

}  // namespace

TGrep::TGrep(TMessagePump pump) : pump_(std::move(pump)) {
  FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  ChooseRoutine();
}

void TGrep::SetRegExp(const std::string& pattern) {
  try {
    TRegularExpression::SetRegExp(pattern);
  } catch (...) {
    ChooseRoutine();
    throw;
  }
  ChooseRoutine();
}

void TGrep::ChooseRoutine() {
  useLiteral_ = false;
  literalCodes_.clear();
  if (!IsLiteral()) return;
  // The fixed string is compared by its codes as read back from its text. A code that the
  // text does not give back (a code above 0xFF without a lead byte, a lone lead byte, a zero)
  // would change the results, so such a pattern walks the automaton instead.
  std::vector<CharCode> fromText;
  if (!SplitCodes(LiteralText(), fromText) || fromText != ChainCodes(CurrentDFA())) return;
  for (CharCode c : fromText)
    if (c == 0) return;
  literalCodes_ = std::move(fromText);
  literalCodes_.push_back(0);
  useLiteral_ = true;
}

void TGrep::Grep(const std::string& fileName) {
  if (useLiteral_)
    GrepLiteral(fileName);
  else
    GrepDFA(fileName);
}

void TGrep::GrepDFA(const std::string& fileName) {
  if (!onMatch_) return;
  cancel_ = false;
  std::unique_ptr<TTxtFile> file;
  try {
    file = std::make_unique<TTxtFile>(fileName, cancel_, pump_);
  } catch (const EEndOfFile&) {
    return;
  }
  // A handler may set another pattern or handler; this search goes on with the ones it began with.
  const std::shared_ptr<const TRE_DFA> current = SharedCurrentDFA();
  const TRE_DFA& dfa = *current;
  const TGrepOnMatch onMatch = onMatch_;
  const int initial = dfa.InitialState();
  std::array<bool, 256> mayStart{};
  for (int b = 0; b < 256; ++b)
    mayStart[static_cast<size_t>(b)] = dfa.CanStartWith(static_cast<unsigned char>(b));
  const TTxtFile::SkipTable skip = TTxtFile::MakeSkipTable(mayStart);
  try {
    for (;;) {
      file->SkipCharacters(skip);
      int state = dfa.Step(initial, file->ReadChar());
      while (state != TRE_DFA::kNone) {
        if (dfa.Accepting(state)) {
          onMatch(*this, file->GetLine());
          break;
        }
        // The reader gives 0 only at the end of the file: no match goes on past it.
        const CharCode c = file->NextLookaheadChar();
        if (c == 0) break;
        state = dfa.Step(state, c);
      }
    }
  } catch (const EEndOfFile&) {
  }
}

void TGrep::GrepLiteral(const std::string& fileName) {
  cancel_ = false;
  if (!onMatch_) return;
  if (!useLiteral_) return GrepDFA(fileName);
  std::unique_ptr<TTxtFile> file;
  try {
    file = std::make_unique<TTxtFile>(fileName, cancel_, pump_);
  } catch (const EEndOfFile&) {
    return;
  }
  // A handler may set another pattern or handler; this search goes on with the ones it began with.
  const std::vector<CharCode> codes = literalCodes_;
  const TGrepOnMatch onMatch = onMatch_;
  const size_t n = codes.size() - 1;
  std::array<bool, 256> mayStart{};
  if (n > 0) mayStart[codes[0] > 0xFF ? codes[0] >> 8 : codes[0]] = true;
  const TTxtFile::SkipTable skip = TTxtFile::MakeSkipTable(mayStart);
  try {
    for (;;) {
      file->SkipCharacters(skip);
      size_t i = 0;
      CharCode c = file->ReadChar();
      while (c == codes[i]) {
        if (i + 1 == n) {
          onMatch(*this, file->GetLine());
          break;
        }
        ++i;
        c = file->NextLookaheadChar();
      }
    }
  } catch (const EEndOfFile&) {
  }
}

}  // namespace skarvo
