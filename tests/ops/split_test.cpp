#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "ops/join_split_fixture.h"
#include "ops/split_parts.h"

namespace skarvo::testing {
namespace {

using J = JoinUiCommand;

std::string Numbered(int count, int emptyLine = 0) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i == emptyLine ? "" : "L" + std::to_string(i)) + "\n";
  return text;
}

TEST(SplitParts, RangesByModeAndChecks) {
  struct Row {
    int mode;
    std::vector<SplitPoint> points;
    std::vector<std::array<int64_t, 3>> parts;  // point index, first, last
  } rows[] = {
      {1, {{1, true}, {5, true}, {12, true}, {20, true}}, {{0, 1, 4}, {1, 5, 11}, {2, 12, 20}}},
      {2, {{1, true}, {5, true}, {12, true}, {20, true}}, {{0, 1, 5}, {1, 5, 12}, {2, 12, 20}}},
      {3, {{1, true}, {5, true}, {12, true}, {20, true}}, {{0, 1, 5}, {1, 6, 12}, {2, 13, 20}}},
      {1, {{1, true}, {5, false}, {12, true}, {20, true}}, {{0, 1, 4}, {2, 12, 20}}},
      {1, {{1, true}, {1, true}, {20, true}}, {{0, 1, 0}, {1, 1, 20}}},
      {3, {{1, true}, {20, true}, {20, true}}, {{0, 1, 20}, {1, 21, 20}}},
      {2, {{1, true}, {0, true}}, {{0, 1, 0}}},  // an empty file
      {0, {{1, true}, {5, true}}, {}},
      {4, {{1, true}, {5, true}}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "mode " << row.mode << " points " << row.points.size());
    std::vector<std::array<int64_t, 3>> got;
    for (const SplitPart& p : SplitParts("/d/a.txt", row.points, row.mode)) {
      got.push_back({p.pointIndex, p.first, p.last});
      EXPECT_EQ(p.name, "/d/a" + std::to_string(p.pointIndex) + ".txt");
    }
    EXPECT_EQ(got, row.parts);
  }
}

TEST(SplitParts, NamesChangeOnlyTheFileName) {
  const std::pair<std::string, std::string> rows[] = {
      {"/d/a.txt", "/d/a3.txt"},           {"/d/A.TXT", "/d/A3.TXT"},
      {"/d/noext", "/d/noext3"},           {"/d.txt/a.txt", "/d.txt/a3.txt"},
      {"/d.txt/readme", "/d.txt/readme3"}, {"/d/.profile", "/d/.profile3"},
      {"/d/a.b.txt", "/d/a.b3.txt"},       {"rel", "rel3"},
  };
  for (const auto& [path, name] : rows) {
    EXPECT_EQ(SplitPartName(path, 3), name);
    EXPECT_NE(SplitPartName(path, 3), path);
  }
}

TEST(SplitParts, HitRowNumbersAndPreviews) {
  EXPECT_EQ(HitRowLineNumber(Sjis("【12列目】text")), 12);
  EXPECT_EQ(HitRowLineNumber(Sjis("【Wordファイル】x")), std::nullopt);
  EXPECT_EQ(HitRowLineNumber(Sjis("【列目】x")), std::nullopt);
  EXPECT_EQ(HitRowLineNumber("plain"), std::nullopt);
  const std::vector<std::string> lines = SplitIntoLines(Numbered(20));
  const std::string cut = Sjis("～～中略～～");
  EXPECT_EQ(SplitPreview(lines, 1, 6), "\r\nL1\r\nL2\r\n" + cut + "\r\nL5\r\nL6");
  EXPECT_EQ(SplitPreview(lines, 1, 5), "\r\nL1\r\nL2\r\nL3\r\nL4\r\nL5");
  EXPECT_EQ(SplitPreview(lines, 3, 2), "");
  SplitPart part{0, 1, 9, ""};
  EXPECT_TRUE(PartRowText(lines, part)
                  .starts_with("\"1" + Sjis("列目~") + "9" + Sjis("列目") + "\",\r\nL1\r\nL2\r\n"));
}

