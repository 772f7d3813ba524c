#include "results/result_rules.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"

namespace skarvo {
namespace {

class ResultRules : public ::testing::Test {
 protected:
  ResultRules() : timer_(5000, false) {
    result_.Add(Sjis("\"/d/a.txt\",の検索結果"), true);
    result_.Add(Sjis("【1列目】abc"), false, true);
    result_.Add(Sjis("\"/d/b.xls\",の検索結果"), true);
    result_.Add(Sjis("【Excel,Sheet1, A1セル】abc"));
    result_.Add(Sjis("【Wordファイル】abc"));
  }
  void Click(int index) { ClickResultCheckBox(index, result_, undo_, pending_, ui_, timer_); }

  CheckList result_, undo_;
  bool pending_ = false;
  FakeUiPort ui_;
  CoreTimer timer_;
};

TEST_F(ResultRules, OfficeHitRowsRefuseTheCheckTextHitRowsToggle) {
  const std::string refusal = Sjis("Excel、Wordファイルはチェック対象にできません。");
  struct Row {
    int index;
    bool checkedAfter;
    bool refused;
  } rows[] = {{1, false, false}, {1, true, false}, {3, false, true}, {4, false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.index);
    ui_.calls.clear();
    timer_.SetEnabled(false);
    Click(row.index);
    EXPECT_EQ(result_.ItemIndex(), row.index);
    EXPECT_EQ(result_.Checked(row.index), row.checkedAfter);
    EXPECT_EQ(timer_.Enabled(), row.refused);
    EXPECT_EQ(ui_.statusText == refusal, row.refused);
  }
}

TEST_F(ResultRules, PendingReplaceFlipsTheRowBetweenReplacedAndFoundText) {
  // After a replace of "abc" by "X": the checked row shows the replaced text, the undo
  // list holds the found one; office rows are unchecked and show the found text.
  result_.SetText(1, Sjis("【1列目】X"));
  undo_.Add(result_.Text(0), true);
  undo_.Add(Sjis("【1列目】abc"), false, true);
  undo_.Add(result_.Text(2), true);
  undo_.Add(Sjis("【Excel,Sheet1, A1セル】X"));
  undo_.Add(Sjis("【Wordファイル】X"));
  undo_.Add(Sjis("置換"));
  pending_ = true;

  Click(1);  // unchecked: the found text comes back
  EXPECT_FALSE(result_.Checked(1));
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
  EXPECT_EQ(undo_.Text(1), Sjis("【1列目】X"));
  EXPECT_FALSE(undo_.Checked(1));
  Click(1);  // checked again: the replaced text
  EXPECT_TRUE(result_.Checked(1));
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】X"));
  EXPECT_TRUE(undo_.Checked(1));

  // A refused check changes no text: the row stays unchecked and shows what was found.
  Click(3);
  EXPECT_FALSE(result_.Checked(3));
  EXPECT_EQ(result_.Text(3), Sjis("【Excel,Sheet1, A1セル】abc"));
  EXPECT_EQ(undo_.Text(3), Sjis("【Excel,Sheet1, A1セル】X"));
}

TEST_F(ResultRules, NoSwapWithoutTheFlagOrWithoutTheMarker) {
  undo_ = result_;
  undo_.SetText(1, "other");
  for (bool flag : {false, true}) {
    SCOPED_TRACE(flag);
    pending_ = flag;  // the flag alone is not enough: the undo list has no marker row
    Click(1);
    EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
  }
  undo_.Add(Sjis("置換"));
  pending_ = false;
  Click(1);
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
}

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
