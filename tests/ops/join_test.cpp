#include <sys/stat.h>
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
  Apply(ops_.OnJoinFiles());
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
  EXPECT_EQ(joinList_.Row(1).file, a);
  EXPECT_TRUE(CallsOf("message").empty());
}

TEST_F(JoinSplitTest, BuildWithoutSeparatorOrFilesSaysSo) {
  const std::string a = Write("a.txt", "x\n");
  Targets({a});
  Apply(ops_.OnJoinFiles());
  EXPECT_EQ(CallsOf("message"),
            (std::vector<std::string>{Sjis("ファイルの区切り文字列は追加されません。")}));
  EXPECT_EQ(joinList_.Count(), 1);
  EXPECT_EQ(joinList_.ItemIndex(), -1);  // a list of one row selects nothing

  targetList_.SetChecked(1, false);
  Apply(ops_.OnJoinFiles());
  EXPECT_TRUE(joinList_.Empty());
  EXPECT_EQ(ui_.statusText, Sjis("対象ファイルが存在しません！"));
  EXPECT_TRUE(timer_.Enabled());

  Write("a.txt", std::string("x\0y", 3));  // a NUL byte: refused, named
  targetList_.SetChecked(1, true);
  Apply(ops_.OnJoinFiles());
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
  Apply(ops_.OnJoinFiles());
  ops_.OnJoinListCheckClick(3);  // the middle file
  ops_.OnJoinListCheckClick(0);  // a separator has no check box
  EXPECT_FALSE(joinList_.Checked(3));
  Write("c.txt", "C1\r\nC2\r\nC3\n");  // changed after the build: the save reads it again

  // Cancel at the question: nothing happens, the save stays possible.
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_TRUE(enabled_[J::kMenuSaveNew]);
  const std::string out = home_ + "/out.txt";
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {out};
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_EQ(ui_.fileRequests.back().defaultExtension, "txt");
  // The save dialog starts beside the first file joined.
  EXPECT_EQ(ui_.fileRequests.back().initialFolder, home_ + "/data");
  EXPECT_EQ(Read(out),
            "-----\r\n\r\n\r\nA1\r\nA2\r\n-----\r\n-----\r\nC1\r\nC2\r\nC3\r\n-----\r\n");
  const CreatedFilesUndo* created = Created(CreatedFilesUndo::By::kJoin);
  ASSERT_NE(created, nullptr);
  ASSERT_EQ(created->files.size(), 1u);
  EXPECT_EQ(created->files[0].path, out);
  EXPECT_EQ(ui_.statusText, out + Sjis("に保存されました。"));
  EXPECT_FALSE(enabled_[J::kMenuSaveNew] || enabled_[J::kToolSaveNew]);
  EXPECT_TRUE(enabled_[J::kMenuUndo] && enabled_[J::kToolUndo]);
  EXPECT_EQ(joinList_.Count(), 7);  // the list stays

  // The restore asks and deletes the new file; a second time it is not there.
  ui_.confirmAnswers = {true};
  UndoRecord again = session_.undo;
  EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kJoin));
  EXPECT_FALSE(FileExists(out));
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  EXPECT_EQ(CallsOf("confirm").back(), Sjis("新規ファイルを消去しますか？"));
  EXPECT_EQ(CallsOf("message").back(), Sjis("新規ファイル") + QuotedPathText(out, "の消去...OK"));
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kJoin, &again));
  EXPECT_EQ(CallsOf("message").back(),
            Sjis("新規ファイル") + QuotedPathText(out, "は見つかりませんでした。"));
  // Cancel leaves the record as it was; a join's record is not a split's.
  UndoRecord cancelled = CreatedFilesUndo{CreatedFilesUndo::By::kJoin, {{"x", false}}};
  EXPECT_FALSE(TakeBack(CreatedFilesUndo::By::kJoin, &cancelled));
  ASSERT_TRUE(std::holds_alternative<CreatedFilesUndo>(cancelled));
  EXPECT_EQ(std::get<CreatedFilesUndo>(cancelled).files.size(), 1u);
  EXPECT_FALSE(TakeBack(CreatedFilesUndo::By::kSplit, &cancelled));
}

