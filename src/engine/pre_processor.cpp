// The rewrite works on tokens, not bytes, so it sees a pattern exactly as the parser will:
// an escape such as \. or \x41 is one ordinary character with its code, and the text of a
// class is never looked at. A pass walks the tokens; each maximal run of ordinary characters
// outside a class is rewritten greedily from the left: at each token the first dictionary
// (then the first group, then the first word) whose word matches the following codes wins,
// its group text is written out and the walk continues after the word; a token that starts
// no word is copied as written. Everything else is copied byte for byte.
//
// A full scan would try every word of every group at every position. The dictionary instead
// lists, for each first character code, the words that start with it in group-then-word
// order, so a position costs only the few words that can begin there and the winner is the
// same one the full scan would find. A pass is thus linear in the pattern length.
#include "engine/pre_processor.h"

#include <algorithm>
#include <string>

namespace skarvo {

TREPreProcessor::TREPreProcessor(const std::string& pattern)
    : pattern_(pattern), scanner_(pattern) {}

void TREPreProcessor::SetPattern(const std::string& pattern) {
  pattern_ = pattern;
  scanner_.SetPattern(pattern);
}

void TREPreProcessor::Run() {
  // Start from the caller's pattern each time: the synonym pass hands its output to the
  // scanner, and a second Run must not rewrite that output again.
  scanner_.SetPattern(pattern_);
  outputText_ = pattern_;
  if (useSynonymDic_) {
    RewritePass(&TREPreProcessor::LookupSynonym);
    scanner_.SetPattern(outputText_);
  }
  if (useFuzzyCharDic_) RewritePass(&TREPreProcessor::LookupFuzzy);
}

void TREPreProcessor::Tokenize() {
  tokens_.clear();
  // Always from the first byte, even when an earlier call stopped half-way at an error.
  const std::string text = scanner_.Pattern();
  scanner_.SetPattern(text);
  for (;;) {
    TRETokenRecord record;
    record.start = scanner_.Position();
    record.kind = scanner_.GetToken();
    if (record.kind == TokEnd) break;
    record.code = scanner_.TokenCode();
    record.codeHigh = record.kind == TokRange ? scanner_.TokenCodeHigh() : CharCode{0};
    record.end = scanner_.Position();
    tokens_.push_back(record);
  }
  tokens_.push_back(TRETokenRecord{});
}

void TREPreProcessor::AppendTokenText(const TRETokenRecord& record) {
  if (record.end > record.start && record.start >= 1) {
    outputText_.append(scanner_.Pattern(), static_cast<std::size_t>(record.start - 1),
                       static_cast<std::size_t>(record.end - record.start));
  }
}

void TREPreProcessor::RewritePass(Lookup lookup) {
  outputText_.clear();
  Tokenize();
  outputText_.reserve(scanner_.Pattern().size() * 2);
  const int count = static_cast<int>(tokens_.size());
  bool inClass = false;
  int i = 0;
  while (i < count) {
    const TRETokenRecord& t = tokens_[i];
    if (t.kind == TokClassOpen || t.kind == TokNegClassOpen) inClass = true;
    if (t.kind == TokClassClose) inClass = false;
    if (t.kind != TokChar || inClass) {
      AppendTokenText(t);
      ++i;
      continue;
    }
    int j = i + 1;
    while (j < count && tokens_[j].kind == TokChar) ++j;
    while (i < j) {
      const int k = (this->*lookup)(i, j);
      if (k == -1) {
        AppendTokenText(tokens_[i]);
        ++i;
      } else {
        outputText_ += groupText_;
        i = k;
      }
    }
  }
}

int TREPreProcessor::LookupIn(const TREDictionaryList& dictionaries, int i, int j) {
  for (const TREDictionary* dictionary : dictionaries) {
    const int k = TryDictionary(*dictionary, i, j);
    if (k != -1) return k;
  }
  return -1;
}

int TREPreProcessor::LookupFuzzy(int i, int j) { return LookupIn(fuzzyDictionaries_, i, j); }

int TREPreProcessor::LookupSynonym(int i, int j) { return LookupIn(synonymDictionaries_, i, j); }

int TREPreProcessor::TryDictionary(const TREDictionary& dictionary, int i, int j) {
  if (i < 0 || i >= j || j > static_cast<int>(tokens_.size())) return -1;
  // Only words that begin with token i's character can match; the index lists them in
  // group order, then word order, so the first hit is the one a full scan would find.
  for (const TREDictionary::WordRef& ref : dictionary.WordsStartingWith(tokens_[i].code)) {
    const int k = MatchWord(dictionary.GroupAt(ref.group)[ref.word], i, j);
    if (k != -1) {
      groupText_ = dictionary.GroupPatternText(ref.group);
      return k;
    }
  }
  return -1;
}

int TREPreProcessor::MatchWord(const std::string& word, int i, int j) const {
  if (word.empty() || i < 0) return -1;
  j = std::min(j, static_cast<int>(tokens_.size()));
  int index = 1;
  const int length = static_cast<int>(word.size());
  int record = i;
  while (index <= length) {
    if (record >= j) return -1;
    if (ReadCharAt(word, index) != tokens_[record].code) return -1;
    ++record;
  }
  return record;
}

std::string RewritePattern(const std::string& pattern, bool useFuzzy, bool useSynonym,
                           const TREDictionaryList& fuzzyDictionaries,
                           const TREDictionaryList& synonymDictionaries) {
  if (!useFuzzy && !useSynonym) return pattern;
  TREPreProcessor preProcessor(pattern);
  preProcessor.SetUseFuzzyCharDic(useFuzzy);
  preProcessor.SetUseSynonymDic(useSynonym);
  preProcessor.FuzzyDictionaries() = fuzzyDictionaries;
  preProcessor.SynonymDictionaries() = synonymDictionaries;
  preProcessor.Run();
  return preProcessor.OutputText();
}

}  // namespace skarvo
