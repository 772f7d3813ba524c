#include "dialogs/settings_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"

namespace skarvo {

namespace {

using C = SettingsControl;
using K = TControlKind;
using G = SettingsGroup;

// The category check boxes in the order of FileCategories().
constexpr std::array<C, 8> kCategoryBoxes = {C::kCategoryTxt,    C::kCategoryHtml, C::kCategoryCgi,
                                             C::kCategorySystem, C::kCategoryCsv,  C::kCategoryWord,
                                             C::kCategoryExcel,  C::kCategoryUser};
// The controls that follow kEditorEnabled (kEditorBrowse stays enabled).
constexpr std::array<C, 8> kEditorControls = {
    C::kEditorLabel,     C::kEditorPath, C::kLineOptionLabel, C::kLineNumberLabel,
    C::kWordOptionLabel, C::kWordLabel,  C::kLineOption,      C::kWordOption};

bool IsCategoryBox(C id) {
  for (C box : kCategoryBoxes)
    if (box == id) return true;
  return false;
}

const char* CategoryCaption(size_t index) { return FileCategories()[index].caption; }

std::string FlagText(bool on) { return on ? "1" : "0"; }

}  // namespace

const std::array<SettingsControlInfo, kSettingsControlCount>& SettingsControlTable() {
  static const std::array<SettingsControlInfo, kSettingsControlCount> table = {{
      {C::kCategoryTxt, "CategoryTxt", K::kCheckBox, G::kFileTypes, CategoryCaption(0), true},
      {C::kCategoryHtml, "CategoryHtml", K::kCheckBox, G::kFileTypes, CategoryCaption(1), true},
      {C::kCategoryCgi, "CategoryCgi", K::kCheckBox, G::kFileTypes, CategoryCaption(2), true},
      {C::kCategorySystem, "CategorySystem", K::kCheckBox, G::kFileTypes, CategoryCaption(3), true},
      {C::kCategoryCsv, "CategoryCsv", K::kCheckBox, G::kFileTypes, CategoryCaption(4), true},
      {C::kCategoryWord, "CategoryWord", K::kCheckBox, G::kFileTypes, CategoryCaption(5), true},
      {C::kCategoryExcel, "CategoryExcel", K::kCheckBox, G::kFileTypes, CategoryCaption(6), true},
      {C::kCategoryUser, "CategoryUser", K::kCheckBox, G::kFileTypes, CategoryCaption(7), true},
      {C::kUserExtensions, "UserExtensions", K::kEdit, G::kFileTypes, "", true},
      {C::kSearchSubfolders, "SearchSubfolders", K::kCheckBox, G::kFileTypes,
       "下位フォルダも検索する", true},
      {C::kUseRegex, "UseRegex", K::kCheckBox, G::kSearchFlags, "正規表現を使用する", false},
      {C::kFuzzyDictionary, "FuzzyDictionary", K::kCheckBox, G::kSearchFlags, "Fuzzy辞書を使用",
       true},
      {C::kCaseSensitive, "CaseSensitive", K::kCheckBox, G::kSearchFlags, "大文字小文字を区別する",
       false},
      {C::kShiftJisOnly, "ShiftJisOnly", K::kCheckBox, G::kSearchFlags,
       "文字コードをShift_JIS 固定にする", true},
      {C::kJoinSeparator, "JoinSeparator", K::kEdit, G::kJoin, "", true},
      {C::kIgnoreBlankLines, "IgnoreBlankLines", K::kCheckBox, G::kJoin,
       "文頭文末の空白行を無視する", false},
      {C::kSplitHitStartsPart, "SplitHitStartsPart", K::kRadioButton, G::kSplit,
       "検索列をファイル先頭にする", true},
      {C::kSplitHitInBoth, "SplitHitInBoth", K::kRadioButton, G::kSplit, "検索列は重複する", true},
      {C::kSplitHitEndsPart, "SplitHitEndsPart", K::kRadioButton, G::kSplit,
       "検索列をファイル末尾にする", true},
      {C::kEditorEnabled, "EditorEnabled", K::kCheckBox, G::kEditor, "使用する", true},
      {C::kEditorLabel, "EditorLabel", K::kLabel, G::kEditor, "起動するソフト", true},
      {C::kEditorPath, "EditorPath", K::kEdit, G::kEditor, "", true},
      {C::kEditorBrowse, "EditorBrowse", K::kButton, G::kEditor, "...", true},
      {C::kLineOptionLabel, "LineOptionLabel", K::kLabel, G::kEditor, "指定列を表示", true},
      {C::kLineOption, "LineOption", K::kEdit, G::kEditor, "", true},
      {C::kLineNumberLabel, "LineNumberLabel", K::kLabel, G::kEditor, "＋列番号", true},
      {C::kWordOptionLabel, "WordOptionLabel", K::kLabel, G::kEditor, "検索語を強調", false},
      {C::kWordOption, "WordOption", K::kEdit, G::kEditor, "", false},
      {C::kWordLabel, "WordLabel", K::kLabel, G::kEditor, "＋検索語", false},
      {C::kHideFileNotes, "HideFileNotes", K::kCheckBox, G::kNone,
       "ファイル関係の更新のあるなし非表示", false},
      {C::kUpdateButton, "UpdateButton", K::kButton, G::kNone, "更新", true},
      {C::kCancelButton, "CancelButton", K::kButton, G::kNone, "Cancel", true},
  }};
  return table;
}

const SettingsControlInfo& SettingsControlOf(SettingsControl id) {
  return SettingsControlTable()[static_cast<size_t>(id)];
}

const char* SettingsGroupCaption(SettingsGroup group) {
  switch (group) {
    case G::kFileTypes:
      return "対象拡張子";
    case G::kSearchFlags:
      return "検索条件";
    case G::kJoin:
      return "【File結合】File区切り文字列";
    case G::kSplit:
      return "ファイル分割";
    case G::kEditor:
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

SettingsDialogCore::SettingsDialogCore(SettingsDialogParts parts) : p_(std::move(parts)) {
  // The design-time states, before the first filling.
  for (const SettingsControlInfo& info : SettingsControlTable())
    Mutable(info.id).visible = info.visible;
  Mutable(C::kCategoryTxt).checked = true;
  Mutable(C::kSearchSubfolders).checked = true;
  Mutable(C::kUseRegex).checked = true;
  Mutable(C::kSplitHitInBoth).checked = true;
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
  Mutable(C::kSearchSubfolders).checked = s.searchSubfolders;
  Mutable(C::kFuzzyDictionary).checked = s.useFuzzyDictionary;
  Mutable(C::kCaseSensitive).checked = s.caseSensitive;
  Mutable(C::kUseRegex).checked = s.useRegex;
  Mutable(C::kIgnoreBlankLines).checked = s.ignoreBlankLines;
  Mutable(C::kShiftJisOnly).checked = s.textEncoding == EncodingChoice::kShiftJisOnly;
  ApplyRegexRule(s.useRegex);
  Mutable(C::kUserExtensions).text = s.userExtensions;

  const SettingsValues file = SettingsFile(p_.settingsPath).Values();
  Mutable(C::kJoinSeparator).text = file.ReadText(SettingKey::kJoinSeparator);
  int splitMode = file.ReadInteger(SettingKey::kSplitMode);
  // A value the dialog cannot show would leave no choice on: the default shows instead.
  if (splitMode < 1 || splitMode > 3) splitMode = 2;
  Mutable(C::kSplitHitStartsPart).checked = splitMode == 1;
  Mutable(C::kSplitHitInBoth).checked = splitMode == 2;
  Mutable(C::kSplitHitEndsPart).checked = splitMode == 3;
  const bool editor = file.ReadFlag(SettingKey::kEditorEnabled);
  Mutable(C::kEditorEnabled).checked = editor;
  ApplyEditorRule(editor);
  Mutable(C::kEditorPath).text = file.ReadText(SettingKey::kEditorPath);
  Mutable(C::kLineOption).text = file.ReadText(SettingKey::kEditorLineOption);
  Mutable(C::kWordOption).text = file.ReadText(SettingKey::kEditorWordOption);
  // Last, so the changes of filling do not count as the user's.
  Mutable(C::kHideFileNotes).checked = false;
}

void SettingsDialogCore::ApplyRegexRule(bool useRegex) {
  Mutable(C::kFuzzyDictionary).enabled = useRegex;
  Mutable(C::kCaseSensitive).enabled = !useRegex;
}

void SettingsDialogCore::ApplyEditorRule(bool enabled) {
  for (C id : kEditorControls) Mutable(id).enabled = enabled;
}

void SettingsDialogCore::Click(SettingsControl id) {
  if (!visible_) return;
  TControlState& state = Mutable(id);
  if (!state.enabled || !state.visible) return;
  switch (SettingsControlOf(id).kind) {
    case K::kCheckBox:
      state.checked = !state.checked;
      break;
    case K::kRadioButton:
      for (C radio : {C::kSplitHitStartsPart, C::kSplitHitInBoth, C::kSplitHitEndsPart})
        Mutable(radio).checked = radio == id;
      return;
    default:
      return;
  }
  if (IsCategoryBox(id) || id == C::kSearchSubfolders) Mutable(C::kHideFileNotes).checked = true;
  if (id == C::kUseRegex) ApplyRegexRule(state.checked);
  if (id == C::kEditorEnabled) ApplyEditorRule(state.checked);
}

void SettingsDialogCore::SetText(SettingsControl id, std::string text) {
  if (!visible_ || SettingsControlOf(id).kind != K::kEdit) return;
  Mutable(id).text = std::move(text);
}

void SettingsDialogCore::OnChooseEditor() {
  if (!visible_) return;
  FileChoiceRequest request;
  request.title = Sjis("外部エディタの選択");
  // Programs here carry no extension: the one filter shows the files the user may run.
  request.filter = Sjis("標準") + "|*";
  request.executablesOnly = true;
  request.fileName = State(C::kEditorPath).text;
  if (std::optional<std::string> path = p_.port.ChooseOpenFile(request))
    Mutable(C::kEditorPath).text = *path;
}

void SettingsDialogCore::OnUpdate() {
  if (!visible_) return;
  const std::string& caption = ApplicationCaption();
  if (State(C::kEditorEnabled).checked && !ExecutableFileExists(State(C::kEditorPath).text)) {
    // A path that names no program fails like an empty one: opening a hit would fail later.
    p_.port.ShowMessage(Sjis("外部エディタのエラーです！"), caption);
    Mutable(C::kEditorEnabled).checked = false;
    ApplyEditorRule(false);
    FormActivate();
    return;
  }
  const bool fileRelated = State(C::kHideFileNotes).checked;
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
    Mutable(C::kHideFileNotes).checked = false;
  }
  if (p_.clearStatus) p_.clearStatus();
  ReportUnmatchable();
  visible_ = false;
  return true;
}

void SettingsDialogCore::ReportUnmatchable() {
  if (!State(C::kCategoryUser).checked || State(C::kUserExtensions).text.empty() || !p_.notice)
    return;
  const std::vector<std::string> bad = UnmatchableExtensions(State(C::kUserExtensions).text);
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
  // The seven categories.
  for (size_t i = 0; i < 7; ++i)
    flag(FileCategories()[i].key, kCategoryBoxes[i], FileCategories()[i].flag);
  // The user category: stored on only with a text; Settings keeps what the user set.
  const bool userOn = State(C::kCategoryUser).checked;
  const std::string userText = State(C::kUserExtensions).text;
  const bool storeUser = userOn && !userText.empty();
  plan.push_back({SettingKey::kUserExtensionsOn, FlagText(storeUser),
                  [userOn](Settings& s) { s.useUserExtensions = userOn; }});
  plan.push_back({SettingKey::kUserExtensionsText, storeUser ? userText : std::string(),
                  [userText](Settings& s) { s.userExtensions = userText; }});
  // The flags of "Main".
  flag(SettingKey::kSearchSubfolders, C::kSearchSubfolders, &Settings::searchSubfolders);
  flag(SettingKey::kFuzzyDictionary, C::kFuzzyDictionary, &Settings::useFuzzyDictionary);
  flag(SettingKey::kCaseSensitive, C::kCaseSensitive, &Settings::caseSensitive);
  flag(SettingKey::kUseRegex, C::kUseRegex, &Settings::useRegex);
  flag(SettingKey::kIgnoreBlankLines, C::kIgnoreBlankLines, &Settings::ignoreBlankLines);
  const EncodingChoice encoding =
      State(C::kShiftJisOnly).checked ? EncodingChoice::kShiftJisOnly : EncodingChoice::kDetect;
  plan.push_back({SettingKey::kTextEncoding, EncodingChoiceText(encoding),
                  [encoding](Settings& s) { s.textEncoding = encoding; }});
  // Join and split.
  plan.push_back({SettingKey::kJoinSeparator, State(C::kJoinSeparator).text, {}});
  const std::array<C, 3> radios = {C::kSplitHitStartsPart, C::kSplitHitInBoth,
                                   C::kSplitHitEndsPart};
  for (size_t i = 0; i < radios.size(); ++i)
    if (State(radios[i]).checked)
      plan.push_back({SettingKey::kSplitMode, std::to_string(i + 1), {}});
  // The external editor.
  plan.push_back({SettingKey::kEditorEnabled, FlagText(State(C::kEditorEnabled).checked), {}});
  plan.push_back({SettingKey::kEditorPath, State(C::kEditorPath).text, {}});
  plan.push_back({SettingKey::kEditorLineOption, State(C::kLineOption).text, {}});
  plan.push_back({SettingKey::kEditorWordOption, State(C::kWordOption).text, {}});
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
