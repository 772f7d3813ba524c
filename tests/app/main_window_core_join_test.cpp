// The main window's wiring of the join and the split: commands reach them, and their steps
// change the window's commands, mode, tab and caption.
#include "app/main_window_core_fixture.h"
#include "search/search_text.h"

namespace skarvo::testing {
namespace {

using C = CommandId;

TEST_F(MainWindowCoreTest, NarrowAndJoinSplitAndSaveRunThroughTheWindowsCommands) {
  auto form = MakeForm();
  data_.File("a.txt", "A1\nA2\n");
  data_.File("b.txt", "B1\nB2\nB3\nB4\n");
  form->targetList.Add(data_.Root(), true);
  form->targetList.Add(data_.Path("a.txt"), false, true);
  form->targetList.Add(data_.Path("b.txt"), false, true);
  // The rows as the search makes them: the file in each, the line in the hit.
  CheckListRow header(FileHeaderRowText(data_.Path("b.txt")), true);
  header.kind = RowKind::kFileHeader;
  header.file = data_.Path("b.txt");
  CheckListRow hit(TextHitRowText(3, "B3"), false, true, 3, "B3");
  hit.kind = RowKind::kTextLine;
  hit.file = header.file;
  form->resultList.Insert(0, header);
  form->resultList.Insert(1, hit);
  form->OnResultSelect(0);
  form->ResultListMenuPopup();

  // "ファイルを絞込み結合": join mode on the join list's tab, the list built.
  form->Execute(C::kResultNarrowJoin);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), kPageJoin);
  EXPECT_TRUE(form->JoinListDragEnabled());
  // Narrowed first: a.txt has no checked hit. No separator in the settings.
  EXPECT_EQ(form->joinList.Count(), 1);
  EXPECT_TRUE(form->State(C::kToolSaveNew).enabled);
  EXPECT_FALSE(form->State(C::kJoinFiles).enabled);
  port_.confirmAnswers = {true};
  port_.saveAnswers = {data_.Path("out.txt")};
  form->Execute(C::kSaveToNewFile);
  EXPECT_EQ(ReadWholeFile(data_.Path("out.txt")), "B1\r\nB2\r\nB3\r\nB4\r\n");
  EXPECT_TRUE(form->State(C::kUndo).enabled);
  EXPECT_FALSE(form->State(C::kToolSaveNew).enabled);

  // "ファイルの分割" from the search page: split mode, its caption, dragging off.
  form->OnTabChange(kPageSearch);
  form->ResultListMenuPopup();
  form->Execute(C::kResultSplitFile);
  EXPECT_EQ(form->ModeNumber(), 3);
  EXPECT_EQ(form->PageCaption(kPageJoin), Sjis("ファイル分割モード"));
  EXPECT_EQ(form->ActivePage(), kPageJoin);
  EXPECT_FALSE(form->JoinListDragEnabled());
  EXPECT_EQ(form->joinList.Count(), 4);  // mode 2: parts 1-3 and 3-4
  port_.confirmAnswers = {true};
  form->Execute(C::kToolSaveNew);
  EXPECT_EQ(ReadWholeFile(data_.Path("b0.txt")), "B1\r\nB2\r\nB3\r\n");
  EXPECT_EQ(ReadWholeFile(data_.Path("b1.txt")), "B3\r\nB4\r\n");
  const auto* split = std::get_if<CreatedFilesUndo>(&form->Session().undo);
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->by, CreatedFilesUndo::By::kSplit);
  EXPECT_EQ(split->files.size(), 2u);
  // The split is taken back from the window: its parts are gone.
  ASSERT_TRUE(form->State(C::kUndo).enabled);
  port_.confirmAnswers = {true};
  form->Execute(C::kUndo);
  EXPECT_FALSE(FileExists(data_.Path("b0.txt")));
  EXPECT_FALSE(FileExists(data_.Path("b1.txt")));
}

}  // namespace
}  // namespace skarvo::testing
