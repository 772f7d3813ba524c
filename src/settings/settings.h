// The settings the program keeps for the whole run (`Settings`), the file-type categories
// and the extension list they make, the display settings of the three lists and the bars,
// the two history lists, and the start-up load of all of it from the settings file.
//
// The core computes; the gui applies: ApplyDisplaySettings returns the colours, font sizes,
// row and bar heights and visibilities that the main window then shows.
#pragma once

#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "settings/color.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"

namespace skarvo {

// The in-memory settings record, owned by the main window and read directly by the rest.
struct Settings {
  bool useTxt = true;
  bool useHtml = false;
  bool useCgi = false;
  bool useSystem = false;
  bool useCsv = false;
  bool useWord = false;
  bool useExcel = false;
  bool useUserExtensions = false;
  std::string userExtensions;          // the user's own extensions as typed (CP932)
  std::string extensionList = ".txt";  // composed by RebuildExtensionList
  bool searchSubfolders = true;
  bool useFuzzyDictionary = false;
  bool caseSensitive = true;
  bool useRegex = true;
  bool ignoreBlankLines = false;
  Color hitColor = kClRed;
  Color replaceColor = kClGreen;
  // 文字コード: each text file's encoding told from its bytes, or Shift-JIS always.
  EncodingChoice textEncoding = EncodingChoice::kDetect;
};

// One file-type category, in the order its extensions enter the extension list.
struct FileCategory {
  SettingKey key;          // its flag in "拡張子"
  bool Settings::*flag;    // its field in Settings
  const char* extensions;  // ASCII, "" for the user category (its text is the user's)
  const char* caption;     // UTF-8 caption of its check box in the settings dialog
};
// The eight categories: TXT, HTML, CGI, SYSTEM, CSV, word-processor, spreadsheet, user.
const std::vector<FileCategory>& FileCategories();

// The values of "文字コード" as the file holds them (CP932): "自動判別" and "Shift_JIS 固定".
// Any other value is the default, 自動判別.
EncodingChoice EncodingChoiceFromText(const std::string& value);
std::string EncodingChoiceText(EncodingChoice choice);

// The settings file of a home folder: home + "/Skarvo.ini".
std::string SettingsFilePath(const std::string& homeFolder);

// Recomposes settings.extensionList from the category flags and userExtensions: the
// extensions of each enabled category in table order, joined by ",", the user's text last
// when that category is on and its text is not empty.
void RebuildExtensionList(Settings& settings);

// How many history entries are stored at most.
inline constexpr int kHistoryLimit = 10;
// Design size of the main window, the defaults of the stored size.
inline constexpr int kDesignWindowWidth = 680;
inline constexpr int kDesignWindowHeight = 480;

// Pixel height of a font of the given point size (the absolute character height), at the
// given screen resolution; the row height of a list in that font.
int FontPixelHeight(int pointSize, int dotsPerInch = 96);

// Colours and font size of one list.
struct ListDisplay {
  Color headerBackground = kClOlive;
  Color headerFont = kClCream;
  Color background = kClWhite;
  Color font = kClBlack;
  int fontSize = 12;
  // The row height for the font size, at the given resolution.
  int RowHeight(int dotsPerInch = 96) const { return FontPixelHeight(fontSize, dotsPerInch); }
};

// The section "表示" as the main window applies it.
struct DisplaySettings {
  ListDisplay resultList;  // TAB１
  ListDisplay joinList;    // TAB２
  ListDisplay targetList;  // TAB３
  Color hitColor = kClRed;
  Color replaceColor = kClGreen;
  int comboBoxFontSize = 11;  // both history boxes
  int statusBarFontSize = 9;
  bool statusBarVisible = true;
  bool toolBarVisible = true;
  // Height of the bar that holds the history boxes.
  int HistoryBarHeight() const { return comboBoxFontSize + 23; }
  int StatusBarHeight() const { return statusBarFontSize + 11; }
};

// Reads the section "表示". A colour that is neither a name nor a number, and a font size
// that is no number or outside 1..kMaxFontSize, give the key's default.
inline constexpr int kMaxFontSize = 200;
DisplaySettings ReadDisplaySettings(const SettingsValues& values);

// Reads the section "表示" for the main window and takes settings.hitColor and
// settings.replaceColor from it; returns what the window is to show.
DisplaySettings ApplyDisplaySettings(const SettingsValues& values, Settings& settings);

// Writes every key of "表示" in the display dialog's order: the four colours of TAB１, TAB２,
// TAB３, the hit and replace colours, the three list font sizes, the box and status bar
// sizes, then the status bar and tool bar flags. Stops at the first refused write.
void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& display);

// The search history as stored: the entries of "検索文字" in file order, empty ones dropped
// (all of them: the limit applies when writing).
std::vector<std::string> ReadSearchHistory(const SettingsValues& values);
// The folder history as stored: the entries of "フォルダ" that are not empty and name an
// existing folder (relative names against the current folder), in file order, with
// "新規フォルダ" inserted first.
std::vector<std::string> ReadFolderHistory(const SettingsValues& values);

// Writes a history list key: the non-empty entries among the first kHistoryLimit positions,
// in the list form. An entry that would not read back whole (it holds a line break or NUL,
// or would take the value past kIniValueLimit bytes) is left out. Writes nothing when no
// entry is left, so the stored value stays.
void WriteHistory(SettingsFile& file, SettingKey key, const std::vector<std::string>& entries);

// What start-up hands to the main window besides Settings.
struct StartupSettings {
  std::vector<std::string> searchHistory;
  std::vector<std::string> folderHistory;  // "新規フォルダ" first
  DisplaySettings display;
  int windowWidth = kDesignWindowWidth;
  int windowHeight = kDesignWindowHeight;
};

// The start-up load: reads the file once and fills `settings` (categories, extension list,
// the flags of "Main", the hit and replace colours), the histories, the display settings,
// and the stored window size (a size that is no number or below 1 gives the design size).
// An absent file gives the defaults throughout.
StartupSettings LoadStartupSettings(const SettingsFile& file, Settings& settings);
// The same from a state of the file already read.
StartupSettings LoadStartupSettings(const SettingsValues& values, Settings& settings);

// What the main window stores when it closes: the two histories and the window size.
// SettingsWriteError when a write is refused; what was written before stays.
void SaveShutdownSettings(SettingsFile& file, const std::vector<std::string>& searchHistory,
                          const std::vector<std::string>& folderHistory, int windowWidth,
                          int windowHeight);

}  // namespace skarvo
