#include "dialogs/settings_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"

namespace skarvo {

namespace {

using C = TForm2Control;
using K = TControlKind;
using G = TForm2Group;

// The category check boxes in the order of FileCategories().
constexpr std::array<C, 8> kCategoryBoxes = {C::CheckBox1,     C::CheckBox2, C::CheckBox3,
                                             C::CheckBox4,     C::CheckBox5, C::CheckBoxWord,
                                             C::CheckBoxExcel, C::CheckBox6};
// The controls that follow EditC (ButtonEditPath stays enabled).
constexpr std::array<C, 8> kEditorControls = {C::Label1, C::EditPath, C::EditL1, C::EditL2,
                                              C::EditL3, C::EditL4,   C::EditE1, C::EditE2};

bool IsCategoryBox(C id) {
  for (C box : kCategoryBoxes)
    if (box == id) return true;
  return false;
}

const char* CategoryCaption(size_t index) { return FileCategories()[index].caption; }

std::string FlagText(bool on) { return on ? "1" : "0"; }

}  // namespace

const std::array<TForm2ControlInfo, kForm2ControlCount>& Form2ControlTable() {
  static const std::array<TForm2ControlInfo, kForm2ControlCount> table = {{
      {C::CheckBox1, "CheckBox1", K::kCheckBox, G::GroupBox1, CategoryCaption(0), true},
      {C::CheckBox2, "CheckBox2", K::kCheckBox, G::GroupBox1, CategoryCaption(1), true},
      {C::CheckBox3, "CheckBox3", K::kCheckBox, G::GroupBox1, CategoryCaption(2), true},
      {C::CheckBox4, "CheckBox4", K::kCheckBox, G::GroupBox1, CategoryCaption(3), true},
      {C::CheckBox5, "CheckBox5", K::kCheckBox, G::GroupBox1, CategoryCaption(4), true},
      {C::CheckBoxWord, "CheckBoxWord", K::kCheckBox, G::GroupBox1, CategoryCaption(5), true},
      {C::CheckBoxExcel, "CheckBoxExcel", K::kCheckBox, G::GroupBox1, CategoryCaption(6), true},
      {C::CheckBox6, "CheckBox6", K::kCheckBox, G::GroupBox1, CategoryCaption(7), true},
      {C::Edit1, "Edit1", K::kEdit, G::GroupBox1, "", true},
      {C::CheckBox7, "CheckBox7", K::kCheckBox, G::GroupBox1, "下位フォルダも検索する", true},
      {C::CheckBox10, "CheckBox10", K::kCheckBox, G::GroupBox2, "正規表現を使用する", false},
      {C::CheckBox8, "CheckBox8", K::kCheckBox, G::GroupBox2, "Fuzzy辞書を使用", true},
      {C::CheckBox9, "CheckBox9", K::kCheckBox, G::GroupBox2, "大文字小文字を区別する", false},
      {C::ShiftJisOnlyBox, "ShiftJisOnlyBox", K::kCheckBox, G::GroupBox2,
       "文字コードをShift_JIS 固定にする", true},
      {C::Edit2, "Edit2", K::kEdit, G::GroupBox3, "", true},
      {C::CheckBox11, "CheckBox11", K::kCheckBox, G::GroupBox3, "文頭文末の空白行を無視する",
       false},
      {C::RadioButton1, "RadioButton1", K::kRadioButton, G::GroupBox4, "検索列をファイル先頭にする",
       true},
      {C::RadioButton2, "RadioButton2", K::kRadioButton, G::GroupBox4, "検索列は重複する", true},
      {C::RadioButton3, "RadioButton3", K::kRadioButton, G::GroupBox4, "検索列をファイル末尾にする",
       true},
      {C::EditC, "EditC", K::kCheckBox, G::GroupBox5, "使用する", true},
      {C::Label1, "Label1", K::kLabel, G::GroupBox5, "起動するソフト", true},
      {C::EditPath, "EditPath", K::kEdit, G::GroupBox5, "", true},
      {C::ButtonEditPath, "ButtonEditPath", K::kButton, G::GroupBox5, "...", true},
      {C::EditL1, "EditL1", K::kLabel, G::GroupBox5, "指定列を表示", true},
      {C::EditE1, "EditE1", K::kEdit, G::GroupBox5, "", true},
      {C::EditL2, "EditL2", K::kLabel, G::GroupBox5, "＋列番号", true},
      {C::EditL3, "EditL3", K::kLabel, G::GroupBox5, "検索語を強調", false},
      {C::EditE2, "EditE2", K::kEdit, G::GroupBox5, "", false},
      {C::EditL4, "EditL4", K::kLabel, G::GroupBox5, "＋検索語", false},
      {C::CheckForm, "CheckForm", K::kCheckBox, G::kNone, "ファイル関係の更新のあるなし非表示",
       false},
      {C::Button2, "Button2", K::kButton, G::kNone, "更新", true},
      {C::Button1, "Button1", K::kButton, G::kNone, "Cancel", true},
  }};
  return table;
}

const TForm2ControlInfo& Form2Control(TForm2Control id) {
  return Form2ControlTable()[static_cast<size_t>(id)];
}

const char* Form2GroupCaption(TForm2Group group) {
  switch (group) {
    case G::GroupBox1:
      return "対象拡張子";
    case G::GroupBox2:
      return "検索条件";
    case G::GroupBox3:
      return "【File結合】File区切り文字列";
    case G::GroupBox4:
      return "ファイル分割";
    case G::GroupBox5:
      return "外部エディタコマンドラインオプション";
    case G::kNone:
      break;
  }
  return "";
}

bool ExecutableFileExists(const std::string& path) {
  if (path.empty() || !FileExists(path)) return false;
  const std::optional<std::string> native = NativePath(path);
  return native && ::access(native->c_str(), X_OK) == 0;
}

SettingsDialogCore::SettingsDialogCore(TForm2Parts parts) : p_(std::move(parts)) {
  // The design-time states, before the first filling.
  for (const TForm2ControlInfo& info : Form2ControlTable()) Mutable(info.id).visible = info.visible;
  Mutable(C::CheckBox1).checked = true;
  Mutable(C::CheckBox7).checked = true;
  Mutable(C::CheckBox10).checked = true;
  Mutable(C::RadioButton2).checked = true;
  ApplyEditorRule(false);
}

void SettingsDialogCore::Show() {
  visible_ = true;
  FormActivate();
}

void SettingsDialogCore::FormActivate() {
  const Settings& s = p_.settings;
  for (size_t i = 0; i < kCategoryBoxes.size(); ++i)
    Mutable(kCategoryBoxes[i]).checked = s.*(FileCategories()[i].flag);
  Mutable(C::CheckBox7).checked = s.searchSubfolders;
  Mutable(C::CheckBox8).checked = s.useFuzzyDictionary;
  Mutable(C::CheckBox9).checked = s.caseSensitive;
  Mutable(C::CheckBox10).checked = s.useRegex;
  Mutable(C::CheckBox11).checked = s.ignoreBlankLines;
  Mutable(C::ShiftJisOnlyBox).checked = s.textEncoding == EncodingChoice::kShiftJisOnly;
  ApplyRegexRule(s.useRegex);
  Mutable(C::Edit1).text = s.userExtensions;

  const SettingsValues file = SettingsFile(p_.settingsPath).Values();
  Mutable(C::Edit2).text = file.ReadText(SettingKey::kJoinSeparator);
  int splitMode = file.ReadInteger(SettingKey::kSplitMode);
  // A value the dialog cannot show would leave no choice on: the default shows instead.
  if (splitMode < 1 || splitMode > 3) splitMode = 2;
  Mutable(C::RadioButton1).checked = splitMode == 1;
  Mutable(C::RadioButton2).checked = splitMode == 2;
  Mutable(C::RadioButton3).checked = splitMode == 3;
  const bool editor = file.ReadFlag(SettingKey::kEditorEnabled);
  Mutable(C::EditC).checked = editor;
  ApplyEditorRule(editor);
  Mutable(C::EditPath).text = file.ReadText(SettingKey::kEditorPath);
  Mutable(C::EditE1).text = file.ReadText(SettingKey::kEditorLineOption);
  Mutable(C::EditE2).text = file.ReadText(SettingKey::kEditorWordOption);
  // Last, so the changes of filling do not count as the user's.
  Mutable(C::CheckForm).checked = false;
}

void SettingsDialogCore::ApplyRegexRule(bool useRegex) {
  Mutable(C::CheckBox8).enabled = useRegex;
  Mutable(C::CheckBox9).enabled = !useRegex;
}

void SettingsDialogCore::ApplyEditorRule(bool enabled) {
  for (C id : kEditorControls) Mutable(id).enabled = enabled;
}

void SettingsDialogCore::Click(TForm2Control id) {
  if (!visible_) return;
  TControlState& state = Mutable(id);
  if (!state.enabled || !state.visible) return;
  switch (Form2Control(id).kind) {
    case K::kCheckBox:
      state.checked = !state.checked;
      break;
    case K::kRadioButton:
      for (C radio : {C::RadioButton1, C::RadioButton2, C::RadioButton3})
        Mutable(radio).checked = radio == id;
      return;
    default:
      return;
  }
  if (IsCategoryBox(id) || id == C::CheckBox7) Mutable(C::CheckForm).checked = true;
  if (id == C::CheckBox10) ApplyRegexRule(state.checked);
  if (id == C::EditC) ApplyEditorRule(state.checked);
}

void SettingsDialogCore::SetText(TForm2Control id, std::string text) {
  if (!visible_ || Form2Control(id).kind != K::kEdit) return;
  Mutable(id).text = std::move(text);
}

void SettingsDialogCore::OnChooseEditor() {
  if (!visible_) return;
  FileChoiceRequest request;
  request.title = Sjis("外部エディタの選択");
  // Programs here carry no extension: the one filter shows the files the user may run.
  request.filter = Sjis("標準") + "|*";
  request.executablesOnly = true;
  request.fileName = State(C::EditPath).text;
  if (std::optional<std::string> path = p_.port.ChooseOpenFile(request))
    Mutable(C::EditPath).text = *path;
}

void SettingsDialogCore::OnUpdate() {
  if (!visible_) return;
  const std::string& caption = ApplicationCaption();
  if (State(C::EditC).checked && !ExecutableFileExists(State(C::EditPath).text)) {
    // A path that names no program fails like an empty one: opening a hit would fail later.
    p_.port.ShowMessage(Sjis("外部エディタのエラーです！"), caption);
    Mutable(C::EditC).checked = false;
    ApplyEditorRule(false);
    FormActivate();
    return;
  }
  const bool fileRelated = State(C::CheckForm).checked;
  const std::string& question = fileRelated
                                    ? Sjis("検索対象ファイルはクリアされます。更新しますか？")
                                    : Sjis("更新しますか？");
  if (p_.port.Confirm(question, caption)) {
    if (!StoreAndClose(fileRelated)) FormActivate();
    return;
  }
  p_.port.ShowMessage(Sjis("設定の更新はおこなわれませんでした。"), caption);
  FormActivate();
}

void SettingsDialogCore::OnCancel() { visible_ = false; }

bool SettingsDialogCore::StoreAndClose(bool emptyTargets) {
  try {
    StoreSettings();
  } catch (const SettingsWriteError& e) {
    // File-related keys may be stored already: the next search must rescan all the same.
    if (emptyTargets) p_.targetList.Clear();
    p_.port.ShowError(e.Message() + "\n" + failedKey_ + Sjis(" の保存で止まりました。"),
                      ApplicationCaption());
    return false;
  }
  if (emptyTargets) {
    p_.targetList.Clear();
    Mutable(C::CheckForm).checked = false;
  }
  if (p_.clearStatus) p_.clearStatus();
  ReportUnmatchable();
  visible_ = false;
  return true;
}

void SettingsDialogCore::ReportUnmatchable() {
  if (!State(C::CheckBox6).checked || State(C::Edit1).text.empty() || !p_.notice) return;
  const std::vector<std::string> bad = UnmatchableExtensions(State(C::Edit1).text);
  if (bad.empty()) return;
  std::string text = Sjis("拡張子指定の次の指定はどのファイルにも当たりません：");
  for (const std::string& entry : bad) text += Sjis("「") + entry + Sjis("」");
  p_.notice(text);
}

std::vector<std::string> SettingsDialogCore::UnmatchableExtensions(const std::string& list) {
  std::vector<std::string> bad;
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    const std::string piece =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    // Blanks also separate entries; a piece of blanks only is an empty entry.
    bool any = false;
    size_t i = 0;
    while (i < piece.size()) {
      while (i < piece.size() && isBlank(piece[i])) ++i;
      size_t end = i;
      while (end < piece.size() && !isBlank(piece[end])) ++end;
      if (end > i) {
        any = true;
        const std::string word = piece.substr(i, end - i);
        // A file's extension starts at the last "." of its name: an entry must start with
        // its only "." to be one.
        if (word[0] != '.' || word.find('.', 1) != std::string::npos) bad.push_back(word);
      }
      i = end;
    }
    if (!any) bad.push_back({});
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return bad;
}

std::vector<TStoredKey> SettingsDialogCore::StorePlan() const {
  std::vector<TStoredKey> plan;
  auto flag = [this, &plan](SettingKey key, C box, bool Settings::*field) {
    const bool on = State(box).checked;
    plan.push_back({key, FlagText(on), [field, on](Settings& s) { s.*field = on; }});
  };
  // 1. The seven categories.
  for (size_t i = 0; i < 7; ++i)
    flag(FileCategories()[i].key, kCategoryBoxes[i], FileCategories()[i].flag);
  // 2. The user category: stored on only with a text; Settings keeps what the user set.
  const bool userOn = State(C::CheckBox6).checked;
  const std::string userText = State(C::Edit1).text;
  const bool storeUser = userOn && !userText.empty();
  plan.push_back({SettingKey::kUserExtensionsOn, FlagText(storeUser),
                  [userOn](Settings& s) { s.useUserExtensions = userOn; }});
  plan.push_back({SettingKey::kUserExtensionsText, storeUser ? userText : std::string(),
                  [userText](Settings& s) { s.userExtensions = userText; }});
  // 3. The flags of "Main".
  flag(SettingKey::kSearchSubfolders, C::CheckBox7, &Settings::searchSubfolders);
  flag(SettingKey::kFuzzyDictionary, C::CheckBox8, &Settings::useFuzzyDictionary);
  flag(SettingKey::kCaseSensitive, C::CheckBox9, &Settings::caseSensitive);
  flag(SettingKey::kUseRegex, C::CheckBox10, &Settings::useRegex);
  flag(SettingKey::kIgnoreBlankLines, C::CheckBox11, &Settings::ignoreBlankLines);
  const EncodingChoice encoding =
      State(C::ShiftJisOnlyBox).checked ? EncodingChoice::kShiftJisOnly : EncodingChoice::kDetect;
  plan.push_back({SettingKey::kTextEncoding, EncodingChoiceText(encoding),
                  [encoding](Settings& s) { s.textEncoding = encoding; }});
  // 4. Join and split.
  plan.push_back({SettingKey::kJoinSeparator, State(C::Edit2).text, {}});
  const std::array<C, 3> radios = {C::RadioButton1, C::RadioButton2, C::RadioButton3};
  for (size_t i = 0; i < radios.size(); ++i)
    if (State(radios[i]).checked)
      plan.push_back({SettingKey::kSplitMode, std::to_string(i + 1), {}});
  // 5. The external editor.
  plan.push_back({SettingKey::kEditorEnabled, FlagText(State(C::EditC).checked), {}});
  plan.push_back({SettingKey::kEditorPath, State(C::EditPath).text, {}});
  plan.push_back({SettingKey::kEditorLineOption, State(C::EditE1).text, {}});
  plan.push_back({SettingKey::kEditorWordOption, State(C::EditE2).text, {}});
  return plan;
}

void SettingsDialogCore::StoreSettings() {
  failedKey_.clear();
  SettingsFile file(p_.settingsPath);
  const std::vector<TStoredKey> plan = StorePlan();
  for (const TStoredKey& item : plan) {
    try {
      file.WriteText(item.key, item.value);
    } catch (const SettingsWriteError&) {
      failedKey_ = "[" + SectionName(item.key) + "] " + KeyName(item.key);
      RebuildExtensionList(p_.settings);
      throw;
    }
    if (item.apply) item.apply(p_.settings);
  }
  RebuildExtensionList(p_.settings);
}

}  // namespace skarvo
