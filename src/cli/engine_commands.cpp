// skarvo-cli commands of the pattern engine: match and gsub apply the awk-style matcher to
// each line of standard input, grep searches files as the search run does.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "engine/awk_str.h"
#include "engine/grep.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "search/search_stage.h"

namespace skarvo::cli {
namespace {

constexpr int kFound = 0;
constexpr int kNothingFound = 1;
constexpr int kError = 2;

constexpr const char* kMatchUsage = "[--fuzzy] [--lf] [--raw] PATTERN";
constexpr const char* kGSubUsage = "[--fuzzy] [--lf] [--raw] PATTERN REPLACEMENT";
constexpr const char* kGrepUsage = "[--fuzzy] [--count] [--raw] [--threads N] PATTERN FILE...";

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

// The pattern compiled with the options; nullopt after printing the error.
std::optional<CompiledPattern> CompileOrComplain(TPatternCompiler& compiler, const Options& options,
                                                 const std::string& pattern) {
  try {
    return compiler.Compile(pattern, {.fuzzy = options.Has("--fuzzy")});
  } catch (const ERegExpParser& e) {
    PrintPatternError(e);
    return std::nullopt;
  }
}

// Sets up a matcher and compiles its pattern from the options; nullopt after printing the
// error.
std::optional<CompiledPattern> SetUpMatcher(TAWKStr& awk, TPatternCompiler& compiler,
                                            const Options& options, const TextEdge& edge,
                                            const std::string& pattern) {
  const std::optional<std::string> cp932 = InOrComplain(edge, pattern, "pattern");
  if (!cp932) return std::nullopt;
  awk.SetLineSeparator(options.Has("--lf") ? mcls_LF : mcls_CRLF);
  return CompileOrComplain(compiler, options, *cp932);
}

// match [--fuzzy] [--lf] [--raw] PATTERN: "<position> <length>" per input line.
int MatchCommand(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--lf", "--raw"}, options)) return kError;
  if (options.operands.size() != 1) {
    PrintError(std::string("usage: skarvo-cli match ") + kMatchUsage);
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  TAWKStr awk;
  TPatternCompiler compiler(PatternUse::kInMemory);
  const std::optional<CompiledPattern> compiled =
      SetUpMatcher(awk, compiler, options, edge, options.operands[0]);
  if (!compiled) return kError;
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
    if (awk.Match(*compiled, *text, position, length) > 0) found = true;
    WriteLine(std::to_string(position) + " " + std::to_string(length));
  }
  return found ? kFound : kNothingFound;
}

// gsub [--fuzzy] [--lf] [--raw] PATTERN REPLACEMENT: "<count>\t<text>" per input line.
int GSubCommand(const std::vector<std::string>& args) {
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--lf", "--raw"}, options)) return kError;
  if (options.operands.size() != 2) {
    PrintError(std::string("usage: skarvo-cli gsub ") + kGSubUsage);
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  TAWKStr awk;
  TPatternCompiler compiler(PatternUse::kInMemory);
  const std::optional<CompiledPattern> compiled =
      SetUpMatcher(awk, compiler, options, edge, options.operands[0]);
  if (!compiled) return kError;
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
      count = awk.GSub(*compiled, *replacement, *text);
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

// What grep prints for one file: its lines (or its count) and an error.
struct GrepOutput {
  std::string lines;  // for standard output, each ended by an LF
  std::string error;  // for standard error; empty when the file was searched
  bool found = false;
};

// Searches one file, appending what is printed to out.lines; more(out) is called after each
// line, so a caller may print and empty what is gathered.
void GrepFile(TGrep& grep, const CompiledPattern& compiled, const TextEdge& edge,
              const std::string& name, bool countOnly, GrepOutput& out,
              const std::function<void(GrepOutput&)>& more) {
  const std::optional<std::string> path = edge.In(name);
  if (!path) {
    out.error = name + ": the file name has no CP932 form";
    return;
  }
  long count = 0;
  grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
    ++count;
    if (countOnly) return;
    out.lines += name + ":" + std::to_string(info.LineNo) + ":" + edge.Out(info.Line) + "\n";
    more(out);
  });
  try {
    grep.Grep(*path, compiled);
  } catch (const Exception& e) {
    out.error = name + ": " + ErrorText(e);
    return;
  }
  if (countOnly) out.lines += name + ":" + std::to_string(count) + "\n";
  out.found = count > 0;
}

void PrintLines(std::string& lines) {
  std::fwrite(lines.data(), 1, lines.size(), stdout);
  lines.clear();
}

// The files searched by several workers and printed in the order given: a file's output is
// gathered by its worker and printed once the files before it are; the worker of the file
// printed next prints its lines itself, so a file with many lines is never held whole, and
// a worker ahead waits once it holds much.
class ParallelGrep {
 public:
  ParallelGrep(const std::vector<std::string>& names, const CompiledPattern& compiled,
               const TextEdge& edge, bool countOnly)
      : names_(names),
        compiled_(compiled),
        edge_(edge),
        countOnly_(countOnly),
        outputs_(names.size()) {}

