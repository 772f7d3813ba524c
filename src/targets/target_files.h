// The target list and what fills it. TargetFileList is the list's own work: the build of
// the target list from a folder (scan, one folder row per folder followed by its matching
// files, empty folders dropped), the check commands and the target count that gates the
// search commands; it takes its folder and settings and returns what the status bar says.
// TargetFiles is the window's side: the folder picker, the folder history box, the status
// bar and its timer, and the result and join lists every build empties.
//
// Row forms: a folder row is a header whose text is `"`, the folder path, `",【該当File数】,`
// and the number of file rows it received; a file row is the file's full path, checked
// when it is made. Everything runs synchronously.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/folder_scan.h"
#include "targets/history_box.h"
#include "targets/select_folder_dialog.h"

namespace skarvo {

// The folder row text for a folder that received count file rows.
std::string FolderRowText(const std::string& folder, int count);
// The folder path of a folder row: the first item of the row as comma text with `"` as
// the quote character.
std::string FolderOfRow(const std::string& rowText);
// The extension of a path: from the last "." of its file name to the end, empty when the
// name has no dot.
std::string FileExtension(const std::string& path);
// The entries of an extension list, split at commas and blanks, upper-cased for the
// comparison without case. Empty entries are left out: a stray comma must not make every
// file without an extension a target. The zipped forms of the office files go with their
// older ones: an entry ".xls" or ".doc" brings ".xlsx" or ".docx" right after it, unless the
// list names that one itself (a file is listed once per entry it matches).
std::vector<std::string> ExtensionEntries(const std::string& extensionList);

// What a build of the target list leaves for the status bar.
struct TargetBuildOutcome {
  std::string notice;  // "<n>個のファイルが対象です" and what was left out (CP932)
};

class TargetFileList {
 public:
  // Both outlive the object.
  TargetFileList(CheckList& targetList, const Settings& settings)
      : targetList_(targetList), settings_(settings) {}

  // Builds the target list from folder (add: keeps earlier rows), with the settings'
  // extensions and subfolder choice. progress (may be empty) gets the texts the status bar
  // shows while the build runs.
  TargetBuildOutcome Build(const std::string& folder, bool add,
                           const std::function<void(const std::string&)>& progress);
  // Appends the folder row of one folder and the file rows of its matching files.
  void AddFolderRows(const std::string& folder);
  void AddFolderRows(const std::string& folder, const FolderFiles& files);
  // Deletes every folder row that has no file row under it.
  void DropEmptyFolders();

  // The user clicked the check box of row index: it toggles, and the target count
  // becomes the number of checked file rows.
  void OnTargetCheckClick(int index);
  // Context menu of the target list.
  bool FolderCheckEnabled() const;  // the selected row is a folder row
  void OnCheckFolder();             // "CheckON(フォルダ全体)"
  void OnUncheckFolder();           // "CheckOFF(フォルダ全体)"
  void OnCheckAll();                // "全てON"
  void OnUncheckAll();              // "全てOFF"

  // Run each time a build lists a folder tree (the window ends what the last operation left
  // to take back then, as it always has).
  void SetOnFolderScan(std::function<void()> handler) { onFolderScan_ = std::move(handler); }

  // The folders the last tree listing found, root first.
  const CheckList& ScannedFolders() const { return scanFolders_; }

  int TargetCount() const { return targetCount_; }
  // Names the last build left out: without a CP932 form / with a path past the limit.
  int LeftOutNames() const { return leftOut_; }
  int TooLongNames() const { return tooLong_; }
  void SetTargetCount(int count) { targetCount_ = count; }
  const std::string& LastBuildFolder() const { return lastBuildFolder_; }

 private:
  void SetFolderChecks(bool checked);
  void SetAllChecks(bool checked);

  CheckList& targetList_;
  const Settings& settings_;
  CheckList scanFolders_;  // the folders of the last tree listing
  std::function<void()> onFolderScan_;
  int targetCount_ = 0;
  std::string lastBuildFolder_;
  std::vector<std::string> extensions_;  // of the current build
  int leftOut_ = 0;                      // names without a CP932 form, current build
  int tooLong_ = 0;                      // paths past the system's length limit, current build
};

// The parts of the main window the target list works with; all outlive TargetFiles.
struct TargetListParts {
  CheckList& targetList;              // targetList
  CheckList& resultList;              // resultList, emptied by every build
  CheckList& joinList;                // joinList, emptied by every build
  HistoryBox& folderHistory;          // folderHistory
  const Settings& settings;           // extensionList, searchSubfolders
  TSelectFolderDialog& folderDialog;  // folderPicker
  CoreTimer& statusTimer;             // statusTimer: clears a notice after 5 s
  UiPort& port;
};

class TargetFiles {
 public:
  explicit TargetFiles(TargetListParts parts)
      : p_(parts), list_(parts.targetList, parts.settings) {}

  // The list's own work, for whoever needs no window.
  TargetFileList& List() { return list_; }

  // Shows the folder picker ("フォルダの追加" when add, else "フォルダの選択"); on a confirmed
  // folder puts it at the top of the folder history and builds from it (add: appending).
  void ChooseFolder(bool add);
  // Builds the target list from the folder history's text (add: keeps earlier rows),
  // emptying the result and join lists first; the count goes to the status bar.
  void BuildTargetList(bool add);

  // Enter in the folder history box: builds from the typed folder when it exists, else
  // opens the folder picker.
  void OnFolderBoxEnter();
  // The user selected entry index of the folder history box.
  void OnFolderHistoryPick(int index);

  // The target count that gates the search commands.
  int TargetCount() const { return list_.TargetCount(); }

 private:
  TargetListParts p_;
  TargetFileList list_;
};

}  // namespace skarvo