class SplitTest : public JoinSplitTest {
 protected:
  // A result list with the file's header row (selected) and hit rows at lines, checked as
  // given; the second file's header follows, so the hits end there.
  void Results(const std::string& path, const std::vector<std::pair<int, bool>>& hits) {
    Header(path);
    for (const auto& [line, checked] : hits)
      Hit(path, TextHitRowText(line, "L" + std::to_string(line)), checked, line);
    Header(home_ + "/other.txt");
    Hit(home_ + "/other.txt", TextHitRowText(2, "x"), true, 2);
    resultList_.SetItemIndex(0);
  }
  void Prepare(const std::string& path, const std::vector<std::pair<int, bool>>& hits) {
    Results(path, hits);
    Apply(ops_.OnSplitFile());
  }
  void Save(bool ok = true) {
    ui_.confirmAnswers = {ok};
    Apply(ops_.OnSaveToNewFile(mode_));
  }
};

// Every part is reported once, in order, with how its save ended, so a caller can account
// for each one (skarvo-cli prints a line per part from it).
TEST_F(SplitTest, EachPartIsReportedWithHowItsSaveEnded) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(20, 12));  // line 12 is empty
  const std::string d = home_ + "/data/a";
  Write("a1.txt", "old1\n");
  Write("a4.txt", "old4\n");
  ASSERT_EQ(::symlink((home_ + "/data/a.txt").c_str(), (d + "3.txt").c_str()), 0);
  Prepare(a, {{5, true}, {12, true}, {15, true}, {17, true}, {19, true}});
  joinList_.SetChecked(11, false);  // the part from line 19
  ui_.askAnswers = {Answer::kCancel, Answer::kYes};
  Save();
  using E = SplitPartEnd;
  const std::vector<std::pair<int, SplitPartEnd>> ends = {{0, E::kWritten},  {1, E::kDeclined},
                                                          {2, E::kTooShort}, {3, E::kRefused},
                                                          {4, E::kReplaced}, {5, E::kUnchecked}};
  EXPECT_EQ(partEnds_, ends);
  EXPECT_EQ(Read(d + "1.txt"), "old1\n");
  EXPECT_EQ(Read(d + "4.txt"), "L17\r\nL18\r\n");
  EXPECT_EQ(Read(d + "5.txt"), "<none>");
}

