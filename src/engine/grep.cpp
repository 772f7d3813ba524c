#include "engine/grep.h"

#include <memory>
#include <stdexcept>

#include "engine/fuzzy_dictionary.h"
#include "engine/grep_needles.h"
#include "engine/re_state_walk.h"
#include "engine/regexp_error.h"
#include "platform/work_done.h"

namespace skarvo {

namespace {

// The plan of a pattern the grep can search.
const GrepPlan& PlanOf(const CompiledPattern& pattern) {
  if (pattern.Plan() == nullptr)
    throw std::invalid_argument("the grep needs a pattern compiled for files");
  return *pattern.Plan();
}

}  // namespace

TGrep::TGrep(TMessagePump pump) : TRegularExpression(PatternUse::kInFiles), pump_(std::move(pump)) {
  FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
}

void TGrep::Grep(const std::string& fileName, const CompiledPattern& pattern) {
  if (PlanOf(pattern).useLiteral)
    GrepLiteral(fileName, pattern);
  else
    GrepDFA(fileName, pattern);
}

bool TGrep::Grep(const std::string& fileName, const CompiledPattern& pattern,
                 std::stop_token stop) {
  try {
    if (PlanOf(pattern).useLiteral)
      GrepLiteral(fileName, pattern, stop);
    else
      GrepDFA(fileName, pattern, stop);
  } catch (const EGrepCancel&) {
    // The reader's way out of its loops; a stop asked for is an answer, not an error.
    if (stop.stop_requested()) return false;
    throw;
  }
  return true;
}

void TGrep::GrepDFA(const std::string& fileName, const CompiledPattern& pattern,
                    std::stop_token stop) {
  const GrepPlan& plan = PlanOf(pattern);
  if (!onMatch_) return;
  cancel_ = false;
  std::unique_ptr<TTxtFile> file;
  try {
    file = std::make_unique<TTxtFile>(fileName, cancel_, pump_, stop,
                                      firstBlockCheck_ ? &firstBlockCheck_ : nullptr);
  } catch (const EEndOfFile&) {
    return;
  }
  // A handler may set another handler; this search goes on with the one it began with.
  const TRE_DFA& dfa = pattern.DFA();
  const TGrepOnMatch onMatch = onMatch_;
  const TTxtFile::SkipTable& skip = plan.dfaSkip;
  TTxtFile::Needles needles;
  const bool prefilter = usePrefilter_ && !plan.needles.empty();
  if (prefilter) needles.texts = plan.needles;
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

void TGrep::GrepLiteral(const std::string& fileName, const CompiledPattern& pattern,
                        std::stop_token stop) {
  const GrepPlan& plan = PlanOf(pattern);
  cancel_ = false;
  if (!onMatch_) return;
  if (!plan.useLiteral) return GrepDFA(fileName, pattern, stop);
  std::unique_ptr<TTxtFile> file;
  try {
    file = std::make_unique<TTxtFile>(fileName, cancel_, pump_, stop,
                                      firstBlockCheck_ ? &firstBlockCheck_ : nullptr);
  } catch (const EEndOfFile&) {
    return;
  }
  // A handler may set another handler; this search goes on with the one it began with.
  const std::vector<CharCode>& codes = plan.literalCodes;
  const std::vector<uint32_t>& borders = plan.literalBorders;
  const size_t head = borders.size();
  const TGrepOnMatch onMatch = onMatch_;
  const size_t n = codes.size() - 1;
  const TTxtFile::SkipTable& skip = plan.literalSkip;
  TTxtFile::Needles needles;
  const bool prefilter = usePrefilter_ && !plan.needles.empty();
  if (prefilter) needles.texts = plan.needles;
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
