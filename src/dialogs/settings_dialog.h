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

enum class TForm2Control {
  CheckBox1,  // the seven categories, in the order of FileCategories()
  CheckBox2,
  CheckBox3,
  CheckBox4,
  CheckBox5,
  CheckBoxWord,
  CheckBoxExcel,
  CheckBox6,  // the user category
  Edit1,
  CheckBox7,
  CheckBox10,
  CheckBox8,
  CheckBox9,
  ShiftJisOnlyBox,  // 文字コード: checked is Shift_JIS 固定, else 自動判別
  Edit2,
  CheckBox11,
  RadioButton1,
  RadioButton2,
  RadioButton3,
  EditC,
  Label1,
  EditPath,
  ButtonEditPath,
  EditL1,
  EditE1,
  EditL2,
  EditL3,
  EditE2,
  EditL4,
  CheckForm,
  Button2,
  Button1,
  kCount
};
inline constexpr size_t kForm2ControlCount = static_cast<size_t>(TForm2Control::kCount);

enum class TControlKind { kCheckBox, kRadioButton, kEdit, kLabel, kButton };

// The groups the controls stand in (kNone: on the form itself).
enum class TForm2Group { kNone, GroupBox1, GroupBox2, GroupBox3, GroupBox4, GroupBox5 };

struct TForm2ControlInfo {
  TForm2Control id;
  const char* name;  // the control's name
  TControlKind kind;
  TForm2Group group;
  const char* caption;  // UTF-8; "" for text fields
  bool visible;
};
// Every control in tab order.
const std::array<TForm2ControlInfo, kForm2ControlCount>& Form2ControlTable();
const TForm2ControlInfo& Form2Control(TForm2Control id);
// The UTF-8 caption of a group.
const char* Form2GroupCaption(TForm2Group group);

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
struct TForm2Parts {
  Settings& settings;
  CheckList& targetList;  // emptied after a file-related change
  std::string settingsPath;
  UiPort& port;                                    // the dialog's boxes and file chooser
  std::function<void()> clearStatus;               // empties the main window's status bar
  std::function<void(const std::string&)> notice;  // a notice on the main window's status bar
};

class SettingsDialogCore {
 public:
  explicit SettingsDialogCore(TForm2Parts parts);

  // The dialog opens (modally): it is filled and shown.
  void Show();
  // The dialog becomes the active window: every control takes its setting again, and
  // CheckForm is cleared.
  void FormActivate();
  bool Visible() const { return visible_; }

  // The user clicked a check box or radio button (its new state is computed here) and the
  // reaction runs.
  void Click(TForm2Control id);
  // The user changed a text field.
  void SetText(TForm2Control id, std::string text);
  // "..." chooses the external editor.
  void OnChooseEditor();
  // "更新".
  void OnUpdate();
  // "Cancel" (and the window's close box).
  void OnCancel();

  const TControlState& State(TForm2Control id) const { return states_[Index(id)]; }

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
  static size_t Index(TForm2Control id) { return static_cast<size_t>(id); }
  TControlState& Mutable(TForm2Control id) { return states_[Index(id)]; }
  void ApplyRegexRule(bool useRegex);
  void ApplyEditorRule(bool enabled);
  // Stores, empties the target list when asked, and closes; false when a write failed.
  bool StoreAndClose(bool emptyTargets);
  void ReportUnmatchable();

  TForm2Parts p_;
  std::array<TControlState, kForm2ControlCount> states_{};
  bool visible_ = false;
  std::string failedKey_;
};

// True when the path (CP932) names an existing regular file (or a link to one) that the
// user may run.
bool ExecutableFileExists(const std::string& path);

}  // namespace skarvo