// Without a keeper an existing plain file is replaced as it stands (an output the user
// named); a link, an input or a folder is still refused.
TEST(WriteKeepingOld, WithoutAKeeperReplacesOnlyAPlainFile) {
  char tmpl[] = "/tmp/skarvo-keep-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  const std::string plain = dir + "/plain.txt", link = dir + "/link.txt", in = dir + "/in.txt";
  WriteFileAtomic(plain, "old");
  WriteFileAtomic(in, "input");
  ASSERT_EQ(::symlink(plain.c_str(), link.c_str()), 0);
  const std::vector<FileIdentity> inputs{*IdentityOf(in)};
  const struct {
    std::string path;
    KeepWrite result;
    std::string after;
  } rows[] = {
      {plain, KeepWrite::kWrittenReplaced, "new"},
      {dir + "/fresh.txt", KeepWrite::kWrittenNew, "new"},
      {link, KeepWrite::kRefusedLink, "new"},  // plain's bytes, through the link
      {in, KeepWrite::kRefusedInput, "input"},
      {dir, KeepWrite::kWriteFailed, "<none>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(WriteKeepingOld(KeepOldFile(), row.path, "new", inputs), row.result);
    EXPECT_EQ(ReadWholeFile(row.path).value_or("<none>"), row.after);
  }
  DeleteFolderTree(dir);
}

TEST_F(SplitTest, PrepareListsThePartsAndSaveWritesTheCheckedOnes) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(20, 12));  // line 12 is empty
  Prepare(a, {{5, true}, {12, true}, {19, true}});
  EXPECT_EQ(mode_, 3);
  EXPECT_FALSE(drag_);
  EXPECT_EQ(caption_, Sjis("ファイル分割モード"));
  EXPECT_EQ(joinPageShown_, 1);
  EXPECT_EQ(Points().size(), 5u);
  EXPECT_EQ(Points()[3], "19");
  EXPECT_EQ(Points()[4], "20");
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  const std::string d = home_ + "/data/a";
  const std::string cut = Sjis("～～中略～～");
  const std::string r = Sjis("列目");
  EXPECT_EQ(JoinRows(),
            (std::vector<std::string>{
                "S " + d + "0.txt", "+ \"1" + r + "~4" + r + "\",\r\nL1\r\nL2\r\nL3\r\nL4",
                "S " + d + "1.txt",
                "+ \"5" + r + "~11" + r + "\",\r\nL5\r\nL6\r\n" + cut + "\r\nL10\r\nL11",
                "S " + d + "2.txt",
                "+ \"12" + r + "~18" + r + "\",\r\n\r\nL13\r\n" + cut + "\r\nL17\r\nL18",
                "S " + d + "3.txt", "+ \"19" + r + "~20" + r + "\",\r\nL19\r\nL20"}));
  EXPECT_TRUE(enabled_[J::kMenuSaveNew] && enabled_[J::kToolSaveNew]);
  EXPECT_FALSE(enabled_[J::kMenuFolderSelect] || enabled_[J::kMenuSearch]);

  ops_.OnJoinListCheckClick(3);  // part 1 unchecked: no file
  Save(false);
  EXPECT_FALSE(FileExists(d + "0.txt"));
  Save();
  EXPECT_EQ(CallsOf("confirm").back(),
            Sjis("新規ファイルに分割します。未チェックのファイルは作成されません。"));
  EXPECT_EQ(Read(d + "0.txt"), "L1\r\nL2\r\nL3\r\nL4\r\n");
  EXPECT_FALSE(FileExists(d + "1.txt"));
  EXPECT_FALSE(FileExists(d + "2.txt"));  // its first line is empty
  EXPECT_EQ(Read(d + "3.txt"), "L19\r\nL20\r\n");
  EXPECT_EQ(ui_.statusText,
            QuotedPathText(home_ + "/data", "に2個のファイルを分割して保存しました。") +
                Sjis("チェックした1個のファイルは2行未満か先頭行が空のため作成されませんでした。"));
  ASSERT_NE(Created(CreatedFilesUndo::By::kSplit), nullptr);
  EXPECT_EQ(Created(CreatedFilesUndo::By::kSplit)->files.size(), 2u);
  EXPECT_FALSE(enabled_[J::kMenuSaveNew]);

  // The restore announces and deletes each new file.
  DeleteFilePath(d + "3.txt");
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kSplit));
  EXPECT_FALSE(FileExists(d + "0.txt"));
  EXPECT_EQ(CallsOf("confirm").back(), Sjis("更新しますか？"));
  const std::string n = Sjis("新規ファイル");
  EXPECT_EQ(CallsOf("message"), (std::vector<std::string>{
                                    n + QuotedPathText(d + "0.txt", "を消去します。"),
                                    n + QuotedPathText(d + "0.txt", "の消去...OK"),
                                    n + QuotedPathText(d + "3.txt", "は見つかりませんでした。")}));
}

TEST_F(SplitTest, HitOnLineOneAndOneLinePartsAreListedButNotWritten) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(6));
  Prepare(a, {{1, true}, {6, true}});
  EXPECT_EQ(JoinRows()[1], "+ \"1" + Sjis("列目~") + "0" + Sjis("列目") + "\",");
  Save();
  const std::string d = home_ + "/data/a";
  EXPECT_FALSE(FileExists(d + "0.txt"));
  EXPECT_EQ(Read(d + "1.txt"), "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\n");
  EXPECT_FALSE(FileExists(d + "2.txt"));  // line 6 alone
  EXPECT_EQ(ui_.statusText,
            QuotedPathText(home_ + "/data", "に1個のファイルを分割して保存しました。") +
                Sjis("チェックした2個のファイルは2行未満か先頭行が空のため作成されませんでした。"));
}