TEST_F(JoinSplitTest, SaveOverAnExistingFileKeepsItAndTheRestorePutsItBack) {
  const std::string a = Write("a.txt", "A\n");
  Targets({a});
  Apply(ops_.OnJoinFiles());
  const std::string old = std::string("old\r\n\x82\xa0\0bytes", 12);
  const std::string out = Write("existing.txt", old);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {out};
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_EQ(Read(out), "A\r\n");
  ASSERT_NE(Created(CreatedFilesUndo::By::kJoin), nullptr);
  EXPECT_TRUE(Created(CreatedFilesUndo::By::kJoin)->files.at(0).keptCopy);  // a copy was kept
  EXPECT_EQ(Read(KeptCopyPath(ledger_, out)), old);
  EXPECT_TRUE(ledger_.MayDeleteFile(KeptCopyPath(ledger_, out)));  // shut-down removes it
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kJoin));
  EXPECT_EQ(Read(out), old);
  EXPECT_EQ(CallsOf("message").back(), QuotedPathText(out, "を元の内容に戻しました。"));
}

TEST_F(JoinSplitTest, SaveRefusesItsOwnInputAVanishedFileAndAnUnwritablePath) {
  const std::string a = Write("a.txt", "A\n");
  const std::string b = Write("b.txt", "B\n");
  Targets({a, b});
  Apply(ops_.OnJoinFiles());
  session_.undo = NarrowingUndo{};  // an earlier operation's
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
    Apply(ops_.OnSaveToNewFile(mode_));
    EXPECT_EQ(CallsOf(row.kind).back(), row.text);
    EXPECT_EQ(Read(a), "A\n");
    EXPECT_TRUE(std::holds_alternative<NarrowingUndo>(session_.undo));
    EXPECT_TRUE(enabled_[J::kMenuSaveNew]);  // the user may choose again
  }
  EXPECT_EQ(Read(other), "other\n");
  EXPECT_TRUE(IsSymbolicLink(symbolic));
  DeleteFilePath(b);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {home_ + "/out.txt"};
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_EQ(CallsOf("error").back(), QuotedPathText(b, "が読めないため、保存を中止しました。"));
  EXPECT_FALSE(FileExists(home_ + "/out.txt"));
  EXPECT_TRUE(std::holds_alternative<NarrowingUndo>(session_.undo));
  EXPECT_EQ(joinList_.Count(), 2);

  // A save in another mode only turns the save commands off.
  mode_ = 0;
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_FALSE(enabled_[J::kMenuSaveNew]);
}

TEST_F(JoinSplitTest, SeparatorCommandsAndTheirMenuStates) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  Apply(ops_.OnJoinFiles());  // S A S B S
  joinList_.SetItemIndex(-1);
  Apply(ops_.OnAddSeparator());
  EXPECT_EQ(ui_.statusText, Sjis("項目を追加する個所を選択してください。"));
  EXPECT_EQ(joinList_.Count(), 5);

  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup(mode_);
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kAddSeparator));
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kDeleteSeparator));
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kOpenFile));
  Apply(ops_.RunMenuCommand(JoinListCommand::kDeleteSeparator));  // disabled: nothing
  ops_.OnDeleteSeparator();                                       // a content row is never deleted
  EXPECT_EQ(joinList_.Count(), 5);
  JoinSettings("結合文字列=new\n");  // read afresh at each add
  Apply(ops_.RunMenuCommand(JoinListCommand::kAddSeparator));
  EXPECT_EQ(joinList_.Text(1), "new");
  EXPECT_TRUE(joinList_.Header(1));
  EXPECT_EQ(joinList_.ItemIndex(), 2);  // still the row that was selected

  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup(mode_);
  EXPECT_TRUE(ops_.MenuEnabled(JoinListCommand::kDeleteSeparator));
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kOpenFile));
  ops_.OnDeleteSeparator();
  EXPECT_EQ(joinList_.Count(), 5);

  ui_.inputAnswers = {std::string("##")};
  joinList_.SetItemIndex(2);
  ops_.OnChangeSeparator();
  EXPECT_EQ(joinList_.Text(2), "##");
  EXPECT_EQ(joinList_.Text(4), "--");
  EXPECT_EQ(ui_.calls.back().caption, Sjis("文字列の入力"));
  EXPECT_EQ(ui_.calls.back().text, Sjis("Fileの区切り文字列を入力してください"));
  // Cancel: the selected separator's text goes to every separator below it.
  joinList_.SetItemIndex(2);
  ops_.OnChangeSeparatorsBelow();
  EXPECT_EQ(JoinRows()[0], "S --");
  EXPECT_EQ(JoinRows()[2], "S ##");
  EXPECT_EQ(JoinRows()[4], "S ##");
  EXPECT_FALSE(joinList_.Header(3));

  // Split mode turns the whole menu off; other modes keep the last state.
  mode_ = 3;
  ops_.JoinListMenuPopup(mode_);
  for (int c = 0; c < kJoinListCommandCount; ++c)
    EXPECT_FALSE(ops_.MenuEnabled(static_cast<JoinListCommand>(c)));
  mode_ = 0;
  joinList_.SetItemIndex(1);
  ops_.JoinListMenuPopup(mode_);
  EXPECT_FALSE(ops_.MenuEnabled(JoinListCommand::kAddSeparator));
}

