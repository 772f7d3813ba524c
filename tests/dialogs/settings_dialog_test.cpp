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

using C = TForm2Control;
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
          TForm2Parts{settings_, targets_, IniPath(), port_, [this] { statusCleared_++; },
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
      {C::CheckBox1, false, true, ""},
      {C::CheckBox2, false, true, ""},
      {C::CheckBox3, false, true, ""},
      {C::CheckBox4, false, true, ""},
      {C::CheckBox5, true, true, ""},
      {C::CheckBoxWord, false, true, ""},
      {C::CheckBoxExcel, true, true, ""},
      {C::CheckBox6, true, true, ""},
      {C::Edit1, false, true, ".md,.log"},
      {C::CheckBox7, false, true, ""},
      {C::CheckBox10, false, true, ""},
      {C::CheckBox8, true, false, ""},
      {C::CheckBox9, false, true, ""},
      {C::Edit2, false, true, "＝＝区切り＝＝"},
      {C::CheckBox11, true, true, ""},
      {C::RadioButton1, false, true, ""},
      {C::RadioButton2, false, true, ""},
      {C::RadioButton3, true, true, ""},
      {C::EditC, true, true, ""},
      {C::Label1, false, true, ""},
      {C::EditPath, false, true, "/usr/bin/vi"},
      {C::ButtonEditPath, false, true, ""},
      {C::EditL1, false, true, ""},
      {C::EditE1, false, true, "+"},
      {C::EditE2, false, true, "-w"},
      {C::EditL4, false, true, ""},
      {C::CheckForm, false, true, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Form2Control(row.id).name);
    EXPECT_EQ(d.State(row.id).checked, row.checked);
    EXPECT_EQ(d.State(row.id).enabled, row.enabled);
    EXPECT_EQ(d.State(row.id).text, Sjis(row.text.c_str()));
    EXPECT_EQ(d.State(row.id).visible, Form2Control(row.id).visible);
  }
  // The hidden controls are the ones the user cannot change.
  for (C id :
       {C::CheckBox10, C::CheckBox9, C::CheckBox11, C::EditL3, C::EditE2, C::EditL4, C::CheckForm})
    EXPECT_FALSE(d.State(id).visible) << Form2Control(id).name;
}

TEST_F(SettingsDialogTest, EnablingRulesFollowTheRegexBoxAndTheEditorBox) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  // Defaults: regex on, editor off.
  EXPECT_TRUE(d.State(C::CheckBox8).enabled);
  EXPECT_FALSE(d.State(C::CheckBox9).enabled);
  for (C id :
       {C::Label1, C::EditPath, C::EditL1, C::EditE1, C::EditL2, C::EditL3, C::EditE2, C::EditL4})
    EXPECT_FALSE(d.State(id).enabled) << Form2Control(id).name;
  EXPECT_TRUE(d.State(C::ButtonEditPath).enabled);
  EXPECT_TRUE(d.State(C::RadioButton2).checked);

  d.Click(C::EditC);
  for (C id :
       {C::Label1, C::EditPath, C::EditL1, C::EditE1, C::EditL2, C::EditL3, C::EditE2, C::EditL4})
    EXPECT_TRUE(d.State(id).enabled) << Form2Control(id).name;
  // The regex box is hidden: the user cannot click it.
  d.Click(C::CheckBox10);
  EXPECT_TRUE(d.State(C::CheckBox10).checked);
  // A disabled box ignores clicks; radio buttons are exclusive.
  d.Click(C::CheckBox9);
  EXPECT_TRUE(d.State(C::CheckBox9).checked);
  d.Click(C::RadioButton1);
  EXPECT_TRUE(d.State(C::RadioButton1).checked);
  EXPECT_FALSE(d.State(C::RadioButton2).checked);
  // Only the category boxes and the subfolder box count as file-related.
  d.Click(C::CheckBox8);
  d.SetText(C::Edit1, ".md");
  EXPECT_FALSE(d.State(C::CheckForm).checked);
  d.Click(C::CheckBox7);
  EXPECT_TRUE(d.State(C::CheckForm).checked);
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
      {"Edit1 only", [](SettingsDialogCore& d) { d.SetText(C::Edit1, ".md"); }, true, plain, true,
       false},
      {"HTML on", [](SettingsDialogCore& d) { d.Click(C::CheckBox2); }, true, clearing, true, true},
      {"subfolders off", [](SettingsDialogCore& d) { d.Click(C::CheckBox7); }, true, clearing, true,
       true},
      {"HTML on, Cancel", [](SettingsDialogCore& d) { d.Click(C::CheckBox2); }, false, clearing,
       false, false},
      {"Edit2, Cancel", [](SettingsDialogCore& d) { d.SetText(C::Edit2, "--"); }, false, plain,
       false, false},
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
      EXPECT_FALSE(d.State(C::CheckBox2).checked);
      EXPECT_TRUE(d.State(C::Edit2).text.empty());
      EXPECT_FALSE(d.State(C::CheckForm).checked);
    }
  }
  EXPECT_EQ(settings_.extensionList, ".txt");
}

