// TREPreProcessor rewrites a pattern before it is compiled so that one written form of a
// character also finds its other forms. Every run of ordinary pattern characters outside a
// class is scanned for words of the dictionaries; each word found is replaced by the group
// "(w1|w2|...)" of all words of its dictionary group, each quoted so that its characters
// stay ordinary. Operators, classes and everything inside a class are copied byte for byte.
//
// Two passes exist: the synonym pass (its dictionary list is empty in this system) and then
// the fuzzy-character pass, each over the output of the one before. Dictionaries are not
// owned: the lists hold pointers to dictionaries that outlive the preprocessor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_codes.h"
#include "engine/fuzzy_dictionary.h"
#include "engine/re_scanner.h"

namespace skarvo {

// One token of the last tokenisation: its kind, codes and the bytes it was read from
// (1-based start position, end position exclusive). The list ends with a TokEnd record
// whose codes and positions are 0.
struct TRETokenRecord {
  TRETokenKind kind = TokEnd;
  CharCode code = 0;
  CharCode codeHigh = 0;
  std::int32_t start = 0;
  std::int32_t end = 0;
};

using TREDictionaryList = std::vector<const TREDictionary*>;

class TREPreProcessor {
 public:
  // A lookup tries the dictionaries of one pass at token i of a run that ends before token
  // j; it returns the index after the matched word, or -1.
  using Lookup = int (TREPreProcessor::*)(int i, int j);

  // Starts with both flags off, no dictionaries and the given pattern.
  explicit TREPreProcessor(const std::string& pattern = std::string());

  // The pattern that the next Run rewrites.
  void SetPattern(const std::string& pattern);
  // The caller's pattern as last given.
  const std::string& Pattern() const noexcept { return pattern_; }

  // Computes OutputText from the pattern: the synonym pass when UseSynonymDic, then the
  // fuzzy pass over its result when UseFuzzyCharDic. With both flags off OutputText is the
  // pattern unchanged and it is not even tokenised. Raises ERegExpParser from the scanner
  // with positions in the text being tokenised; OutputText is then unspecified. Running
  // again without SetPattern gives the same result.
  void Run();
  // The result of the last Run (or of the last RewritePass).
  const std::string& OutputText() const noexcept { return outputText_; }

  // The pass switches, both false at creation; they take effect at the next Run.
  bool UseFuzzyCharDic() const noexcept { return useFuzzyCharDic_; }
  void SetUseFuzzyCharDic(bool on) noexcept { useFuzzyCharDic_ = on; }
  bool UseSynonymDic() const noexcept { return useSynonymDic_; }
  void SetUseSynonymDic(bool on) noexcept { useSynonymDic_ = on; }

  // The dictionaries of each pass, tried in list order. Entries must not be null.
  TREDictionaryList& FuzzyDictionaries() noexcept { return fuzzyDictionaries_; }
  const TREDictionaryList& FuzzyDictionaries() const noexcept { return fuzzyDictionaries_; }
  TREDictionaryList& SynonymDictionaries() noexcept { return synonymDictionaries_; }
  const TREDictionaryList& SynonymDictionaries() const noexcept { return synonymDictionaries_; }

  // The steps of a pass, open for the pattern object and for tests.

  // Tokenises the scanner's current text from its first byte into Tokens(), replacing the
  // previous records. Scanner errors propagate.
  void Tokenize();
  // The records of the last Tokenize, ending with the TokEnd record.
  const std::vector<TRETokenRecord>& Tokens() const noexcept { return tokens_; }
  // Rewrites the scanner's current text into OutputText with the given lookup.
  void RewritePass(Lookup lookup);
  // TryDictionary with each fuzzy (synonym) dictionary in turn; the first hit wins.
  int LookupFuzzy(int i, int j);
  int LookupSynonym(int i, int j);
  // The first group of the dictionary (in group order, then word order) with a word that
  // matches tokens i, i+1, ... below j. On a hit GroupText becomes that group's pattern
  // text and the index after the word's last token is returned; -1 otherwise.
  int TryDictionary(const TREDictionary& dictionary, int i, int j);
  // Compares the characters of word with the codes of tokens i, i+1, ... below j: the index
  // after the last compared token when the whole word matched, else -1 (also for an empty
  // word or a run that ends first).
  int MatchWord(const std::string& word, int i, int j) const;
  // The group text of the last successful TryDictionary.
  const std::string& GroupText() const noexcept { return groupText_; }

 private:
  int LookupIn(const TREDictionaryList& dictionaries, int i, int j);
  void AppendTokenText(const TRETokenRecord& record);

  std::string pattern_;
  TREScanner scanner_;
  std::string outputText_;
  TREDictionaryList synonymDictionaries_;
  TREDictionaryList fuzzyDictionaries_;
  std::vector<TRETokenRecord> tokens_;
  std::string groupText_;
  bool useFuzzyCharDic_ = false;
  bool useSynonymDic_ = false;
};

// The pattern as the pattern object compiles it: the synonym pass (when useSynonym) and the
// fuzzy pass (when useFuzzy) over it with the given dictionaries. Raises ERegExpParser for a
// pattern the scanner refuses.
std::string RewritePattern(const std::string& pattern, bool useFuzzy, bool useSynonym,
                           const TREDictionaryList& fuzzyDictionaries,
                           const TREDictionaryList& synonymDictionaries = {});

}  // namespace skarvo
