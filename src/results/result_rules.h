// Rules of the result list (the list of the tab "検索モード"): which rows may carry a check,
// how a check click flips a row between its replaced and its found text while a replace
// is pending, and which commands of the list's context menu are enabled.
#pragma once

#include <string>
#include <string_view>

#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "targets/check_list.h"

namespace skarvo {

// True for a hit row of a word-processor or spreadsheet file ("【Word…", "【Excel…").
bool IsOfficeHitRow(std::string_view rowText);

// True when a replace is pending: the flag is set and the undo list ends with "置換".
bool IsReplacePending(bool replacePendingFlag, const CheckList& undoList);

// The check rules, run after the user toggled the check box of the selected row. An
// office hit row loses its check again, with the status text "Excel、Wordファイルはチェッ
// ク対象にできません。" and the status timer started. Otherwise, while a replace is
// pending, the row's text and the undo list's text at the same index change places and
// the undo row takes the row's check state. A refused check leaves the texts alone, so an
// unchecked row keeps showing the text as found.
// (TForm1::CheckListBox3ClickCheck is the window's event that toggles and then runs these.)
void ApplyResultCheckRules(CheckList& resultList, CheckList& undoList, bool replacePendingFlag,
                           UiPort& ui, CoreTimer& statusTimer);

// A user's click on the check box of row index: selects the row, toggles its check (a
// header row has none: nothing happens) and runs the check rules.
void ClickResultCheckBox(int index, CheckList& resultList, CheckList& undoList,
                         bool replacePendingFlag, UiPort& ui, CoreTimer& statusTimer);

// Takes a pending replace back: the flag and the replacement text are cleared; each
// checked result row gets the undo list's text at its index (the text as found) and loses
// its check; every hit row then takes the check state the undo list kept for it; the undo
// list is emptied. Rows without a partner in the undo list keep what they have.
void UndoPendingReplace(CheckList& resultList, CheckList& undoList, std::string& replaceText,
                        bool& replacePendingFlag);

// Enabled states of the result list's context menu, for the selected row.
struct ResultMenuState {
  bool checkOnFile = false;   // "CheckOn(対象File全体)"
  bool checkOffFile = false;  // "CheckOFF(対象File全体)"
  bool openFile = true;       // "ファイルを開く"
  bool splitFile = false;     // "ファイルの分割"
  bool narrowJoin = false;    // "ファイルを絞込み結合"
  bool changeText = false;    // the hidden "文字列の変更"
};
// The menu's states when it opens.
ResultMenuState ResultContextMenu(const CheckList& resultList);

}  // namespace skarvo
