#include "results/result_rules.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"

namespace skarvo {
namespace {

class ResultRules : public ::testing::Test {
 protected:
  ResultRules() {
    result_.Add(Sjis("\"/d/a.txt\",の検索結果"), true);
    result_.Add(Sjis("【1列目】abc"), false, true);
    result_.Add(Sjis("\"/d/b.xls\",の検索結果"), true);
    result_.Add(Sjis("【Excel,Sheet1, A1セル】abc"));
    result_.Add(Sjis("【Wordファイル】abc"));
  }

  CheckList result_;
};

TEST_F(ResultRules, ContextMenuFollowsTheSelectedRow) {
  struct Row {
    int selected;
    bool headerItems, changeText;
  } rows[] = {{-1, false, false}, {0, true, false}, {1, false, true}, {3, false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.selected);
    result_.SetItemIndex(row.selected);
    ResultMenuState s = ResultContextMenu(result_);
    EXPECT_EQ(s.checkOnFile, row.headerItems);
    EXPECT_EQ(s.checkOffFile, row.headerItems);
    EXPECT_EQ(s.splitFile, row.headerItems);
    EXPECT_EQ(s.narrowJoin, row.headerItems);
    EXPECT_TRUE(s.openFile);
    EXPECT_EQ(s.changeText, row.changeText);
  }
}

}  // namespace
}  // namespace skarvo
