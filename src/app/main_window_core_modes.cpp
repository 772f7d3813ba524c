// The modes of the main window. Mode numbers: 0 search, 1 file join, 3 file split, 2 the
// search page entered from the split mode by its tab. The tabs keep a pending split (the
// search tab turns 3 into 2, the join tab 2 back into 3); the mode commands end it (2 and
// 3 become 0 or 1, and the join list, which holds the split, is emptied).
#include "app/main_window_core.h"
#include "ops/pending_replace.h"
#include "platform/codepage.h"

namespace skarvo {

void MainWindowCore::Enable(std::initializer_list<CommandId> ids, bool enabled) {
  for (CommandId id : ids) MutableState(id).enabled = enabled;
}

void MainWindowCore::RequestFocus(TFocusTarget target) {
  focusTarget_ = target;
  ++focusRequests_;
}

void MainWindowCore::SetActivePage(int page) {
  if (page >= 0 && page < kPageCount) activePage_ = page;
}

const std::string& MainWindowCore::PageCaption(int page) const {
  switch (page) {
    case kPageSearch:
      return Sjis("検索モード");
    case kPageJoin:
      return page1Caption_;
    default:
      return Sjis("対象File一覧");
  }
}

void MainWindowCore::EnterSearchMode() {
  using C = CommandId;
  Check(C::kSearchMode, true);
  Check(C::kJoinMode, false);
  Check(C::kToolSearchMode, true);
  Check(C::kToolJoinMode, false);
  modeNumber_ = (modeNumber_ == 2 || modeNumber_ == 3) ? 2 : 0;
  // Mode 2 keeps the split for its tab; once the split has ended, the tab is the join's
  // again rather than naming a split that is gone.
  if (modeNumber_ == 0) page1Caption_ = Sjis("ファイル結合モード");
  joinListDragEnabled_ = false;
  Enable({C::kSearch, C::kReplace, C::kNarrow, C::kToolSearch, C::kToolReplace}, true);
  searchHistory.SetEnabled(true);
  Enable({C::kJoinFiles, C::kSaveToNewFile, C::kOverwriteSave, C::kUndo, C::kToolJoinFiles,
          C::kToolSaveNew, C::kToolOverwriteSave, C::kToolUndo},
         false);
  const int index = searchHistory.IndexOf(search_.searchText);
  if (index >= 0) searchHistory.SetItemIndex(index);
  joinList.Clear();
}

void MainWindowCore::EnterJoinMode() {
  using C = CommandId;
  Check(C::kJoinMode, true);
  Check(C::kSearchMode, false);
  Check(C::kToolJoinMode, true);
  Check(C::kToolSearchMode, false);
  if (modeNumber_ == 0 || modeNumber_ == 1) {
    modeNumber_ = 1;
    page1Caption_ = Sjis("ファイル結合モード");
  } else {
    modeNumber_ = 3;
    page1Caption_ = Sjis("ファイル分割モード");
  }
  joinListDragEnabled_ = modeNumber_ == 1;
  Enable({C::kJoinFiles, C::kToolJoinFiles}, true);
  Enable({C::kSearch, C::kReplace, C::kNarrow, C::kSaveToNewFile, C::kOverwriteSave, C::kUndo,
          C::kToolSearch, C::kToolReplace, C::kToolSaveNew, C::kToolOverwriteSave, C::kToolUndo},
         false);
  searchHistory.SetEnabled(false);
  if (std::holds_alternative<PendingReplaceUndo>(session_.undo)) TakeBackPendingReplace(session_);
  RequestFocus(TFocusTarget::kJoinList);
}

void MainWindowCore::OnTabChange(int page) {
  if (Busy() || page < 0 || page >= kPageCount) return;
  activePage_ = page;
  if (page == kPageSearch)
    EnterSearchMode();
  else if (page == kPageJoin)
    EnterJoinMode();
  else
    RequestFocus(TFocusTarget::kTargetList);
}

void MainWindowCore::SearchModeCommand() {
  if (State(CommandId::kSearchMode).checked) return;
  if (modeNumber_ == 2 || modeNumber_ == 3) {
    modeNumber_ = 0;
    joinList.Clear();
  }
  EnterSearchMode();
  activePage_ = kPageSearch;
}

void MainWindowCore::JoinModeCommand() {
  if (State(CommandId::kJoinMode).checked) return;
  if (modeNumber_ == 2 || modeNumber_ == 3) {
    modeNumber_ = 1;
    joinList.Clear();
  }
  // The page first, so the join list is showing when it takes the focus.
  activePage_ = kPageJoin;
  EnterJoinMode();
}

void MainWindowCore::OnJoinListDragOver(int screenY) {
  if (Busy()) return;
  joinListDragging_ = true;
  dragScreenY_ = screenY;
  dragScrollTimer.SetEnabled(true);
}

void MainWindowCore::OnJoinListDragEnd() {
  joinListDragging_ = false;
  dragScrollTimer.SetEnabled(false);
}

void MainWindowCore::OnJoinListDrop(int dropRow) {
  if (Busy()) return;
  if (joinListDragEnabled_) joinSplit_.OnJoinListDrop(modeNumber_, dropRow);
  OnJoinListDragEnd();
}

void MainWindowCore::OnDragScrollTimer() {
  if (!joinListDragging_ || !cursorScreenY_) return;
  const int y = cursorScreenY_();
  if (y > dragScreenY_)
    joinList.SetTopIndex(joinList.TopIndex() + 1);
  else if (y < dragScreenY_)
    joinList.SetTopIndex(joinList.TopIndex() - 1);
}

}  // namespace skarvo
