#include "search/temp_folder_cleanup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "support/fake_ui_port.h"

namespace skarvo {
namespace {

class TempCleanup : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/skarvo-cleanup-XXXXXX";
    home_ = ::mkdtemp(tmpl);
    temp_ = home_ + "/Temp";
  }
  void TearDown() override { DeleteFolderTree(home_); }
  // The status texts that report deletions, in order.
  std::vector<std::string> Deletions() const {
    std::vector<std::string> out;
    for (const auto& c : ui_.CallsOf("status"))
      if (c.text.find(Sjis("削除")) != std::string::npos) out.push_back(c.text);
    return out;
  }
  std::string home_, temp_;
  FakeUiPort ui_;
};

TEST_F(TempCleanup, FolderMadeByTheProgramGoesWholeFilesFirstThenDeepestFolders) {
  TempFolderLedger ledger(home_);
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/a/b/x.xls", "x"));
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/top.doc", "t"));
  std::ofstream(temp_ + "/a/other.txt") << "written by someone else meanwhile";
  DeleteTempFolder(ledger, ui_);
  EXPECT_FALSE(FolderExists(temp_));
  const std::string on = Sjis("を削除中");
  EXPECT_EQ(Deletions(),
            (std::vector<std::string>{temp_ + "/top.doc" + on, temp_ + "/a/other.txt" + on,
                                      temp_ + "/a/b/x.xls" + on, temp_ + "/a/b" + on,
                                      temp_ + "/a" + on, temp_ + on}));
}

TEST_F(TempCleanup, ExistingFolderKeepsEverythingTheProgramDidNotMake) {
  ASSERT_TRUE(CreateFolderPath(temp_ + "/mine"));
  std::ofstream(temp_ + "/mine/notes.txt") << "user";
  std::ofstream(temp_ + "/keep.txt") << "user";
  TempFolderLedger ledger(home_);
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/mine/x.xls", "x"));
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/new/deep/y.doc", "y"));
  DeleteTempFolder(ledger, ui_);
  EXPECT_TRUE(FileExists(temp_ + "/mine/notes.txt"));
  EXPECT_TRUE(FileExists(temp_ + "/keep.txt"));
  EXPECT_FALSE(FileExists(temp_ + "/mine/x.xls"));
  EXPECT_FALSE(FolderExists(temp_ + "/new"));
  EXPECT_TRUE(FolderExists(temp_ + "/mine"));
  const std::string on = Sjis("を削除中");
  EXPECT_EQ(Deletions(),
            (std::vector<std::string>{temp_ + "/mine/x.xls" + on, temp_ + "/new/deep/y.doc" + on,
                                      temp_ + "/new/deep" + on, temp_ + "/new" + on}));
}

TEST_F(TempCleanup, ReportsFailuresAndGoesOn) {
  // A file the ledger may not delete keeps the folder the program made from going.
  ASSERT_TRUE(CreateFolderPath(home_ + "/pre/Temp"));
  TempFolderLedger other(home_ + "/pre");
  ASSERT_TRUE(other.WriteFile(home_ + "/pre/Temp/made/x.doc", "x"));
  std::ofstream(home_ + "/pre/Temp/made/user.txt") << "user";
  DeleteTempFolder(other, ui_);
  EXPECT_TRUE(FileExists(home_ + "/pre/Temp/made/user.txt"));
  EXPECT_EQ(Deletions().back(), home_ + "/pre/Temp/made" + Sjis("の削除に失敗しました。"));
}

TEST_F(TempCleanup, NeverDeletesThroughALinkAndNothingWhenTheFolderWasNeverUsed) {
  ASSERT_TRUE(CreateFolderPath(home_ + "/outside/empty/deeper"));
  std::ofstream(home_ + "/outside/precious.txt") << "keep";
  {
    TempFolderLedger unused(home_);
    ASSERT_TRUE(CreateFolderPath(temp_));
    std::ofstream(temp_ + "/user.txt") << "user";
    DeleteTempFolder(unused, ui_);
    EXPECT_TRUE(FileExists(temp_ + "/user.txt"));
    DeleteFolderTree(temp_);
  }
  TempFolderLedger ledger(home_);
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/x.xls", "x"));
  ASSERT_EQ(::symlink((home_ + "/outside").c_str(), (temp_ + "/link").c_str()), 0);
  DeleteTempFolder(ledger, ui_);
  EXPECT_TRUE(FileExists(home_ + "/outside/precious.txt"));
  // Empty folders behind the link are the user's too, at every depth.
  EXPECT_TRUE(FolderExists(home_ + "/outside/empty/deeper"));
  EXPECT_FALSE(FolderExists(temp_));
}

TEST_F(TempCleanup, ATempFolderThatIsALinkLosesExactlyWhatThisRunWroteThere) {
  const std::string target = home_ + "/elsewhere";
  ASSERT_TRUE(CreateFolderPath(target + "/mine"));
  std::ofstream(target + "/mine/notes.txt") << "user";
  std::ofstream(target + "/a.xls") << "user's own";
  ASSERT_EQ(::symlink(target.c_str(), temp_.c_str()), 0);
  TempFolderLedger ledger(home_);
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/mine/x.xls", "x"));
  ASSERT_TRUE(ledger.WriteFile(temp_ + "/new/deep/y.doc", "y"));
  // The user's file of that name is not replaced.
  EXPECT_FALSE(ledger.WriteFile(temp_ + "/a.xls", "extracted"));
  EXPECT_EQ(ReadWholeFile(target + "/mine/x.xls"), "x");
  DeleteTempFolder(ledger, ui_);
  EXPECT_FALSE(FileExists(target + "/mine/x.xls"));
  EXPECT_FALSE(FolderExists(target + "/new"));
  EXPECT_EQ(ReadWholeFile(target + "/mine/notes.txt"), "user");
  EXPECT_EQ(ReadWholeFile(target + "/a.xls"), "user's own");
  EXPECT_TRUE(IsSymbolicLink(temp_));
  const std::string on = Sjis("を削除中");
  EXPECT_EQ(Deletions(),
            (std::vector<std::string>{temp_ + "/mine/x.xls" + on, temp_ + "/new/deep/y.doc" + on,
                                      temp_ + "/new/deep" + on, temp_ + "/new" + on}));
}

}  // namespace
}  // namespace skarvo
