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
      "TAB２ヘッダーフォント色=clRed\r\n"
      "TAB３フォントサイズ=1\r\n"
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
  EXPECT_EQ(d.joinList.headerFont, RgbColor(255, 0, 0));
  EXPECT_EQ(d.targetList.fontSize, 1);  // the smallest size there is
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

TEST(FileCategories, CaptionsKeysAndExtensionsOfTheEightCategoriesInListOrder) {
  struct Row {
    const char* key;
    const char* extensions;
    const char* caption;
  } rows[] = {
      {"TXTファイル", ".txt", "TXTファイル     ：.txt"},
      {"HTMLファイル", ".htm,.html", "HTMLファイル    ：.htm,.html"},
      {"CGIファイル", ".cgi,.pl", "CGIファイル     ：.cgi,.pl"},
      {"SYSTEM系ファイル", ".bat,.inf,.ini", "SYSTEM系ファイル：.bat,.inf,.ini"},
      {"CSVファイル", ".csv", "CSVファイル     ：.csv"},
      {"MsWordファイル", ".doc", "MsWordファイル  ：.doc"},
      {"MsExcelファイル", ".xls", "MsExcelファイル ：.xls"},
      {"拡張子指定", "", "拡張子指定　    ："},
  };
  const auto& categories = FileCategories();
  ASSERT_EQ(categories.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].key);
    EXPECT_EQ(SectionName(categories[i].key), Sjis("拡張子"));
    EXPECT_EQ(KeyName(categories[i].key), Sjis(rows[i].key));
    EXPECT_EQ(std::string(categories[i].extensions), rows[i].extensions);
    EXPECT_EQ(Sjis(categories[i].caption), Sjis(rows[i].caption));
  }
}

TEST(SettingKeys, EveryKeyStandsInItsSectionWithItsTypeAndDefault) {
  using K = SettingKey;
  using V = ValueType;
  struct Row {
    K key;
    const char* section;
    const char* name;
    V type;
    long long number;  // flag, integer or colour default
  } rows[] = {
      {K::kTxtFiles, "拡張子", "TXTファイル", V::kFlag, 1},
      {K::kHtmlFiles, "拡張子", "HTMLファイル", V::kFlag, 0},
      {K::kCgiFiles, "拡張子", "CGIファイル", V::kFlag, 0},
      {K::kSystemFiles, "拡張子", "SYSTEM系ファイル", V::kFlag, 0},
      {K::kCsvFiles, "拡張子", "CSVファイル", V::kFlag, 0},
      {K::kUserExtensionsOn, "拡張子", "拡張子指定", V::kFlag, 0},
      {K::kWordFiles, "拡張子", "MsWordファイル", V::kFlag, 0},
      {K::kExcelFiles, "拡張子", "MsExcelファイル", V::kFlag, 0},
      {K::kUserExtensionsText, "拡張子", "拡張子指定TXT", V::kText, 0},
      {K::kSearchSubfolders, "Main", "下位フォルダ", V::kFlag, 1},
      {K::kFuzzyDictionary, "Main", "Fuzzy辞書", V::kFlag, 0},
      {K::kCaseSensitive, "Main", "大文字小文字の区別", V::kFlag, 1},
      {K::kUseRegex, "Main", "正規表現の使用", V::kFlag, 1},
      {K::kIgnoreBlankLines, "Main", "空白行の無視", V::kFlag, 0},
      {K::kSearchHistory, "Main", "検索文字", V::kList, 0},
      {K::kFolderHistory, "Main", "フォルダ", V::kList, 0},
      {K::kWindowWidth, "Main", "ウインドウの幅", V::kInteger, 680},
      {K::kWindowHeight, "Main", "ウインドウの高さ", V::kInteger, 480},
      {K::kJoinSeparator, "ファイル結合", "結合文字列", V::kText, 0},
      {K::kSplitMode, "ファイル結合", "分割モード", V::kInteger, 2},
      {K::kEditorEnabled, "外部エディタ", "使用許可", V::kFlag, 0},
      {K::kEditorPath, "外部エディタ", "Path", V::kText, 0},
      {K::kEditorLineOption, "外部エディタ", "列表示", V::kText, 0},
      {K::kEditorWordOption, "外部エディタ", "強調文字", V::kText, 0},
      {K::kTab1HeaderBackground, "表示", "TAB１ヘッダー背景色", V::kColor, 0x008080},
      {K::kTab1HeaderFont, "表示", "TAB１ヘッダーフォント色", V::kColor, 0xF0FBFF},
      {K::kTab1Background, "表示", "TAB１背景色", V::kColor, 0xFFFFFF},
      {K::kTab1Font, "表示", "TAB１フォント色", V::kColor, 0x000000},
      {K::kTab1FontSize, "表示", "TAB１フォントサイズ", V::kInteger, 12},
      {K::kTab2HeaderBackground, "表示", "TAB２ヘッダー背景色", V::kColor, 0x008080},
      {K::kTab2HeaderFont, "表示", "TAB２ヘッダーフォント色", V::kColor, 0xF0FBFF},
      {K::kTab2Background, "表示", "TAB２背景色", V::kColor, 0xFFFFFF},
      {K::kTab2Font, "表示", "TAB２フォント色", V::kColor, 0x000000},
      {K::kTab2FontSize, "表示", "TAB２フォントサイズ", V::kInteger, 12},
      {K::kTab3HeaderBackground, "表示", "TAB３ヘッダー背景色", V::kColor, 0x008080},
      {K::kTab3HeaderFont, "表示", "TAB３ヘッダーフォント色", V::kColor, 0xF0FBFF},
      {K::kTab3Background, "表示", "TAB３背景色", V::kColor, 0xFFFFFF},
      {K::kTab3Font, "表示", "TAB３フォント色", V::kColor, 0x000000},
      {K::kTab3FontSize, "表示", "TAB３フォントサイズ", V::kInteger, 12},
      {K::kHitColor, "表示", "TAB１検索文字色", V::kColor, 0x0000FF},
      {K::kReplaceColor, "表示", "TAB１置換文字色", V::kColor, 0x008000},
      {K::kComboBoxFontSize, "表示", "コンボボックスサイズ", V::kInteger, 11},
      {K::kStatusBarFontSize, "表示", "ステータスバーサイズ", V::kInteger, 9},
      {K::kStatusBarVisible, "表示", "ステータスバー表示", V::kFlag, 1},
      {K::kToolBarVisible, "表示", "ツールボタン表示", V::kFlag, 1},
      {K::kTextEncoding, "Main", "文字コード", V::kText, 0},
  };
  ASSERT_EQ(std::size(rows), static_cast<size_t>(K::kCount));
  // Without a file every read gives the default.
  SettingsValues none;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SectionName(row.key), Sjis(row.section));
    EXPECT_EQ(KeyName(row.key), Sjis(row.name));
    EXPECT_EQ(KeyInfo(row.key).type, row.type);
    switch (row.type) {
      case V::kFlag:
        EXPECT_EQ(none.ReadFlag(row.key), row.number != 0);
        break;
      case V::kInteger:
        EXPECT_EQ(none.ReadInteger(row.key), row.number);
        break;
      case V::kColor:
        EXPECT_EQ(none.ReadColor(row.key), static_cast<Color>(row.number));
        break;
      case V::kText:
        EXPECT_EQ(none.ReadText(row.key), "");
        break;
      case V::kList:
        EXPECT_TRUE(none.ReadList(row.key).empty());
        break;
    }
  }
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
