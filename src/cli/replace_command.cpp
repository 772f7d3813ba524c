// skarvo-cli replace: the search of "skarvo-cli search", then the replace in every hit (all
// checked) and, with --yes, the overwrite as if "すべてはい" were answered. Without --yes
// nothing is written and the result rows after the replace are printed as search prints
// them. With --yes each file written is printed as "W\t<path>" and each file left as
// "S\t<path>\t<reason>", each line flushed as the file is done; the backups of each run are
// kept in a run folder of their own under --backup-dir (default ./Temp), with the run's
// manifest, for "skarvo-cli restore". A closed report pipe does not stop the run.
#include <signal.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "cli/private_home.h"
#include "engine/awk_str.h"
#include "engine/grep.h"
#include "ops/file_backup.h"
#include "ops/overwrite.h"
#include "ops/overwrite_run.h"
#include "ops/prompter.h"
#include "ops/replace.h"
#include "ops/result_session.h"
#include "ops/session_search.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "search/search_stage.h"
#include "search/search_text.h"
#include "search/temp_folder_ledger.h"

namespace skarvo::cli {
namespace {

constexpr const char* kUsage =
    "[--raw] [--plain] [--ignore-case] [--fuzzy] [--no-subfolders] [--shift-jis] [--ext LIST] "
    "[--backup-dir DIR] [--yes] PATTERN REPLACEMENT FOLDER...";

// What the replace and the overwrite tell goes to stderr; a question is answered "すべて
// はい" with --yes and Cancel without; confirmations are refused.
class CommandLinePrompter : public Prompter {
 public:
  CommandLinePrompter(const TextEdge& edge, bool yes) : edge_(edge), yes_(yes) {}
  bool errorTold = false;

  Answer Ask(const std::string&, QuestionButtons) override {
    return yes_ ? Answer::kYesToAll : Answer::kCancel;
  }
  bool Confirm(const std::string&) override { return false; }
  std::optional<std::string> AskText(const std::string&, const std::string&,
                                     const std::string&) override {
    return std::nullopt;
  }
  void Tell(const std::string& text) override { Print(text); }
  void TellError(const std::string& text) override {
    errorTold = true;
    Print(text);
  }
  void Print(const std::string& cp932) const { PrintError(edge_.Out(cp932)); }

 private:
  const TextEdge& edge_;
  bool yes_;
};

int Fail(const std::string& message) {
  PrintError(message);
  return 2;
}

struct ReplaceArgs {
  bool raw = false;
  bool yes = false;
  Settings settings;
  std::string ext = ".txt";
  std::string backupDir = "./Temp";
  std::vector<std::string> positional;
};

// Parses the arguments; returns an error text, empty when they are good.
std::string Parse(const std::vector<std::string>& args, ReplaceArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw") {
      out.raw = true;
    } else if (a == "--plain") {
      out.settings.useRegex = false;
    } else if (a == "--ignore-case") {
      out.settings.caseSensitive = false;
    } else if (a == "--fuzzy") {
      out.settings.useFuzzyDictionary = true;
    } else if (a == "--no-subfolders") {
      out.settings.searchSubfolders = false;
    } else if (a == "--shift-jis") {
      out.settings.textEncoding = EncodingChoice::kShiftJisOnly;
    } else if (a == "--yes") {
      out.yes = true;
    } else if (a == "--ext" || a == "--backup-dir") {
      if (++i == args.size()) return "replace: " + a + " needs a value";
      (a == "--ext" ? out.ext : out.backupDir) = args[i];
    } else if (a == "--") {
      out.positional.insert(out.positional.end(), args.begin() + static_cast<long>(i) + 1,
                            args.end());
      break;
    } else if (a.size() > 1 && a[0] == '-' && out.positional.empty()) {
      return "replace: unknown option " + a;
    } else {
      out.positional.push_back(a);
    }
  }
  if (out.positional.size() < 3) return std::string("usage: skarvo-cli replace ") + kUsage;
  return {};
}

