// libFuzzer harness: the pattern engine on arbitrary patterns and texts. The first byte
// chooses the options (fuzzy dictionary, line separator) and the pattern's length; the
// pattern is compiled (a rejected one, "too complex" included, is a clean end) and matched
// against the rest of the input as one text, then against each of its lines, and replaced
// in it. Beyond "no crash", each input checks what every caller relies on: a match lies
// inside its text, Match and GSub agree on whether there is a match, and a replacement
// never grows the text past what its count allows. Hangs and memory growth past the
// automaton budgets are caught by libFuzzer's -timeout and -rss_limit_mb/-malloc_limit_mb.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/awk_str.h"
#include "platform/error.h"

namespace {

// "<&>": the match in brackets, so the length after a replace is known from the count.
constexpr const char* kReplacement = "<&>";

void Check(const skarvo::TAWKStr& awk, const skarvo::CompiledPattern& pattern,
           const std::string& text) {
  int position = 0;
  int length = 0;
  awk.Match(pattern, text, position, length);
  const bool found = position != 0;
  if (position < 0 || length < 0) __builtin_trap();
  if (found && static_cast<size_t>(position - 1) + static_cast<size_t>(length) > text.size())
    __builtin_trap();
  if (!found && length != 0) __builtin_trap();

  std::string replaced = text;
  int count = 0;
  try {
    count = awk.GSub(pattern, kReplacement, replaced);
  } catch (const skarvo::Exception&) {
    return;
  }
  if ((count > 0) != found) __builtin_trap();
  if (count == 0 && replaced != text) __builtin_trap();
  // Each match adds its two brackets and repeats at most the text it covered.
  if (replaced.size() > 2 * text.size() + 2 * static_cast<size_t>(count)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];
  const size_t rest = size - 1;
  // Patterns of up to 63 bytes: long enough for every construct, short enough to keep
  // the runs fast; the budgets are reached through repetition, not length.
  const size_t patternLength = std::min<size_t>(options & 0x3F, rest);
  const std::string pattern(reinterpret_cast<const char*>(data + 1), patternLength);
  const std::string text(reinterpret_cast<const char*>(data + 1 + patternLength),
                         rest - patternLength);

  skarvo::TAWKStr awk;
  awk.SetLineSeparator((options & 0x40) ? skarvo::mcls_LF : skarvo::mcls_CRLF);
  skarvo::TPatternCompiler compiler(skarvo::PatternUse::kInMemory);
  std::optional<skarvo::CompiledPattern> compiled;
  try {
    compiled = compiler.Compile(pattern, {.fuzzy = (options & 0x80) != 0});
  } catch (const skarvo::Exception&) {
    return 0;
  }
  Check(awk, *compiled, text);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    Check(awk, *compiled, text.substr(start, end - start));
    start = end + 1;
  }
  return 0;
}
