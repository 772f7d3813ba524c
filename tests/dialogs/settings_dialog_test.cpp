#include "dialogs/settings_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/codepage.h"
#include "settings/settings_file.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

using C = SettingsControl;
using testing::TempTree;

class SettingsDialogTest : public ::testing::Test {
 protected:
  SettingsDialogTest() {
    targets_.Add("\"/data\",x", true);
    targets_.Add("/data/a.txt", false, true);
  }
  std::string IniPath() const { return home_.Path("Skarvo.ini"); }
  void WriteIni(const std::string& utf8) const { home_.File("Skarvo.ini", Sjis(utf8.c_str())); }
  SettingsDialogCore& Dialog() {
    if (!dialog_)
      dialog_ = std::make_unique<SettingsDialogCore>(
          SettingsDialogParts{settings_, targets_, IniPath(), port_, [this] { statusCleared_++; },
                              [this](const std::string& text) { notices_.push_back(text); }});
    return *dialog_;
  }
  std::string Read(SettingKey key) const {
    return SettingsFile(IniPath()).ReadText(SectionName(key), KeyName(key), "<none>");
  }
  std::string Program() const {
    home_.File("bin/editor", "#!/bin/sh\n");
    ::chmod(home_.Native("bin/editor").c_str(), 0755);
    return home_.Path("bin/editor");
  }

  TempTree home_;
  Settings settings_;
  CheckList targets_;
  FakeUiPort port_;
  int statusCleared_ = 0;
  std::vector<std::string> notices_;
  std::unique_ptr<SettingsDialogCore> dialog_;
};

TEST_F(SettingsDialogTest, FillsEveryControlFromSettingsAndTheFile) {
  settings_.useTxt = false;
  settings_.useCsv = true;
  settings_.useExcel = true;
  settings_.useUserExtensions = true;
  settings_.userExtensions = Sjis(".md,.log");
  settings_.searchSubfolders = false;
  settings_.useFuzzyDictionary = true;
  settings_.caseSensitive = false;
  settings_.useRegex = false;
  settings_.ignoreBlankLines = true;
  WriteIni(
      "[ファイル結合]\n結合文字列=＝＝区切り＝＝\n分割モード=3\n[外部エディタ]\n使用許可=1\n"
      "Path=/usr/bin/vi\n列表示=+\n強調文字=-w\n");
  SettingsDialogCore& d = Dialog();
  d.Show();
  EXPECT_TRUE(d.Visible());
  const struct {
    C id;
    bool checked;
    bool enabled;
    std::string text;
  } rows[] = {
      {C::kCategoryTxt, false, true, ""},
      {C::kCategoryHtml, false, true, ""},
      {C::kCategoryCgi, false, true, ""},
      {C::kCategorySystem, false, true, ""},
      {C::kCategoryCsv, true, true, ""},
      {C::kCategoryWord, false, true, ""},
      {C::kCategoryExcel, true, true, ""},
      {C::kCategoryUser, true, true, ""},
      {C::kUserExtensions, false, true, ".md,.log"},
      {C::kSearchSubfolders, false, true, ""},
      {C::kUseRegex, false, true, ""},
      {C::kFuzzyDictionary, true, false, ""},
      {C::kCaseSensitive, false, true, ""},
      {C::kJoinSeparator, false, true, "＝＝区切り＝＝"},
      {C::kIgnoreBlankLines, true, true, ""},
      {C::kSplitHitStartsPart, false, true, ""},
      {C::kSplitHitInBoth, false, true, ""},
      {C::kSplitHitEndsPart, true, true, ""},
      {C::kEditorEnabled, true, true, ""},
      {C::kEditorLabel, false, true, ""},
      {C::kEditorPath, false, true, "/usr/bin/vi"},
      {C::kEditorBrowse, false, true, ""},
      {C::kLineOptionLabel, false, true, ""},
      {C::kLineOption, false, true, "+"},
      {C::kWordOption, false, true, "-w"},
      {C::kWordLabel, false, true, ""},
      {C::kHideFileNotes, false, true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(SettingsControlOf(row.id).name);
    EXPECT_EQ(d.State(row.id).checked, row.checked);
    EXPECT_EQ(d.State(row.id).enabled, row.enabled);
    EXPECT_EQ(d.State(row.id).text, Sjis(row.text.c_str()));
    EXPECT_EQ(d.State(row.id).visible, SettingsControlOf(row.id).visible);
  }
  // The hidden controls are the ones the user cannot change.
  for (C id : {C::kUseRegex, C::kCaseSensitive, C::kIgnoreBlankLines, C::kWordOptionLabel,
               C::kWordOption, C::kWordLabel, C::kHideFileNotes})
    EXPECT_FALSE(d.State(id).visible) << SettingsControlOf(id).name;
}

TEST_F(SettingsDialogTest, EnablingRulesFollowTheRegexBoxAndTheEditorBox) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  // Defaults: regex on, editor off.
  EXPECT_TRUE(d.State(C::kFuzzyDictionary).enabled);
  EXPECT_FALSE(d.State(C::kCaseSensitive).enabled);
  for (C id : {C::kEditorLabel, C::kEditorPath, C::kLineOptionLabel, C::kLineOption,
               C::kLineNumberLabel, C::kWordOptionLabel, C::kWordOption, C::kWordLabel})
    EXPECT_FALSE(d.State(id).enabled) << SettingsControlOf(id).name;
  EXPECT_TRUE(d.State(C::kEditorBrowse).enabled);
  EXPECT_TRUE(d.State(C::kSplitHitInBoth).checked);

  d.Click(C::kEditorEnabled);
  for (C id : {C::kEditorLabel, C::kEditorPath, C::kLineOptionLabel, C::kLineOption,
               C::kLineNumberLabel, C::kWordOptionLabel, C::kWordOption, C::kWordLabel})
    EXPECT_TRUE(d.State(id).enabled) << SettingsControlOf(id).name;
  // The regex box is hidden: the user cannot click it.
  d.Click(C::kUseRegex);
  EXPECT_TRUE(d.State(C::kUseRegex).checked);
  // A disabled box ignores clicks; radio buttons are exclusive.
  d.Click(C::kCaseSensitive);
  EXPECT_TRUE(d.State(C::kCaseSensitive).checked);
  d.Click(C::kSplitHitStartsPart);
  EXPECT_TRUE(d.State(C::kSplitHitStartsPart).checked);
  EXPECT_FALSE(d.State(C::kSplitHitInBoth).checked);
  // Only the category boxes and the subfolder box count as file-related.
  d.Click(C::kFuzzyDictionary);
  d.SetText(C::kUserExtensions, ".md");
  EXPECT_FALSE(d.State(C::kHideFileNotes).checked);
  d.Click(C::kSearchSubfolders);
  EXPECT_TRUE(d.State(C::kHideFileNotes).checked);
}

