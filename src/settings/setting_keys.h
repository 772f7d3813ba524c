// Every key of the settings file with its section, value type and default. Readers name a
// key by SettingKey and get the default from this one table.
#pragma once

#include <string>

namespace skarvo {

enum class ValueType { kFlag, kInteger, kText, kColor, kList };

enum class SettingKey {
  // "拡張子"
  kTxtFiles,
  kHtmlFiles,
  kCgiFiles,
  kSystemFiles,
  kCsvFiles,
  kUserExtensionsOn,
  kWordFiles,
  kExcelFiles,
  kUserExtensionsText,
  // "Main"
  kSearchSubfolders,
  kFuzzyDictionary,
  kCaseSensitive,
  kUseRegex,
  kIgnoreBlankLines,
  kSearchHistory,
  kFolderHistory,
  kWindowWidth,
  kWindowHeight,
  // "ファイル結合"
  kJoinSeparator,
  kSplitMode,
  // "外部エディタ"
  kEditorEnabled,
  kEditorPath,
  kEditorLineOption,
  kEditorWordOption,
  // "表示": TAB１ is the result list, TAB２ the join list, TAB３ the target list.
  kTab1HeaderBackground,
  kTab1HeaderFont,
  kTab1Background,
  kTab1Font,
  kTab1FontSize,
  kTab2HeaderBackground,
  kTab2HeaderFont,
  kTab2Background,
  kTab2Font,
  kTab2FontSize,
  kTab3HeaderBackground,
  kTab3HeaderFont,
  kTab3Background,
  kTab3Font,
  kTab3FontSize,
  kHitColor,
  kReplaceColor,
  kComboBoxFontSize,
  kStatusBarFontSize,
  kStatusBarVisible,
  kToolBarVisible,
  // "Main", after the display keys: its place in the table is its place here. Empty (no
  // key) is 自動判別.
  kTextEncoding,
  kCount
};

struct SettingKeyInfo {
  const char* section;  // UTF-8 literal; Sjis() gives the file's form
  const char* key;      // UTF-8 literal
  ValueType type;
  long long defaultNumber;  // flag (0/1), integer, or colour value
  const char* defaultText;  // text and list keys (UTF-8); "" otherwise
};

// The table row of a key.
const SettingKeyInfo& KeyInfo(SettingKey key);
// Section and key name in code page 932, as they stand in the file.
const std::string& SectionName(SettingKey key);
const std::string& KeyName(SettingKey key);

}  // namespace skarvo