TEST_F(SplitTest, ExistingPartsAreReplacedOnlyWhenTheUserSaysSoAndComeBackOnRestore) {
  JoinSettings("分割モード=2\n");
  const std::string a = Write("a.txt", Numbered(20));
  const std::string d = home_ + "/data/a";
  Write("a0.txt", "mine 0");
  Write("a1.txt", "mine 1");
  Write("a2.txt", "mine 2");
  struct Row {
    std::vector<Answer> answers;
    int asked;
    std::vector<bool> replaced;
    std::string status;
  } rows[] = {
      {{Answer::kCancel, Answer::kYes, Answer::kCancel},
       3,
       {false, true, false},
       QuotedPathText(home_ + "/data", "に1個のファイルを分割して保存しました。") +
           Sjis("2個の既存ファイルは置き換えませんでした。")},
      {{Answer::kYesToAll},
       1,
       {true, true, true},
       QuotedPathText(home_ + "/data", "に3個のファイルを分割して保存しました。")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.asked);
    for (int i = 0; i < 3; ++i)
      Write("a" + std::to_string(i) + ".txt", "mine " + std::to_string(i));
    Prepare(a, {{5, true}, {12, true}});
    const size_t before = CallsOf("ask").size();
    ui_.askAnswers = {row.answers.begin(), row.answers.end()};
    Save();
    EXPECT_EQ(CallsOf("ask").size() - before, static_cast<size_t>(row.asked));
    EXPECT_EQ(ui_.statusText, row.status);
    EXPECT_EQ(CallsOf("ask")[before],
              QuotedPathText(d + "0.txt", "は既にあります。置き換えますか？"));
    for (int i = 0; i < 3; ++i) {
      const std::string name = d + std::to_string(i) + ".txt";
      EXPECT_EQ(Read(name) == "mine " + std::to_string(i), !row.replaced[i]) << name;
    }
    ui_.confirmAnswers = {true};
    EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kSplit));
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(Read(d + std::to_string(i) + ".txt"), "mine " + std::to_string(i));
    resultList_.Clear();
  }
  EXPECT_EQ(CallsOf("message").back(), QuotedPathText(d + "2.txt", "を元の内容に戻しました。"));
}

TEST_F(SplitTest, RefusalsLeaveNothingWritten) {
  const std::string a = Write("a.txt", Numbered(20));
  const std::string d = home_ + "/data/a";
  // A bad mode: the split points stay, the old join list too, and the tab is shown.
  JoinSettings("分割モード=0\n");
  joinList_.Add("old", true);
  Prepare(a, {{5, true}});
  EXPECT_EQ(CallsOf("message").back(), Sjis("ファイル分割の設定が不適切です！"));
  EXPECT_EQ(Points().size(), 3u);
  EXPECT_EQ(JoinRows(), (std::vector<std::string>{"S old"}));
  EXPECT_EQ(joinPageShown_, 1);
  JoinSettings("分割モード=7\n");
  resultList_.Clear();
  Prepare(a, {{5, true}});
  EXPECT_EQ(JoinRows(), (std::vector<std::string>{"S old"}));

  // A mode that goes bad before the save, and a file changed since the preparation.
  JoinSettings("分割モード=2\n");
  resultList_.Clear();
  Prepare(a, {{5, true}});
  JoinSettings("分割モード=0\n");
  Save();
  EXPECT_EQ(CallsOf("message").back(), Sjis("ファイル分割の設定が不適切です！"));
  JoinSettings("分割モード=2\n");
  Write("a.txt", "L1\nL2\nL3\nL4\nchanged\n" + Numbered(20).substr(15));
  Save();
  EXPECT_EQ(CallsOf("message").back(),
            QuotedPathText(a,
                           "は分割の準備の後に変更されました。何も書き込んでいません。"
                           "もう一度「ファイルの分割」を選んでください。"));
  EXPECT_FALSE(FileExists(d + "0.txt"));
  EXPECT_TRUE(enabled_[J::kMenuSaveNew]);

  // Office files, a hit beyond the file's end, a NUL byte.
  const size_t messages = CallsOf("message").size();
  resultList_.Clear();
  mode_ = 1;
  Prepare(Write("b.DOC", "x"), {{1, true}});
  EXPECT_EQ(ui_.statusText, Sjis("Excel、Wordファイルは対象にできません。"));
  resultList_.Clear();
  Prepare(Write("short.txt", "a\nb\n"), {{5, true}});
  resultList_.Clear();
  const std::string nul = Write("nul.txt", std::string("a\0b\n", 4));
  Prepare(nul, {{1, true}});
  EXPECT_EQ(CallsOf("message").size(), messages + 2);
  EXPECT_EQ(CallsOf("message").back(), QuotedPathText(nul, "はNUL文字を含むため分割できません。"));
  EXPECT_EQ(mode_, 1);  // nothing changed
}

