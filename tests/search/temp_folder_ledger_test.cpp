#include "search/temp_folder_ledger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/file_system.h"

namespace skarvo {
namespace {

class Ledger : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/skarvo-ledger-XXXXXX";
    home_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { DeleteFolderTree(home_); }
  std::string home_;
};

TEST_F(Ledger, TempFolderMadeByTheProgramIsAllItsOwn) {
  TempFolderLedger ledger(home_);
  EXPECT_FALSE(ledger.TempFolderUsed());
  std::string file = home_ + "/Temp/data/sub/a.xls";
  ASSERT_TRUE(ledger.WriteFile(file, "cell\r\n"));
  EXPECT_EQ(ReadWholeFile(file), "cell\r\n");
  EXPECT_TRUE(ledger.OwnsWholeTempFolder());
  EXPECT_TRUE(ledger.MayDeleteFile(home_ + "/Temp/other.txt"));
  EXPECT_TRUE(ledger.MayDeleteFolder(home_ + "/Temp"));
  EXPECT_FALSE(ledger.MayDeleteFile(home_ + "/Tempo/x"));
  EXPECT_FALSE(ledger.MayDeleteFile(home_ + "/x"));
  // Writing the same target again replaces the extracted text.
  ASSERT_TRUE(ledger.WriteFile(file, "again\r\n"));
  EXPECT_EQ(ReadWholeFile(file), "again\r\n");
}

TEST_F(Ledger, ExistingTempFolderOnlyWhatThisRunMadeMayGo) {
  ASSERT_TRUE(CreateFolderPath(home_ + "/Temp/data"));
  std::ofstream(home_ + "/Temp/data/mine.txt") << "user";
  std::ofstream(home_ + "/Temp/data/a.xls") << "user's own";
  TempFolderLedger ledger(home_);
  ASSERT_TRUE(ledger.WriteFile(home_ + "/Temp/data/new/b.doc", "x"));
  EXPECT_FALSE(ledger.OwnsWholeTempFolder());
  EXPECT_TRUE(ledger.TempFolderUsed());
  EXPECT_TRUE(ledger.MayDeleteFile(home_ + "/Temp/data/new/b.doc"));
  EXPECT_TRUE(ledger.MayDeleteFolder(home_ + "/Temp/data/new"));
  EXPECT_FALSE(ledger.MayDeleteFolder(home_ + "/Temp/data"));
  EXPECT_FALSE(ledger.MayDeleteFolder(home_ + "/Temp"));
  EXPECT_FALSE(ledger.MayDeleteFile(home_ + "/Temp/data/mine.txt"));
  // A file of the user's at an extracted text's place is never replaced.
  EXPECT_FALSE(ledger.WriteFile(home_ + "/Temp/data/a.xls", "x"));
  EXPECT_EQ(ReadWholeFile(home_ + "/Temp/data/a.xls"), "user's own");
  ledger.RecordWrittenFile(home_ + "/Temp/data/backup.txt");
  EXPECT_TRUE(ledger.MayDeleteFile(home_ + "/Temp/data/backup.txt"));
  ledger.RecordWrittenFile(home_ + "/elsewhere.txt");
  EXPECT_FALSE(ledger.MayDeleteFile(home_ + "/elsewhere.txt"));
}

TEST_F(Ledger, NeverWritesThroughALink) {
  ASSERT_TRUE(CreateFolderPath(home_ + "/Temp"));
  ASSERT_TRUE(CreateFolderPath(home_ + "/data"));
  std::ofstream(home_ + "/data/a.xls") << "the user's workbook";
  ASSERT_EQ(::symlink((home_ + "/data").c_str(), (home_ + "/Temp/data").c_str()), 0);
  ASSERT_EQ(::symlink((home_ + "/data/a.xls").c_str(), (home_ + "/Temp/b.xls").c_str()), 0);
  TempFolderLedger ledger(home_);
  EXPECT_FALSE(ledger.WriteFile(home_ + "/Temp/data/a.xls", "extracted"));
  EXPECT_FALSE(ledger.WriteFile(home_ + "/Temp/data/new.xls", "extracted"));
  EXPECT_FALSE(ledger.WriteFile(home_ + "/Temp/b.xls", "extracted"));
  EXPECT_EQ(ReadWholeFile(home_ + "/data/a.xls"), "the user's workbook");
  EXPECT_FALSE(FileExists(home_ + "/data/new.xls"));
}

TEST_F(Ledger, InsideIsTheTempFolderOrBelowIt) {
  TempFolderLedger ledger(home_);
  const std::string temp = home_ + "/Temp";
  const struct {
    std::string path;
    bool inside;
  } rows[] = {{temp, true},
              {temp + "/", false},
              {temp + "/a", true},
              {temp + "/a/b", true},
              {temp + "x", false},
              {temp + "x/a", false},
              {home_ + "/Tem", false},
              {home_ + "/temp/a", false},
              {"", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ledger.IsInside(row.path), row.inside);
  }
}

TEST_F(Ledger, RefusesPathsOutsideAndFoldersThatCannotBeMade) {
  TempFolderLedger ledger(home_);
  EXPECT_FALSE(ledger.WriteFile(home_ + "/a.txt", "x"));
  EXPECT_FALSE(ledger.CreateFolders(home_ + "/Tempx"));
  std::ofstream(home_ + "/Temp") << "a file where the folder would be";
  EXPECT_FALSE(ledger.WriteFile(home_ + "/Temp/a.xls", "x"));
  EXPECT_FALSE(ledger.TempFolderUsed());
}

}  // namespace
}  // namespace skarvo
