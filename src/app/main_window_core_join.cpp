// The main window's side of the join and the split: which commands their steps enable,
// what their outcomes show, and the join list's events forwarded to TJoinSplit.
#include "app/main_window_core.h"

namespace skarvo {

namespace {

CommandId WindowCommand(JoinUiCommand command) {
  switch (command) {
    case JoinUiCommand::kMenuFolderSelect:
      return CommandId::kFolderSelect;
    case JoinUiCommand::kMenuUndo:
      return CommandId::kUndo;
    case JoinUiCommand::kMenuSearch:
      return CommandId::kSearch;
    case JoinUiCommand::kMenuReplace:
      return CommandId::kReplace;
    case JoinUiCommand::kMenuNarrow:
      return CommandId::kNarrow;
    case JoinUiCommand::kMenuJoinFiles:
      return CommandId::kJoinFiles;
    case JoinUiCommand::kMenuSaveNew:
      return CommandId::kSaveToNewFile;
    case JoinUiCommand::kToolSaveNew:
      return CommandId::kToolSaveNew;
    case JoinUiCommand::kToolOverwrite:
      return CommandId::kToolOverwriteSave;
    case JoinUiCommand::kToolUndo:
      return CommandId::kToolUndo;
  }
  return CommandId::kCount;
}

}  // namespace

JoinSplitWindow MainWindowCore::JoinWindow() {
  JoinSplitWindow window;
  window.setEnabled = [this](JoinUiCommand command, bool enabled) {
    SetCommandEnabled(WindowCommand(command), enabled);
  };
  window.setDragEnabled = [this](bool enabled) { joinListDragEnabled_ = enabled; };
  window.setPage1Caption = [this](std::string caption) { page1Caption_ = std::move(caption); };
  window.showJoinPage = [this] {
    activePage_ = kPageJoin;
    RequestFocus(TFocusTarget::kJoinList);
  };
  return window;
}

void MainWindowCore::ShowJoinSplitOutcome(const JoinSplitOutcome& outcome) {
  if (outcome.status) port_.SetStatusText(*outcome.status);
  if (outcome.statusTimer) statusTimer.SetEnabled(true);
  if (outcome.mode) modeNumber_ = *outcome.mode;
}

void MainWindowCore::OnJoinFiles() { ShowJoinSplitOutcome(joinSplit_.OnJoinFiles()); }

void MainWindowCore::OnSaveToNewFile() {
  ShowJoinSplitOutcome(joinSplit_.OnSaveToNewFile(modeNumber_));
}

void MainWindowCore::OnSplitFile() { ShowJoinSplitOutcome(joinSplit_.OnSplitFile()); }

void MainWindowCore::OnJoinListSelect(int index) {
  if (Busy()) return;
  joinSplit_.OnJoinListSelect(index);
}

void MainWindowCore::OnJoinListCheckClick(int index) {
  if (Busy()) return;
  joinSplit_.OnJoinListCheckClick(index);
}

void MainWindowCore::OnJoinListExit() {
  if (Busy()) return;
  joinSplit_.OnJoinListExit();
}

void MainWindowCore::JoinListMenuPopup() {
  if (Busy()) return;
  joinSplit_.JoinListMenuPopup(modeNumber_);
}

void MainWindowCore::ExecuteJoinListCommand(JoinListCommand command) {
  if (Busy()) return;
  if (command == JoinListCommand::kOpenFile) {
    const CheckListRow* row = SelectedRow(joinList);
    if (row && joinSplit_.MenuEnabled(command) && JoinListOpenEnabled(joinList, modeNumber_))
      openHit_.EditJoinRow(CheckListRow(*row), modeNumber_);
    return;
  }
  ShowJoinSplitOutcome(joinSplit_.RunMenuCommand(command));
}

void MainWindowCore::OnNarrowAndJoin() {
  // The narrowing comes first: the target list then holds the files with checked hits.
  OnNarrow();
  // Join mode with the join list's tab shown, so the list can take the focus.
  if (modeNumber_ == 2 || modeNumber_ == 3) {
    modeNumber_ = 1;
    joinList.Clear();
  }
  activePage_ = kPageJoin;
  EnterJoinMode();
  ShowJoinSplitOutcome(joinSplit_.JoinAfterNarrowing());
}

}  // namespace skarvo