TEST_F(SplitTest, APendingReplaceIsUndoneFirstAndTheRecordedLineNumberCounts) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(10));
  Header(a);
  Hit(a, "replaced text", true, 4, "L4");
  resultList_.SetItemIndex(0);
  // The hit as found, unchecked; its text shows another number than the search recorded,
  // and the record counts.
  session_.undo = PendingReplaceUndo{
      {CheckListRow(FileHeaderRowText(a), true), CheckListRow(TextHitRowText(9, "L4"))}};
  search_.replacePending = true;
  Apply(ops_.OnSplitFile());
  EXPECT_FALSE(search_.replacePending);
  EXPECT_EQ(resultList_.Text(1), TextHitRowText(9, "L4"));
  // The hit's own check came back (unchecked): one part, 1..3.
  EXPECT_EQ(Points()[1], "-4");
  EXPECT_EQ(joinList_.Count(), 2);
}

// With no row selected (or a hit row), the split command changes nothing.
TEST_F(SplitTest, WithoutASelectedFileRowTheSplitDoesNothing) {
  const std::string a = Write("a.txt", Numbered(20));
  Results(a, {{5, true}});
  for (int selected : {-1, 1}) {
    SCOPED_TRACE(selected);
    resultList_.SetItemIndex(selected);
    EXPECT_NO_THROW(Apply(ops_.OnSplitFile()));
    EXPECT_EQ(mode_, 1);
    EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
    EXPECT_TRUE(Points().empty());
    EXPECT_EQ(joinPageShown_, 0);
    EXPECT_TRUE(ui_.calls.empty());
  }
}

// The line the search recorded counts, also when it is line 1 and the row shows another.
TEST_F(SplitTest, AHitRecordedOnLineOneSplitsThere) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(10));
  Header(a);
  Hit(a, TextHitRowText(3, "L1"), true, 1);
  resultList_.SetItemIndex(0);
  Apply(ops_.OnSplitFile());
  ASSERT_EQ(Points().size(), 3u);
  EXPECT_EQ(Points()[1], "1");
}

