#include "dialogs/display_settings.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"
#include "targets/temp_tree.h"

namespace skarvo::testing {
namespace {

TEST(DisplaySettingsCoreTest, UpdateWritesInOrderAndCancelKeepsTheControls) {
  TempTree tree;
  tree.Folder("home");
  tree.File("home/Skarvo.ini",
            Sjis("[表示]\r\nTAB１背景色=clYellow\r\nTAB１フォントサイズ=14\r\n"));
  int stored = 0;
  DisplaySettingsCore form(tree.Path("home"), [&] { ++stored; });
  EXPECT_EQ(form.Controls().resultList.background, kClYellow);
  EXPECT_EQ(form.Controls().resultList.fontSize, 14);
  EXPECT_EQ(form.Controls().joinList.headerBackground, kClOlive);
  // Cancel: nothing written, the controls keep the change for the next opening.
  form.Controls().resultList.font = kClNavy;
  form.OnCancel();
  EXPECT_EQ(stored, 0);
  EXPECT_EQ(form.Controls().resultList.font, kClNavy);
  EXPECT_EQ(
      SettingsFile(tree.Path("home/Skarvo.ini")).ReadText(Sjis("表示"), Sjis("TAB１フォント色")),
      "");
  // Update: every key, in the dialog's order.
  form.Controls().resultList.fontSize = 20;
  form.Controls().statusBarVisible = false;
  form.SetActivePage(kPageTab3);
  EXPECT_TRUE(form.OnUpdate());
  EXPECT_EQ(stored, 1);
  SettingsFile file(tree.Path("home/Skarvo.ini"));
  EXPECT_EQ(file.ReadInteger(SettingKey::kTab1FontSize), 20);
  EXPECT_FALSE(file.ReadFlag(SettingKey::kStatusBarVisible));
  EXPECT_EQ(file.ReadText(Sjis("表示"), Sjis("TAB１フォント色")), "clNavy");
  // A file that had none of the keys shows the order of the writes.
  tree.Folder("fresh");
  DisplaySettingsCore fresh(tree.Path("fresh"), nullptr);
  fresh.OnUpdate();
  const std::string ini = ReadWholeFile(tree.Path("fresh/Skarvo.ini")).value();
  const char* order[] = {"TAB１ヘッダー背景色",    "TAB１フォント色",      "TAB２ヘッダー背景色",
                         "TAB３フォント色",        "TAB１検索文字色",      "TAB１置換文字色",
                         "TAB１フォントサイズ=12", "TAB３フォントサイズ",  "コンボボックスサイズ",
                         "ステータスバーサイズ",   "ステータスバー表示=1", "ツールボタン表示=1"};
  size_t last = 0;
  for (const char* key : order) {
    SCOPED_TRACE(key);
    const size_t at = ini.find(Sjis(key), last);
    ASSERT_NE(at, std::string::npos);
    last = at;
  }
  form.ClosedFromMainWindow();
  EXPECT_EQ(form.ActivePage(), kPageTab1);

  // Header rows are marked again, never unmarked.
  tree.File("h.txt", "x");
  CheckList list;
  list.Add("\"" + tree.Path("h.txt") + "\",x");
  list.Add("\"" + tree.Path("gone.txt") + "\",x");
  list.Add("plain", true);
  MarkResultHeaders(list);
  EXPECT_TRUE(list.Header(0));
  EXPECT_FALSE(list.Header(1));
  EXPECT_TRUE(list.Header(2));
}

}  // namespace
}  // namespace skarvo::testing