  // Prints every file's output in order; false when some file failed.
  void Run(int threads, bool& found, bool& failed) {
    std::vector<std::jthread> workers;
    const size_t count = std::min(static_cast<size_t>(threads), names_.size());
    for (size_t w = 0; w < count; ++w) workers.emplace_back([this] { Work(); });
    for (size_t k = 0; k < names_.size(); ++k) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return done_.size() > k && done_[k]; });
      lock.unlock();
      GrepOutput& out = outputs_[k];
      PrintLines(out.lines);
      if (!out.error.empty()) {
        PrintError(out.error);
        failed = true;
      }
      found = found || out.found;
      out = GrepOutput();
      lock.lock();
      ++head_;
      changed_.notify_all();
    }
  }

 private:
  static constexpr size_t kPiece = 64 * 1024;
  static constexpr size_t kHold = 4 * 1024 * 1024;
  static constexpr size_t kAhead = 16;

  void Work() {
    TGrep grep;
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return next_ == names_.size() || next_ < head_ + kAhead; });
      if (next_ == names_.size()) return;
      const size_t k = next_++;
      if (done_.size() < next_) done_.resize(next_, false);
      lock.unlock();
      try {
        Search(grep, k);
      } catch (const std::exception& e) {
        outputs_[k].error = names_[k] + ": " + ErrorText(e);
      }
      lock.lock();
      done_[k] = true;
      changed_.notify_all();
    }
  }

  void Search(TGrep& grep, size_t k) {
    GrepFile(grep, compiled_, edge_, names_[k], countOnly_, outputs_[k], [&](GrepOutput& out) {
      if (out.lines.size() < kPiece) return;
      std::unique_lock<std::mutex> wait(mutex_);
      changed_.wait(wait, [&] { return k == head_ || out.lines.size() < kHold; });
      const bool printedNext = k == head_;
      wait.unlock();
      // Everything before this file is printed, and nothing else prints until it is done.
      if (printedNext) PrintLines(out.lines);
    });
  }

  const std::vector<std::string>& names_;
  const CompiledPattern& compiled_;
  const TextEdge& edge_;
  const bool countOnly_;
  std::vector<GrepOutput> outputs_;  // a file's, its worker's until it is done
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;
  size_t next_ = 0;  // the next file a worker takes
  size_t head_ = 0;  // the file printed next
};

// grep [--fuzzy] [--count] [--raw] [--threads N] PATTERN FILE...: "<file>:<LineNo>:<Line>"
// per reported line, or "<file>:<count>" per file with --count. A file that cannot be
// searched is reported on stderr and the others are still searched; the exit code is then 2.
int GrepCommand(const std::vector<std::string>& givenArgs) {
  // --threads takes a value, which the flags of ParseOptions do not.
  std::vector<std::string> args;
  int threads = DefaultSearchWorkers();
  for (size_t i = 0; i < givenArgs.size(); ++i) {
    const std::string& arg = givenArgs[i];
    if (arg == "--" || arg.compare(0, 2, "--") != 0) {
      args.insert(args.end(), givenArgs.begin() + static_cast<long>(i), givenArgs.end());
      break;
    }
    if (arg != "--threads") {
      args.push_back(arg);
    } else if (++i == givenArgs.size() || !ParseThreads(givenArgs[i], threads)) {
      PrintError("grep: --threads needs a number from 1 to " + std::to_string(kMaxThreads));
      return kError;
    }
  }
  Options options;
  if (!ParseOptions(args, {"--fuzzy", "--count", "--raw"}, options)) return kError;
  if (options.operands.size() < 2) {
    PrintError(std::string("usage: skarvo-cli grep ") + kGrepUsage);
    return kError;
  }
  const TextEdge edge(options.Has("--raw"));
  const bool countOnly = options.Has("--count");
  const std::optional<std::string> pattern = InOrComplain(edge, options.operands[0], "pattern");
  if (!pattern) return kError;
  TPatternCompiler compiler(PatternUse::kInFiles);
  const std::optional<CompiledPattern> compiled = CompileOrComplain(compiler, options, *pattern);
  if (!compiled) return kError;
  const std::vector<std::string> names(options.operands.begin() + 1, options.operands.end());
  bool found = false;
  bool failed = false;
  if (threads > 1 && names.size() > 1) {
    ParallelGrep(names, *compiled, edge, countOnly).Run(threads, found, failed);
  } else {
    TGrep grep;
    for (const std::string& name : names) {
      GrepOutput out;
      GrepFile(grep, *compiled, edge, name, countOnly, out, [](GrepOutput& more) {
        if (more.lines.size() >= 64 * 1024) PrintLines(more.lines);
      });
      PrintLines(out.lines);
      if (!out.error.empty()) {
        PrintError(out.error);
        failed = true;
      }
      found = found || out.found;
    }
  }
  if (failed) return kError;
  return found ? kFound : kNothingFound;
}

