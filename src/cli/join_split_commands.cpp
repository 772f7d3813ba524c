// skarvo-cli join and split: the join save of given files and the split of a file at given
// hit lines, without a window. Both write through the same core as the window does.
#include <charconv>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "ops/join_lines.h"
#include "ops/join_restore.h"
#include "ops/join_split.h"
#include "ops/prompter.h"
#include "ops/result_session.h"
#include "ops/split_parts.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"

namespace skarvo::cli {
namespace {

constexpr const char* kJoinUsage = "[--raw] [--separator TEXT] --out FILE FILE...";
constexpr const char* kSplitUsage =
    "[--raw] [--mode 1|2|3] [--yes] [--backup-dir DIR] FILE LINE...";

// One report line, out at once: a run that is stopped leaves every line it reached.
void Report(const std::string& bytes) {
  WriteLine(bytes);
  std::fflush(stdout);
}

int Usage(const char* name, const char* usage) {
  std::fprintf(stderr, "usage: skarvo-cli %s %s\n", name, usage);
  return 2;
}

// A CP932 message on standard error (always UTF-8 there); the exit code of an error.
int Fail(const std::string& cp932) {
  PrintError(TextEdge(false).Out(cp932));
  return 2;
}

// The join's and the split's questions answered from the command line: the save goes ahead,
// its path is --out, an existing part is replaced only with --yes. What the operation tells
// goes to standard error through edge.
class JoinSplitPrompter : public Prompter {
 public:
  JoinSplitPrompter(const TextEdge& edge, std::string savePath, bool yes)
      : edge_(edge), savePath_(std::move(savePath)), yes_(yes) {}
  bool told = false;

  Answer Ask(const std::string&, QuestionButtons) override {
    return yes_ ? Answer::kYesToAll : Answer::kCancel;
  }
  bool Confirm(const std::string&) override { return true; }
  std::optional<std::string> AskText(const std::string&, const std::string&,
                                     const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskSavePath(const SavePathRequest&) override {
    if (savePath_.empty()) return std::nullopt;
    return savePath_;
  }
  void Tell(const std::string& text) override { TellError(text); }
  void TellError(const std::string& text) override {
    told = true;
    PrintError(edge_.Out(text));
  }

 private:
  const TextEdge& edge_;
  std::string savePath_;
  bool yes_;
};

// The join and the split over the command line's files: no window, the given choices, old
// files kept by keep (none for join: the user named its output).
struct CliJoinSplit {
  CliJoinSplit(JoinSplitChoices choices, KeepOldFile keep, JoinSplitPrompter& prompter,
               std::function<void(const SplitPart&, SplitPartEnd)> partDone = {})
      : ops(JoinSplitParts{session,
                           targetList,
                           joinList,
                           settings,
                           [choices = std::move(choices)] { return choices; },
                           std::move(keep),
                           prompter,
                           {},
                           std::move(partDone)}) {}

