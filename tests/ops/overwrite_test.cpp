#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "ops/ops_fixture.h"
#include "ops/restore.h"

namespace skarvo::testing {
namespace {

std::string LongQuestion(const std::string& path) {
  return path + "\r\n" + S("を置き換えてよろしいか？") + "\r\n\r\n" +
         S("すべてはいで、このファイル以降全てのファイルを置き換えます。");
}
std::string ShortQuestion(const std::string& path) {
  return path + "\r\n" + S("を置き換えてよろしいか？") + "\r\n" +
         S("全てはいでこのファイル以降全てを置き換えます。");
}

// Search, replace with the given text (every hit checked unless unchecked by the caller
// in between) and overwrite, answering with the scripted answers.
class OverwriteTest : public OpsTest {
 protected:
  void SearchAndReplace(const std::string& search, const std::string& replacement) {
    Build(Data());
    Search(search);
    Replace(replacement);
  }
  void Overwrite(std::initializer_list<Answer> answers) {
    for (Answer a : answers) ui_.askAnswers.push_back(a);
    ui_.calls.clear();
    OnOverwrite();
  }
  // The backups the session's overwrite record names, in order.
  std::vector<std::string> Backups() const {
    std::vector<std::string> out;
    if (const auto* overwrite = std::get_if<OverwriteUndo>(&session_.undo))
      for (const OverwrittenFile& f : overwrite->record.files) out.push_back(f.backup);
    return out;
  }
};

TEST_F(OverwriteTest, OneQuestionPerFileTheShorterLastAndCancelKeepsTheBackup) {
  const std::string f1 = Write("1.txt", "x\r\nx\r\nx\r\n");
  const std::string f2 = Write("2.txt", "x\r\n");
  const std::string f3 = Write("3.txt", "x\r\n");
  const std::string f4 = Write("4.txt", "x\r\n");
  Build(Data());
  Search("x");
  resultList_.SetChecked(RowOf(FileHeaderRowText(f2)) + 1, false);
  Replace("y");
  Overwrite({Answer::kYes, Answer::kCancel, Answer::kYesToAll});
  EXPECT_EQ(Texts("ask"),
            (std::vector<std::string>{LongQuestion(f1), LongQuestion(f3), ShortQuestion(f4)}));
  EXPECT_EQ(Read(f1), "y\r\ny\r\ny\r\n");
  EXPECT_EQ(Read(f2), "x\r\n");
  EXPECT_EQ(Read(f3), "x\r\n");
  EXPECT_EQ(Read(f4), "y\r\n");
  for (const std::string& f : {f1, f2, f3, f4})
    EXPECT_EQ(Read(BackupOf(f)), "x\r\n" + std::string(f == f1 ? "x\r\nx\r\n" : ""));
  EXPECT_TRUE(std::holds_alternative<OverwriteUndo>(session_.undo));
  EXPECT_EQ(Backups(), (std::vector<std::string>{BackupOf(f1), BackupOf(f2), BackupOf(f3),
                                                 BackupOf(f4)}));
  EXPECT_EQ(ui_.statusText, S("上書きが終了しました。"));
  EXPECT_FALSE(overwriteEnabled_ || state_.replacePending);
  EXPECT_TRUE(state_.replaceText.empty());
  EXPECT_TRUE(restoreEnabled_);
  // The result list keeps its replaced rows.
  EXPECT_EQ(resultList_.Text(1), S("【1列目】y"));

  // Yes to all asks no more; the second overwrite replaces the first backup.
  Search("x|y");
  Replace("z");
  Overwrite({Answer::kYesToAll});
  EXPECT_EQ(Texts("ask"), std::vector<std::string>{LongQuestion(f1)});
  for (const std::string& f : {f2, f3, f4}) EXPECT_EQ(Read(f), "z\r\n");
  EXPECT_EQ(Read(BackupOf(f4)), "y\r\n");
}

TEST_F(OverwriteTest, FilesThatChangedVanishedHoldNulOrRefuseWritesAreLeftAndReported) {
  const std::string changed = Write("1changed.txt", "x\r\nkeep\r\n");
  const std::string shrunk = Write("2shrunk.txt", "a\r\nx\r\n");
  const std::string vanished = Write("3vanished.txt", "x\r\n");
  const std::string nul = Write("4nul.txt", std::string("x\0y\r\nx\r\n", 8));
  const std::string readOnly = Write("5readonly.txt", "x\r\n");
  const std::string noBackup = Write("6nobackup.txt", "x\r\n");
  const std::string good = Write("7good.txt", "x\rx\n");
  SearchAndReplace("x", "y");
  Write("1changed.txt", "x2\r\nkeep\r\n");
  Write("2shrunk.txt", "a\r\n");
  DeleteFilePath(vanished);
  ::chmod(readOnly.c_str(), 0444);
  CreateFolderPath(BackupOf(noBackup));  // a folder stands where the copy would go
  Overwrite({Answer::kYesToAll});
  const auto quoted = [](const std::string& p) { return "\"" + p + "\""; };
  EXPECT_EQ(Texts("message"),
            (std::vector<std::string>{
                quoted(changed) + S("は検索の後に変更されているため、上書きしませんでした。"),
                quoted(shrunk) + S("は検索の後に変更されているため、上書きしませんでした。"),
                quoted(vanished) + S("は見つからないため、上書きしませんでした。"),
                quoted(nul) + S("はNUL文字を含むため、上書きしませんでした。"),
                quoted(readOnly) + S("に書き込めませんでした。"),
                quoted(noBackup) + S("のバックアップを作れないため、上書きしませんでした。")}));
  EXPECT_EQ(Read(changed), "x2\r\nkeep\r\n");
  EXPECT_EQ(Read(shrunk), "a\r\n");
  EXPECT_EQ(Read(nul), std::string("x\0y\r\nx\r\n", 8));
  EXPECT_EQ(Read(readOnly), "x\r\n");
  EXPECT_EQ(Read(noBackup), "x\r\n");
  EXPECT_EQ(Read(good), "y\r\ny\r\n");
  struct stat st;
  ASSERT_EQ(::stat(readOnly.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  // Only the files that passed their checks have listed backups.
  EXPECT_EQ(Backups(), (std::vector<std::string>{BackupOf(readOnly), BackupOf(good)}));
  ui_.confirmAnswers.push_back(true);
  OnRestore();
  EXPECT_EQ(Read(good), "x\rx\n");
}

TEST_F(OverwriteTest, ASearchTextMatchingDigitsOrTheRowPrefixWritesTheRightLines) {
  std::string text, expected;
  for (int i = 1; i <= 12; ++i) {
    text += i % 2 ? "a1\n" : "b\n";
    expected += i % 2 ? "a9\r\n" : "b\r\n";
  }
  const std::string f = Write("digits.txt", text + S("列\n"));
  SearchAndReplace(S("1|列"), "9");
  EXPECT_EQ(resultList_.Text(6), S("【11列目】a9"));
  EXPECT_EQ(resultList_.Text(7), S("【13列目】9"));
  Overwrite({Answer::kYesToAll});
  EXPECT_EQ(Read(f), expected + "9\r\n");
}

TEST_F(OverwriteTest, ALinkStaysALinkAndItsTargetIsWritten) {
  CreateFolderPath(home_ + "/elsewhere");
  const std::string target = home_ + "/elsewhere/real.txt";
  WriteFileAtomic(target, "x\n");
  CreateFolderPath(Data());
  const std::string link = Data() + "/link.txt";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ::chmod(target.c_str(), 0640);
  SearchAndReplace("x", "y");
  Overwrite({Answer::kYes});
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Read(target), "y\r\n");
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // The backup's place comes from where the link leads.
  EXPECT_EQ(Read(BackupOf(target)), "x\n");
  ui_.confirmAnswers.push_back(true);
  OnRestore();
  EXPECT_EQ(Read(target), "x\n");
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(OverwriteTest, TheRestoreAsksAboutAFileChangedSinceAndCancelChangesNothing) {
  const std::string a = Write("a.txt", "x\n");
  const std::string b = Write("b.txt", "x\n");
  SearchAndReplace("x", "y");
  Overwrite({Answer::kYesToAll});
  OnRestore();  // Cancel
  EXPECT_EQ(Texts("confirm"), std::vector<std::string>{S("元の状態に戻しますか？？")});
  EXPECT_EQ(Read(a), "y\r\n");
  EXPECT_EQ(Backups().size(), 2u);
  EXPECT_TRUE(restoreEnabled_);

  Write("b.txt", "edited\r\n");
  ui_.calls.clear();
  ui_.confirmAnswers = {true, false};
  OnRestore();
  EXPECT_EQ(Texts("confirm"),
            (std::vector<std::string>{S("元の状態に戻しますか？？"),
                                      "\"" + b + "\"" + S("は上書きの後に変更されています。") +
                                          "\r\n" + S("上書き前の内容に戻しますか？")}));
  EXPECT_EQ(Read(a), "x\n");
  EXPECT_EQ(Read(b), "edited\r\n");
  EXPECT_EQ(Texts("message"),
            std::vector<std::string>{S("ファイル") + "\"" + a + "\"" + S("の復元...OK")});
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  // The rows of the file put back show its line as found; the other keeps the replacement.
  EXPECT_EQ(resultList_.Text(1), S("【1列目】x"));
  EXPECT_EQ(resultList_.Text(3), S("【1列目】y"));
}

TEST_F(OverwriteTest, TheRestorePutsBackOnlyABackupThatStillHoldsTheOriginal) {
  const std::string a = Write("a.txt", "x a\n");
  const std::string b = Write("b.txt", "x b\n");
  SearchAndReplace("x", "y");
  Overwrite({Answer::kYesToAll});
  // Another file's text in a's backup (as two files sharing one backup place would leave).
  WriteFileAtomic(BackupOf(a), "x b\n");
  ui_.calls.clear();
  ui_.confirmAnswers = {true};
  OnRestore();
  EXPECT_EQ(Texts("message"),
            (std::vector<std::string>{S("ファイル") + "\"" + a + "\"" + S("の復元...NG。"),
                                      S("ファイル") + "\"" + b + "\"" + S("の復元...OK")}));
  EXPECT_EQ(Read(a), "y a\r\n");
  EXPECT_EQ(Read(b), "x b\n");
}

// The plain reference (it also stands for the line model's cases: CR LF, lone CR, LF, CR CR
// LF, mixes, no final break): lines split at CR LF, CR or LF (one piece after the last break only
// when not empty), "ab" replaced by "<ab>" in the checked lines, every line ended by CR LF.
std::vector<std::string> ReferenceLines(std::string text) {
  std::string unified;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    unified += text[i] == '\r' ? '\n' : text[i];
  }
  std::vector<std::string> lines;
  std::string current;
  for (char c : unified) {
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

TEST_F(OverwriteTest, DifferentialAgainstAPlainReferenceOnRandomFiles) {
  std::mt19937 rng(20261207);
  const std::vector<std::string> pieces = {"a", "b", "ab", "x", " ", S("あ"), "\r\n", "\r", "\n"};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    DeleteFolderTree(Data());
    DeleteFolderTree(home_ + "/Temp");
    std::vector<std::string> files, originals;
    for (int f = 0; f < 3; ++f) {
      std::string text;
      const int n = static_cast<int>(rng() % 30);
      for (int k = 0; k < n; ++k) text += pieces[rng() % pieces.size()];
      files.push_back(Write("f" + std::to_string(f) + ".txt", text));
      originals.push_back(text);
    }
    Build(Data());
    Search("ab");
    // Uncheck a random set of hits; the reference follows the same choice in order.
    std::vector<bool> keep;
    for (int i = 0; i < resultList_.Count(); ++i) {
      if (resultList_.Header(i)) continue;
      const bool on = rng() % 3 != 0;
      resultList_.SetChecked(i, on);
      keep.push_back(on);
    }
    if (resultList_.Empty()) continue;
    Replace("<&>");
    Overwrite({Answer::kYesToAll});
    size_t hit = 0;
    for (size_t f = 0; f < files.size(); ++f) {
      std::vector<std::string> lines = ReferenceLines(originals[f]);
      bool touched = false;
      for (std::string& line : lines) {
        if (line.find("ab") == std::string::npos) continue;
        ASSERT_LT(hit, keep.size());
        if (keep[hit++]) {
          touched = true;
          for (size_t at = line.find("ab"); at != std::string::npos; at = line.find("ab", at + 4))
            line.replace(at, 2, "<ab>");
        }
      }
      std::string expected;
      for (const std::string& line : lines) expected += line + "\r\n";
      EXPECT_EQ(Read(files[f]), touched ? expected : originals[f]);
      // Every file with a hit has its backup, written or not.
      const bool hadHit = originals[f].find("ab") != std::string::npos;
      EXPECT_EQ(Read(BackupOf(files[f])), hadHit ? originals[f] : "<none>");
    }
    EXPECT_EQ(hit, keep.size());
    ui_.confirmAnswers.push_back(true);
    OnRestore();
    for (size_t f = 0; f < files.size(); ++f) EXPECT_EQ(Read(files[f]), originals[f]);
  }
}

// A file listed under two header rows is one file to the overwrite: its backup holds what it
// held before, both rows' lines are written, and the restore finds it as written.
TEST_F(OverwriteTest, AFileListedTwiceKeepsOneBackupOfItsOriginal) {
  const std::string a = Write("a.txt", "x\r\nx\r\n");
  const std::string b = Write("b.txt", "x\r\n");
  SearchAndReplace("x", "y");
  ASSERT_EQ(Rows(resultList_)[0], "H " + FileHeaderRowText(a));
  CheckListRow again;
  again.text = FileHeaderRowText(a);
  again.header = true;
  again.kind = RowKind::kFileHeader;
  again.file = a;
  resultList_.Insert(2, again);  // A, its first hit, A again, its second hit, B
  Overwrite({Answer::kYesToAll});
  EXPECT_EQ(Read(a), "y\r\ny\r\n");
  EXPECT_EQ(Read(b), "y\r\n");
  EXPECT_EQ(Read(BackupOf(a)), "x\r\nx\r\n");
  EXPECT_EQ(Backups(), (std::vector<std::string>{BackupOf(a), BackupOf(b)}));
  ui_.calls.clear();
  ui_.confirmAnswers = {true};
  OnRestore();
  EXPECT_EQ(Texts("confirm"), std::vector<std::string>{S("元の状態に戻しますか？？")});
  EXPECT_EQ(Read(a), "x\r\nx\r\n");
  EXPECT_EQ(Read(b), "x\r\n");
}

// A file changed while its question is open is not written over.
TEST_F(OverwriteTest, AFileChangedWhileItsQuestionIsOpenIsLeft) {
  const std::string a = Write("a.txt", "x\r\n");
  SearchAndReplace("x", "y");
  ui_.onAsk = [&] { Write("a.txt", "x\r\nadded\r\n"); };
  Overwrite({Answer::kYes});
  EXPECT_EQ(Read(a), "x\r\nadded\r\n");
  EXPECT_EQ(Texts("message"),
            std::vector<std::string>{"\"" + a + "\"" +
                                     S("は検索の後に変更されているため、上書きしませんでした。")});
}

TEST_F(OverwriteTest, TheBackupsAndRunFoldersAreNeverWritten) {
  const std::string file = Write("a.txt", "x\r\n");
  const std::string runCopy = Write("run/files/b.txt", "x\r\n");
  Write("run/manifest", "skarvo-overwrite-run 1\nstarted\t2026-01-01T00:00:00Z\n");
  SearchAndReplace("x", "y");
  Overwrite({Answer::kYesToAll});
  ASSERT_EQ(Read(BackupOf(file)), "x\r\n");
  // Again over the whole home: the window's Temp with the backup made above is searched.
  Build(home_);
  Search("x");
  Replace("z");
  Overwrite({Answer::kYesToAll});
  const std::string skipped = S("はバックアップのフォルダにあるため、上書きしませんでした。");
  EXPECT_EQ(Texts("message"), (std::vector<std::string>{"\"" + runCopy + "\"" + skipped,
                                                        "\"" + BackupOf(file) + "\"" + skipped}));
  EXPECT_EQ(Read(BackupOf(file)), "x\r\n");
  EXPECT_EQ(Read(runCopy), "x\r\n");
}

}  // namespace
}  // namespace skarvo::testing
