// The main window's side of the join and the split: which commands their steps enable,
// and the join list's events forwarded to TJoinSplit.
#include "app/form1.h"

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

JoinSplitWindow TForm1::JoinWindow() {
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

void TForm1::CheckListBox2Select(int index) {
  if (Busy()) return;
  joinSplit_.CheckListBox2Select(index);
}

void TForm1::CheckListBox2ClickCheck(int index) {
  if (Busy()) return;
  joinSplit_.CheckListBox2ClickCheck(index);
}

void TForm1::CheckListBox2Exit() {
  if (Busy()) return;
  joinSplit_.CheckListBox2Exit();
}

void TForm1::JoinListMenuPopup() {
  if (Busy()) return;
  joinSplit_.JoinListMenuPopup();
}

void TForm1::ExecuteJoinListCommand(JoinListCommand command) {
  if (Busy()) return;
  if (command == JoinListCommand::kOpenFile) {
    if (joinSplit_.MenuEnabled(command) && openHit_.JoinListOpenEnabled())
      openHit_.OnOpenJoinFile();
    return;
  }
  joinSplit_.RunMenuCommand(command);
}

void TForm1::File3Click() {
  // The narrowing comes first: the target list then holds the files with checked hits.
  OnNarrow();
  // Join mode with the join list's tab shown, so the list can take the focus.
  if (modeNumber_ == 2 || modeNumber_ == 3) {
    modeNumber_ = 1;
    CheckListBox2.Clear();
  }
  activePage_ = kPageJoin;
  EnterJoinMode();
  WithJoinSplitUndo([this] { joinSplit_.JoinAfterNarrowing(); });
}

}  // namespace skarvo
