// TJoinSplit: the join list's operations. In join mode (mode number 1) the list is built
// from the checked files of the target list, one content row with a short preview per file
// between separator rows; the user reorders rows by dragging, adds, deletes and edits
// separators, unchecks files and saves one new file. In split mode (3) the same list holds
// the parts a file's hit lines cut it into, and the save writes each checked part next to
// the file. The result session gives the rows a split reads and takes the record of what a
// save wrote; questions and messages go through the prompter; what the window shows
// afterwards comes back as a JoinSplitOutcome.
//
// Nothing the user did not choose is overwritten: a file that a save replaces is kept in
// the temp folder first (see join_restore.h), the join output may not be one of its own
// inputs, a split part that already exists is replaced only after a question, and every
// file is written atomically.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ops/join_lines.h"
#include "ops/join_restore.h"
#include "ops/prompter.h"
#include "ops/result_session.h"
#include "ops/split_parts.h"
#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo {

// The window's commands whose enabled state the join and the split change.
enum class JoinUiCommand {
  kMenuFolderSelect,  // "フォルダの選択"
  kMenuUndo,          // "元に戻す"
  kMenuSearch,        // "検索"
  kMenuReplace,       // "置換"
  kMenuNarrow,        // "絞込み"
  kMenuJoinFiles,     // "ファイル結合"
  kMenuSaveNew,       // "新規ファイルへ保存"
  kToolSaveNew,       // "新規保存"
  kToolOverwrite,     // "上書き保存"
  kToolUndo,          // "やり直し"
};

// The join list's context menu, in menu order.
enum class JoinListCommand {
  kAddSeparator,     // "項目の追加"
  kDeleteSeparator,  // "選択項目の削除"
  kChangeFromHere,   // "文字列の変更(選択セル以降)"
  kChangeSeparator,  // "文字列の変更"
  kOpenFile,         // "ファイルを開く" (opening a file)
  kCount
};
inline constexpr int kJoinListCommandCount = static_cast<int>(JoinListCommand::kCount);
// The UTF-8 caption of a context-menu command.
const char* JoinListCommandCaption(JoinListCommand command);

// The window's save dialog (base: its title, name and filter) set up for a request.
FileChoiceRequest JoinSaveDialog(FileChoiceRequest base, const SavePathRequest& request);

// What the join and the split change in the window besides the lists and the status bar.
struct JoinSplitWindow {
  std::function<void(JoinUiCommand, bool)> setEnabled;
  std::function<void(bool)> setDragEnabled;
  std::function<void(std::string)> setPage1Caption;  // CP932
  std::function<void()> showJoinPage;                // the join list's tab
};

// The join's separator and the split's mode, read each time a step needs them.
struct JoinSplitChoices {
  std::string separator;  // CP932; empty: no separator rows
  int splitMode = 0;
  // Whether a join without separators says so (the window's setting may have been left
  // empty by mistake; a command line that gives none asked for none).
  bool tellNoSeparator = true;
};
// The window's choices: read afresh from the settings file in homeFolder, which the
// settings dialog may have changed since the last step.
std::function<JoinSplitChoices()> ChoicesFromSettingsFile(std::string homeFolder);

// How a split save ended for one part, in part order.
enum class SplitPartEnd {
  kWritten,    // a new file
  kReplaced,   // an old file was kept, then replaced
  kUnchecked,  // the user unchecked it
  kTooShort,   // under two lines or starting with an empty line
  kRefused,    // a link, the split file itself or no file: told as an error
  kDeclined,   // it exists and the user did not replace it
  kFailed,     // keeping the old file or the write failed: told as an error
};

// What the window shows after a step; a field left empty changes nothing.
struct JoinSplitOutcome {
  std::optional<std::string> status;  // the status bar's text (CP932)
  bool statusTimer = false;           // the status timer runs, to clear the text
  std::optional<int> mode;            // the window's mode number after the step
};

// What the join and the split work on besides the session; all outlive TJoinSplit.
struct JoinSplitParts {
  ResultSession& session;  // the result rows a split reads; takes what a save wrote
  CheckList& targetList;   // the files a join takes
  CheckList& joinList;
  const Settings& settings;
  std::function<JoinSplitChoices()> choices;
  // Keeps a file a save replaces, first; empty replaces it without a copy.
  KeepOldFile keep;
  Prompter& prompter;
  JoinSplitWindow window;
  // Told of each part as its split save ends with it (may be empty).
  std::function<void(const SplitPart&, SplitPartEnd)> partDone;
};

