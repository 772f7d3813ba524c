#include "engine/grep.h"

#include <array>
#include <memory>

#include "engine/fuzzy_dictionary.h"
#include "engine/grep_needles.h"
#include "engine/re_state_walk.h"
#include "engine/regexp_error.h"
#include "platform/work_done.h"

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

// What the reader may pass over without looking, for a search with the automaton.
TTxtFile::SkipTable DfaSkipTable(const TRE_DFA& dfa) {
  std::array<bool, 256> mayStart{};
  for (int b = 0; b < 256; ++b)
    mayStart[static_cast<size_t>(b)] = dfa.CanStartWith(static_cast<unsigned char>(b));
  return TTxtFile::MakeSkipTable(mayStart);
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

// A line end as the reader counts one: an LF, or a 2-byte character whose second byte is one.
bool IsLineEndCode(CharCode c) { return c == '\n' || (c > 0xFF && (c & 0xFF) == '\n'); }

// For the head of codes (ended by 0) that holds no line end after its first code: entry i is
// the length of the longest proper prefix of the head that also ends its first i + 1 codes.
std::vector<uint32_t> LiteralBorders(const std::vector<CharCode>& codes) {
  size_t head = 1;
  while (head + 1 < codes.size() && !IsLineEndCode(codes[head])) ++head;
  std::vector<uint32_t> borders(head, 0);
  for (size_t i = 1, k = 0; i < head; ++i) {
    while (k > 0 && codes[i] != codes[k]) k = borders[k - 1];
    if (codes[i] == codes[k]) ++k;
    borders[i] = static_cast<uint32_t>(k);
  }
  return borders;
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
  std::shared_ptr<const TRE_DFA> current = SharedCurrentDFA();
  if (current && current == chosenFor_) return;
  chosenFor_ = std::move(current);
  useLiteral_ = false;
  literalCodes_.clear();
  literalBorders_.clear();
  needles_ = chosenFor_ ? GrepNeedles(*chosenFor_) : std::vector<std::string>{};
  if (chosenFor_) dfaSkip_ = DfaSkipTable(*chosenFor_);
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
  literalBorders_ = LiteralBorders(literalCodes_);
  useLiteral_ = true;
  std::array<bool, 256> mayStart{};
  const CharCode first = literalCodes_[0];
  if (first != 0) mayStart[first > 0xFF ? first >> 8 : first] = true;
  literalSkip_ = TTxtFile::MakeSkipTable(mayStart);
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
  const TTxtFile::SkipTable skip = current == chosenFor_ ? dfaSkip_ : DfaSkipTable(dfa);
  TTxtFile::Needles needles;
  const bool prefilter = usePrefilter_ && !needles_.empty();
  if (prefilter) needles.texts = needles_;
  // The line decision walks from every start in the line at once; while it carries states
  // over a line end, the next decision must begin at the very next character.
  TLineDecider decider(dfa);
  CharCode first = 0;
  for (;;) {
    if (decider.MaySkip()) {
      file->SkipCharacters(skip);
      if (prefilter) file->SkipToCandidate(needles);
    }
    if (!file->NextChar(first)) break;
    ++workDone;
    // The reader gives 0 only at the end of the file: no match goes on past it.
    if (decider.Decide(first, [&] {
          ++workDone;
          return file->NextLookaheadChar();
        })) {
      onMatch(*this, file->GetLine());
      continue;
    }
    for (size_t i = decider.Passed(); i > 0; --i) {
      if (!file->NextChar(first)) return;
      ++workDone;
    }
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
  const std::vector<uint32_t> borders = literalBorders_;
  const size_t head = borders.size();
  const TGrepOnMatch onMatch = onMatch_;
  const size_t n = codes.size() - 1;
  const TTxtFile::SkipTable skip = literalSkip_;
  TTxtFile::Needles needles;
  const bool prefilter = usePrefilter_ && !needles_.empty();
  if (prefilter) needles.texts = needles_;
  // The main cursor reads every character once; matched counts the codes of the head that
  // end at it (Knuth-Morris-Pratt), so a periodic string over a long line costs the line.
  // The head holds no line end after its first code, so it lies in the line the main cursor
  // is in; the rest of the string, if any, is compared by the lookahead cursor.
  size_t matched = 0;
  CharCode c = 0;
  for (;;) {
    if (matched == 0) {
      file->SkipCharacters(skip);
      if (prefilter) file->SkipToCandidate(needles);
    }
    if (!file->NextChar(c)) break;
    ++workDone;
    while (matched > 0 && (matched == head || codes[matched] != c)) matched = borders[matched - 1];
    if (codes[matched] == c) ++matched;
    if (matched < head) continue;
    size_t i = head;
    while (i < n && file->NextLookaheadChar() == codes[i]) ++i;
    workDone += i - head;
    if (i == n) {
      onMatch(*this, file->GetLine());
      matched = 0;
    }
  }
}

}  // namespace skarvo
