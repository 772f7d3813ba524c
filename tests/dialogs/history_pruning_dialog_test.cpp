#include "dialogs/history_pruning_dialog.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace skarvo {
namespace {

using L = TPruneList;

class HistoryPruningTest : public ::testing::Test {
 protected:
  HistoryPruningTest() {
    search_.SetItems({"alpha", "beta", "gamma"});
    folder_.SetItems({NewFolder(), "/data", "/home/u"});
    folder_.SetItemIndex(1);
  }
  static std::string NewFolder() { return Sjis("新規フォルダ"); }
  static std::vector<std::string> Texts(const CheckList& list) {
    std::vector<std::string> texts;
    for (const CheckListRow& row : list.Rows()) texts.push_back(row.text);
    return texts;
  }
  HistoryBox search_;
  HistoryBox folder_;
  HistoryPruningDialogCore dialog_{search_, folder_};
};

TEST_F(HistoryPruningTest, OpeningCopiesTheHistoriesAllChecked) {
  dialog_.Show();
  EXPECT_EQ(Texts(dialog_.targetList), search_.Items());
  EXPECT_EQ(Texts(dialog_.joinList), folder_.Items());
  EXPECT_EQ(dialog_.targetList.CheckedCount(), 3);
  EXPECT_TRUE(dialog_.joinList.Header(0));
  EXPECT_FALSE(dialog_.joinList.Checked(0));
  EXPECT_EQ(dialog_.joinList.CheckedCount(), 2);
  const std::string hint = Sjis("チェックのはずされた項目は、履歴から削除されます。");
  EXPECT_EQ(dialog_.StatusText(), hint);
  EXPECT_TRUE(dialog_.statusTimer.Enabled());
  EXPECT_EQ(dialog_.statusTimer.Interval(), 5000);
  dialog_.statusTimer.Advance(4000);
  dialog_.ClickCheck(L::kSearch, 1);  // the hint again, its 5 s anew
  EXPECT_FALSE(dialog_.targetList.Checked(1));
  dialog_.statusTimer.Advance(4000);
  EXPECT_EQ(dialog_.StatusText(), hint);
  dialog_.statusTimer.Advance(1000);
  EXPECT_EQ(dialog_.StatusText(), "");
  EXPECT_FALSE(dialog_.statusTimer.Enabled());
  // The header row has no check box.
  dialog_.ClickCheck(L::kFolder, 0);
  EXPECT_FALSE(dialog_.joinList.Checked(0));
  EXPECT_EQ(dialog_.StatusText(), "");
}

TEST_F(HistoryPruningTest, OkDropsUncheckedEntries) {
  const std::vector<std::string> searchBefore = search_.Items();
  const std::vector<std::string> folderBefore = folder_.Items();
  const struct {
    const char* what;
    std::function<void(HistoryPruningDialogCore&)> act;
    std::vector<std::string> search;
    std::vector<std::string> folder;
  } cases[] = {
      {"no change", [](HistoryPruningDialogCore&) {}, searchBefore, folderBefore},
      {"all search entries off",
       [](HistoryPruningDialogCore& d) { d.AllOff(L::kSearch); },
       {},
       folderBefore},
      {"all folders off",
       [](HistoryPruningDialogCore& d) { d.AllOff(L::kFolder); },
       searchBefore,
       {NewFolder()}},
      {"off then on",
       [](HistoryPruningDialogCore& d) {
         d.AllOff(L::kFolder);
         d.AllOn(L::kFolder);
       },
       searchBefore, folderBefore},
      {"one of each",
       [](HistoryPruningDialogCore& d) {
         d.ClickCheck(L::kSearch, 0);
         d.ClickCheck(L::kFolder, 2);
       },
       {"beta", "gamma"},
       {NewFolder(), "/data"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    search_.SetItems(searchBefore);
    folder_.SetItems(folderBefore);
    folder_.SetItemIndex(1);
    dialog_.Show();
    c.act(dialog_);
    dialog_.OkClick();
    EXPECT_FALSE(dialog_.Visible());
    EXPECT_EQ(search_.Items(), c.search);
    EXPECT_EQ(folder_.Items(), c.folder);
  }
  // The folder box stays on its entry while that entry stays.
  EXPECT_EQ(folder_.ItemIndex(), 1);
  EXPECT_EQ(folder_.Text(), "/data");
}

TEST_F(HistoryPruningTest, CancelAndReactivationDropUnsavedUnchecks) {
  dialog_.Show();
  dialog_.AllOff(L::kSearch);
  dialog_.FormActivate();  // deactivated and activated again before "Ok"
  EXPECT_EQ(dialog_.targetList.CheckedCount(), 3);
  dialog_.AllOff(L::kSearch);
  dialog_.CancelClick();
  EXPECT_FALSE(dialog_.Visible());
  EXPECT_EQ(search_.Count(), 3);
  // Closed: its commands do nothing.
  dialog_.OkClick();
  EXPECT_EQ(search_.Count(), 3);
}

}  // namespace
}  // namespace skarvo
