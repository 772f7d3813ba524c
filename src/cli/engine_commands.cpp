// skarvo-cli commands of the pattern engine: match and gsub apply the awk-style matcher to
// each line of standard input, grep searches files as the search run does.
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "engine/awk_str.h"
#include "engine/grep.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo::cli {
namespace {

constexpr int kFound = 0;
constexpr int kNothingFound = 1;
constexpr int kError = 2;

struct Options {
  std::set<std::string> flags;
  std::vector<std::string> operands;
  bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
};

// Options come first; "--" ends them. False (with a message) for an unknown option.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& allowed,
                  Options& options) {
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) break;
    if (!allowed.count(arg)) {
      PrintError("unknown option " + arg);
      return false;
    }
    options.flags.insert(arg);
  }
  options.operands.assign(args.begin() + static_cast<long>(i), args.end());
  return true;
}

// A pattern error with its position (a 1-based byte index into the pattern as compiled,
// which differs from the one given when the fuzzy rewrite was applied).
void PrintPatternError(const ERegExpParser& e) {
  PrintError(ErrorText(e) + " (position " + std::to_string(e.ErrorPos()) + ")");
}

std::optional<std::string> InOrComplain(const TextEdge& edge, const std::string& text,
                                        const char* what) {
  std::optional<std::string> cp932 = edge.In(text);
  if (!cp932) PrintError(std::string("the ") + what + " has a character without a CP932 form");
  return cp932;
}

// Sets up a matcher from the options and the pattern; false after printing the error.
bool SetUpMatcher(TAWKStr& awk, const Options& options, const TextEdge& edge,
                  const std::string& pattern) {
  const std::optional<std::string> cp932 = InOrComplain(edge, pattern, "pattern");
  if (!cp932) return false;
  awk.SetLineSeparator(options.Has("--lf") ? mcls_LF : mcls_CRLF);
  try {
    awk.SetUseFuzzyCharDic(options.Has("--fuzzy"));
    awk.SetRegExp(*cp932);
  } catch (const ERegExpParser& e) {
    PrintPatternError(e);
    return false;
  }
  return true;
}

// match [--fuzzy] [--lf] [--raw] PATTERN: "<position> <length>" per input line.
int MatchCommand(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--lf", "--raw"}, options)) return kError;
  if (options.operands.size() != 1) {
    PrintError("usage: skarvo-cli match [--fuzzy] [--lf] [--raw] PATTERN");
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  TAWKStr awk;
  if (!SetUpMatcher(awk, options, edge, options.operands[0])) return kError;
  bool found = false;
  std::string line;
  for (int lineNo = 1; ReadInputLine(stdin, line); ++lineNo) {
    const std::optional<std::string> text = edge.In(line);
    if (!text) {
      PrintError("input line " + std::to_string(lineNo) + " has a character without a CP932 form");
      return kError;
    }
    int position = 0;
    int length = 0;
    if (awk.Match(*text, position, length) > 0) found = true;
    WriteLine(std::to_string(position) + " " + std::to_string(length));
  }
  return found ? kFound : kNothingFound;
}

// gsub [--fuzzy] [--lf] [--raw] PATTERN REPLACEMENT: "<count>\t<text>" per input line.
int GSubCommand(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--lf", "--raw"}, options)) return kError;
  if (options.operands.size() != 2) {
    PrintError("usage: skarvo-cli gsub [--fuzzy] [--lf] [--raw] PATTERN REPLACEMENT");
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  TAWKStr awk;
  if (!SetUpMatcher(awk, options, edge, options.operands[0])) return kError;
  const std::optional<std::string> replacement =
      InOrComplain(edge, options.operands[1], "replacement");
  if (!replacement) return kError;
  bool found = false;
  std::string line;
  for (int lineNo = 1; ReadInputLine(stdin, line); ++lineNo) {
    std::optional<std::string> text = edge.In(line);
    if (!text) {
      PrintError("input line " + std::to_string(lineNo) + " has a character without a CP932 form");
      return kError;
    }
    int count = 0;
    try {
      count = awk.GSub(*replacement, *text);
    } catch (const ERegExpParser& e) {
      PrintError("replacement: " + ErrorText(e) + " (position " + std::to_string(e.ErrorPos()) +
                 ")");
      return kError;
    }
    if (count > 0) found = true;
    WriteLine(std::to_string(count) + "\t" + edge.Out(*text));
  }
  return found ? kFound : kNothingFound;
}

// grep [--fuzzy] [--count] [--raw] PATTERN FILE...: "<file>:<LineNo>:<Line>" per reported
// line, or "<file>:<count>" per file with --count. A file that cannot be searched is reported
// on stderr and the others are still searched; the exit code is then 2.
int GrepCommand(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--count", "--raw"}, options)) return kError;
  if (options.operands.size() < 2) {
    PrintError("usage: skarvo-cli grep [--fuzzy] [--count] [--raw] PATTERN FILE...");
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  const bool countOnly = options.Has("--count");
  const std::optional<std::string> pattern = InOrComplain(edge, options.operands[0], "pattern");
  if (!pattern) return kError;
  TGrep grep;
  try {
    grep.SetUseFuzzyCharDic(options.Has("--fuzzy"));
    grep.SetRegExp(*pattern);
  } catch (const ERegExpParser& e) {
    PrintPatternError(e);
    return kError;
  }
  bool found = false;
  bool failed = false;
  for (size_t f = 1; f < options.operands.size(); ++f) {
    const std::string& name = options.operands[f];
    const std::optional<std::string> path = edge.In(name);
    if (!path) {
      PrintError(name + ": the file name has no CP932 form");
      failed = true;
      continue;
    }
    long count = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
      ++count;
      if (!countOnly)
        WriteLine(name + ":" + std::to_string(info.LineNo) + ":" + edge.Out(info.Line));
    });
    try {
      grep.Grep(*path);
    } catch (const Exception& e) {
      PrintError(name + ": " + ErrorText(e));
      failed = true;
      continue;
    }
    if (countOnly) WriteLine(name + ":" + std::to_string(count));
    if (count > 0) found = true;
  }
  if (failed) return kError;
  return found ? kFound : kNothingFound;
}

CommandRegistrar matchRegistrar("match", MatchCommand, "[--fuzzy] [--lf] [--raw] PATTERN");
CommandRegistrar gsubRegistrar("gsub", GSubCommand, "[--fuzzy] [--lf] [--raw] PATTERN REPLACEMENT");
CommandRegistrar grepRegistrar("grep", GrepCommand, "[--fuzzy] [--count] [--raw] PATTERN FILE...");

}  // namespace
}  // namespace skarvo::cli