// One part declined, one that cannot be written, one written: the error names the part that
// failed, the status line counts the declined one, and the status timer runs.
TEST_F(SplitTest, ASaveReportsADeclinedAndAnUnwritablePartAndStartsTheStatusTimer) {
  JoinSettings("分割モード=2\n");
  const std::string a = Write("a.txt", Numbered(20));
  const std::string d = home_ + "/data/a";
  Write("a0.txt", "mine 0");
  const std::string readOnly = Write("a1.txt", "mine 1");
  ::chmod(readOnly.c_str(), 0444);
  Prepare(a, {{5, true}, {12, true}});
  ui_.askAnswers = {Answer::kCancel, Answer::kYes};
  timer_.SetEnabled(false);
  Save();
  EXPECT_EQ(Read(d + "0.txt"), "mine 0");
  EXPECT_EQ(Read(readOnly), "mine 1");
  EXPECT_TRUE(FileExists(d + "2.txt"));
  EXPECT_EQ(CallsOf("error"),
            std::vector<std::string>{QuotedPathText(readOnly, "に書き込めませんでした。")});
  // After the count of parts saved, the count of parts declined.
  const std::string declined = "1" + Sjis("個の既存ファイルは置き換えませんでした。");
  ASSERT_GE(ui_.statusText.size(), declined.size());
  EXPECT_EQ(ui_.statusText.substr(ui_.statusText.size() - declined.size()), declined);
  EXPECT_TRUE(timer_.Enabled());
}

// A part's name may already be taken by a link to the split file or to another file, by
// another name of the split file, or by a folder: a part lands on none of them, and what
// they hold stays. Only a plain file of its own is replaced (after the question), its old
// bytes kept where the restore takes them from.
TEST_F(SplitTest, PartsNeverLandOnTheSplitFileOrBehindALink) {
  JoinSettings("分割モード=1\n");
  const std::string source = Numbered(5);
  const std::string d = home_ + "/data/";
  const std::string link = Sjis("はリンクのため書き込みませんでした。");
  const std::string itself = Sjis("は分割するファイルそのものです。書き込みませんでした。");
  const std::string part0 = "L1\r\nL2\r\n";
  struct Row {
    const char* what;
    std::function<void(const std::string& a, const std::string& a0)> make;
    std::string refusal;  // the error naming a0.txt; empty: a0.txt is written
  } rows[] = {
      {"free", [](const std::string&, const std::string&) {}, ""},
      {"plain file", [this](const std::string&, const std::string&) { Write("a0.txt", "mine\n"); },
       ""},
      {"link to the split file",
       [](const std::string& a, const std::string& a0) {
         ASSERT_EQ(::symlink(a.c_str(), a0.c_str()), 0);
       },
       itself},
      {"relative link to the split file",
       [](const std::string&, const std::string& a0) {
         ASSERT_EQ(::symlink("a.txt", a0.c_str()), 0);
       },
       itself},
      {"hard link of the split file",
       [](const std::string& a, const std::string& a0) {
         ASSERT_EQ(::link(a.c_str(), a0.c_str()), 0);
       },
       itself},
      {"link to another file",
       [this](const std::string&, const std::string& a0) {
         ASSERT_EQ(::symlink(Write("other.txt", "other\n").c_str(), a0.c_str()), 0);
       },
       link},
      {"hard link of another file",
       [this](const std::string&, const std::string& a0) {
         ASSERT_EQ(::link(Write("other.txt", "other\n").c_str(), a0.c_str()), 0);
       },
       link},
      {"dangling link",
       [this](const std::string&, const std::string& a0) {
         ASSERT_EQ(::symlink((home_ + "/data/gone.txt").c_str(), a0.c_str()), 0);
       },
       link},
      {"folder",
       [](const std::string&, const std::string& a0) { ASSERT_TRUE(CreateFolderPath(a0)); },
       Sjis("に書き込めませんでした。")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    DeleteFolderTree(d);
    const std::string a = Write("a.txt", source);
    const std::string a0 = d + "a0.txt";
    row.make(a, a0);
    const std::optional<std::string> before0 = ReadWholeFile(a0);
    resultList_.Clear();
    session_.undo = NoUndo{};
    Prepare(a, {{3, true}});
    const size_t errors = CallsOf("error").size();
    ui_.askAnswers = {Answer::kYes};
    Save();
    EXPECT_EQ(Read(a), source);                           // the split file is never written
    EXPECT_EQ(Read(d + "a1.txt"), "L3\r\nL4\r\nL5\r\n");  // the other part is
    if (FileExists(d + "other.txt")) {
      EXPECT_EQ(Read(d + "other.txt"), "other\n");
    }
    std::vector<std::string> newErrors = CallsOf("error");
    newErrors.erase(newErrors.begin(), newErrors.begin() + static_cast<long>(errors));
    if (row.refusal.empty()) {
      EXPECT_TRUE(newErrors.empty());
      EXPECT_EQ(Read(a0), part0);
      ui_.confirmAnswers = {true};
      EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kSplit));
      EXPECT_EQ(ReadWholeFile(a0), before0);  // back as it was, or gone when it was new
      EXPECT_FALSE(FileExists(d + "a1.txt"));
    } else {
      EXPECT_EQ(newErrors, (std::vector<std::string>{QuotedPathText(a0, "") + row.refusal}));
      EXPECT_EQ(ReadWholeFile(a0), before0);
      ASSERT_NE(Created(CreatedFilesUndo::By::kSplit), nullptr);
      EXPECT_EQ(Created(CreatedFilesUndo::By::kSplit)->files.size(), 1u);  // only a1.txt
    }
  }
  // Nor does the restore write through a link put in a replaced part's place since.
  DeleteFolderTree(d);
  const std::string a = Write("a.txt", source);
  Write("a0.txt", "mine\n");
  resultList_.Clear();
  session_.undo = NoUndo{};
  Prepare(a, {{3, true}});
  ui_.askAnswers = {Answer::kYes};
  Save();
  ASSERT_TRUE(DeleteFilePath(d + "a0.txt"));
  ASSERT_EQ(::symlink(Write("other.txt", "other\n").c_str(), (d + "a0.txt").c_str()), 0);
  ui_.confirmAnswers = {true};
  EXPECT_TRUE(TakeBack(CreatedFilesUndo::By::kSplit));
  EXPECT_EQ(Read(d + "other.txt"), "other\n");
  const std::vector<std::string> messages = CallsOf("message");
  EXPECT_NE(std::find(messages.begin(), messages.end(),
                      QuotedPathText(d + "a0.txt", "を元の内容に戻せませんでした。")),
            messages.end());
}

