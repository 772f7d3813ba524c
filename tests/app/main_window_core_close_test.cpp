// Shut-down: the histories and the window size in the settings file, and the temp folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/main_window_core_fixture.h"
#include "settings/settings_file.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;

class MainWindowCoreCloseTest : public MainWindowCoreTest {
 protected:
  std::string Stored(const char* key) const {
    return SettingsFile(Home() + "/Skarvo.ini").ReadText(Sjis("Main"), Sjis(key));
  }
  // Searches the spreadsheet and the document of the fixture tree, which puts their
  // extracted texts into the temp folder.
  std::unique_ptr<MainWindowCore> SearchOfficeFiles() {
    WriteSettings("[拡張子]\nMsWordファイル=1\nMsExcelファイル=1\n");
    auto form = MakeForm();
    port_.folderAnswers.push_back(SearchTree() + "/sub");
    form->Execute(CommandId::kFolderSelect);
    form->OnSearchBoxEdit("abc");
    form->Execute(CommandId::kToolSearch);
    form->WaitForSearch();
    EXPECT_TRUE(FileExists(Extracted("d.xls")));
    EXPECT_TRUE(FileExists(Extracted("c.doc")));
    return form;
  }
  std::string Extracted(const std::string& name) const {
    return Temp(SearchTree().substr(1) + "/sub/" + name);
  }
  std::string Temp(const std::string& relative = "") const {
    return Home() + "/Temp" + (relative.empty() ? "" : "/" + relative);
  }
};

TEST_F(MainWindowCoreCloseTest, HistoriesKeepTenEntriesAndAnEmptyOneLeavesTheStoredValue) {
  WriteSettings("[Main]\n検索文字=\"old\",\n");
  auto form = MakeForm();
  std::vector<std::string> twelve;
  for (int i = 1; i <= 12; ++i) twelve.push_back("f" + std::to_string(i));
  form->folderHistory.SetItems(twelve);
  form->searchHistory.SetItems({"", ""});
  form->FormClose(640, 400);
  EXPECT_EQ(Stored("検索文字"), "\"old\",");
  EXPECT_EQ(Stored("フォルダ"),
            "\"f1\",\"f2\",\"f3\",\"f4\",\"f5\",\"f6\",\"f7\",\"f8\",\"f9\",\"f10\",");
  EXPECT_EQ(Stored("ウインドウの幅"), "640");
  EXPECT_EQ(Stored("ウインドウの高さ"), "400");
}

TEST_F(MainWindowCoreCloseTest, TheNextStartShowsWhatTheLastOneStored) {
  data_.Folder("kept");
  {
    auto form = MakeForm();
    form->OnSearchBoxEdit("needle");
    form->OnSearchBoxEnter();  // no targets: a notice, but the entry is on top
    port_.folderAnswers.push_back(data_.Path("kept"));
    form->Execute(CommandId::kFolderSelect);
    form->FormClose(700, 500);
  }
  auto again = MakeForm();
  EXPECT_EQ(again->searchHistory.Items(), (std::vector<std::string>{"needle"}));
  EXPECT_EQ(again->folderHistory.Items(),
            (std::vector<std::string>{Sjis("新規フォルダ"), data_.Path("kept") + "/"}));
  EXPECT_EQ(again->Width(), 700);
  EXPECT_EQ(again->Height(), 500);
}

TEST_F(MainWindowCoreCloseTest, ATempFolderTheProgramMadeGoesWhole) {
  auto form = SearchOfficeFiles();
  const std::string extracted = Extracted("d.xls");
  form->FormClose(680, 480);
  EXPECT_FALSE(FolderExists(Temp()));
  // Each deletion was on the status bar, the temp folder itself last.
  std::vector<std::string> statuses;
  for (const auto& call : port_.CallsOf("status")) statuses.push_back(call.text);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), extracted + Sjis("を削除中")),
            statuses.end());
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(Cp932ToUtf8Lossy(statuses.back()), Cp932ToUtf8Lossy(Temp() + Sjis("を削除中")));
}

TEST_F(MainWindowCoreCloseTest, AnEarlierTempFolderKeepsWhatTheProgramDidNotWrite) {
  home_.File("home/Temp/mine.txt", "user's");
  home_.File("home/Temp/notes/more.txt", "user's too");
  auto form = SearchOfficeFiles();
  form->FormClose(680, 480);
  EXPECT_TRUE(FileExists(Temp("mine.txt")));
  EXPECT_TRUE(FileExists(Temp("notes/more.txt")));
  EXPECT_FALSE(FileExists(Extracted("d.xls")));
  EXPECT_FALSE(FileExists(Extracted("c.doc")));
  EXPECT_FALSE(FolderExists(Temp(SearchTree().substr(1, SearchTree().find('/', 1) - 1))));
}

TEST_F(MainWindowCoreCloseTest, ARefusedSettingsWriteStillClearsTheTempFolderAndIsReported) {
  auto form = SearchOfficeFiles();
  // A folder where the settings file should be: every write is refused.
  ::unlink(home_.Native("home/Skarvo.ini").c_str());
  ASSERT_EQ(::mkdir(home_.Native("home/Skarvo.ini").c_str(), 0777), 0);
  form->FormClose(680, 480);
  EXPECT_FALSE(FolderExists(Temp()));
  ASSERT_EQ(port_.CallsOf("error").size(), 1u);
  EXPECT_NE(port_.CallsOf("error")[0].text.find(Home() + "/Skarvo.ini"), std::string::npos);
}

TEST_F(MainWindowCoreCloseTest, ClosingWithoutASearchLeavesNoTempFolderBehindOrBefore) {
  home_.File("home/Temp/mine.txt", "user's");
  auto form = MakeForm();
  form->FormClose(680, 480);
  EXPECT_TRUE(FileExists(Temp("mine.txt")));
  EXPECT_TRUE(port_.CallsOf("error").empty());
}

TEST_F(MainWindowCoreCloseTest, AStoredSizeLargerThanTheScreenIsCutToItsWorkAreaAtStartAndAtClose) {
  WriteSettings("[Main]\nウインドウの幅=30000\nウインドウの高さ=100000\n");
  auto form = MakeForm();
  form->SetWorkArea(WorkArea{1920, 1040});
  EXPECT_EQ(form->Width(), 1920);
  EXPECT_EQ(form->Height(), 1040);
  // A window that was made larger than the area meanwhile is stored at the area's size.
  form->FormClose(30000, 700);
  EXPECT_EQ(Stored("ウインドウの幅"), "1920");
  EXPECT_EQ(Stored("ウインドウの高さ"), "700");
  // A size that fits, or an area that is not known, changes nothing.
  auto small = MakeForm();
  small->SetWorkArea(WorkArea{});
  EXPECT_EQ(small->Width(), 1920);
  small->SetWorkArea(WorkArea{2560, 1400});
  EXPECT_EQ(small->Height(), 700);
}

}  // namespace
}  // namespace skarvo
