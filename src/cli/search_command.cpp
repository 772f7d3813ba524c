// skarvo-cli search: the target list build and the search stage without a window. Prints
// one line per result-list row ("H\t" header, "+\t" checked hit, "-\t" unchecked hit) as
// the stage reports it. It uses the default settings except what the flags say, a private
// temp folder that it removes, and never touches a settings file. What the window would
// show in a message box goes to stderr.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "cli/private_home.h"
#include "engine/grep.h"
#include "platform/codepage.h"
#include "platform/core_timer.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "platform/ui_port.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "search/row_text.h"
#include "search/search_stage.h"
#include "search/temp_folder_ledger.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/history_box.h"
#include "targets/select_folder_dialog.h"
#include "targets/target_files.h"

namespace skarvo::cli {
namespace {

constexpr const char* kUsage =
    "[--raw] [--plain] [--ignore-case] [--fuzzy] [--no-subfolders] [--shift-jis] [--ext LIST] "
    "[--threads N] PATTERN FOLDER...";

// Writes each row as the stage reports it and keeps a failed file. Rows are gathered into
// one buffer and written in large pieces: a run may report a hundred thousand rows, and a
// write and a string per row would cost more than the search.
class PrintingSink : public SearchSink {
 public:
  explicit PrintingSink(bool raw) : raw_(raw) {}
  ~PrintingSink() override { Flush(); }
  int rows = 0;
  std::optional<SearchFileFailure> failure;
  std::vector<SearchFileFailure> refused;  // zipped office files passed over, in order

  bool OnRow(const CheckListRow& row) override {
    // The text the stage made from the row's fields (ResultRowText), printed as it is.
    const std::string* shown = &row.text;
    if (row.encoding != TextEncoding::kShiftJis) {
      // A row of a file in another encoding: its line in that encoding with --raw, else
      // decoded from the internal form.
      if (raw_) {
        converted_ = ResultRowTextWithLine(row, "");
        std::string line;
        if (!FromInternalForm(row.lineText, row.encoding, line)) line = row.lineText;
        converted_ += line;
      } else {
        converted_ = InternalToUtf8(row.text);
      }
      shown = &converted_;
    }
    const std::string& text = *shown;
    const bool asIs = raw_ || row.encoding != TextEncoding::kShiftJis;
    char* at = Room(2 + (asIs ? text.size() : Cp932ToUtf8LossyBound(text.size())) + 1);
    *at++ = row.header ? 'H' : row.checked ? '+' : '-';
    *at++ = '\t';
    if (asIs) {
      std::memcpy(at, text.data(), text.size());
      at += text.size();
    } else {
      at += Cp932ToUtf8LossyTo(text, at);
    }
    *at++ = '\n';
    used_ = static_cast<size_t>(at - buffer_.get());
    if (used_ >= kFlushAt) Flush();
    ++rows;
    return true;
  }
  void OnFileFailed(const SearchFileFailure& f) override { failure = f; }
  void OnFileRefused(const SearchFileFailure& f) override { refused.push_back(f); }

  // Hands what is gathered to standard output (before anything goes to standard error).
  void Flush() {
    if (used_ > 0) std::fwrite(buffer_.get(), 1, used_, stdout);
    used_ = 0;
    std::fflush(stdout);
  }

 private:
  static constexpr size_t kFlushAt = 64 * 1024;

  // Room for n more bytes after what is gathered; the buffer grows for a row longer than it.
  char* Room(size_t n) {
    if (used_ + n > capacity_) {
      if (used_ > 0) std::fwrite(buffer_.get(), 1, used_, stdout);
      used_ = 0;
      if (n > capacity_) {
        capacity_ = std::max(n, kFlushAt * 2);
        buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
      }
    }
    return buffer_.get() + used_;
  }

  bool raw_;
  std::string converted_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
};

int Fail(const std::string& message) {
  PrintError(message);
  return 2;
}

int RunSearchCommand(const std::vector<std::string>& args) {
  bool raw = false;
  int threads = DefaultSearchWorkers();
  Settings settings;
  settings.extensionList = ".txt";
  std::string extArg = ".txt";
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw") {
      raw = true;
    } else if (a == "--plain") {
      settings.useRegex = false;
    } else if (a == "--ignore-case") {
      settings.caseSensitive = false;
    } else if (a == "--fuzzy") {
      settings.useFuzzyDictionary = true;
    } else if (a == "--no-subfolders") {
      settings.searchSubfolders = false;
    } else if (a == "--shift-jis") {
      settings.textEncoding = EncodingChoice::kShiftJisOnly;
    } else if (a == "--ext") {
      if (++i == args.size()) return Fail("search: --ext needs a list");
      extArg = args[i];
    } else if (a == "--threads") {
      if (++i == args.size() || !ParseThreads(args[i], threads))
        return Fail("search: --threads needs a number from 1 to " + std::to_string(kMaxThreads));
    } else if (a == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    } else if (a.size() > 1 && a[0] == '-' && positional.empty()) {
      return Fail("search: unknown option " + a + "\nusage: skarvo-cli search " + kUsage);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2) return Fail(std::string("usage: skarvo-cli search ") + kUsage);
  const TextEdge edge(raw);