class TJoinSplit {
 public:
  explicit TJoinSplit(JoinSplitParts parts);
  TJoinSplit(const TJoinSplit&) = delete;
  TJoinSplit& operator=(const TJoinSplit&) = delete;

  // "ファイル結合": the join list from the checked files of the target list.
  JoinSplitOutcome OnJoinFiles();
  // The join half of "ファイルを絞込み結合": the build, run once the narrowing has made the
  // target list and the window is in join mode with the join list shown.
  JoinSplitOutcome JoinAfterNarrowing() { return OnJoinFiles(); }
  // "新規ファイルへ保存" / "新規保存": the join save in mode 1, the split save in mode 3;
  // any other mode only disables the save commands.
  JoinSplitOutcome OnSaveToNewFile(int mode);

  // The join list's context menu: the states when it opens (by mode and selected row).
  void JoinListMenuPopup(int mode);
  bool MenuEnabled(JoinListCommand command) const {
    return menuEnabled_[static_cast<size_t>(command)];
  }
  // Runs a context-menu command when it is enabled.
  JoinSplitOutcome RunMenuCommand(JoinListCommand command);
  JoinSplitOutcome OnAddSeparator();  // a separator above the selected row
  void OnDeleteSeparator();           // the selected separator row goes
  void OnChangeSeparator();           // the selected separator's text
  void OnChangeSeparatorsBelow();     // every separator from the selected one down

  // A row dropped on row dropRow (the row whose rectangle holds the drop point): the
  // dragged (selected) row moves there and is selected. Join mode only.
  void OnJoinListDrop(int mode, int dropRow);
  // The user selected a row / clicked a row's check box (content and part rows only).
  void OnJoinListSelect(int index);
  void OnJoinListCheckClick(int index);
  // The join list lost the focus.
  void OnJoinListExit();

  // "ファイルの分割" on the selected header row of the result list.
  JoinSplitOutcome OnSplitFile();

  // What the split preparation saw, so the save can tell when the file changed; the
  // points' checks are the hits' checks at the preparation.
  struct PreparedSplit {
    std::string path;
    std::vector<SplitPoint> points;
    std::vector<std::string> pointTexts;  // the file's lines at the hit points
  };
  // The split being prepared; empty points once its save has run.
  const PreparedSplit& Prepared() const { return split_; }

 private:
  void Enable(std::initializer_list<JoinUiCommand> ids, bool enabled);
  std::string ReadSeparator() const { return p_.choices().separator; }
  int ReadSplitMode() const { return p_.choices().splitMode; }
  void ChangeSeparators(bool fromHereDown);
  JoinSplitOutcome JoinSave();
  JoinSplitOutcome SplitSave();
  bool SplitStillValid(const std::vector<std::string>& lines) const;

  JoinSplitParts p_;
  std::array<bool, kJoinListCommandCount> menuEnabled_{true, true, true, true, true};
  PreparedSplit split_;
};

// Appends a file's content row to a join list: "\"<path>\",の内容" and the preview shown,
// the path kept in the row's file.
void AddJoinContentRow(CheckList& joinList, const std::string& path,
                       const std::vector<std::string>& lines, bool ignoreBlankLines);

// The join output of a list: each separator row's text as one line, every line of each
// checked content row's file read afresh, each line ended by CR LF. EJoinSplit naming the
// file when a file is missing or holds a NUL byte.
std::string JoinOutput(const CheckList& joinList);

// True when the output path names one of the checked content rows' files (the same file,
// through links too).
bool OutputIsJoinInput(const CheckList& joinList, const std::string& outputPath);

// The files the checked content rows name, for the check that the output is none of them.
std::vector<FileIdentity> JoinInputIdentities(const CheckList& joinList);

// Why the join output was not written, for an outcome other than written (UTF-8 text that
// follows the quoted path).
const char* JoinWriteFailure(KeepWrite result);

}  // namespace skarvo
