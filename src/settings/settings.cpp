#include "settings/settings.h"

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/value_format.h"

namespace skarvo {

const std::vector<FileCategory>& FileCategories() {
  static const std::vector<FileCategory> categories = {
      {SettingKey::kTxtFiles, &Settings::useTxt, ".txt", "TXTファイル     ：.txt"},
      {SettingKey::kHtmlFiles, &Settings::useHtml, ".htm,.html", "HTMLファイル    ：.htm,.html"},
      {SettingKey::kCgiFiles, &Settings::useCgi, ".cgi,.pl", "CGIファイル     ：.cgi,.pl"},
      {SettingKey::kSystemFiles, &Settings::useSystem, ".bat,.inf,.ini",
       "SYSTEM系ファイル：.bat,.inf,.ini"},
      {SettingKey::kCsvFiles, &Settings::useCsv, ".csv", "CSVファイル     ：.csv"},
      {SettingKey::kWordFiles, &Settings::useWord, ".doc", "MsWordファイル  ：.doc"},
      {SettingKey::kExcelFiles, &Settings::useExcel, ".xls", "MsExcelファイル ：.xls"},
      {SettingKey::kUserExtensionsOn, &Settings::useUserExtensions, "", "拡張子指定　    ："},
  };
  return categories;
}

std::string SettingsFilePath(const std::string& homeFolder) {
  if (!homeFolder.empty() && homeFolder.back() == '/') return homeFolder + "Skarvo.ini";
  return homeFolder + "/Skarvo.ini";
}

void RebuildExtensionList(Settings& settings) {
  std::string list;
  auto append = [&list](const std::string& piece) {
    if (!list.empty()) list += ',';
    list += piece;
  };
  for (const FileCategory& category : FileCategories()) {
    if (!(settings.*category.flag)) continue;
    if (category.key == SettingKey::kUserExtensionsOn) {
      if (!settings.userExtensions.empty()) append(settings.userExtensions);
    } else {
      append(category.extensions);
    }
  }
  settings.extensionList = std::move(list);
}

int FontPixelHeight(int pointSize, int dotsPerInch) {
  // Rounded like the window system's MulDiv, halves away from zero; the absolute value.
  long long product = std::llabs(static_cast<long long>(pointSize) * dotsPerInch);
  return static_cast<int>((product + 36) / 72);
}

namespace {

int ReadFontSize(const SettingsValues& values, SettingKey key) {
  int size = values.ReadInteger(key);
  if (size < 1 || size > kMaxFontSize) return static_cast<int>(KeyInfo(key).defaultNumber);
  return size;
}

ListDisplay ReadListDisplay(const SettingsValues& values, SettingKey headerBackground) {
  auto at = [headerBackground](int offset) {
    return static_cast<SettingKey>(static_cast<int>(headerBackground) + offset);
  };
  ListDisplay list;
  list.headerBackground = values.ReadColor(at(0));
  list.headerFont = values.ReadColor(at(1));
  list.background = values.ReadColor(at(2));
  list.font = values.ReadColor(at(3));
  list.fontSize = ReadFontSize(values, at(4));
  return list;
}

void WriteListDisplay(SettingsFile& file, SettingKey headerBackground, const ListDisplay& list) {
  auto at = [headerBackground](int offset) {
    return static_cast<SettingKey>(static_cast<int>(headerBackground) + offset);
  };
  file.WriteColor(at(0), list.headerBackground);
  file.WriteColor(at(1), list.headerFont);
  file.WriteColor(at(2), list.background);
  file.WriteColor(at(3), list.font);
}

}  // namespace

DisplaySettings ReadDisplaySettings(const SettingsValues& values) {
  DisplaySettings display;
  display.resultList = ReadListDisplay(values, SettingKey::kTab1HeaderBackground);
  display.hitColor = values.ReadColor(SettingKey::kHitColor);
  display.replaceColor = values.ReadColor(SettingKey::kReplaceColor);
  display.joinList = ReadListDisplay(values, SettingKey::kTab2HeaderBackground);
  display.targetList = ReadListDisplay(values, SettingKey::kTab3HeaderBackground);
  display.comboBoxFontSize = ReadFontSize(values, SettingKey::kComboBoxFontSize);
  display.statusBarFontSize = ReadFontSize(values, SettingKey::kStatusBarFontSize);
  display.statusBarVisible = values.ReadFlag(SettingKey::kStatusBarVisible);
  display.toolBarVisible = values.ReadFlag(SettingKey::kToolBarVisible);
  return display;
}

DisplaySettings ApplyDisplaySettings(const SettingsValues& values, Settings& settings) {
  DisplaySettings display = ReadDisplaySettings(values);
  settings.hitColor = display.hitColor;
  settings.replaceColor = display.replaceColor;
  return display;
}

void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& display) {
  WriteListDisplay(file, SettingKey::kTab1HeaderBackground, display.resultList);
  WriteListDisplay(file, SettingKey::kTab2HeaderBackground, display.joinList);
  WriteListDisplay(file, SettingKey::kTab3HeaderBackground, display.targetList);
  file.WriteColor(SettingKey::kHitColor, display.hitColor);
  file.WriteColor(SettingKey::kReplaceColor, display.replaceColor);
  file.WriteInteger(SettingKey::kTab1FontSize, display.resultList.fontSize);
  file.WriteInteger(SettingKey::kTab2FontSize, display.joinList.fontSize);
  file.WriteInteger(SettingKey::kTab3FontSize, display.targetList.fontSize);
  file.WriteInteger(SettingKey::kComboBoxFontSize, display.comboBoxFontSize);
  file.WriteInteger(SettingKey::kStatusBarFontSize, display.statusBarFontSize);
  file.WriteFlag(SettingKey::kStatusBarVisible, display.statusBarVisible);
  file.WriteFlag(SettingKey::kToolBarVisible, display.toolBarVisible);
}

