#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ops/join_lines.h"
#include "ops/join_split_fixture.h"

namespace skarvo::testing {
namespace {

using J = JoinUiCommand;
const std::string kCrLf = "\r\n";

TEST(JoinLines, LineEndsAndPreviews) {
  EXPECT_EQ(SplitIntoLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitIntoLines("a\n\r\n\r"), (std::vector<std::string>{"a", "", ""}));
  EXPECT_TRUE(SplitIntoLines("").empty());
  const std::string cut = Sjis("～～中略～～");
  struct Row {
    std::vector<std::string> lines;
    bool ignoreBlank;
    std::string preview;
  } rows[] = {
      {{"1", "2", "3", "4"}, false, "\r\n1\r\n2\r\n3\r\n4"},
      {{"1", "2", "3", "4", "5"}, false, "\r\n1\r\n2\r\n" + cut + "\r\n4\r\n5"},
      {{"", "", "", "a", "b", ""}, false, "\r\n\r\n\r\n" + cut + "\r\nb\r\n"},
      {{"", "", "", "a", "b", ""}, true, "\r\na\r\nb"},
      {{"", " ", ""}, true, "\r\n "},  // spaces are not blank
      {{"", "", ""}, true, ""},
      {{}, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lines.size());
    EXPECT_EQ(JoinPreview(row.lines, row.ignoreBlank), row.preview);
  }
}

TEST_F(JoinSplitTest, BuildListsSeparatorsAndPreviewsOfTheCheckedTextFiles) {
  JoinSettings("結合文字列=-----\n");
  const std::string a = Write("a.txt", "\n\n\nfirst\nsecond\n");
  const std::string b = Write("b.txt", "1\n2\n3\n4\n5\n");
  const std::string c = Write("c.txt", "only");
  const std::string unchecked = Write("u.txt", "x");
  const std::string sheet = Write("s.XLS", "x");
  Targets({a, sheet, b, unchecked, c, home_ + "/data/gone.txt"});
  targetList_.SetChecked(4, false);
  settings_.ignoreBlankLines = true;
  ops_.N7Click();
  const std::string cut = Sjis("～～中略～～");
  const std::string in = Sjis(",の内容");
  EXPECT_EQ(JoinRows(), (std::vector<std::string>{
                            "S -----", "+ \"" + a + "\"" + in + "\r\nfirst\r\nsecond", "S -----",
                            "+ \"" + b + "\"" + in + "\r\n1\r\n2\r\n" + cut + "\r\n4\r\n5",
                            "S -----", "+ \"" + c + "\"" + in + "\r\nonly", "S -----"}));
  EXPECT_FALSE(targetList_.Checked(2));  // the spreadsheet lost its check
  EXPECT_EQ(ui_.statusText, Sjis("Excel、Wordファイルは対象になりません。"));
  EXPECT_EQ(joinList_.ItemIndex(), 0);
  EXPECT_TRUE(enabled_[J::kMenuSaveNew] && enabled_[J::kToolSaveNew]);
  for (J off : {J::kMenuFolderSelect, J::kMenuUndo, J::kMenuSearch, J::kMenuReplace, J::kMenuNarrow,
                J::kMenuJoinFiles})
    EXPECT_FALSE(enabled_.at(off));
  EXPECT_EQ(ContentRowPath(joinList_.Text(1)), a);
  EXPECT_TRUE(CallsOf("message").empty());
}

TEST_F(JoinSplitTest, BuildWithoutSeparatorOrFilesSaysSo) {
  const std::string a = Write("a.txt", "x\n");
  Targets({a});
  ops_.N7Click();
  EXPECT_EQ(CallsOf("message"),
            (std::vector<std::string>{Sjis("ファイルの区切り文字列は追加されません。")}));
  EXPECT_EQ(joinList_.Count(), 1);
  EXPECT_EQ(joinList_.ItemIndex(), -1);  // a list of one row selects nothing

  targetList_.SetChecked(1, false);
  ops_.N7Click();
  EXPECT_TRUE(joinList_.Empty());
  EXPECT_EQ(ui_.statusText, Sjis("対象ファイルが存在しません！"));
  EXPECT_TRUE(timer_.Enabled());

  Write("a.txt", std::string("x\0y", 3));  // a NUL byte: refused, named
  targetList_.SetChecked(1, true);
  ops_.N7Click();
  EXPECT_TRUE(joinList_.Empty());
  EXPECT_EQ(CallsOf("message").back(), QuotedPathText(a, "はNUL文字を含むため結合できません。"));
}

TEST_F(JoinSplitTest, SaveWritesSeparatorsAndCheckedFilesReadAfreshAndRestoreTakesItBack) {
  JoinSettings("結合文字列=-----\n");
  const std::string a = Write("a.txt", "\n\nA1\rA2");
  const std::string b = Write("b.txt", "B\n");
  const std::string c = Write("c.txt", "C1\r\nC2\r\n");
  Targets({a, b, c});
  settings_.ignoreBlankLines = true;
  ops_.N7Click();
  ops_.CheckListBox2ClickCheck(3);  // the middle file
  ops_.CheckListBox2ClickCheck(0);  // a separator has no check box
  EXPECT_FALSE(joinList_.Checked(3));
  Write("c.txt", "C1\r\nC2\r\nC3\n");  // changed after the build: the save reads it again

  // Cancel at the question: nothing happens, the save stays possible.
  ops_.SaveAs1Click();
  EXPECT_TRUE(enabled_[J::kMenuSaveNew]);
  const std::string out = home_ + "/out.txt";
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {out};
  ops_.SaveAs1Click();
  EXPECT_EQ(ui_.fileRequests.back().defaultExtension, "txt");
  // The save dialog starts beside the first file joined.
  EXPECT_EQ(ui_.fileRequests.back().initialFolder, home_ + "/data");
  EXPECT_EQ(Read(out),
            "-----\r\n\r\n\r\nA1\r\nA2\r\n-----\r\n-----\r\nC1\r\nC2\r\nC3\r\n-----\r\n");
  EXPECT_EQ(undoList_.Count(), 2);
  EXPECT_EQ(undoList_.Text(0), out);
  EXPECT_EQ(undoList_.Text(1), Sjis("結合"));
  EXPECT_EQ(ui_.statusText, out + Sjis("に保存されました。"));
  EXPECT_FALSE(enabled_[J::kMenuSaveNew] || enabled_[J::kToolSaveNew]);
  EXPECT_TRUE(enabled_[J::kMenuUndo] && enabled_[J::kToolUndo]);
  EXPECT_EQ(joinList_.Count(), 7);  // the list stays

  // The restore asks and deletes the new file; a second time it is not there.
  ui_.confirmAnswers = {true};
  CheckList again = undoList_;
  EXPECT_TRUE(RestoreJoin(undoList_, ledger_, ui_));
  EXPECT_FALSE(FileExists(out));
  EXPECT_TRUE(undoList_.Empty());
  EXPECT_EQ(CallsOf("confirm").back(), Sjis("新規ファイルを消去しますか？"));
  EXPECT_EQ(CallsOf("message").back(), Sjis("新規ファイル") + QuotedPathText(out, "の消去...OK"));
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(RestoreJoin(again, ledger_, ui_));
  EXPECT_EQ(CallsOf("message").back(),
            Sjis("新規ファイル") + QuotedPathText(out, "は見つかりませんでした。"));
  // Cancel leaves the undo list as it was; another marker is not a join's.
  CheckList cancelled = again;
  cancelled.Add("x");
  cancelled.Add(Sjis("結合"));
  EXPECT_FALSE(RestoreJoin(cancelled, ledger_, ui_));
  EXPECT_EQ(cancelled.Count(), 2);
  EXPECT_FALSE(RestoreSplit(cancelled, ledger_, ui_));
}

TEST_F(JoinSplitTest, SaveOverAnExistingFileKeepsItAndTheRestorePutsItBack) {
  const std::string a = Write("a.txt", "A\n");
  Targets({a});
  ops_.N7Click();
  const std::string old = std::string("old\r\n\x82\xa0\0bytes", 12);
  const std::string out = Write("existing.txt", old);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {out};
  ops_.SaveAs1Click();
  EXPECT_EQ(Read(out), "A\r\n");
  EXPECT_TRUE(undoList_.Checked(0));  // a copy was kept
  EXPECT_EQ(Read(KeptCopyPath(ledger_, out)), old);
  EXPECT_TRUE(ledger_.MayDeleteFile(KeptCopyPath(ledger_, out)));  // shut-down removes it
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(RestoreJoin(undoList_, ledger_, ui_));
  EXPECT_EQ(Read(out), old);
  EXPECT_EQ(CallsOf("message").back(), QuotedPathText(out, "を元の内容に戻しました。"));
}

TEST_F(JoinSplitTest, SaveRefusesItsOwnInputAVanishedFileAndAnUnwritablePath) {
  const std::string a = Write("a.txt", "A\n");
  const std::string b = Write("b.txt", "B\n");
  Targets({a, b});
  ops_.N7Click();
  undoList_.Add("earlier");
  // Names that lead to other files: the output never goes through them.
  const std::string other = Write("other.txt", "other\n");
  const std::string symbolic = home_ + "/data/symbolic.txt";
  const std::string hard = home_ + "/data/hard.txt";
  const std::string toInput = home_ + "/data/to-a.txt";
  ASSERT_EQ(::symlink(other.c_str(), symbolic.c_str()), 0);
  ASSERT_EQ(::link(other.c_str(), hard.c_str()), 0);
  ASSERT_EQ(::symlink("a.txt", toInput.c_str()), 0);
  const char* link = "はリンクのため、保存を中止しました。";
  struct Row {
    std::string chosen;
    std::string kind;
    std::string text;
  } rows[] = {
      {a, "message",
       QuotedPathText(a, "は結合するファイルの一つです。別の名前で保存してください。")},
      {toInput, "message",
       QuotedPathText(toInput, "は結合するファイルの一つです。別の名前で保存してください。")},
      {symbolic, "error", QuotedPathText(symbolic, link)},
      {hard, "error", QuotedPathText(hard, link)},
      {home_ + "/no/such/folder/out.txt", "error",
       QuotedPathText(home_ + "/no/such/folder/out.txt",
                      "に書き込めないため、保存を中止しました。")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chosen);
    ui_.confirmAnswers = {true};
    ui_.saveAnswers = {row.chosen};
    ops_.SaveAs1Click();
    EXPECT_EQ(CallsOf(row.kind).back(), row.text);
    EXPECT_EQ(Read(a), "A\n");
    EXPECT_EQ(undoList_.Count(), 1);
    EXPECT_TRUE(enabled_[J::kMenuSaveNew]);  // the user may choose again
  }
  EXPECT_EQ(Read(other), "other\n");
  EXPECT_TRUE(IsSymbolicLink(symbolic));
  DeleteFilePath(b);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {home_ + "/out.txt"};
  ops_.SaveAs1Click();
  EXPECT_EQ(CallsOf("error").back(), QuotedPathText(b, "が読めないため、保存を中止しました。"));
  EXPECT_FALSE(FileExists(home_ + "/out.txt"));
  EXPECT_EQ(undoList_.Count(), 1);
  EXPECT_EQ(joinList_.Count(), 2);

  // A save in another mode only turns the save commands off.
  mode_ = 0;
  ops_.SaveAs1Click();
  EXPECT_FALSE(enabled_[J::kMenuSaveNew]);
}

TEST_F(JoinSplitTest, SeparatorCommandsAndTheirMenuStates) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  ops_.N7Click();  // S A S B S
  joinList_.SetItemIndex(-1);
  ops_.N10Click();
  EXPECT_EQ(ui_.statusText, Sjis("項目を追加する個所を選択してください。"));
  EXPECT_EQ(joinList_.Count(), 5);

  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup();
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kAddSeparator));
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kDeleteSeparator));
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kOpenFile));
  ops_.RunMenuCommand(JoinListCommand::kDeleteSeparator);  // disabled: nothing
  ops_.N11Click();                                         // a content row is never deleted
  EXPECT_EQ(joinList_.Count(), 5);
  JoinSettings("結合文字列=new\n");  // read afresh at each add
  ops_.RunMenuCommand(JoinListCommand::kAddSeparator);
  EXPECT_EQ(joinList_.Text(1), "new");
  EXPECT_TRUE(joinList_.Header(1));
  EXPECT_EQ(joinList_.ItemIndex(), 2);  // still the row that was selected

  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup();
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kDeleteSeparator));
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kOpenFile));
  ops_.N11Click();
  EXPECT_EQ(joinList_.Count(), 5);

  ui_.inputAnswers = {std::string("##")};
  joinList_.SetItemIndex(2);
  ops_.N8Click();
  EXPECT_EQ(joinList_.Text(2), "##");
  EXPECT_EQ(joinList_.Text(4), "--");
  EXPECT_EQ(ui_.calls.back().caption, Sjis("文字列の入力"));
  EXPECT_EQ(ui_.calls.back().text, Sjis("Fileの区切り文字列を入力してください"));
  // Cancel: the selected separator's text goes to every separator below it.
  joinList_.SetItemIndex(2);
  ops_.N9Click();
  EXPECT_EQ(JoinRows()[0], "S --");
  EXPECT_EQ(JoinRows()[2], "S ##");
  EXPECT_EQ(JoinRows()[4], "S ##");
  EXPECT_FALSE(joinList_.Header(3));

  // Split mode turns the whole menu off; other modes keep the last state.
  mode_ = 3;
  ops_.JoinListMenuPopup();
  for (int c = 0; c < kJoinListCommandCount; ++c)
    EXPECT_FALSE(ops_.MenuEnabled(static_cast<JoinListCommand>(c)));
  mode_ = 0;
  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup();
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kAddSeparator));
}

