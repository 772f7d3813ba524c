// HistoryPruningDialogCore, the history pruning dialog "検索条件削除", without a window: two check
// lists holding copies of the main window's search and folder histories, the status text with its
// 5-second timer, "全てOn" / "全てOff" per list, and "Ok", which drops the unchecked entries
// from the main window's histories ("新規フォルダ" always stays).
#pragma once

#include <string>

#include "platform/core_timer.h"
#include "targets/check_list.h"
#include "targets/history_box.h"

namespace skarvo {

// The two lists of the dialog.
enum class TPruneList { kSearch, kFolder };

class HistoryPruningDialogCore {
 public:
  // The histories are the main window's; both outlive the dialog.
  HistoryPruningDialogCore(HistoryBox& searchHistory, HistoryBox& folderHistory);
  HistoryPruningDialogCore(const HistoryPruningDialogCore&) = delete;
  HistoryPruningDialogCore& operator=(const HistoryPruningDialogCore&) = delete;

  // The dialog opens (modally): it is filled and shown.
  void Show();
  // The dialog becomes the active window: both lists are loaded again from the histories
  // (unsaved unchecks are lost), every row checked, "新規フォルダ" a header row; the status
  // text is shown and its timer started.
  void FormActivate();
  bool Visible() const { return visible_; }

  // The user clicked the check box of a row: it toggles and the status text shows again.
  void ClickCheck(TPruneList list, int index);
  // "全てOn" / "全てOff" of a list's context menu.
  void AllOn(TPruneList list);
  void AllOff(TPruneList list);
  // "Ok": the unchecked rows leave the lists and the histories become the lists; closes.
  void OkClick();
  // "Cancel" (and the window's close box): closes without changes.
  void CancelClick();

  // Status timer: switches itself off and empties the status text.
  void OnStatusTimer();

  CheckList& List(TPruneList list) { return list == TPruneList::kSearch ? targetList : joinList; }
  const std::string& StatusText() const { return statusText_; }

  CheckList targetList;  // the search history
  CheckList joinList;    // the folder history
  CoreTimer statusTimer{5000, false};

 private:
  void ShowHint();
  void SetAll(TPruneList list, bool checked);

  HistoryBox& searchHistory_;
  HistoryBox& folderHistory_;
  std::string statusText_;
  bool visible_ = false;
};

}  // namespace skarvo
