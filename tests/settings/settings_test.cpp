#include "settings/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <random>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/temp_home.h"

namespace skarvo {
namespace {

using testing::TempHome;
using Entries = std::vector<std::string>;

// Writes a settings file given as UTF-8 text, converted to CP932 like a hand-edited file.
void WriteUtf8File(const std::string& path, const char* utf8) {
  ASSERT_TRUE(WriteFileAtomic(path, Sjis(utf8)));
}

void ExpectDefaultDisplay(const DisplaySettings& d) {
  for (const ListDisplay* list : {&d.resultList, &d.joinList, &d.targetList}) {
    EXPECT_EQ(list->headerBackground, RgbColor(128, 128, 0));
    EXPECT_EQ(list->headerFont, RgbColor(255, 251, 240));
    EXPECT_EQ(list->background, RgbColor(255, 255, 255));
    EXPECT_EQ(list->font, RgbColor(0, 0, 0));
    EXPECT_EQ(list->fontSize, 12);
  }
  EXPECT_EQ(d.hitColor, RgbColor(255, 0, 0));
  EXPECT_EQ(d.replaceColor, RgbColor(0, 128, 0));
  EXPECT_EQ(d.comboBoxFontSize, 11);
  EXPECT_EQ(d.statusBarFontSize, 9);
  EXPECT_TRUE(d.statusBarVisible);
  EXPECT_TRUE(d.toolBarVisible);
}

TEST(SettingsFilePath, IsTheHomeFolderAndSkarvoIni) {
  EXPECT_EQ(SettingsFilePath("/home/u"), "/home/u/Skarvo.ini");
  EXPECT_EQ(SettingsFilePath("/"), "/Skarvo.ini");
}

TEST(LoadStartupSettings, WithoutAFileStartsWithTheDefaults) {
  TempHome home;
  SettingsFile file(SettingsFilePath(home.path()));
  Settings settings;
  settings.useTxt = false;  // whatever was there before is replaced
  settings.useCsv = true;
  settings.searchSubfolders = false;
  StartupSettings startup = LoadStartupSettings(file, settings);

  EXPECT_TRUE(settings.useTxt);
  EXPECT_FALSE(settings.useHtml || settings.useCgi || settings.useSystem || settings.useCsv ||
               settings.useWord || settings.useExcel || settings.useUserExtensions);
  EXPECT_EQ(settings.userExtensions, "");
  EXPECT_EQ(settings.extensionList, ".txt");
  EXPECT_TRUE(settings.searchSubfolders);
  EXPECT_TRUE(settings.useRegex);
  EXPECT_TRUE(settings.caseSensitive);
  EXPECT_FALSE(settings.useFuzzyDictionary);
  EXPECT_FALSE(settings.ignoreBlankLines);
  EXPECT_EQ(settings.hitColor, RgbColor(255, 0, 0));
  EXPECT_EQ(settings.replaceColor, RgbColor(0, 128, 0));
  EXPECT_EQ(startup.searchHistory, Entries{});
  EXPECT_EQ(startup.folderHistory, Entries{Sjis("新規フォルダ")});
  EXPECT_EQ(startup.windowWidth, 680);
  EXPECT_EQ(startup.windowHeight, 480);
  ExpectDefaultDisplay(startup.display);
  EXPECT_EQ(startup.display.HistoryBarHeight(), 34);
  EXPECT_EQ(startup.display.StatusBarHeight(), 20);
  EXPECT_EQ(startup.display.resultList.RowHeight(), 16);
  // Reading never creates the file.
  EXPECT_FALSE(FileExists(file.Path()));
}

TEST(LoadStartupSettings, ReadsEveryKeyOfAHandEditedFile) {
  TempHome home;
  ASSERT_EQ(::mkdir(home.File("data").c_str(), 0777), 0);
  std::string path = SettingsFilePath(home.path());
  std::string text = Sjis(
      "[拡張子]\r\n"
      "TXTファイル=0\r\n"
      "htmlファイル=1\r\n"  // key names compare without case
      "CGIファイル=1\r\n"
      "SYSTEM系ファイル=1\r\n"
      "CSVファイル=1\r\n"
      "拡張子指定=1\r\n"
      "MsWordファイル=1\r\n"
      "MsExcelファイル=1\r\n"
      "拡張子指定TXT=.log .md\r\n"
      "[MAIN]\r\n"
      "下位フォルダ=0\r\n"
      "Fuzzy辞書=1\r\n"
      "大文字小文字の区別=0\r\n"
      "正規表現の使用=0\r\n"
      "空白行の無視=1\r\n"
      "検索文字=\"a\",\"\",\"b\",\r\n"
      "ウインドウの幅=800\r\n"
      "ウインドウの高さ=$258\r\n"
      "[表示]\r\n"
      "TAB１ヘッダー背景色=clNavy\r\n"
      "TAB１フォントサイズ=20\r\n"
      "TAB２背景色=$00030201\r\n"
      "TAB３フォント色=clHighlight\r\n"
      "TAB１検索文字色=clBlue\r\n"
      "TAB１置換文字色=clolive\r\n"
      "コンボボックスサイズ=14\r\n"
      "ステータスバーサイズ=10\r\n"
      "ステータスバー表示=0\r\n"
      "ツールボタン表示=0\r\n");
  text += Sjis("[Main]\r\nフォルダ=\"") + home.File("data") + "\",\"" + home.File("gone") +
          "\",\"" + Sjis("新規フォルダ") + "\",\r\n";
  ASSERT_TRUE(WriteFileAtomic(path, text));

  Settings settings;
  StartupSettings startup = LoadStartupSettings(SettingsFile(path), settings);
  EXPECT_FALSE(settings.useTxt);
  EXPECT_TRUE(settings.useHtml && settings.useCgi && settings.useSystem && settings.useCsv &&
              settings.useWord && settings.useExcel && settings.useUserExtensions);
  EXPECT_EQ(settings.userExtensions, ".log .md");
  EXPECT_EQ(settings.extensionList, ".htm,.html,.cgi,.pl,.bat,.inf,.ini,.csv,.doc,.xls,.log .md");
  EXPECT_FALSE(settings.searchSubfolders);
  EXPECT_TRUE(settings.useFuzzyDictionary);
  EXPECT_FALSE(settings.caseSensitive);
  EXPECT_FALSE(settings.useRegex);
  EXPECT_TRUE(settings.ignoreBlankLines);
  EXPECT_EQ(settings.hitColor, RgbColor(0, 0, 255));
  EXPECT_EQ(settings.replaceColor, RgbColor(128, 128, 0));
  EXPECT_EQ(startup.searchHistory, (Entries{"a", "b"}));
  // The second [Main] is only consulted for keys the first does not hold; the folder that
  // has gone is dropped, and the stored "新規フォルダ" is no folder either.
  EXPECT_EQ(startup.folderHistory, (Entries{Sjis("新規フォルダ"), home.File("data")}));
  EXPECT_EQ(startup.windowWidth, 800);
  EXPECT_EQ(startup.windowHeight, 600);
  const DisplaySettings& d = startup.display;
  EXPECT_EQ(d.resultList.headerBackground, RgbColor(0, 0, 128));
  EXPECT_EQ(d.resultList.headerFont, RgbColor(255, 251, 240));
  EXPECT_EQ(d.resultList.fontSize, 20);
  EXPECT_EQ(d.resultList.RowHeight(), 27);
  EXPECT_EQ(d.joinList.background, RgbColor(1, 2, 3));
  EXPECT_EQ(d.targetList.font, SystemColor(13));
  EXPECT_EQ(d.comboBoxFontSize, 14);
  EXPECT_EQ(d.HistoryBarHeight(), 37);
  EXPECT_EQ(d.StatusBarHeight(), 21);
  EXPECT_FALSE(d.statusBarVisible);
  EXPECT_FALSE(d.toolBarVisible);
}

TEST(LoadStartupSettings, BadValuesFallBackToTheKeysDefaults) {
  TempHome home;
  std::string path = SettingsFilePath(home.path());
  std::string longHistory;
  for (int i = 0; i < 300; ++i) longHistory += "\"abcdefghi\",";  // 3600 bytes
  WriteUtf8File(path,
                "garbage before any section\n"
                "TXTファイル=0\n"  // outside every section: not a key of "拡張子"
                "[拡張子\n"        // a section line without its bracket still opens it
                "HTMLファイル=2\n"
                "CGIファイル=yes\n"
                "CSVファイル=\n"
                "MsWordファイル=1\n"
                "MsWordファイル=0\n"
                "[Main]\n"
                "=no key\n"
                "下位フォルダ=off\n"
                "正規表現の使用=0x0\n"
                "ウインドウの幅=-5\n"
                "ウインドウの高さ=wide\n"
                "[表示]\n"
                "TAB１ヘッダー背景色=clPink\n"
                "TAB１フォント色=\n"
                "TAB２ヘッダーフォント色=$GG\n"
                "TAB１検索文字色=bright red\n"
                "TAB１フォントサイズ=0\n"
                "TAB２フォントサイズ=-12\n"
                "TAB３フォントサイズ=2147483647\n"
                "コンボボックスサイズ=big\n"
                "ステータスバーサイズ=99999\n"
                "[拡張子]\n"
                "CSVファイル=1\n"  // the first, empty CSV entry wins and reads as the default
                "[Main]\n"
                "下位フォルダ=0\n");  // the first, "off", wins
  ASSERT_TRUE(IniFile(path).WriteString(Sjis("Main"), Sjis("検索文字"), longHistory));

  Settings settings;
  StartupSettings startup = LoadStartupSettings(SettingsFile(path), settings);
  EXPECT_TRUE(settings.useTxt);
  EXPECT_TRUE(settings.useHtml);
  EXPECT_FALSE(settings.useCgi);
  EXPECT_FALSE(settings.useCsv);
  EXPECT_TRUE(settings.useWord);
  EXPECT_EQ(settings.extensionList, ".txt,.htm,.html,.doc");
  EXPECT_TRUE(settings.searchSubfolders);
  EXPECT_FALSE(settings.useRegex);
  EXPECT_EQ(startup.windowWidth, 680);
  EXPECT_EQ(startup.windowHeight, 480);
  // The history value was cut at 2047 bytes: 170 whole entries and the start of one more.
  ASSERT_EQ(startup.searchHistory.size(), 171u);
  EXPECT_EQ(startup.searchHistory.back(), "abcdef");
  ExpectDefaultDisplay(startup.display);
  EXPECT_EQ(settings.hitColor, RgbColor(255, 0, 0));
}

TEST(LoadStartupSettings, SurvivesRandomBytes) {
  std::mt19937 random(42);
  const std::string pieces[] = {"[",
                                "]",
                                "=",
                                "\r\n",
                                "\n",
                                "\"",
                                ",",
                                "$",
                                "0x",
                                " ",
                                Sjis("表示"),
                                Sjis("Main"),
                                Sjis("検索文字"),
                                Sjis("TAB１フォントサイズ"),
                                Sjis("フォルダ"),
                                "\x83",
                                std::string(1, '\0'),
                                "9999999999",
                                "-"};
  for (int round = 0; round < 1000; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 200);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    Settings settings;
    StartupSettings startup =
        LoadStartupSettings(SettingsValues(IniSnapshot::Parse(text)), settings);
    ASSERT_FALSE(startup.folderHistory.empty());
    EXPECT_EQ(startup.folderHistory[0], Sjis("新規フォルダ"));
    EXPECT_GE(startup.display.resultList.fontSize, 1);
    EXPECT_LE(startup.display.statusBarFontSize, kMaxFontSize);
    for (const std::string& entry : startup.searchHistory) EXPECT_FALSE(entry.empty());
  }
}

TEST(RebuildExtensionList, ComposesTheEnabledCategoriesInTableOrder) {
  struct Row {
    const char* name;
    void (*set)(Settings&);
    const char* list;
  } rows[] = {
      {"defaults", [](Settings&) {}, ".txt"},
      {"nothing on", [](Settings& s) { s.useTxt = false; }, ""},
      {"html only",
       [](Settings& s) {
         s.useTxt = false;
         s.useHtml = true;
       },
       ".htm,.html"},
      {"every category and .log",
       [](Settings& s) {
         s.useHtml = s.useCgi = s.useSystem = s.useCsv = s.useWord = s.useExcel = true;
         s.useUserExtensions = true;
         s.userExtensions = ".log";
       },
       ".txt,.htm,.html,.cgi,.pl,.bat,.inf,.ini,.csv,.doc,.xls,.log"},
      {"user category on with an empty text",
       [](Settings& s) {
         s.useUserExtensions = true;
         s.userExtensions = "";
       },
       ".txt"},
      {"user text kept while its category is off", [](Settings& s) { s.userExtensions = ".md"; },
       ".txt"},
      {"user category alone",
       [](Settings& s) {
         s.useTxt = false;
         s.useUserExtensions = true;
         s.userExtensions = ".log,.md";
       },
       ".log,.md"},
      {"word and user after excel",
       [](Settings& s) {
         s.useExcel = s.useWord = s.useUserExtensions = true;
         s.userExtensions = ".md";
       },
       ".txt,.doc,.xls,.md"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Settings settings;
    settings.extensionList = "stale";
    row.set(settings);
    RebuildExtensionList(settings);
    EXPECT_EQ(settings.extensionList, row.list);
  }
}

TEST(FileCategories, CaptionsAndKeysOfTheEightCategories) {
  const auto& categories = FileCategories();
  ASSERT_EQ(categories.size(), 8u);
  EXPECT_EQ(Sjis(categories[0].caption), Sjis("TXTファイル     ：.txt"));
  EXPECT_EQ(Sjis(categories[3].caption), Sjis("SYSTEM系ファイル：.bat,.inf,.ini"));
  EXPECT_EQ(Sjis(categories[7].caption), Sjis("拡張子指定　    ："));
  EXPECT_EQ(KeyName(categories[5].key), Sjis("MsWordファイル"));
  EXPECT_EQ(KeyName(categories[7].key), Sjis("拡張子指定"));
  EXPECT_EQ(SectionName(categories[7].key), Sjis("拡張子"));
}

TEST(FontPixelHeight, RoundsLikeTheWindowSystem) {
  struct Row {
    int points, dpi, pixels;
  } rows[] = {{12, 96, 16},  {11, 96, 15},  {9, 96, 12}, {10, 96, 13},
              {12, 120, 20}, {-12, 96, 16}, {0, 96, 0},  {200, 96, 267}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.points);
    EXPECT_EQ(FontPixelHeight(row.points, row.dpi), row.pixels);
  }
}

}  // namespace
}  // namespace skarvo
