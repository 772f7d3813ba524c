#include "ops/result_checks.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/core_timer.h"
#include "support/fake_ui_port.h"

namespace skarvo {
namespace {

class ResultChecks : public ::testing::Test {
 protected:
  ResultChecks() : timer_(5000, false) {
    result_.Add(Sjis("\"/d/a.txt\",の検索結果"), true);
    result_.Add(Sjis("【1列目】abc"), false, true);
    result_.Add(Sjis("\"/d/b.xls\",の検索結果"), true);
    result_.Add(Sjis("【Excel,Sheet1, A1セル】abc"));
    result_.Add(Sjis("【Wordファイル】abc"));
  }
  // The click as the window runs it: the outcome's notice goes to the status bar.
  void Click(int index) {
    const OpOutcome outcome = ClickResultCheckBox(session_, index);
    if (outcome.notice) {
      ui_.SetStatusText(*outcome.notice);
      timer_.SetEnabled(true);
    }
  }
  std::vector<CheckListRow>& Other() { return std::get<PendingReplaceUndo>(session_.undo).otherRows; }

  ResultSession session_;
  CheckList& result_ = session_.rows;
  bool& pending_ = session_.search.replacePending;
  FakeUiPort ui_;
  CoreTimer timer_;
};

TEST_F(ResultChecks, OfficeHitRowsRefuseTheCheckTextHitRowsToggle) {
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

TEST_F(ResultChecks, PendingReplaceFlipsTheRowBetweenReplacedAndFoundText) {
  // After a replace of "abc" by "X": the checked row shows the replaced text, the record
  // holds the found one; office rows are unchecked and show the found text.
  result_.SetText(1, Sjis("【1列目】X"));
  session_.undo = PendingReplaceUndo{{{result_.Text(0), true},
                                      {Sjis("【1列目】abc"), false, true},
                                      {result_.Text(2), true},
                                      {Sjis("【Excel,Sheet1, A1セル】X")},
                                      {Sjis("【Wordファイル】X")}}};
  pending_ = true;

  Click(1);  // unchecked: the found text comes back
  EXPECT_FALSE(result_.Checked(1));
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
  EXPECT_EQ(Other()[1].text, Sjis("【1列目】X"));
  EXPECT_FALSE(Other()[1].checked);
  Click(1);  // checked again: the replaced text
  EXPECT_TRUE(result_.Checked(1));
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】X"));
  EXPECT_TRUE(Other()[1].checked);

  // A refused check changes no text: the row stays unchecked and shows what was found.
  Click(3);
  EXPECT_FALSE(result_.Checked(3));
  EXPECT_EQ(result_.Text(3), Sjis("【Excel,Sheet1, A1セル】abc"));
  EXPECT_EQ(Other()[3].text, Sjis("【Excel,Sheet1, A1セル】X"));
}

TEST_F(ResultChecks, NoSwapWithoutTheFlagOrWithoutAReplaceRecord) {
  std::vector<CheckListRow> other = result_.Rows();
  other[1].text = "other";
  session_.undo = NarrowingUndo{other};
  for (bool flag : {false, true}) {
    SCOPED_TRACE(flag);
    pending_ = flag;  // the flag alone is not enough: the record is not a replace's
    Click(1);
    EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
  }
  session_.undo = PendingReplaceUndo{other};
  pending_ = false;
  Click(1);
  EXPECT_EQ(result_.Text(1), Sjis("【1列目】abc"));
}

}  // namespace
}  // namespace skarvo
