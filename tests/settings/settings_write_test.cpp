#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/settings.h"
#include "settings/temp_home.h"

namespace skarvo {
namespace {

using testing::TempHome;
using Entries = std::vector<std::string>;

Entries Numbered(int count) {
  Entries entries;
  for (int i = 1; i <= count; ++i) entries.push_back("e" + std::to_string(i));
  return entries;
}

TEST(WriteHistory, StoresTheNonEmptyEntriesOfTheFirstTenPositions) {
  struct Row {
    const char* name;
    Entries entries;
    std::string stored;
  } rows[] = {
      {"two", {"a", "b"}, "\"a\",\"b\","},
      {"twelve keep the first ten", Numbered(12),
       "\"e1\",\"e2\",\"e3\",\"e4\",\"e5\",\"e6\",\"e7\",\"e8\",\"e9\",\"e10\","},
      {"empty entries skipped, positions still count",
       {"e1", "", "e3", "e4", "e5", "e6", "e7", "e8", "e9", "e10", "e11"},
       "\"e1\",\"e3\",\"e4\",\"e5\",\"e6\",\"e7\",\"e8\",\"e9\",\"e10\","},
      {"stored as typed, kanji and blanks", {Sjis("検索 語"), " x"}, Sjis("\"検索 語\",\" x\",")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempHome home;
    SettingsFile file(SettingsFilePath(home.path()));
    WriteHistory(file, SettingKey::kSearchHistory, row.entries);
    EXPECT_EQ(IniFile(file.Path()).Find(Sjis("Main"), Sjis("検索文字")), row.stored);
  }
}

TEST(WriteHistory, EntriesThatWouldNotReadBackWholeAreLeftOutAndTheOthersKept) {
  const std::string big(700, 'b');    // two fit in one value, a third does not
  const std::string huge(3000, 'h');  // never fits
  struct Row {
    const char* name;
    Entries entries;
    Entries readBack;
  } rows[] = {
      {"line breaks and NUL", {"a", "x\ny", "c\r", std::string("n\0ul", 4), "d"}, {"a", "d"}},
      {"a folder name with a line break",
       {"/data/one", "/data/a\nb", "/data/two"},
       {"/data/one", "/data/two"}},
      {"past the value limit",
       {big + "1", big + "2", big + "3", big + "4", "small"},
       {big + "1", big + "2", "small"}},
      {"one huge entry first", {huge, "a", "b"}, {"a", "b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempHome home;
    SettingsFile file(SettingsFilePath(home.path()));
    WriteHistory(file, SettingKey::kSearchHistory, row.entries);
    EXPECT_EQ(file.Values().ReadList(SettingKey::kSearchHistory), row.readBack);
  }
}

TEST(WriteHistory, AnEmptyHistoryLeavesTheStoredValue) {
  TempHome home;
  SettingsFile file(SettingsFilePath(home.path()));
  file.WriteText(SettingKey::kSearchHistory, "\"old\",");
  for (const Entries& entries : {Entries{}, Entries{"", ""},
                                 Entries{"", "", "", "", "", "", "", "", "", "", "beyond ten"}}) {
    WriteHistory(file, SettingKey::kSearchHistory, entries);
    EXPECT_EQ(file.ReadText(SettingKey::kSearchHistory), "\"old\",");
  }
  // Without a file nothing is created.
  TempHome empty;
  SettingsFile none(SettingsFilePath(empty.path()));
  WriteHistory(none, SettingKey::kFolderHistory, {});
  EXPECT_FALSE(FileExists(none.Path()));
}

TEST(WriteHistory, EntriesComeBackAtTheNextStart) {
  TempHome home;
  ASSERT_EQ(::mkdir(home.File("keep").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir(home.File("drop").c_str(), 0777), 0);
  SettingsFile file(SettingsFilePath(home.path()));
  Entries search = {"a", "say \"hi\"", "x,y", Sjis("表示")};
  Entries folders = {Sjis("新規フォルダ"), home.File("keep"), home.File("drop")};
  SaveShutdownSettings(file, search, folders, 1024, 768);
  ASSERT_TRUE(DeleteEmptyFolder(home.File("drop")));  // deleted between two runs

  Settings settings;
  StartupSettings startup = LoadStartupSettings(file, settings);
  EXPECT_EQ(startup.searchHistory, search);
  EXPECT_EQ(startup.folderHistory, (Entries{Sjis("新規フォルダ"), home.File("keep")}));
  EXPECT_EQ(startup.windowWidth, 1024);
  EXPECT_EQ(startup.windowHeight, 768);
}

TEST(ReadFolderHistory, ResolvesRelativeNamesAgainstTheCurrentFolder) {
  TempHome home;
  ASSERT_EQ(::mkdir(home.File("sub").c_str(), 0777), 0);
  std::string text = Sjis("[Main]\nフォルダ=\"sub\",\"missing\",\"\",\"") + home.path() + "\",\n";
  SettingsValues values(IniSnapshot::Parse(text));
  std::string before = CurrentFolder();
  ASSERT_EQ(::chdir(home.path().c_str()), 0);
  Entries folders = ReadFolderHistory(values);
  ASSERT_EQ(::chdir(before.c_str()), 0);
  EXPECT_EQ(folders, (Entries{Sjis("新規フォルダ"), "sub", home.path()}));
}

TEST(SettingsFile, TypedWritesUseTheStoredForms) {
  TempHome home;
  SettingsFile file(SettingsFilePath(home.path()));
  file.WriteFlag(SettingKey::kFuzzyDictionary, true);
  file.WriteFlag(SettingKey::kSearchSubfolders, false);
  file.WriteInteger(SettingKey::kSplitMode, -3);
  file.WriteText(SettingKey::kJoinSeparator, Sjis("――区切り――"));
  file.WriteColor(SettingKey::kHitColor, RgbColor(1, 2, 3));
  file.WriteColor(SettingKey::kReplaceColor, RgbColor(0, 0, 128));
  EXPECT_EQ(ReadWholeFile(file.Path()),
            Sjis("[Main]\r\nFuzzy辞書=1\r\n下位フォルダ=0\r\n"
                 "[ファイル結合]\r\n分割モード=-3\r\n結合文字列=――区切り――\r\n"
                 "[表示]\r\nTAB１検索文字色=$00030201\r\nTAB１置換文字色=clNavy\r\n"));
  EXPECT_TRUE(file.ReadFlag(SettingKey::kFuzzyDictionary));
  EXPECT_FALSE(file.ReadFlag(SettingKey::kSearchSubfolders));
  EXPECT_EQ(file.ReadInteger(SettingKey::kSplitMode), -3);
  EXPECT_EQ(file.ReadText(SettingKey::kJoinSeparator), Sjis("――区切り――"));
  EXPECT_EQ(file.ReadColor(SettingKey::kHitColor), RgbColor(1, 2, 3));
  // Keys read at each use see a change made to the file meanwhile.
  ASSERT_TRUE(IniFile(file.Path()).WriteString(Sjis("ファイル結合"), Sjis("分割モード"), "0"));
  EXPECT_EQ(file.ReadInteger(SettingKey::kSplitMode), 0);
  // Defaults of keys that are read at each use.
  TempHome empty;
  SettingsFile none(SettingsFilePath(empty.path()));
  EXPECT_EQ(none.ReadInteger(SettingKey::kSplitMode), 2);
  EXPECT_FALSE(none.ReadFlag(SettingKey::kEditorEnabled));
  EXPECT_EQ(none.ReadText(SettingKey::kEditorPath), "");
}

TEST(WriteDisplaySettings, WritesEveryKeyInTheDialogsOrderAndReadsBack) {
  TempHome home;
  SettingsFile file(SettingsFilePath(home.path()));
  DisplaySettings display;
  display.resultList.headerBackground = RgbColor(1, 2, 3);
  display.joinList.font = SystemColor(8);
  display.targetList.fontSize = 20;
  display.hitColor = kClNavy;
  display.statusBarVisible = false;
  display.comboBoxFontSize = 15;
  WriteDisplaySettings(file, display);
  std::string text = *ReadWholeFile(file.Path());
  const char* order[] = {"TAB１ヘッダー背景色=$00030201", "TAB１ヘッダーフォント色=clCream",
                         "TAB１背景色=clWhite",           "TAB１フォント色=clBlack",
                         "TAB２ヘッダー背景色=clOlive",   "TAB２フォント色=clWindowText",
                         "TAB３フォント色=clBlack",       "TAB１検索文字色=clNavy",
                         "TAB１置換文字色=clGreen",       "TAB１フォントサイズ=12",
                         "TAB２フォントサイズ=12",        "TAB３フォントサイズ=20",
                         "コンボボックスサイズ=15",       "ステータスバーサイズ=9",
                         "ステータスバー表示=0",          "ツールボタン表示=1"};
  size_t at = 0;
  for (const char* line : order) {
    SCOPED_TRACE(line);
    size_t found = text.find(Sjis(line) + "\r\n", at);
    ASSERT_NE(found, std::string::npos);
    at = found;
  }
  Settings settings;
  DisplaySettings back = ApplyDisplaySettings(file.Values(), settings);
  EXPECT_EQ(back.resultList.headerBackground, RgbColor(1, 2, 3));
  EXPECT_EQ(back.joinList.font, SystemColor(8));
  EXPECT_EQ(back.targetList.fontSize, 20);
  EXPECT_EQ(back.targetList.RowHeight(), 27);
  EXPECT_EQ(back.comboBoxFontSize, 15);
  EXPECT_FALSE(back.statusBarVisible);
  EXPECT_TRUE(back.toolBarVisible);
  EXPECT_EQ(settings.hitColor, kClNavy);
  EXPECT_EQ(settings.replaceColor, kClGreen);
}

// Lets the process write files of at most `bytes` bytes while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, handler_);
  }
  bool ok() const { return ok_; }

 private:
  struct rlimit old_;
  sighandler_t handler_;
  bool ok_ = false;
};

TEST(SettingsWriteError, NamesTheFileAndLeavesItWhole) {
  TempHome home;
  // A settings file in a folder that does not exist cannot be written.
  SettingsFile missing(home.File("gone") + "/Skarvo.ini");
  try {
    missing.WriteFlag(SettingKey::kTxtFiles, true);
    FAIL() << "no error";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(e.Message(), home.File("gone") + Sjis("/Skarvo.ini に書き込めません"));
  }

  // A refused write part-way through the shut-down store: what was written before stays,
  // the refused key and the rest are not written, and the file is never left half-written.
  SettingsFile file(SettingsFilePath(home.path()));
  SaveShutdownSettings(file, {"old"}, {}, 700, 500);
  const std::string before = *ReadWholeFile(file.Path());
  std::string afterSearch;
  {
    FileSizeLimit limit(before.size() + 40);
    ASSERT_TRUE(limit.ok());
    try {
      SaveShutdownSettings(file, {"new"}, {std::string(200, 'f')}, 900, 600);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), file.Path() + Sjis(" に書き込めません"));
    }
    afterSearch = *ReadWholeFile(file.Path());
  }
  Settings settings;
  StartupSettings startup = LoadStartupSettings(file, settings);
  EXPECT_EQ(startup.searchHistory, Entries{"new"});
  EXPECT_EQ(startup.windowWidth, 700);
  EXPECT_EQ(afterSearch.size(), before.size());
  EXPECT_EQ(ListFolder(home.path()).entries.size(), 1u);  // no temporary file left behind
}

}  // namespace
}  // namespace skarvo