  std::optional<std::string> ext = edge.In(extArg);
  if (!ext) return Fail("search: the extension list has no Shift-JIS form");
  settings.extensionList = *ext;
  std::optional<std::string> pattern = PatternIn(edge, positional[0], settings.textEncoding);
  if (!pattern) return Fail("search: the pattern has no Shift-JIS form");
  // The window would ask for a string here; a command line cannot.
  if (pattern->empty()) return Fail("search: the pattern is empty");
  std::vector<std::string> folders;
  for (size_t i = 1; i < positional.size(); ++i) {
    std::optional<std::string> folder = edge.In(positional[i]);
    if (!folder) return Fail("search: the folder name has no Shift-JIS form: " + positional[i]);
    if (!FolderExists(*folder)) return Fail("search: no such folder: " + positional[i]);
    folders.push_back(*folder);
  }

  PrivateHome home("skarvo-search-");
  if (home.Path().empty()) return Fail("search: cannot make a private temp folder");
  std::optional<std::string> homeCp932 = raw ? home.Path() : edge.In(home.Path());
  if (!homeCp932) return Fail("search: the temp folder name has no Shift-JIS form");

  // The target list is built as the window builds it, from one folder after the other.
  CliPort port(edge);
  CliTargets targets(settings, port);
  if (targets.Build(folders, edge, "search") == 0) {
    port.Print(Sjis("選択されたファイルがありません！"));
    return 1;
  }

  TGrep grep;
  TXBiff xbiff;
  TReadDoc readDoc;
  TempFolderLedger tempFolder(*homeCp932);
  TSearchStage stage(SearchStageParts{grep, xbiff, readDoc, tempFolder});
  try {
    stage.SetEncodingChoice(settings.textEncoding);
    stage.SetPattern(SearchPattern{*pattern, settings.useRegex, settings.caseSensitive,
                                   settings.useFuzzyDictionary});
  } catch (const Exception& e) {
    port.Print(e.Message());
    return 2;
  }
  PrintingSink sink(raw);
  SearchRunOptions run;
  run.workers = threads;
  stage.Run(targets.targetList.Rows(), sink, run);
  sink.Flush();
  // The files that failed, in the order met, in one message after the rows.
  std::vector<SearchFileFailure> failures = sink.refused;
  if (sink.failure) failures.push_back(*sink.failure);
  if (!failures.empty()) port.Print(SearchErrorMessage(failures));
  if (sink.rows == 0) port.Print(NotFoundMessage(*pattern));
  if (!failures.empty()) return 2;
  return sink.rows == 0 ? 1 : 0;
}

CommandRegistrar searchCommand(
    "search",
    {.run = RunSearchCommand,
     .usage = kUsage,
     .summary = "search the files of folders as the program's search does",
     .help = "Lists the files of each FOLDER and its subfolders whose extension is in the list,\n"
             "searches them for PATTERN as the program's search does (text files, Word .doc\n"
             "and .docx, Excel .xls and .xlsx) and prints one line per row of the result list:\n"
             "  H\\t<text>  the header row of a file with hits\n"
             "  +\\t<text>  a hit (checked)\n"
             "  -\\t<text>  a hit in a Word or Excel file (unchecked: those are never replaced)\n"
             "It uses the default settings except what the options say and a private temporary\n"
             "folder that it removes; it never reads or writes a settings file.\n"
             "\n"
             "Options:\n"
             "  --plain          PATTERN is plain text, not a regular expression\n"
             "  --ignore-case    letters match in either case\n"
             "  --fuzzy          the written forms of a character match one another (full- and\n"
             "                   half-width, upper and lower case, hiragana and katakana, ...)\n"
             "  --no-subfolders  only the files directly in each FOLDER\n"
             "  --ext LIST       the extensions to search, comma-separated (default \".txt\");\n"
             "                   .xls and .doc bring .xlsx and .docx with them\n"
             "  --threads N      search N files at a time (default: one per core); the rows\n"
             "                   come in the same order and are the same whatever N is\n"
             "  --shift-jis      read every text file as Shift-JIS (default: each file's\n"
             "                   encoding is told from its bytes: UTF-8, UTF-16, EUC-JP)\n"
             "  --raw            texts are bytes (Shift-JIS) in and out instead of UTF-8; a row\n"
             "                   of a file in another encoding is printed in that encoding\n"
             "\n"
             "Exit status: 0 something found, 1 nothing found or no file to search, 2 an error\n"
             "(a file that could not be searched is reported after the rows; a damaged .xlsx or\n"
             ".docx is named there too, and the search goes on with the next file).\n"
             "\n"
             "Example:\n"
             "  skarvo-cli search --ext .txt,.doc,.xls --ignore-case 'error' ~/documents\n"});

}  // namespace
}  // namespace skarvo::cli
