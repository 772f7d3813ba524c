// TForm1: the main window's logic, without a window. It owns the lists, the history boxes,
// the folder picker component, the timers, the settings and one state record per command;
// its methods are the window's event handlers. The gui's MainWindow shows this state and
// forwards the user's events here, re-reading the state after each one.
#pragma once

#include <array>
#include <string>

#include "app/commands.h"
#include "app/status_keeping_port.h"
#include "platform/core_timer.h"
#include "platform/error.h"
#include "platform/ui_port.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/history_box.h"
#include "targets/select_folder_dialog.h"
#include "targets/target_files.h"

namespace skarvo {

// The application title and the main window's caption.
inline constexpr const char* kApplicationTitle = "Skarvo";

// Raised at start-up when the home folder cannot be named in CP932: every path the program
// builds starts there, so it must not run with another one.
class EHomeFolder : public Exception {
 public:
  EHomeFolder();
};

// The notice shown when typed text holds a character that has no CP932 form.
const std::string& UnrepresentableInputText();

class TForm1 {
 public:
  // The window's creation (FormCreate): the home folder becomes the current folder, the
  // mode number 0, and the start-up settings and the stored window size are loaded.
  explicit TForm1(UiPort& port);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The window closes (FormClose) with the given size: the two histories and the window
  // size are written to the settings file. SettingsWriteError when a write is refused.
  void FormClose(int width, int height);

  // Runs a command of the menus, tool buttons or context menus; a disabled or hidden
  // command does nothing.
  void Execute(CommandId id);
  const CommandState& State(CommandId id) const { return states_[static_cast<size_t>(id)]; }

  // Events of the target list and the folder history box.
  void CheckListBox1Select(int index);            // the user selected a row (-1: none)
  void CheckListBox1ClickCheck(int index);        // the user clicked a row's check box
  void ComboBox2Change(const std::string& text);  // the user typed into the box
  void ComboBox2KeyEnter();                       // Enter in the box
  void ComboBox2Select(int index);                // the user picked an entry
  // Typed text was refused for a character without a CP932 form: says so on the status bar.
  void RefuseTypedText();
  // A status notice: the text, cleared by the status message timer after 5 seconds.
  void ShowNotice(const std::string& text);
  // Status message timer: switches itself off and empties the status text.
  void Timer1Timer();

  // State the window shows.
  const std::string& Caption() const { return caption_; }
  const std::string& StatusText() const { return port_.StatusText(); }
  const std::string& HomeFolder() const { return homeFolder_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int ModeNumber() const { return modeNumber_; }
  int TargetCount() const { return targets_.TargetCount(); }
  const Settings& CurrentSettings() const { return settings_; }
  const DisplaySettings& Display() const { return display_; }
  // True once the command "終了" asked the window to close.
  bool CloseRequested() const { return closeRequested_; }

  CheckList CheckListBox1;     // target list
  CheckList CheckListBox3;     // result list
  CheckList CheckListBox2;     // join list
  CheckList CheckListBoxUNDO;  // hidden undo list
  HistoryBox ComboBox1;        // search history
  HistoryBox ComboBox2;        // folder history
  TSelectFolderDialog SelectFolderDialog1;
  CoreTimer Timer1{5000, false};  // status message timer
  CoreTimer Timer2{150, false};   // drag scroll timer of the join list

  // The target list's builder and commands.
  TargetFiles& Targets() { return targets_; }

 private:
  void UpdateTargetMenuStates();
  CommandState& MutableState(CommandId id) { return states_[static_cast<size_t>(id)]; }

  StatusKeepingPort port_;
  std::string homeFolder_;
  std::string caption_;
  Settings settings_;
  DisplaySettings display_;
  int width_ = kDesignWindowWidth;
  int height_ = kDesignWindowHeight;
  int modeNumber_ = 0;
  bool closeRequested_ = false;
  std::array<CommandState, kCommandCount> states_{};
  TargetFiles targets_;
};

}  // namespace skarvo