// The split reads the rows' own fields: a header without its file is no file's, a hit
// without the line the search recorded cannot be placed, and a save uses up its
// preparation, so a second one asks for a new one instead of writing again.
TEST_F(SplitTest, TheSplitReadsTheRowsFieldsAndASaveUsesUpItsPreparation) {
  JoinSettings("分割モード=1\n");
  const std::string a = Write("a.txt", Numbered(10));
  resultList_.Add(FileHeaderRowText(a), true);  // the text alone names no file
  resultList_.SetItemIndex(0);
  Apply(ops_.OnSplitFile());
  EXPECT_EQ(mode_, 1);
  EXPECT_TRUE(ui_.calls.empty());

  resultList_.Clear();
  Header(a);
  Hit(a, TextHitRowText(4, "L4"), true, 0);
  resultList_.SetItemIndex(0);
  Apply(ops_.OnSplitFile());
  EXPECT_EQ(CallsOf("message").back(),
            QuotedPathText(a, "は検索の後に変更されています。もう一度検索してください。"));
  EXPECT_EQ(mode_, 1);

  resultList_.Clear();
  Prepare(a, {{4, true}});
  Save();
  EXPECT_EQ(Read(home_ + "/data/a1.txt"), "L4\r\nL5\r\nL6\r\nL7\r\nL8\r\nL9\r\nL10\r\n");
  ASSERT_TRUE(DeleteFilePath(home_ + "/data/a1.txt"));
  Save();
  EXPECT_FALSE(FileExists(home_ + "/data/a1.txt"));
  EXPECT_EQ(CallsOf("message").back(),
            QuotedPathText(a,
                           "は分割の準備の後に変更されました。何も書き込んでいません。"
                           "もう一度「ファイルの分割」を選んでください。"));
}

}  // namespace
}  // namespace skarvo::testing