TEST_F(JoinSplitTest, DropMovesTheDraggedRowInJoinModeOnly) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  ops_.N7Click();
  joinList_.SetItemIndex(2);
  ops_.CheckListBox2DragDrop(0);
  EXPECT_EQ(joinList_.ItemIndex(), 0);
  EXPECT_TRUE(joinList_.Header(0));
  EXPECT_TRUE(joinList_.Header(1));
  EXPECT_FALSE(joinList_.Header(2));
  joinList_.SetItemIndex(2);
  ops_.CheckListBox2DragDrop(4);  // a content row keeps its check and text
  EXPECT_EQ(JoinRows()[4].substr(0, 2), "+ ");
  ops_.CheckListBox2DragDrop(9);  // outside the rows: nothing
  mode_ = 3;
  const std::vector<std::string> before = JoinRows();
  ops_.CheckListBox2DragDrop(0);
  EXPECT_EQ(JoinRows(), before);

  enabled_.clear();
  ops_.CheckListBox2Exit();
  EXPECT_EQ(enabled_, (std::map<J, bool>{{J::kToolSaveNew, false},
                                         {J::kToolOverwrite, false},
                                         {J::kToolUndo, false},
                                         {J::kMenuUndo, false}}));
}

// The path of a content row: up to the quote and ",の内容" that end its first line, however
// often that text turns up inside the name; a row without quotes is its first line. A search
// that never moved on would never end, so the rows are read in a child process with an alarm.
TEST(ContentRowPath, FindsTheNameWhateverItHolds) {
  const std::string in = Sjis(",の内容");
  const struct Row {
    std::string text, path;
  } rows[] = {
      {"\"a\"" + in + "b.txt\"" + in + "\r\nx", "a\"" + in + "b.txt"},
      {"\"a\"" + in + "\"" + in + "\"" + in, "a\"" + in + "\"" + in},
      {"plain.txt\r\nx", "plain.txt"},
      {"plain.txt", "plain.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(20);
      ::_exit(ContentRowPath(row.text) == row.path ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

// A join list that finds nothing to join leaves the commands that would leave join mode off.
TEST_F(JoinSplitTest, ABuildWithNothingToJoinStillTurnsTheOtherCommandsOff) {
  const auto menuItems = {J::kMenuFolderSelect, J::kMenuUndo,   J::kMenuSearch,
                          J::kMenuReplace,      J::kMenuNarrow, J::kMenuJoinFiles};
  for (J item : menuItems) enabled_[item] = true;
  Targets({Write("s.xls", "x")});
  ops_.N7Click();
  EXPECT_TRUE(joinList_.Empty());
  for (J item : menuItems) EXPECT_FALSE(enabled_.at(item)) << static_cast<int>(item);
}

// The first row's separator is deleted as any other; a click on a content row's check box
// also selects that row.
TEST_F(JoinSplitTest, TheFirstSeparatorIsDeletedAndACheckClickSelects) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  ops_.N7Click();  // S A S B S
  joinList_.SetItemIndex(0);
  ops_.N11Click();
  EXPECT_EQ(joinList_.Count(), 4);
  EXPECT_FALSE(joinList_.Header(0));
  ops_.CheckListBox2ClickCheck(2);
  EXPECT_EQ(joinList_.ItemIndex(), 2);
  EXPECT_FALSE(joinList_.Checked(2));
}

// A save that stops at an input it cannot read, or at an output it cannot write, leaves its
// message in the status bar for the status timer to clear.
TEST_F(JoinSplitTest, ASaveThatStopsStartsTheStatusTimer) {
  const std::string a = Write("a.txt", "A\n");
  const std::string b = Write("b.txt", "B\n");
  const std::string readOnly = Write("ro.txt", "old\n");
  ::chmod(readOnly.c_str(), 0444);
  Targets({a, b});
  ops_.N7Click();
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {readOnly};
  timer_.SetEnabled(false);
  ops_.SaveAs1Click();
  EXPECT_EQ(CallsOf("error").back(),
            QuotedPathText(readOnly, "に書き込めないため、保存を中止しました。"));
  EXPECT_EQ(Read(readOnly), "old\n");
  EXPECT_TRUE(timer_.Enabled());
  DeleteFilePath(b);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {home_ + "/out.txt"};
  timer_.SetEnabled(false);
  ops_.SaveAs1Click();
  EXPECT_EQ(CallsOf("error").back(), QuotedPathText(b, "が読めないため、保存を中止しました。"));
  EXPECT_TRUE(timer_.Enabled());
}

}  // namespace
}  // namespace skarvo::testing
