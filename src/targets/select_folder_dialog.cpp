#include "targets/select_folder_dialog.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "targets/folder_dialog_rules.h"

namespace skarvo {

void TSelectFolderDialog::SetDefaultButton(TDefaultButton button) {
  defaultButton_ = button;
  if (button == TDefaultButton::btNone && focusedControl_ == TFocusedControl::fcDefaultButton)
    focusedControl_ = TFocusedControl::fcTreeView;
}

void TSelectFolderDialog::SetFocusedControl(TFocusedControl control) {
  focusedControl_ = control;
  if (control == TFocusedControl::fcDefaultButton && defaultButton_ == TDefaultButton::btNone)
    defaultButton_ = TDefaultButton::btOk;
}

void TSelectFolderDialog::SetText(std::string text) {
  text_ = std::move(text);
  if (link_ && link_->setText) link_->setText(text_);
}

std::string UserHomeFolder() {
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* entry = ::getpwuid(::getuid());
    home = entry ? entry->pw_dir : nullptr;
  }
  std::string cp932;
  if (!home || !Utf8ToCp932(home, cp932) || !FolderExists(cp932)) return {};
  return cp932;
}

FolderChoiceRequest TSelectFolderDialog::MakeRequest() {
  FolderChoiceRequest r;
  r.title = FolderDialogCaption(caption_);
  r.text = text_;
  r.rootFolder = FolderTreeRoot(root_, customRootFolder_);
  // A user who never chose a folder starts at home rather than at the tree's first node.
  std::string start = ShortenStartFolder(path_.empty() ? UserHomeFolder() : path_,
                                         [](const std::string& p) { return FolderExists(p); });
  r.startFolder = start.empty() ? start : WithoutTrailingSeparator(start);
  r.defaultButton = defaultButton_;
  r.focusedControl = focusedControl_;
  r.position = position_;
  if (dialogSize_ == TDialogSize::dsDefault) {
    r.width = kFolderDialogDefaultWidth;
    r.height = kFolderDialogDefaultHeight;
  } else {
    r.width = dialogWidth_;
    r.height = dialogHeight_;
  }
  r.left = dialogLeft_;
  r.top = dialogTop_;
  r.sizeable = sizeable_;
  // The events reach the handlers with this component as the sender; a handler set
  // after the request was made is still called, as the window asks at each event.
  r.onCanClose = [this](bool& canClose) {
    if (OnCanClose) OnCanClose(*this, canClose);
  };
  r.onClose = [this] {
    if (OnClose) OnClose(*this);
  };
  r.onShow = [this] {
    if (OnShow) OnShow(*this);
  };
  auto tree = [this](TFolderTreeEvent TSelectFolderDialog::*event) {
    return [this, event](const std::string& node, const std::string& selected) {
      if (this->*event) (this->*event)(*this, node, selected);
    };
  };
  auto update = [this](TUpdateNodeEvent TSelectFolderDialog::*event) {
    return [this, event](const std::string& node, const std::string& selected, bool& allow) {
      if (this->*event) (this->*event)(*this, node, selected, allow);
    };
  };
  r.onSelect = tree(&TSelectFolderDialog::OnSelect);
  r.onExpanded = tree(&TSelectFolderDialog::OnExpanded);
  r.onCollapsed = tree(&TSelectFolderDialog::OnCollapsed);
  r.onExpanding = update(&TSelectFolderDialog::OnExpanding);
  r.onCollapsing = update(&TSelectFolderDialog::OnCollapsing);
  link_ = std::make_shared<FolderDialogLink>();
  r.link = link_;
  return r;
}

bool TSelectFolderDialog::Execute(UiPort& port) {
  FolderChoiceRequest request = MakeRequest();
  std::optional<std::string> chosen;
  try {
    chosen = port.ChooseFolder(request);
  } catch (...) {
    link_.reset();
    throw;
  }
  link_.reset();
  if (!chosen || chosen->empty()) return false;
  path_ = WithTrailingSeparator(*chosen);
  return true;
}

}  // namespace skarvo