int RunReplaceCommand(const std::vector<std::string>& args) {
  ReplaceArgs a;
  if (std::string error = Parse(args, a); !error.empty()) {
    return Fail(error);
  }
  // A closed report pipe must not stop the writes halfway.
  if (a.yes) ::signal(SIGPIPE, SIG_IGN);
  const TextEdge edge(a.raw);
  std::optional<std::string> ext = edge.In(a.ext);
  std::optional<std::string> pattern = PatternIn(edge, a.positional[0], a.settings.textEncoding);
  std::optional<std::string> replacement =
      PatternIn(edge, a.positional[1], a.settings.textEncoding);
  std::optional<std::string> backupDir = edge.In(a.backupDir);
  if (!ext || !pattern || !replacement || !backupDir)
    return Fail("replace: an argument has no Shift-JIS form");
  if (pattern->empty()) return Fail("replace: the pattern is empty");
  a.settings.extensionList = *ext;
  std::vector<std::string> folders;
  for (size_t i = 2; i < a.positional.size(); ++i) {
    std::optional<std::string> folder = edge.In(a.positional[i]);
    if (!folder || !FolderExists(*folder))
      return Fail("replace: no such folder: " + a.positional[i]);
    folders.push_back(*folder);
  }
  PrivateHome home("skarvo-replace-");
  std::optional<std::string> homeCp932 = a.raw ? home.Path() : edge.In(home.Path());
  if (home.Path().empty() || !homeCp932) return Fail("replace: cannot make a private temp folder");

  // With --yes the run's folder and manifest come first, so that a run killed at any point
  // (the search included) is cleaned up after by the next run or the restore.
  std::unique_ptr<OverwriteRun> run;
  bool madeBackupFolder = false;
  if (a.yes) {
    madeBackupFolder = !FolderExists(*backupDir);
    if (!CreatePrivateFolderPath(*backupDir))
      return Fail("replace: cannot make the backup folder " + a.backupDir);
    // The backup folder as the file system names it: a backup place is never a spelling.
    const std::optional<std::string> root = RealPath(*backupDir);
    if (!root) return Fail("replace: cannot make the backup folder " + a.backupDir);
    CleanKilledRuns(*root);
    run = OverwriteRun::Start(*root, *homeCp932);
    if (!run) return Fail("replace: cannot make a run folder in the backup folder " + a.backupDir);
  }
  // A run that wrote nothing leaves no folder behind.
  struct RunEnd {
    std::unique_ptr<OverwriteRun>& run;
    const std::string& backupDir;
    bool madeBackupFolder;
    ~RunEnd() {
      if (!run) return;
      run->Finish();
      if (run->FileCount() > 0) return;
      run->RemoveIfEmpty();
      if (madeBackupFolder) DeleteEmptyFolder(backupDir);
    }
  } runEnd{run, *backupDir, madeBackupFolder};

  CommandLinePrompter prompter(edge, a.yes);
  CliTargets cli(a.settings);
  if (cli.Build(folders, edge, "replace") == 0) {
    prompter.Print(Sjis("選択されたファイルがありません！"));
    return 1;
  }

  // The search, exactly as skarvo-cli search runs it.
  TGrep grep;
  TXBiff xbiff;
  TReadDoc readDoc;
  TAWKStr awk;
  TempFolderLedger tempFolder(*homeCp932);
  TSearchStage stage(SearchStageParts{grep, xbiff, readDoc, tempFolder});
  const Settings& s = a.settings;
  const SearchPattern searchPattern{*pattern, s.useRegex, s.caseSensitive, s.useFuzzyDictionary};
  try {
    stage.SetEncodingChoice(s.textEncoding);
    stage.SetPattern(searchPattern);
  } catch (const Exception& e) {
    prompter.Print(e.Message());
    return 2;
  }
  // The backups (the backup folder and any run folder) are the program's own copies: a
  // replace that searched them would rewrite the originals they keep.
  const std::optional<std::string> backupRoot =
      FolderExists(*backupDir) ? RealPath(*backupDir) : std::nullopt;
  std::vector<CheckListRow> targetRows;
  for (const CheckListRow& row : cli.targetList.Rows())
    if (!InBackups(row.text, backupRoot.value_or(std::string()))) targetRows.push_back(row);
  ResultSession session;
  SessionSink sink(session);
  stage.Run(targetRows, sink);
  if (sink.failure) {
    prompter.Print(SearchErrorMessage(sink.Failures()));
    return 2;
  }
  // Refused office files hold nothing a replace could write; they are named and passed over.
  if (!sink.refused.empty()) prompter.Print(SearchErrorMessage(sink.refused));
  const CheckList& rows = session.rows;
  if (rows.Empty()) return 1;
  NoteSearchDone(session, searchPattern);

  // The preview note of the outcome is for a window only.
  Replace(session, *replacement, awk, prompter);
  if (prompter.errorTold) return 2;
  const bool anyChecked = rows.CheckedCount() > 0;
  if (!a.yes) {
    for (const CheckListRow& row : rows.Rows())
      WriteLine((row.header ? "H\t" : row.checked ? "+\t" : "-\t") + edge.Out(row.text));
    std::fflush(stdout);
    return anyChecked ? 0 : 1;
  }
  if (!anyChecked) return 1;
  TFileBackup backup(run->FilesRoot(), nullptr);
  FlushedReport report;
  int written = 0;
  int left = 0;
  Overwrite(
      session, backup, awk, prompter,
      [&](const std::string& path, bool ok, SkipReason reason) {
        if (ok) {
          ++written;
          report.Line("W\t" + edge.Out(EscapeField(path)));
        } else {
          ++left;
          report.Line("S\t" + edge.Out(EscapeField(path)) + "\t" + SkipReasonKey(reason));
        }
      },
      run.get());
  const bool reportFailed = report.Error() != 0;
  if (reportFailed)
    PrintError(std::string("replace: the report could not be written (") +
               std::strerror(report.Error()) + "); every file was still handled");
  if (left > 0 || reportFailed) return 3;
  return written > 0 ? 0 : 1;
}

