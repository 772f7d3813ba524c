// Rules of the result list (the list of the tab "検索モード"): which rows are office hits,
// and which commands of the list's context menu are enabled. The check rules, which need
// the result session, are in ops/result_checks.h.
#pragma once

#include <string>
#include <string_view>

#include "targets/check_list.h"

namespace skarvo {

// True for a hit row of a word-processor or spreadsheet file ("【Word…", "【Excel…").
bool IsOfficeHitRow(std::string_view rowText);

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