std::vector<std::string> ReadSearchHistory(const SettingsValues& values) {
  return values.ReadList(SettingKey::kSearchHistory);
}

std::vector<std::string> ReadFolderHistory(const SettingsValues& values) {
  std::vector<std::string> folders;
  folders.push_back(Sjis("新規フォルダ"));
  for (std::string& entry : values.ReadList(SettingKey::kFolderHistory))
    if (FolderExists(entry)) folders.push_back(std::move(entry));
  return folders;
}

void WriteHistory(SettingsFile& file, SettingKey key, const std::vector<std::string>& entries) {
  std::vector<std::string> stored;
  for (size_t i = 0; i < entries.size() && i < static_cast<size_t>(kHistoryLimit); ++i) {
    const std::string& entry = entries[i];
    if (entry.empty()) continue;
    // A line break or NUL would end the value inside this entry, losing every later one;
    // a value past what a read returns would come back with its last entry cut short.
    // Such an entry is left out and the others are kept.
    if (entry.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) continue;
    stored.push_back(entry);
    if (ComposeListValue(stored).size() > kIniValueLimit) stored.pop_back();
  }
  if (stored.empty()) return;
  file.WriteText(key, ComposeListValue(stored));
}

StartupSettings LoadStartupSettings(const SettingsFile& file, Settings& settings) {
  return LoadStartupSettings(file.Values(), settings);
}

StartupSettings LoadStartupSettings(const SettingsValues& values, Settings& settings) {
  for (const FileCategory& category : FileCategories())
    settings.*category.flag = values.ReadFlag(category.key);
  settings.userExtensions = values.ReadText(SettingKey::kUserExtensionsText);
  RebuildExtensionList(settings);
  settings.searchSubfolders = values.ReadFlag(SettingKey::kSearchSubfolders);
  settings.useFuzzyDictionary = values.ReadFlag(SettingKey::kFuzzyDictionary);
  settings.caseSensitive = values.ReadFlag(SettingKey::kCaseSensitive);
  settings.useRegex = values.ReadFlag(SettingKey::kUseRegex);
  settings.textEncoding = EncodingChoiceFromText(values.ReadText(SettingKey::kTextEncoding));
  settings.ignoreBlankLines = values.ReadFlag(SettingKey::kIgnoreBlankLines);

  StartupSettings startup;
  startup.searchHistory = ReadSearchHistory(values);
  startup.folderHistory = ReadFolderHistory(values);
  startup.display = ApplyDisplaySettings(values, settings);
  int width = values.ReadInteger(SettingKey::kWindowWidth);
  int height = values.ReadInteger(SettingKey::kWindowHeight);
  startup.windowWidth = width >= 1 ? width : kDesignWindowWidth;
  startup.windowHeight = height >= 1 ? height : kDesignWindowHeight;
  return startup;
}

void SaveShutdownSettings(SettingsFile& file, const std::vector<std::string>& searchHistory,
                          const std::vector<std::string>& folderHistory, int windowWidth,
                          int windowHeight) {
  WriteHistory(file, SettingKey::kSearchHistory, searchHistory);
  WriteHistory(file, SettingKey::kFolderHistory, folderHistory);
  file.WriteInteger(SettingKey::kWindowWidth, windowWidth);
  file.WriteInteger(SettingKey::kWindowHeight, windowHeight);
}

EncodingChoice EncodingChoiceFromText(const std::string& value) {
  return value == Sjis("Shift_JIS 固定") ? EncodingChoice::kShiftJisOnly : EncodingChoice::kDetect;
}

std::string EncodingChoiceText(EncodingChoice choice) {
  return Sjis(choice == EncodingChoice::kShiftJisOnly ? "Shift_JIS 固定" : "自動判別");
}

}  // namespace skarvo