TEST_F(JoinSplitTest, DropMovesTheDraggedRowInJoinModeOnly) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  Apply(ops_.OnJoinFiles());
  joinList_.SetItemIndex(2);
  ops_.OnJoinListDrop(mode_, 0);
  EXPECT_EQ(joinList_.ItemIndex(), 0);
  EXPECT_TRUE(joinList_.Header(0));
  EXPECT_TRUE(joinList_.Header(1));
  EXPECT_FALSE(joinList_.Header(2));
  joinList_.SetItemIndex(2);
  ops_.OnJoinListDrop(mode_, 4);  // a content row keeps its check and text
  EXPECT_EQ(JoinRows()[4].substr(0, 2), "+ ");
  ops_.OnJoinListDrop(mode_, 9);  // outside the rows: nothing
  mode_ = 3;
  const std::vector<std::string> before = JoinRows();
  ops_.OnJoinListDrop(mode_, 0);
  EXPECT_EQ(JoinRows(), before);

  enabled_.clear();
  ops_.OnJoinListExit();
  EXPECT_EQ(enabled_, (std::map<J, bool>{{J::kToolSaveNew, false},
                                         {J::kToolOverwrite, false},
                                         {J::kToolUndo, false},
                                         {J::kMenuUndo, false}}));
}

// A content row keeps its file whatever the name holds, and shows it quoted as before.
TEST(AddJoinContentRow, KeepsTheNameWhateverItHolds) {
  const std::string in = Sjis(",の内容");
  const std::vector<std::string> paths{"a\"" + in + "b.txt", "a\"" + in + "\"" + in, "plain.txt",
                                       "a\r\nb"};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    CheckList list;
    AddJoinContentRow(list, path, {"x"}, false);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Row(0).file, path);
    EXPECT_EQ(list.Text(0), "\"" + path + "\"" + in + "\r\nx");
    EXPECT_TRUE(list.Checked(0));
  }
}

// A join list that finds nothing to join leaves the commands that would leave join mode off.
TEST_F(JoinSplitTest, ABuildWithNothingToJoinStillTurnsTheOtherCommandsOff) {
  const auto menuItems = {J::kMenuFolderSelect, J::kMenuUndo,   J::kMenuSearch,
                          J::kMenuReplace,      J::kMenuNarrow, J::kMenuJoinFiles};
  for (J item : menuItems) enabled_[item] = true;
  Targets({Write("s.xls", "x")});
  Apply(ops_.OnJoinFiles());
  EXPECT_TRUE(joinList_.Empty());
  for (J item : menuItems) EXPECT_FALSE(enabled_.at(item)) << static_cast<int>(item);
}

// The first row's separator is deleted as any other; a click on a content row's check box
// also selects that row.
TEST_F(JoinSplitTest, TheFirstSeparatorIsDeletedAndACheckClickSelects) {
  JoinSettings("結合文字列=--\n");
  Targets({Write("a.txt", "A"), Write("b.txt", "B")});
  Apply(ops_.OnJoinFiles());  // S A S B S
  joinList_.SetItemIndex(0);
  ops_.OnDeleteSeparator();
  EXPECT_EQ(joinList_.Count(), 4);
  EXPECT_FALSE(joinList_.Header(0));
  ops_.OnJoinListCheckClick(2);
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
  Apply(ops_.OnJoinFiles());
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {readOnly};
  timer_.SetEnabled(false);
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_EQ(CallsOf("error").back(),
            QuotedPathText(readOnly, "に書き込めないため、保存を中止しました。"));
  EXPECT_EQ(Read(readOnly), "old\n");
  EXPECT_TRUE(timer_.Enabled());
  DeleteFilePath(b);
  ui_.confirmAnswers = {true};
  ui_.saveAnswers = {home_ + "/out.txt"};
  timer_.SetEnabled(false);
  Apply(ops_.OnSaveToNewFile(mode_));
  EXPECT_EQ(CallsOf("error").back(), QuotedPathText(b, "が読めないため、保存を中止しました。"));
  EXPECT_TRUE(timer_.Enabled());
}

}  // namespace
}  // namespace skarvo::testing