CommandRegistrar matchRegistrar(
    "match", {.run = MatchCommand,
              .usage = kMatchUsage,
              .summary = "print where a pattern matches in each line of standard input",
              .help = "Matches PATTERN (a regular expression) in each line of standard input and\n"
                      "prints one line per input line: \"<position> <length>\" of the first\n"
                      "match, the position counted in bytes of the Shift-JIS text from 1, or\n"
                      "\"0 0\" when the line has none. Lines end at LF.\n"
                      "\n"
                      "Options:\n"
                      "  --fuzzy  the written forms of a character match one another (full- and\n"
                      "           half-width, upper and lower case, hiragana and katakana, ...)\n"
                      "  --lf     $ matches before an LF instead of before a CR\n"
                      "  --raw    texts are bytes (Shift-JIS) in and out instead of UTF-8\n"
                      "\n"
                      "Exit status: 0 a line matched, 1 none matched, 2 an error (a bad pattern\n"
                      "is reported with its position).\n"
                      "\n"
                      "Example:\n"
                      "  printf 'abbc\\n' | skarvo-cli match 'b+'      prints \"2 2\"\n"});
CommandRegistrar gsubRegistrar(
    "gsub", {.run = GSubCommand,
             .usage = kGSubUsage,
             .summary = "replace every match of a pattern in each line of standard input",
             .help = "Replaces every match of PATTERN in each line of standard input by\n"
                     "REPLACEMENT and prints one line per input line: \"<count>\\t<text>\", the\n"
                     "number of replacements and the line after them. In REPLACEMENT, & stands\n"
                     "for the matched text and \\& for an &.\n"
                     "\n"
                     "Options:\n"
                     "  --fuzzy  the written forms of a character match one another (full- and\n"
                     "           half-width, upper and lower case, hiragana and katakana, ...)\n"
                     "  --lf     $ matches before an LF instead of before a CR\n"
                     "  --raw    texts are bytes (Shift-JIS) in and out instead of UTF-8\n"
                     "\n"
                     "Exit status: 0 something was replaced, 1 nothing matched, 2 an error.\n"
                     "\n"
                     "Example:\n"
                     "  printf 'abcb\\n' | skarvo-cli gsub b '[&]'   prints \"2\\ta[b]c[b]\"\n"});
CommandRegistrar grepRegistrar(
    "grep", {.run = GrepCommand,
             .usage = kGrepUsage,
             .summary = "search files for a pattern line by line",
             .help = "Searches each FILE for PATTERN (a regular expression) line by line, as the\n"
                     "program's search reads text files, and prints \"<file>:<line>:<text>\"\n"
                     "for each matching line.\n"
                     "\n"
                     "Options:\n"
                     "  --fuzzy  the written forms of a character match one another (full- and\n"
                     "           half-width, upper and lower case, hiragana and katakana, ...)\n"
                     "  --count  print \"<file>:<count>\" per file instead of the lines\n"
                     "  --raw    texts are bytes (Shift-JIS) in and out instead of UTF-8\n"
                     "  --threads N  search N files at a time (default: one per core); what\n"
                     "           is printed is the same whatever N is\n"
                     "\n"
                     "Exit status: 0 a line matched, 1 none matched, 2 an error; a file that\n"
                     "cannot be searched is reported and the others are still searched.\n"
                     "\n"
                     "Example:\n"
                     "  skarvo-cli grep --count '設定' memo.txt notes.txt\n"});

}  // namespace
}  // namespace skarvo::cli
