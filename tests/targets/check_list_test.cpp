#include "targets/check_list.h"

#include <gtest/gtest.h>

#include "targets/history_box.h"

namespace skarvo {
namespace {

std::string Layout(const CheckList& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i) {
    s += list.Text(i);
    if (i == list.ItemIndex()) s += '*';
  }
  return s;
}

TEST(CheckList, HeaderRowsNeverCarryACheck) {
  CheckList list;
  list.Add("h", true, true);
  list.Insert(1, {"g", true, true});
  list.Add("f", false, true);
  EXPECT_FALSE(list.Checked(0));
  EXPECT_FALSE(list.Checked(1));
  list.SetChecked(0, true);
  EXPECT_FALSE(list.Checked(0));
  list.SetHeader(2, true);
  EXPECT_FALSE(list.Checked(2));
  EXPECT_EQ(list.HeaderCount(), 3);
  EXPECT_EQ(list.CheckedCount(), 0);
}

struct EditRow {
  const char* name;
  void (*edit)(CheckList&);
  const char* layout;  // texts after the edit, "*" behind the selected row (row 2 before)
};

std::vector<EditRow> Edits() {
  return std::vector<EditRow>{
      {"delete before", [](CheckList& l) { l.Delete(0); }, "bc*d"},
      {"delete it", [](CheckList& l) { l.Delete(2); }, "abd"},
      {"delete after", [](CheckList& l) { l.Delete(3); }, "abc*"},
      {"insert before", [](CheckList& l) { l.Insert(1, {"x"}); }, "axbc*d"},
      {"insert after", [](CheckList& l) { l.Insert(3, {"x"}); }, "abc*xd"},
      {"move it down", [](CheckList& l) { l.Move(2, 3); }, "abdc*"},
      {"move over it", [](CheckList& l) { l.Move(0, 3); }, "bc*da"},
      {"move under it", [](CheckList& l) { l.Move(3, 0); }, "dabc*"},
      {"select outside", [](CheckList& l) { l.SetItemIndex(9); }, "abcd"},
      // A view redraws a row whose text, check or header changed.
      {"new text", [](CheckList& l) { l.SetText(2, "x"); }, "abx*d"},
      {"new check", [](CheckList& l) { l.SetChecked(1, true); }, "abc*d"},
      {"now a header", [](CheckList& l) { l.SetHeader(3, true); }, "abc*d"},
      {"clear", [](CheckList& l) { l.Clear(); }, ""},
      {"delete marked around it",
       [](CheckList& l) {
         l.DeleteMarked({true, false, false, true});
       },
       "bc*"},
      {"delete marked with it",
       [](CheckList& l) {
         l.DeleteMarked({false, false, true});
       },
       "abd"},
  };
}

TEST(CheckList, SelectionFollowsItsRowThroughEdits) {
  for (const EditRow& row : Edits()) {
    SCOPED_TRACE(row.name);
    CheckList list;
    for (const char* t : {"a", "b", "c", "d"}) list.Add(t);
    list.SetItemIndex(2);
    auto before = list.Revision();
    row.edit(list);
    EXPECT_EQ(Layout(list), row.layout);
    EXPECT_NE(list.Revision(), before);
  }
}

// Every row of a list: text, header flag, check.
std::string Dump(const CheckList::RowVector& rows) {
  std::string s;
  for (const CheckListRow& r : rows)
    s += r.text + (r.header ? "H" : "") + (r.checked ? "+" : "") + ",";
  return s;
}

// Lists that share rows (the undo list and the result list after a search), and a snapshot
// a search works on: an edit of one changes neither the other nor the snapshot, from
// either side.
TEST(CheckList, SharedRowsStayAsTheyWereWhenOneListChanges) {
  for (bool editTheSharer : {false, true}) {
    for (const EditRow& row : Edits()) {
      SCOPED_TRACE(std::string(row.name) + (editTheSharer ? " (sharer)" : ""));
      CheckList owner;
      for (const char* t : {"a", "b", "c", "d"}) owner.Add(t, false, true);
      owner.SetHeader(0, true);
      CheckList sharer;
      sharer.SetItemIndex(0);
      sharer.ShareRowsOf(owner);
      EXPECT_EQ(sharer.ItemIndex(), -1);
      const std::string before = Dump(owner.Rows());
      EXPECT_EQ(Dump(sharer.Rows()), before);
      const std::shared_ptr<const CheckList::RowVector> snapshot = owner.SharedRows();

      CheckList& edited = editTheSharer ? sharer : owner;
      CheckList& other = editTheSharer ? owner : sharer;
      edited.SetItemIndex(2);
      const auto revision = other.Revision();
      row.edit(edited);
      EXPECT_EQ(Layout(edited), row.layout);
      EXPECT_EQ(Dump(other.Rows()), before);
      EXPECT_EQ(other.Revision(), revision);
      EXPECT_EQ(Dump(*snapshot), before);
      // The other list changes on its own afterwards, too.
      if (!other.Empty()) {
        const std::string edits = Dump(edited.Rows());
        other.SetText(1, "z");
        EXPECT_EQ(Dump(edited.Rows()), edits);
        EXPECT_EQ(Dump(*snapshot), before);
      }
    }
  }
}

TEST(CheckList, TakenRowsOutliveTheEmptiedList) {
  CheckList list;
  list.Add("h", true);
  list.Add("x", false, true);
  list.SetItemIndex(1);
  CheckList sharer;
  sharer.ShareRowsOf(list);
  const auto revision = list.Revision();
  std::shared_ptr<const CheckList::RowVector> old = list.TakeRows();
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_NE(list.Revision(), revision);
  EXPECT_EQ(Dump(*old), "hH,x+,");
  sharer.Clear();
  EXPECT_EQ(Dump(*old), "hH,x+,");
  // An emptied list fills again; a moved-from list is an empty list.
  list.Add("n");
  EXPECT_EQ(Dump(list.Rows()), "n,");
  CheckList moved = std::move(list);
  EXPECT_EQ(moved.Count(), 1);
  list.Add("m");  // NOLINT(bugprone-use-after-move): a moved-from list stays usable
  EXPECT_EQ(Dump(list.Rows()), "m,");
  // Deleting no row changes nothing.
  const auto kept = moved.Revision();
  moved.DeleteMarked({false});
  EXPECT_EQ(moved.Revision(), kept);
}

TEST(CheckList, IndexesOutsideTheListThrow) {
  CheckList list;
  list.Add("a");
  EXPECT_THROW(list.Row(1), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
  EXPECT_THROW(list.Insert(3, {}), std::out_of_range);
  EXPECT_THROW(list.SetChecked(5, true), std::out_of_range);
}

TEST(HistoryBox, TopInsertionDuplicatesAndMoves) {
  HistoryBox box;
  box.SetItems({"a", "b", "a", "c", "a"});
  box.SetItemIndex(3);
  EXPECT_EQ(box.Text(), "c");
  box.InsertTop("a");
  EXPECT_EQ(box.ItemIndex(), 4);
  box.RemoveDuplicatesOfTop();
  EXPECT_EQ(box.Items(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(box.ItemIndex(), 2);
  box.MoveToTop(2);
  EXPECT_EQ(box.Items(), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(box.ItemIndex(), 0);
  box.SetText("typed");
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.IndexOf("b"), 2);
  EXPECT_EQ(box.IndexOf("B"), -1);  // exact comparison
}

}  // namespace
}  // namespace skarvo
