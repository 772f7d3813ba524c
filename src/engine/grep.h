// TGrep: searches one text file for the current pattern and calls OnMatch once for every line
// that holds a match, with the line's text and number. A line is reported as soon as the
// shortest match starting in it is complete; a match must consume at least one character, so
// `a*` reports exactly the lines that contain `a`. A match may run on over line ends (`a\nb`)
// and is reported for the line where it starts.
//
// Both anchors stand for the LF of a line end in this object's automata: the reader puts an LF
// before the first line and turns every line end into one, so `^abc` is the fixed string
// LF "abc". A fixed-string pattern is searched by comparing character codes instead of
// walking the automaton.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/regular_expression.h"
#include "engine/txt_file.h"

namespace skarvo {

class TGrep;

using TGrepOnMatch = std::function<void(TGrep& sender, const RE_LineInfo_t& lineInfo)>;

class TGrep : public TRegularExpression {
 public:
  // pump (may be empty) lets the host's pending window messages run while a file is read and
  // may answer stop. The built-in fuzzy-character dictionary is in FuzzyDictionaries.
  explicit TGrep(TMessagePump pump = nullptr);

  // As TRegularExpression::SetRegExp, then chooses the fixed-string or the automaton search.
  void SetRegExp(const std::string& pattern) override;

  // Called once per matching line; nothing is searched while it is empty.
  const TGrepOnMatch& OnMatch() const noexcept { return onMatch_; }
  void SetOnMatch(TGrepOnMatch handler) { onMatch_ = std::move(handler); }

  // Set by the host (typically from a handler run while messages are processed) to stop a
  // running search; reset when a search starts.
  bool Cancel() const noexcept { return cancel_; }
  void SetCancel(bool cancel) noexcept { cancel_ = cancel; }

  void SetMessagePump(TMessagePump pump) { pump_ = std::move(pump); }

  // Searches the file with the routine chosen for the current pattern. Raises EFileNotFound
  // when it cannot be opened and EGrepCancel "CancelRequest" when Cancel is found set, or the
  // pump answers stop, after a block is read or before a line is reported; an empty file reports
  // nothing. Exceptions from OnMatch propagate; the file is closed on every way out.
  void Grep(const std::string& fileName);

  // The two routines. GrepLiteral requires a fixed-string pattern whose codes come back
  // unchanged from its text (UsesLiteralSearch()).
  void GrepDFA(const std::string& fileName);
  void GrepLiteral(const std::string& fileName);
  // True when Grep compares codes instead of walking the automaton.
  bool UsesLiteralSearch() const noexcept { return useLiteral_; }

  // Lines are first looked over for the pattern's required texts (see grep_needles.h), and
  // only lines that hold one are decided by the routine; on unless switched off. The results
  // are the same either way.
  void SetUsePrefilter(bool on) noexcept { usePrefilter_ = on; }
  // The required texts of the current pattern; empty when none are known.
  const std::vector<std::string>& Needles() const noexcept { return needles_; }

 protected:
  CharCode GetLineHeadCode() const override { return 10; }
  CharCode GetLineTailCode() const override { return 10; }

 private:
  void ChooseRoutine();

  TMessagePump pump_;
  TGrepOnMatch onMatch_;
  bool cancel_ = false;
  bool useLiteral_ = false;
  std::vector<CharCode> literalCodes_;  // the fixed string's codes, ended by 0
  // Its head (up to the first line end after the first code): the matcher's fall-back table.
  std::vector<uint32_t> literalBorders_;
  bool usePrefilter_ = true;
  std::vector<std::string> needles_;
  // The automaton the routine, codes and needles were chosen for: setting the same pattern
  // again (as the host does before each file) chooses nothing anew.
  std::shared_ptr<const TRE_DFA> chosenFor_;
  TTxtFile::SkipTable dfaSkip_{};      // for GrepDFA with chosenFor_
  TTxtFile::SkipTable literalSkip_{};  // for GrepLiteral with literalCodes_
};

}  // namespace skarvo