TEST_F(SettingsDialogTest, UpdateBranches) {
  const std::string plain = Sjis("更新しますか？");
  const std::string clearing = Sjis("検索対象ファイルはクリアされます。更新しますか？");
  const std::string declined = Sjis("設定の更新はおこなわれませんでした。");
  const struct {
    const char* what;
    std::function<void(SettingsDialogCore&)> change;
    bool answer;
    std::string question;
    bool stored;
    bool targetsEmptied;
  } cases[] = {
      {"user extensions only", [](SettingsDialogCore& d) { d.SetText(C::kUserExtensions, ".md"); },
       true, plain, true, false},
      {"HTML on", [](SettingsDialogCore& d) { d.Click(C::kCategoryHtml); }, true, clearing, true,
       true},
      {"subfolders off", [](SettingsDialogCore& d) { d.Click(C::kSearchSubfolders); }, true,
       clearing, true, true},
      {"HTML on, Cancel", [](SettingsDialogCore& d) { d.Click(C::kCategoryHtml); }, false, clearing,
       false, false},
      {"join separator, Cancel", [](SettingsDialogCore& d) { d.SetText(C::kJoinSeparator, "--"); },
       false, plain, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port_ = FakeUiPort();
    statusCleared_ = 0;
    settings_ = Settings();
    ::unlink(home_.Native("Skarvo.ini").c_str());
    targets_.Clear();
    targets_.Add("/data/a.txt", false, true);
    SettingsDialogCore& d = Dialog();
    d.Show();
    c.change(d);
    port_.confirmAnswers.push_back(c.answer);
    d.OnUpdate();
    ASSERT_EQ(port_.CallsOf("confirm").size(), 1u);
    EXPECT_EQ(port_.CallsOf("confirm")[0].text, c.question);
    EXPECT_EQ(d.Visible(), !c.stored);
    EXPECT_EQ(statusCleared_, c.stored ? 1 : 0);
    EXPECT_EQ(targets_.Empty(), c.targetsEmptied);
    EXPECT_EQ(FileExists(IniPath()), c.stored);
    if (!c.stored) {
      // Declined: said so, and the dialog shows the stored settings again.
      ASSERT_EQ(port_.CallsOf("message").size(), 1u);
      EXPECT_EQ(port_.CallsOf("message")[0].text, declined);
      EXPECT_FALSE(d.State(C::kCategoryHtml).checked);
      EXPECT_TRUE(d.State(C::kJoinSeparator).text.empty());
      EXPECT_FALSE(d.State(C::kHideFileNotes).checked);
    }
  }
  EXPECT_EQ(settings_.extensionList, ".txt");
}

TEST_F(SettingsDialogTest, HtmlOnIsStoredAndRebuildsTheExtensionList) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::kCategoryHtml);
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  EXPECT_TRUE(settings_.useHtml);
  EXPECT_EQ(settings_.extensionList, ".txt,.htm,.html");
  EXPECT_EQ(Read(SettingKey::kHtmlFiles), "1");
  EXPECT_FALSE(d.State(C::kHideFileNotes).checked);
}

