#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "ops/ops_fixture.h"
#include "results/result_rules.h"

namespace skarvo::testing {
namespace {

const std::string kTree = std::string(SKARVO_TEST_DATA) + "/search/tree";

// The file rows of the target list as "+path" / "-path", folder rows as "H".
std::vector<std::string> TargetShape(const CheckList& list) {
  std::vector<std::string> out;
  for (const CheckListRow& r : list.Rows())
    out.push_back(r.header ? "H" : (r.checked ? "+" : "-") + r.text.substr(kTree.size()));
  return out;
}

void UncheckHit(CheckList& result, const std::string& text) {
  for (int i = 0; i < result.Count(); ++i)
    if (result.Text(i) == text) result.SetChecked(i, false);
}

TEST_F(OpsTest, NarrowingStepByStepAndItsRestore) {
  settings_.extensionList = ".txt,.doc,.xls";
  Build(kTree);
  ASSERT_EQ(TargetShape(targetList_),
            (std::vector<std::string>{"H", "+/a.txt", "+/B.TXT", "H", "+/sub/c.doc", "+/sub/d.xls",
                                      "H", "+/sub/deep/e.txt"}));
  targetList_.SetChecked(7, false);  // e.txt is not searched: its folder empties
  Search("abc");
  // Right after a search the restore has nothing to take back (the window does not offer it).
  const std::vector<CheckListRow> found = resultList_.Rows();
  EXPECT_FALSE(HasUndo(session_));
  OnRestore();
  EXPECT_TRUE(Texts("confirm").empty());
  EXPECT_EQ(Texts("message"), std::vector<std::string>{S("やり直せません！！")});
  EXPECT_EQ(resultList_.Rows(), found);
  ui_.calls.clear();
  UncheckHit(resultList_, S("【2列目】lower abc"));  // B.TXT: every hit unchecked
  UncheckHit(resultList_, S("【2列目】abc here"));   // a.txt: one of two
  const std::vector<CheckListRow> beforeFirst = targetList_.Rows();

  OnNarrow();
  EXPECT_EQ(TargetShape(targetList_), (std::vector<std::string>{"H", "+/a.txt", "-/B.TXT", "H",
                                                                "+/sub/c.doc", "+/sub/d.xls"}));
  EXPECT_EQ(targets_.TargetCount(), 3);
  EXPECT_EQ(activePage_, kTargetListPage);
  EXPECT_TRUE(restoreEnabled_);
  EXPECT_TRUE(officeFiles_.empty());
  ASSERT_TRUE(std::holds_alternative<NarrowingUndo>(session_.undo));
  EXPECT_EQ(std::get<NarrowingUndo>(session_.undo).targetRows.size(), beforeFirst.size());

  // Again without a search: the office files' hits were used up, unchecked rows go.
  const std::vector<CheckListRow> beforeSecond = targetList_.Rows();
  OnNarrow();
  EXPECT_EQ(TargetShape(targetList_),
            (std::vector<std::string>{"H", "+/a.txt", "H", "-/sub/c.doc", "-/sub/d.xls"}));

  // Cancel changes nothing and leaves the restore possible.
  restoreEnabled_ = false;
  OnRestore();
  EXPECT_EQ(Texts("confirm"), std::vector<std::string>{S("絞込前の状態に戻しますか？")});
  EXPECT_EQ(targetList_.Count(), 5);
  EXPECT_TRUE(restoreEnabled_);
  // OK brings back the list as it was, checks included, and empties the other lists.
  joinList_.Add("join row");
  ui_.confirmAnswers.push_back(true);
  OnRestore();
  EXPECT_EQ(targetList_.Rows(), beforeSecond);
  EXPECT_TRUE(resultList_.Empty());
  EXPECT_TRUE(joinList_.Empty());
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  EXPECT_FALSE(restoreEnabled_);
  EXPECT_EQ(targets_.TargetCount(), 3);
  // Nothing left to take back.
  OnRestore();
  EXPECT_EQ(Texts("message"), std::vector<std::string>{S("やり直せません！！")});
}

// Sets or clears the immutable flag; false when the file system or the user cannot.
bool SetImmutable(const std::string& path, bool on) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return ok;
}

TEST_F(OpsTest, RestoreOfAJoinOrSplitDeletesTheNewFilesAndReportsEach) {
  struct Case {
    bool split;
    bool answer;
    const char* question;
    bool announces;
  };
  const Case cases[] = {{false, true, "新規ファイルを消去しますか？", false},
                        {true, true, "更新しますか？", true},
                        {false, false, "新規ファイルを消去しますか？", false},
                        {true, false, "更新しますか？", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.split ? "split" : "join") + (c.answer ? " OK" : " Cancel"));
    ui_.calls.clear();
    const std::string made = Write("made.txt", "x");
    const std::string gone = Data() + "/gone.txt";
    const std::string stuck = Write("stuck.txt", "y");
    const bool canStick = SetImmutable(stuck, true);
    CreatedFilesUndo created{c.split ? CreatedFilesUndo::By::kSplit : CreatedFilesUndo::By::kJoin,
                             {}};
    for (const std::string& path : {made, gone, stuck}) created.files.push_back({path, false});
    session_.undo = created;
    ui_.confirmAnswers.push_back(c.answer);
    OnRestore();
    if (canStick) SetImmutable(stuck, false);
    EXPECT_EQ(Texts("confirm"), std::vector<std::string>{S(c.question)});
    if (!c.answer) {
      EXPECT_TRUE(FileExists(made));
      ASSERT_TRUE(std::holds_alternative<CreatedFilesUndo>(session_.undo));
      EXPECT_EQ(std::get<CreatedFilesUndo>(session_.undo).files.size(), 3u);
      EXPECT_TRUE(restoreEnabled_);
      continue;
    }
    const auto report = [](const std::string& path, const char* tail) {
      return S("新規ファイル") + "\"" + path + "\"" + S(tail);
    };
    std::vector<std::string> expected;
    if (c.announces) expected.push_back(report(made, "を消去します。"));
    expected.push_back(report(made, "の消去...OK"));
    expected.push_back(report(gone, "は見つかりませんでした。"));
    if (c.announces) expected.push_back(report(stuck, "を消去します。"));
    expected.push_back(report(stuck, canStick ? "の消去...NG。" : "の消去...OK"));
    EXPECT_EQ(Texts("message"), expected);
    EXPECT_FALSE(FileExists(made));
    EXPECT_EQ(FileExists(stuck), canStick);
    EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
    DeleteFilePath(stuck);
  }
}

}  // namespace
}  // namespace skarvo::testing
