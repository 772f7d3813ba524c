#include "settings/setting_keys.h"

#include <array>

#include "platform/codepage.h"
#include "settings/color.h"

namespace skarvo {
namespace {

constexpr const char* kExt = "拡張子";
constexpr const char* kMain = "Main";
constexpr const char* kJoin = "ファイル結合";
constexpr const char* kEditor = "外部エディタ";
constexpr const char* kShow = "表示";

using V = ValueType;

// In the order of SettingKey.
constexpr SettingKeyInfo kKeys[] = {
    {kExt, "TXTファイル", V::kFlag, 1, ""},
    {kExt, "HTMLファイル", V::kFlag, 0, ""},
    {kExt, "CGIファイル", V::kFlag, 0, ""},
    {kExt, "SYSTEM系ファイル", V::kFlag, 0, ""},
    {kExt, "CSVファイル", V::kFlag, 0, ""},
    {kExt, "拡張子指定", V::kFlag, 0, ""},
    {kExt, "MsWordファイル", V::kFlag, 0, ""},
    {kExt, "MsExcelファイル", V::kFlag, 0, ""},
    {kExt, "拡張子指定TXT", V::kText, 0, ""},
    {kMain, "下位フォルダ", V::kFlag, 1, ""},
    {kMain, "Fuzzy辞書", V::kFlag, 0, ""},
    {kMain, "大文字小文字の区別", V::kFlag, 1, ""},
    {kMain, "正規表現の使用", V::kFlag, 1, ""},
    {kMain, "空白行の無視", V::kFlag, 0, ""},
    {kMain, "検索文字", V::kList, 0, ""},
    {kMain, "フォルダ", V::kList, 0, ""},
    {kMain, "ウインドウの幅", V::kInteger, 680, ""},
    {kMain, "ウインドウの高さ", V::kInteger, 480, ""},
    {kJoin, "結合文字列", V::kText, 0, ""},
    {kJoin, "分割モード", V::kInteger, 2, ""},
    {kEditor, "使用許可", V::kFlag, 0, ""},
    {kEditor, "Path", V::kText, 0, ""},
    {kEditor, "列表示", V::kText, 0, ""},
    {kEditor, "強調文字", V::kText, 0, ""},
    {kShow, "TAB１ヘッダー背景色", V::kColor, kClOlive, ""},
    {kShow, "TAB１ヘッダーフォント色", V::kColor, kClCream, ""},
    {kShow, "TAB１背景色", V::kColor, kClWhite, ""},
    {kShow, "TAB１フォント色", V::kColor, kClBlack, ""},
    {kShow, "TAB１フォントサイズ", V::kInteger, 12, ""},
    {kShow, "TAB２ヘッダー背景色", V::kColor, kClOlive, ""},
    {kShow, "TAB２ヘッダーフォント色", V::kColor, kClCream, ""},
    {kShow, "TAB２背景色", V::kColor, kClWhite, ""},
    {kShow, "TAB２フォント色", V::kColor, kClBlack, ""},
    {kShow, "TAB２フォントサイズ", V::kInteger, 12, ""},
    {kShow, "TAB３ヘッダー背景色", V::kColor, kClOlive, ""},
    {kShow, "TAB３ヘッダーフォント色", V::kColor, kClCream, ""},
    {kShow, "TAB３背景色", V::kColor, kClWhite, ""},
    {kShow, "TAB３フォント色", V::kColor, kClBlack, ""},
    {kShow, "TAB３フォントサイズ", V::kInteger, 12, ""},
    {kShow, "TAB１検索文字色", V::kColor, kClRed, ""},
    {kShow, "TAB１置換文字色", V::kColor, kClGreen, ""},
    {kShow, "コンボボックスサイズ", V::kInteger, 11, ""},
    {kShow, "ステータスバーサイズ", V::kInteger, 9, ""},
    {kShow, "ステータスバー表示", V::kFlag, 1, ""},
    {kShow, "ツールボタン表示", V::kFlag, 1, ""},
    {kMain, "文字コード", V::kText, 0, ""},
};
static_assert(sizeof kKeys / sizeof kKeys[0] == static_cast<size_t>(SettingKey::kCount),
              "one row per SettingKey");

}  // namespace

const SettingKeyInfo& KeyInfo(SettingKey key) { return kKeys[static_cast<size_t>(key)]; }

const std::string& SectionName(SettingKey key) { return Sjis(KeyInfo(key).section); }

const std::string& KeyName(SettingKey key) { return Sjis(KeyInfo(key).key); }

}  // namespace skarvo