TEST_F(SettingsDialogTest, ExternalEditorNeedsAProgram) {
  home_.File("notes.txt", "text");
  const struct {
    const char* what;
    std::string path;
    bool refused;
  } cases[] = {{"empty", "", true},
               {"missing", home_.Path("nothing"), true},
               {"not executable", home_.Path("notes.txt"), true},
               {"a folder", home_.Root(), true},
               {"a program", Program(), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port_ = FakeUiPort();
    SettingsDialogCore& d = Dialog();
    d.Show();
    d.Click(C::kEditorEnabled);
    d.SetText(C::kEditorPath, c.path);
    port_.confirmAnswers.push_back(true);
    d.OnUpdate();
    if (c.refused) {
      ASSERT_EQ(port_.calls.size(), 1u);
      EXPECT_EQ(port_.calls[0].text, Sjis("外部エディタのエラーです！"));
      EXPECT_TRUE(d.Visible());
      EXPECT_FALSE(d.State(C::kEditorEnabled).checked);
      EXPECT_FALSE(d.State(C::kEditorPath).enabled);
    } else {
      EXPECT_FALSE(d.Visible());
      EXPECT_EQ(Read(SettingKey::kEditorEnabled), "1");
      EXPECT_EQ(Read(SettingKey::kEditorPath), c.path);
    }
  }
}

TEST_F(SettingsDialogTest, EditorChooserAsksForPrograms) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  port_.openAnswers.push_back(std::string("/usr/bin/vi"));
  d.OnChooseEditor();
  ASSERT_EQ(port_.fileRequests.size(), 1u);
  EXPECT_EQ(port_.fileRequests[0].title, Sjis("外部エディタの選択"));
  EXPECT_EQ(port_.fileRequests[0].filter, Sjis("標準|*"));
  EXPECT_TRUE(port_.fileRequests[0].executablesOnly);
  EXPECT_EQ(d.State(C::kEditorPath).text, "/usr/bin/vi");
  // Cancel keeps the path.
  d.OnChooseEditor();
  EXPECT_EQ(d.State(C::kEditorPath).text, "/usr/bin/vi");
}

TEST_F(SettingsDialogTest, StorePlanHasEveryKeyInOrder) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::kCategoryHtml);
  d.Click(C::kCategoryExcel);
  d.Click(C::kCategoryUser);  // on, with an empty kUserExtensions
  d.SetText(C::kJoinSeparator, Sjis("－－"));
  d.Click(C::kSplitHitEndsPart);
  d.SetText(C::kLineOption, "+");
  d.Click(C::kShiftJisOnly);
  using K = SettingKey;
  const std::vector<std::pair<K, std::string>> expected = {
      {K::kTxtFiles, "1"},
      {K::kHtmlFiles, "1"},
      {K::kCgiFiles, "0"},
      {K::kSystemFiles, "0"},
      {K::kCsvFiles, "0"},
      {K::kWordFiles, "0"},
      {K::kExcelFiles, "1"},
      {K::kUserExtensionsOn, "0"},
      {K::kUserExtensionsText, ""},
      {K::kSearchSubfolders, "1"},
      {K::kFuzzyDictionary, "0"},
      {K::kCaseSensitive, "1"},
      {K::kUseRegex, "1"},
      {K::kIgnoreBlankLines, "0"},
      {K::kTextEncoding, Sjis("Shift_JIS 固定")},
      {K::kJoinSeparator, Sjis("－－")},
      {K::kSplitMode, "3"},
      {K::kEditorEnabled, "0"},
      {K::kEditorPath, ""},
      {K::kEditorLineOption, "+"},
      {K::kEditorWordOption, ""},
  };
  const std::vector<TStoredKey> plan = d.StorePlan();
  ASSERT_EQ(plan.size(), expected.size());
  for (size_t i = 0; i < plan.size(); ++i) {
    SCOPED_TRACE(KeyInfo(expected[i].first).key);
    EXPECT_EQ(plan[i].key, expected[i].first);
    EXPECT_EQ(plan[i].value, expected[i].second);
  }
  d.StoreSettings();
  for (const auto& [key, value] : expected) EXPECT_EQ(Read(key), value) << KeyInfo(key).key;
  EXPECT_TRUE(settings_.useUserExtensions);  // Settings keeps the box's state
  EXPECT_EQ(settings_.extensionList, ".txt,.htm,.html,.xls");
}

