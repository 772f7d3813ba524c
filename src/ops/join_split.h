// TJoinSplit: the join list's operations. In join mode (mode number 1) the list is built
// from the checked files of the target list, one content row with a short preview per file
// between separator rows; the user reorders rows by dragging, adds, deletes and edits
// separators, unchecks files and saves one new file. In split mode (3) the same list holds
// the parts a file's hit lines cut it into, and the save writes each checked part next to
// the file. The main window owns every piece these work on and hands references in
// JoinSplitParts; its handlers forward here.
//
// Nothing the user did not choose is overwritten: a file that a save replaces is kept in
// the temp folder first (see join_restore.h), the join output may not be one of its own
// inputs, a split part that already exists is replaced only after a question, and every
// file is written atomically.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ops/join_lines.h"
#include "ops/join_restore.h"
#include "ops/split_parts.h"
#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "search/search_run.h"
#include "search/temp_folder_ledger.h"
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
  kAddSeparator,     // "項目の追加" (N10Click)
  kDeleteSeparator,  // "選択項目の削除" (N11Click)
  kChangeFromHere,   // "文字列の変更(選択セル以降)" (N9Click)
  kChangeSeparator,  // "文字列の変更" (N8Click)
  kOpenFile,         // "ファイルを開く" (MenuItem7Click, opening a file)
  kCount
};
inline constexpr int kJoinListCommandCount = static_cast<int>(JoinListCommand::kCount);
// The UTF-8 caption of a context-menu command.
const char* JoinListCommandCaption(JoinListCommand command);

// What the join and the split change in the window besides the lists.
struct JoinSplitWindow {
  std::function<void(JoinUiCommand, bool)> setEnabled;
  std::function<void(bool)> setDragEnabled;
  std::function<void(std::string)> setPage1Caption;  // CP932
  std::function<void()> showJoinPage;                // the join list's tab
};

// The pieces of the main window the join and the split work on; all outlive TJoinSplit.
struct JoinSplitParts {
  CheckList& targetList;  // CheckListBox1
  CheckList& resultList;  // CheckListBox3
  CheckList& joinList;    // CheckListBox2
  CheckList& undoList;    // CheckListBoxUNDO
  const Settings& settings;
  const std::string& homeFolder;  // the settings file lives here
  TempFolderLedger& tempFolder;
  int& modeNumber;
  SearchState& search;            // a pending replace is undone before a split
  FileChoiceRequest& saveDialog;  // SaveDialog1
  CoreTimer& statusTimer;         // Timer1
  UiPort& port;
  JoinSplitWindow window;
};

class TJoinSplit {
 public:
  explicit TJoinSplit(JoinSplitParts parts);
  TJoinSplit(const TJoinSplit&) = delete;
  TJoinSplit& operator=(const TJoinSplit&) = delete;

  // The join build ("ファイル結合", N7Click / FairuKetugouBClick).
  void N7Click();
  // The join half of "ファイルを絞込み結合" (File3Click): the build, run once the narrowing
  // has made the target list and the window is in join mode with the join list shown.
  void JoinAfterNarrowing() { N7Click(); }
  // "新規ファイルへ保存" / "新規保存": the join save in mode 1, the split save in mode 3;
  // any other mode only disables the save commands.
  void SaveAs1Click();

  // The join list's context menu: the states when it opens (by mode and selected row).
  void JoinListMenuPopup();
  bool MenuEnabled(JoinListCommand command) const {
    return menuEnabled_[static_cast<size_t>(command)];
  }
  // Runs a context-menu command when it is enabled.
  void RunMenuCommand(JoinListCommand command);
  void N10Click();  // add a separator above the selected row
  void N11Click();  // delete the selected separator row
  void N8Click();   // change the selected separator
  void N9Click();   // change every separator from the selected one down

  // A row dropped on row dropRow (the row whose rectangle holds the drop point): the
  // dragged (selected) row moves there and is selected. Join mode only.
  void CheckListBox2DragDrop(int dropRow);
  // The user selected a row / clicked a row's check box (content and part rows only).
  void CheckListBox2Select(int index);
  void CheckListBox2ClickCheck(int index);
  // The join list lost the focus.
  void CheckListBox2Exit();

  // "ファイルの分割" on the selected header row of the result list (File2Click).
  void File2Click();

  // The split being prepared (for the range preview of a part row).
  const std::string& SplitFile() const { return split_.path; }

 private:
  void Enable(std::initializer_list<JoinUiCommand> ids, bool enabled);
  void Notice(const std::string& text);
  std::string ReadSeparator() const;
  int ReadSplitMode() const;
  void ChangeSeparators(bool fromHereDown);
  void JoinSave();
  void SplitSave();
  bool SplitStillValid(const std::vector<std::string>& lines);

  // What the split preparation saw, so the save can tell when the file changed.
  struct PreparedSplit {
    std::string path;
    std::vector<SplitPoint> points;
    std::vector<std::string> pointTexts;  // the file's lines at the hit points
  };

  JoinSplitParts p_;
  std::array<bool, kJoinListCommandCount> menuEnabled_{true, true, true, true, true};
  PreparedSplit split_;
};

// Appends a file's content row to a join list: "\"<path>\",の内容" and the preview.
void AddJoinContentRow(CheckList& joinList, const std::string& path,
                       const std::vector<std::string>& lines, bool ignoreBlankLines);

// The path of a content row: its first comma-separated field in double quotes.
std::string ContentRowPath(const std::string& rowText);

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