TEST_F(SettingsDialogTest, HtmlOnIsStoredAndRebuildsTheExtensionList) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::CheckBox2);
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  EXPECT_TRUE(settings_.useHtml);
  EXPECT_EQ(settings_.extensionList, ".txt,.htm,.html");
  EXPECT_EQ(Read(SettingKey::kHtmlFiles), "1");
  EXPECT_FALSE(d.State(C::CheckForm).checked);
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
    d.Click(C::EditC);
    d.SetText(C::EditPath, c.path);
    port_.confirmAnswers.push_back(true);
    d.OnUpdate();
    if (c.refused) {
      ASSERT_EQ(port_.calls.size(), 1u);
      EXPECT_EQ(port_.calls[0].text, Sjis("外部エディタのエラーです！"));
      EXPECT_TRUE(d.Visible());
      EXPECT_FALSE(d.State(C::EditC).checked);
      EXPECT_FALSE(d.State(C::EditPath).enabled);
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
  EXPECT_EQ(d.State(C::EditPath).text, "/usr/bin/vi");
  // Cancel keeps the path.
  d.OnChooseEditor();
  EXPECT_EQ(d.State(C::EditPath).text, "/usr/bin/vi");
}

TEST_F(SettingsDialogTest, StorePlanHasEveryKeyInOrder) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::CheckBox2);
  d.Click(C::CheckBoxExcel);
  d.Click(C::CheckBox6);  // on, with an empty Edit1
  d.SetText(C::Edit2, Sjis("－－"));
  d.Click(C::RadioButton3);
  d.SetText(C::EditE1, "+");
  d.Click(C::ShiftJisOnlyBox);
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
  d.SetText(C::Edit1, ".md");
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  EXPECT_EQ(Read(SettingKey::kUserExtensionsOn), "0");
  EXPECT_EQ(Read(SettingKey::kUserExtensionsText), "");
  EXPECT_EQ(settings_.userExtensions, ".md");
  EXPECT_FALSE(settings_.useUserExtensions);
  d.Show();
  EXPECT_EQ(d.State(C::Edit1).text, ".md");
  EXPECT_TRUE(notices_.empty());
}

TEST_F(SettingsDialogTest, SplitModeOutsideTheChoicesShowsTheDefault) {
  for (const char* stored : {"5", "0", "-1", "x"}) {
    SCOPED_TRACE(stored);
    WriteIni(std::string("[ファイル結合]\n分割モード=") + stored + "\n");
    SettingsDialogCore& d = Dialog();
    d.Show();
    d.Click(C::RadioButton1);
    d.Show();  // the earlier pick does not linger
    EXPECT_FALSE(d.State(C::RadioButton1).checked);
    EXPECT_TRUE(d.State(C::RadioButton2).checked);
    EXPECT_FALSE(d.State(C::RadioButton3).checked);
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
  d.Click(C::CheckBox6);
  d.SetText(C::Edit1, ".md,,md");
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
  d.Click(C::CheckBox1);
  port_.confirmAnswers.push_back(true);
  d.OnUpdate();
  ASSERT_EQ(port_.CallsOf("error").size(), 1u);
  const std::string text = port_.CallsOf("error")[0].text;
  EXPECT_NE(text.find(Sjis("[拡張子] TXTファイル")), std::string::npos);
  EXPECT_EQ(d.FailedKey(), Sjis("[拡張子] TXTファイル"));
  EXPECT_TRUE(d.Visible());
  EXPECT_TRUE(settings_.useTxt);  // not stored, not changed
  EXPECT_TRUE(d.State(C::CheckBox1).checked);
  EXPECT_TRUE(targets_.Empty());  // a file-related change: the next search rescans
  EXPECT_EQ(statusCleared_, 0);
}

TEST_F(SettingsDialogTest, CancelClosesWithoutStoring) {
  SettingsDialogCore& d = Dialog();
  d.Show();
  d.Click(C::CheckBox2);
  d.OnCancel();
  EXPECT_FALSE(d.Visible());
  EXPECT_TRUE(port_.calls.empty());
  EXPECT_FALSE(FileExists(IniPath()));
  EXPECT_FALSE(settings_.useHtml);
  // Events after closing change nothing.
  d.Click(C::CheckBox3);
  EXPECT_FALSE(d.State(C::CheckBox3).checked);
}

}  // namespace
}  // namespace skarvo