CommandRegistrar replaceCommand(
    "replace",
    {.run = RunReplaceCommand,
     .usage = kUsage,
     .summary = "replace a pattern in the files of folders, with backups",
     .help = "Searches as \"skarvo-cli search\" does, then replaces PATTERN by REPLACEMENT in\n"
             "every hit of a text file (& in REPLACEMENT stands for the matched text, \\& for\n"
             "an &).\n"
             "Without --yes nothing is written: the rows after the replace are printed as\n"
             "search prints them.\n"
             "With --yes every file is written (CR LF line breaks) after a byte-for-byte\n"
             "backup. Each run keeps its backups in a run folder of its own under DIR\n"
             "(YYYYMMDD-HHMMSS-PID, with a manifest); \"skarvo-cli restore\" puts a run's\n"
             "files back. One line per file:\n"
             "  W\\t<path>           written\n"
             "  S\\t<path>\\t<reason>  left as it was (but for partial); reason: vanished,\n"
             "                      unreadable, changed,\n"
             "                      nul, no-backup, declined, write-failed,\n"
             "                      folder-not-writable, not-recorded, in-backups or partial\n"
             "                      (partial: written in place and failed midway; the\n"
             "                      backup holds the original, \"restore\" puts it back)\n"
             "Files under DIR and in any run folder are never searched nor written.\n"
             "In a path, \"\\\" is written \"\\\\\", a tab \"\\t\" and a line break \"\\n\".\n"
             "\n"
             "Options:\n"
             "  --plain           PATTERN is plain text, not a regular expression\n"
             "  --ignore-case     letters match in either case\n"
             "  --fuzzy           the written forms of a character match one another\n"
             "  --no-subfolders   only the files directly in each FOLDER\n"
             "  --shift-jis       read every text file as Shift-JIS (default: each file's\n"
             "                    encoding told from its bytes, and written back in it)\n"
             "  --ext LIST        the extensions to search, comma-separated (default \".txt\")\n"
             "  --backup-dir DIR  where the run folders go (default ./Temp)\n"
             "  --yes             write the files\n"
             "  --raw             texts are bytes (Shift-JIS) in and out instead of UTF-8\n"
             "\n"
             "Exit status: 0 replaced (every file written with --yes), 1 nothing found or\n"
             "nothing to replace, 2 bad arguments or a failure before any write, 3 some files\n"
             "skipped or failed (their S lines) or the report could not be written.\n"
             "\n"
             "Example:\n"
             "  skarvo-cli replace '旧社名' '新社名' ~/documents         shows the result\n"
             "  skarvo-cli replace --yes '旧社名' '新社名' ~/documents   writes the files\n"});

}  // namespace
}  // namespace skarvo::cli