TEST_F(SettingsDialogTest, UserCategoryUncheckedWithTextStoresEmptyButKeepsTheText) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.SetText(C::kUserExtensions, ".md");
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  EXPECT_EQ(Read(SettingKey::kUserExtensionsOn), "0");
  EXPECT_EQ(Read(SettingKey::kUserExtensionsText), "");
  EXPECT_EQ(settings_.userExtensions, ".md");
  EXPECT_FALSE(settings_.useUserExtensions);
  d.Show();
  EXPECT_EQ(d.State(C::kUserExtensions).text, ".md");
  EXPECT_TRUE(notices_.empty());
}

TEST_F(SettingsDialogTest, SplitModeOutsideTheChoicesShowsTheDefault) {
  for (const char* stored : {"5", "0", "-1", "x"}) {
    SCOPED_TRACE(stored);
    WriteIni(std::string("[ファイル結合]\n分割モード=") + stored + "\n");
    SettingsDialogCore& d = Dialog();
    d.Show();
    d.Click(C::kSplitHitStartsPart);
    d.Show();  // the earlier pick does not linger
    EXPECT_FALSE(d.State(C::kSplitHitStartsPart).checked);
    EXPECT_TRUE(d.State(C::kSplitHitInBoth).checked);
    EXPECT_FALSE(d.State(C::kSplitHitEndsPart).checked);
  }
}

TEST_F(SettingsDialogTest, UnmatchableUserExtensionsAreReported) {
  const struct {
    const char* typed;
    std::vector<std::string> bad;
  } cases[] = {
      {".md,.log", {}},    {".md .log", {}},    {".md, .log", {}},   {".md,", {""}},
      {",.md", {""}},      {".md,,.log", {""}}, {"md,.log", {"md"}}, {".tar.gz", {".tar.gz"}},
      {". ,txt", {"txt"}}, {" , ", {"", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(SettingsDialogCore::UnmatchableExtensions(c.typed), c.bad);
  }
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::kCategoryUser);
  d.SetText(C::kUserExtensions, ".md,,md");
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  // Stored as typed, and the user hears which entries do nothing.
  EXPECT_EQ(Read(SettingKey::kUserExtensionsText), ".md,,md");
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], Sjis("拡張子指定の次の指定はどのファイルにも当たりません：「」「md」"));
}

TEST_F(SettingsDialogTest, RefusedWriteStopsTheStoreAndNamesTheKey) {
  // The settings file is a folder: every write is refused.
  home_.Folder("Skarvo.ini");
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::kCategoryTxt);
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  ASSERT_EQ(port_.CallsOf("error").size(), 1u);
  const std::string text = port_.CallsOf("error")[0].text;
  EXPECT_NE(text.find(Sjis("[拡張子] TXTファイル")), std::string::npos);
  EXPECT_EQ(d.FailedKey(), Sjis("[拡張子] TXTファイル"));
  EXPECT_TRUE(d.Visible());
  EXPECT_TRUE(settings_.useTxt);  // not stored, not changed
  EXPECT_TRUE(d.State(C::kCategoryTxt).checked);
  EXPECT_TRUE(targets_.Empty());  // a file-related change: the next search rescans
  EXPECT_EQ(statusCleared_, 0);
}

TEST_F(SettingsDialogTest, CancelClosesWithoutStoring) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::kCategoryHtml);
  d.OnCancel();
  EXPECT_FALSE(d.Visible());
  EXPECT_TRUE(port_.calls.empty());
  EXPECT_FALSE(FileExists(IniPath()));
  EXPECT_FALSE(settings_.useHtml);
  // Events after closing change nothing.
  d.Click(C::kCategoryCgi);
  EXPECT_FALSE(d.State(C::kCategoryCgi).checked);
}

}  // namespace
}  // namespace skarvo
