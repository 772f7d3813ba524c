// SettingsDialogCore, the settings dialog "設定画面", without a window: every control's state
// (check, text, enabled, visible), its filling from Settings and the settings file, the reactions
// to clicks, and "更新" with its confirmations and the store of every key it shows. The
// gui builds one widget per control from ControlTable() and shows State() after each
// forwarded event.
//
// Filling happens when the dialog opens and again after every box this dialog shows over
// itself while it stays open (the box's closing makes it the active window again), so a
// declined confirmation shows the stored settings again.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui_port.h"
#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo {

enum class SettingsControl {
  kCategoryTxt,  // the seven categories, in the order of FileCategories()
  kCategoryHtml,
  kCategoryCgi,
  kCategorySystem,
  kCategoryCsv,
  kCategoryWord,
  kCategoryExcel,
  kCategoryUser,  // the user category
  kUserExtensions,
  kSearchSubfolders,
  kUseRegex,
  kFuzzyDictionary,
  kCaseSensitive,
  kShiftJisOnly,  // 文字コード: checked is Shift_JIS 固定, else 自動判別
  kJoinSeparator,
  kIgnoreBlankLines,
  kSplitHitStartsPart,
  kSplitHitInBoth,
  kSplitHitEndsPart,
  kEditorEnabled,
  kEditorLabel,
  kEditorPath,
  kEditorBrowse,
  kLineOptionLabel,
  kLineOption,
  kLineNumberLabel,
  kWordOptionLabel,
  kWordOption,
  kWordLabel,
  kHideFileNotes,
  kUpdateButton,
  kCancelButton,
  kCount
};
inline constexpr size_t kSettingsControlCount = static_cast<size_t>(SettingsControl::kCount);

enum class TControlKind { kCheckBox, kRadioButton, kEdit, kLabel, kButton };

// The groups the controls stand in (kNone: on the form itself).
enum class SettingsGroup { kNone, kFileTypes, kSearchFlags, kJoin, kSplit, kEditor };

struct SettingsControlInfo {
  SettingsControl id;
  const char* name;  // the control's name
  TControlKind kind;
  SettingsGroup group;
  const char* caption;  // UTF-8; "" for text fields
  bool visible;
};
// Every control in tab order.
const std::array<SettingsControlInfo, kSettingsControlCount>& SettingsControlTable();
const SettingsControlInfo& SettingsControlOf(SettingsControl id);
// The UTF-8 caption of a group.
const char* SettingsGroupCaption(SettingsGroup group);

struct TControlState {
  std::string text;  // text fields (CP932)
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool operator==(const TControlState&) const = default;
};

// One key as the store writes it: the key, its value as the file holds it, and the change
// of Settings that goes with it (none for the keys Settings does not hold).
struct TStoredKey {
  SettingKey key;
  std::string value;
  std::function<void(Settings&)> apply;
};

// What the dialog works on; all outlive it.
struct SettingsDialogParts {
  Settings& settings;
  CheckList& targetList;  // emptied after a file-related change
  std::string settingsPath;
  UiPort& port;                                    // the dialog's boxes and file chooser
  std::function<void()> clearStatus;               // empties the main window's status bar
  std::function<void(const std::string&)> notice;  // a notice on the main window's status bar
};

class SettingsDialogCore {
 public:
  explicit SettingsDialogCore(SettingsDialogParts parts);

  // The dialog opens (modally): it is filled and shown.
  void Show();
  // The dialog becomes the active window: every control takes its setting again, and
  // kHideFileNotes is cleared.
  void FormActivate();
  bool Visible() const { return visible_; }

  // The user clicked a check box or radio button (its new state is computed here) and the
  // reaction runs.
  void Click(SettingsControl id);
  // The user changed a text field.
  void SetText(SettingsControl id, std::string text);
  // "..." chooses the external editor.
  void OnChooseEditor();
  // "更新".
  void OnUpdate();
  // "Cancel" (and the window's close box).
  void OnCancel();

  const TControlState& State(SettingsControl id) const { return states_[Index(id)]; }

  // The keys "更新" writes, in order, with their values, from the controls now.
  std::vector<TStoredKey> StorePlan() const;
  // Writes every key of StorePlan() and sets Settings with it, key by key, then rebuilds the
  // extension list. SettingsWriteError when a write is refused: the keys and fields before
  // it stay as stored (the extension list is rebuilt from them all the same).
  void StoreSettings();

  // The text of the key a refused write stopped at ("[section] key"), empty when none.
  const std::string& FailedKey() const { return failedKey_; }

  // The entries of a user extension list that no file name can match (an empty entry,
  // one without its leading ".", or one with a second "."), as typed (CP932).
  static std::vector<std::string> UnmatchableExtensions(const std::string& list);

 private:
  static size_t Index(SettingsControl id) { return static_cast<size_t>(id); }
  TControlState& Mutable(SettingsControl id) { return states_[Index(id)]; }
  void ApplyRegexRule(bool useRegex);
  void ApplyEditorRule(bool enabled);
  // Stores, empties the target list when asked, and closes; false when a write failed.
  bool StoreAndClose(bool emptyTargets);
  void ReportUnmatchable();

  SettingsDialogParts p_;
  std::array<TControlState, kSettingsControlCount> states_{};
  bool visible_ = false;
  std::string failedKey_;
};

// True when the path (CP932) names an existing regular file (or a link to one) that the
// user may run.
bool ExecutableFileExists(const std::string& path);

}  // namespace skarvo