  ResultSession session;
  CheckList targetList, joinList;
  Settings settings;
  TJoinSplit ops;
};

// join: the files in the given order, all checked, a separator row before each file and
// one after the last (none for an empty separator); prints the output path.
int JoinCommand(const std::vector<std::string>& args) {
  bool raw = false;
  std::string separatorArg;
  std::string outArg;
  std::vector<std::string> fileArgs;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--raw") {
      raw = true;
    } else if ((args[i] == "--separator" || args[i] == "--out") && i + 1 < args.size()) {
      (args[i] == "--out" ? outArg : separatorArg) = args[i + 1];
      ++i;
    } else {
      fileArgs.push_back(args[i]);
    }
  }
  if (outArg.empty() || fileArgs.empty()) return Usage("join", kJoinUsage);
  const TextEdge edge(raw);
  const std::optional<std::string> out = edge.In(outArg);
  const std::optional<std::string> separator = edge.In(separatorArg);
  if (!out || !separator) {
    PrintError("a text has no CP932 form");
    return 2;
  }
  // Messages are UTF-8 whatever --raw says, as the errors of the arguments are.
  const TextEdge messages(false);
  JoinSplitPrompter prompter(messages, *out, false);
  CliJoinSplit join(JoinSplitChoices{*separator, 0, false}, KeepOldFile(), prompter);
  join.settings.ignoreBlankLines = false;
  // A file named on the command line that cannot be joined stops the command before
  // anything is written, where the window would leave it out.
  int files = 0;
  for (const std::string& arg : fileArgs) {
    const std::optional<std::string> path = edge.In(arg);
    if (!path) {
      PrintError("the file name has no CP932 form: " + arg);
      return 2;
    }
    if (IsOfficeFile(*path)) {
      PrintError(edge.Out(Sjis("Excel、Wordファイルは対象になりません。")) + " " + arg);
      continue;
    }
    const LineFile file = ReadLineFile(*path);
    if (file.status == LineFileStatus::kMissing)
      return Fail(QuotedPathText(*path, "が読めないため、保存を中止しました。"));
    if (file.status == LineFileStatus::kHasNul)
      return Fail(QuotedPathText(*path, "はNUL文字を含むため結合できません。"));
    ++files;
    join.targetList.Add(*path, false, true);
  }
  if (files == 0) {
    PrintError(messages.Out(Sjis("対象ファイルが存在しません！")));
    return 1;
  }
  join.ops.OnJoinFiles();
  join.ops.OnSaveToNewFile(1);
  if (prompter.told || !std::holds_alternative<CreatedFilesUndo>(join.session.undo)) return 2;
  Report(edge.Out(*out));
  return 0;
}

// split: the parts of FILE at the given hit lines (all checked), one line per part:
// "<part path>\t<first>\t<last>\t<written|skipped>". A part file that exists already is
// skipped unless --yes says to replace it, as the window asks before it replaces one; its
// old content is kept first under the backup folder (--backup-dir, default ./Temp). A part
// is never written through a link or onto the split file. Exit codes: 0 every part that
// is to be written was, 1 no part is to be written, 2 nothing could be started, 3 some
// parts were left (each named on standard error).
int SplitCommand(const std::vector<std::string>& args) {
  bool raw = false;
  bool yes = false;
  std::string modeArg = "2";
  std::string backupArg = "./Temp";
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--raw")
      raw = true;
    else if (args[i] == "--yes")
      yes = true;
    else if (args[i] == "--mode" && i + 1 < args.size())
      modeArg = args[++i];
    else if (args[i] == "--backup-dir" && i + 1 < args.size())
      backupArg = args[++i];
    else
      rest.push_back(args[i]);
  }
  if (rest.empty() || backupArg.empty()) return Usage("split", kSplitUsage);
  const TextEdge edge(raw);
  int mode = 0;
  auto [end, ec] = std::from_chars(modeArg.data(), modeArg.data() + modeArg.size(), mode);
  if (ec != std::errc() || end != modeArg.data() + modeArg.size() || !ValidSplitMode(mode))
    return Fail(Sjis("ファイル分割の設定が不適切です！"));
  const std::optional<std::string> path = edge.In(rest[0]);
  const std::optional<std::string> backupDir = edge.In(backupArg);
  if (!path || !backupDir) {
    PrintError("the file name has no CP932 form: " + (path ? backupArg : rest[0]));
    return 2;
  }
  if (IsOfficeFile(*path)) return Fail(Sjis("Excel、Wordファイルは対象にできません。"));
  const LineFile file = ReadLineFile(*path);
  if (file.status == LineFileStatus::kMissing || !IdentityOf(*path))
    return Fail(QuotedPathText(*path, "が読めないため、分割できません。"));
  if (file.status == LineFileStatus::kHasNul)
    return Fail(QuotedPathText(*path, "はNUL文字を含むため分割できません。"));

