// TSelectFolderDialog: the non-visual folder picker component. It keeps the picker's
// properties and events, shows the picker through the UI port and remembers the chosen
// folder in Path, so the next call starts there. The window itself belongs to the gui.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/folder_choice.h"
#include "platform/ui_port.h"

namespace skarvo {

// The user's home folder (HOME, else the password entry) in CP932; empty when it has no
// CP932 form or does not exist.
std::string UserHomeFolder();

class TSelectFolderDialog;

using TNotifyEvent = std::function<void(TSelectFolderDialog& sender)>;
using TCloseQueryEvent = std::function<void(TSelectFolderDialog& sender, bool& canClose)>;
// Node is the folder of the tree node concerned; Selected the tree's selected folder with
// a trailing "/".
using TFolderTreeEvent = std::function<void(TSelectFolderDialog& sender, const std::string& node,
                                            const std::string& selected)>;
using TUpdateNodeEvent = std::function<void(TSelectFolderDialog& sender, const std::string& node,
                                            const std::string& selected, bool& allow)>;

class TSelectFolderDialog {
 public:
  TSelectFolderDialog() = default;
  TSelectFolderDialog(const TSelectFolderDialog&) = delete;
  TSelectFolderDialog& operator=(const TSelectFolderDialog&) = delete;

  // Shows the picker modally. True when the user confirmed a folder: Path is then that
  // folder with a trailing "/". False on Cancel or when the confirmed node has no folder;
  // Path is then unchanged.
  bool Execute(UiPort& port);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& CustomRootFolder() const { return customRootFolder_; }
  void SetCustomRootFolder(std::string folder) { customRootFolder_ = std::move(folder); }
  TDefaultButton DefaultButton() const { return defaultButton_; }
  // btNone while the focus goes to the default button moves the focus to the tree.
  void SetDefaultButton(TDefaultButton button);
  TDialogSize DialogSize() const { return dialogSize_; }
  void SetDialogSize(TDialogSize size) { dialogSize_ = size; }
  int DialogWidth() const { return dialogWidth_; }
  void SetDialogWidth(int width) { dialogWidth_ = width; }
  int DialogHeight() const { return dialogHeight_; }
  void SetDialogHeight(int height) { dialogHeight_ = height; }
  int DialogLeft() const { return dialogLeft_; }
  void SetDialogLeft(int left) { dialogLeft_ = left; }
  int DialogTop() const { return dialogTop_; }
  void SetDialogTop(int top) { dialogTop_ = top; }
  TFocusedControl FocusedControl() const { return focusedControl_; }
  // fcDefaultButton without a default button makes OK the default button.
  void SetFocusedControl(TFocusedControl control);
  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }
  TDialogPosition Position() const { return position_; }
  void SetPosition(TDialogPosition position) { position_ = position; }
  TRootFolder Root() const { return root_; }
  void SetRoot(TRootFolder root) { root_ = root; }
  bool Sizeable() const { return sizeable_; }
  void SetSizeable(bool sizeable) { sizeable_ = sizeable; }
  const std::string& Text() const { return text_; }
  // Reaches the open window at once.
  void SetText(std::string text);

  TCloseQueryEvent OnCanClose;
  TNotifyEvent OnClose;
  TNotifyEvent OnShow;
  TFolderTreeEvent OnSelect;
  TFolderTreeEvent OnExpanded;
  TFolderTreeEvent OnCollapsed;
  TUpdateNodeEvent OnExpanding;
  TUpdateNodeEvent OnCollapsing;

  // The request Execute hands to the UI port (exposed so the set-up can be checked).
  FolderChoiceRequest MakeRequest();

 private:
  std::string caption_;
  std::string customRootFolder_;
  TDefaultButton defaultButton_ = TDefaultButton::btNone;
  TDialogSize dialogSize_ = TDialogSize::dsDefault;
  int dialogWidth_ = 307;
  int dialogHeight_ = 352;
  int dialogLeft_ = 0;
  int dialogTop_ = 0;
  TFocusedControl focusedControl_ = TFocusedControl::fcTreeView;
  std::string path_;
  TDialogPosition position_ = TDialogPosition::dpScreenCenter;
  TRootFolder root_ = TRootFolder::rfDesktop;
  bool sizeable_ = true;
  std::string text_;
  std::shared_ptr<FolderDialogLink> link_;  // set while the window exists
};

}  // namespace skarvo
