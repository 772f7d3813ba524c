// TGrep: searches one text file for a pattern and calls OnMatch once for every line
// that holds a match, with the line's text and number. A line is reported as soon as the
// shortest match starting in it is complete; a match must consume at least one character, so
// `a*` reports exactly the lines that contain `a`. A match may run on over line ends (`a\nb`)
// and is reported for the line where it starts.
//
// The pattern is compiled for files (PatternUse::kInFiles): both anchors stand for the LF of a
// line end, as the reader puts an LF before the first line and turns every line end into
// one, so `^abc` is the fixed string LF "abc". A fixed-string pattern is searched by comparing
// character codes instead of walking the automaton. The calls without a pattern search with
// the one last set on this object.
#pragma once

#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
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

  // Called once per matching line; nothing is searched while it is empty.
  const TGrepOnMatch& OnMatch() const noexcept { return onMatch_; }
  void SetOnMatch(TGrepOnMatch handler) { onMatch_ = std::move(handler); }

  // Set by the host (typically from a handler run while messages are processed) to stop a
  // running search; reset when a search starts.
  bool Cancel() const noexcept { return cancel_; }
  void SetCancel(bool cancel) noexcept { cancel_ = cancel; }

  void SetMessagePump(TMessagePump pump) { pump_ = std::move(pump); }

  // Looks at each file's first block (its first bytes, and whether they are the whole file)
  // right after it is opened, before anything is searched; it may throw to pass the file
  // over. The host tells a file's encoding this way without opening it twice.
  using FirstBlockCheck = std::function<void(std::string_view head, bool whole)>;
  void SetFirstBlockCheck(FirstBlockCheck check) { firstBlockCheck_ = std::move(check); }

  // Searches the file for pattern (compiled for files) with the routine chosen for it.
  // Raises EFileNotFound when it cannot be opened and EGrepCancel "CancelRequest" when Cancel
  // is found set, or the pump answers stop, after a block is read or before a line is
  // reported; an empty file reports nothing. Exceptions from OnMatch propagate; the file is
  // closed on every way out. A pattern compiled for memory is refused (std::invalid_argument).
  void Grep(const std::string& fileName, const CompiledPattern& pattern);
  void Grep(const std::string& fileName) { Grep(fileName, CompiledPattern(Pattern())); }
  // As Grep, with a stop that may be asked for from any thread: it is looked at after each
  // block is read and before each line is reported, and the search ends there without an
  // exception. False when it ended so, true when the file was searched to its end.
  bool Grep(const std::string& fileName, const CompiledPattern& pattern, std::stop_token stop);

  // The two routines. GrepLiteral searches a pattern that is no fixed string (see
  // UsesLiteralSearch) with GrepDFA. A stop requested raises EGrepCancel.
  void GrepDFA(const std::string& fileName, const CompiledPattern& pattern,
               std::stop_token stop = {});
  void GrepLiteral(const std::string& fileName, const CompiledPattern& pattern,
                   std::stop_token stop = {});
  void GrepDFA(const std::string& fileName) { GrepDFA(fileName, CompiledPattern(Pattern())); }
  void GrepLiteral(const std::string& fileName) {
    GrepLiteral(fileName, CompiledPattern(Pattern()));
  }
  // True when Grep compares codes instead of walking the automaton of the current pattern.
  bool UsesLiteralSearch() const noexcept { return Pattern().Plan()->useLiteral; }

  // Lines are first looked over for the pattern's required texts (see grep_needles.h), and
  // only lines that hold one are decided by the routine; on unless switched off. The results
  // are the same either way.
  void SetUsePrefilter(bool on) noexcept { usePrefilter_ = on; }
  // The required texts of the current pattern; empty when none are known.
  const std::vector<std::string>& Needles() const noexcept { return Pattern().Plan()->needles; }

 private:
  TMessagePump pump_;
  TGrepOnMatch onMatch_;
  bool cancel_ = false;
  bool usePrefilter_ = true;
  FirstBlockCheck firstBlockCheck_;
};

}  // namespace skarvo