  std::string keptAt;
  const KeepOldFile keepInFolder = KeepInFolder(*backupDir);
  const KeepOldFile keep = [&](const std::string& part, const std::string& old) {
    std::optional<std::string> kept = keepInFolder(part, old);
    keptAt = kept ? *kept : std::string();
    return kept;
  };
  int parts = 0;
  int wanted = 0;
  int written = 0;
  // Each part's line as its save ends, after what the save said of it.
  auto partDone = [&](const SplitPart& part, SplitPartEnd end) {
    ++parts;
    const bool write = end == SplitPartEnd::kWritten || end == SplitPartEnd::kReplaced;
    if (end != SplitPartEnd::kUnchecked && end != SplitPartEnd::kTooShort) ++wanted;
    if (write) ++written;
    if (end == SplitPartEnd::kDeclined)
      PrintError(edge.Out(QuotedPathText(part.name, "は既にあります。")) + " (--yes replaces it)");
    if (end == SplitPartEnd::kReplaced)
      PrintError(edge.Out(QuotedPathText(part.name, "の元の内容は") + "\"" + keptAt + "\"" +
                          Sjis("に控えました。")));
    Report(edge.Out(part.name) + "\t" + std::to_string(part.first) + "\t" +
           std::to_string(part.last) + "\t" + (write ? "written" : "skipped"));
  };
  JoinSplitPrompter prompter(edge, std::string(), yes);
  CliJoinSplit split(JoinSplitChoices{std::string(), mode, false}, keep, prompter, partDone);
  // The result rows of a search that hit FILE at the given lines, every hit checked.
  CheckList& rows = split.session.rows;
  CheckListRow header(FileHeaderRowText(*path), true);
  header.kind = RowKind::kFileHeader;
  header.file = *path;
  rows.Insert(0, std::move(header));
  const int64_t lineCount = static_cast<int64_t>(file.lines.size());
  int64_t last = 1;
  for (size_t i = 1; i < rest.size(); ++i) {
    int64_t line = 0;
    const std::string& a = rest[i];
    auto [e, err] = std::from_chars(a.data(), a.data() + a.size(), line);
    if (err != std::errc() || e != a.data() + a.size() || line < last || line > lineCount) {
      PrintError("not a hit line of the file (1 to its line count, ascending): " + a);
      return 2;
    }
    last = line;
    CheckListRow hit(std::string(), false, true, line, file.lines[line - 1]);
    hit.kind = RowKind::kTextLine;
    hit.file = *path;
    rows.Insert(rows.Count(), std::move(hit));
  }
  rows.SetItemIndex(0);

  split.ops.OnSplitFile();
  split.ops.OnSaveToNewFile(3);
  if (parts == 0 && prompter.told) return 2;
  if (wanted == 0) return 1;
  return written == wanted ? 0 : 3;
}

}  // namespace

CommandRegistrar joinRegistrar(
    "join",
    {.run = JoinCommand,
     .usage = kJoinUsage,
     .summary = "join text files into one new file",
     .help = "Writes the lines of each FILE, in the order given, into the new file of --out,\n"
             "every line ending in CR LF, with the line TEXT of --separator before each file\n"
             "and after the last (none without --separator), and prints the output's path.\n"
             "Word and Excel files are left out with a message. Nothing is written when a file\n"
             "cannot be read or holds a NUL byte, when the output is one of the files, or when\n"
             "it is a link or a file with other names.\n"
             "\n"
             "Options:\n"
             "  --out FILE        the file to write (required)\n"
             "  --separator TEXT  a line before each file and after the last\n"
             "  --raw             texts and names are bytes (Shift-JIS) instead of UTF-8\n"
             "\n"
             "Exit status: 0 written, 1 no file to join, 2 an error (nothing written).\n"
             "\n"
             "Example:\n"
             "  skarvo-cli join --separator '-----' --out all.txt a.txt b.txt\n"});
CommandRegistrar splitRegistrar(
    "split",
    {.run = SplitCommand,
     .usage = kSplitUsage,
     .summary = "split a text file into parts at given lines",
     .help = "Splits FILE into part files at the given LINE numbers (ascending, 1 to the\n"
             "file's line count), as the program splits at hit lines. The parts are named\n"
             "after FILE with a number before the extension (a.txt: a0.txt, a1.txt, ...), and\n"
             "one line is printed per part: \"<part>\\t<first>\\t<last>\\t<written|skipped>\".\n"
             "A part shorter than two lines or starting with an empty line is skipped, and so\n"
             "is a part file that exists already, unless --yes; its old content is then kept\n"
             "first under --backup-dir. A part is never written through a link, onto a file\n"
             "with other names, or onto FILE itself: such a part is skipped and named.\n"
             "\n"
             "Options:\n"
             "  --mode 1|2|3      where a split line goes: 1 starts a part, 2 (the default)\n"
             "                    ends one part and starts the next, 3 ends a part\n"
             "  --yes             replace part files that exist already\n"
             "  --backup-dir DIR  where a replaced part's old content is kept (default ./Temp):\n"
             "                    DIR/~kept/<its full path>, numbered when a copy is there\n"
             "  --raw             names are bytes (Shift-JIS) instead of UTF-8\n"
             "\n"
             "Exit status: 0 every part to be written was, 1 no part is to be written, 2 an\n"
             "error before anything was written, 3 some parts were skipped or failed.\n"
             "\n"
             "Example:\n"
             "  skarvo-cli split --mode 1 book.txt 120 250\n"});

}  // namespace skarvo::cli
