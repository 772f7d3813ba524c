// The folder picker's window properties: what a folder choice through the UI port asks for.
// The core component (targets/select_folder_dialog.h) fills them; the window only applies
// them.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace skarvo {

// Properties of the folder picker (the component's published properties and their
// defaults). The core component keeps them; the window reads them from the request.
enum class TDefaultButton { btNone, btCancel, btOk };
enum class TDialogSize { dsCustom, dsDefault };
enum class TFocusedControl { fcDefaultButton, fcTreeView };
enum class TDialogPosition { dpCustom, dpDesktopCenter, dpOwnerCenter, dpScreenCenter, dpDefault };
enum class TRootFolder {
  rfDesktop,
  rfStartMenu,
  rfMyComputer,
  rfMyDocuments,
  rfNetwork,
  rfAppData,
  rfFavorites,
  rfPrograms,
  rfSendTo,
  rfStartup,
  rfCommonDesktop,
  rfCommonPrograms,
  rfCommonStartMenu,
  rfCommonStartup,
  rfCustom,
  rfRecent,
};

// Live link between the picker component and its window while the window exists: the
// window installs setText so that a change of the message reaches it at once.
struct FolderDialogLink {
  std::function<void(const std::string& text)> setText;
};

// What a folder choice asks for. The core fills every field; the window only applies them.
struct FolderChoiceRequest {
  std::string title;        // caption of the window (never empty)
  std::string text;         // message above the tree
  std::string startFolder;  // folder to select at the start (already shortened to an
                            // existing folder), empty for the tree's first node
  std::string rootFolder;   // top of the tree ("/" for the whole file system)
  TDefaultButton defaultButton = TDefaultButton::btNone;
  TFocusedControl focusedControl = TFocusedControl::fcTreeView;
  TDialogPosition position = TDialogPosition::dpScreenCenter;
  int width = 307;  // window size, already resolved from the size mode
  int height = 352;
  int left = 0;  // window position for dpCustom
  int top = 0;
  bool sizeable = true;
  // Events; Selected is the tree's selected folder with a trailing "/", Node the folder of
  // the node concerned. Each may be empty.
  std::function<void(bool& canClose)> onCanClose;
  std::function<void()> onClose;
  std::function<void()> onShow;
  std::function<void(const std::string& node, const std::string& selected)> onSelect;
  std::function<void(const std::string& node, const std::string& selected)> onExpanded;
  std::function<void(const std::string& node, const std::string& selected)> onCollapsed;
  std::function<void(const std::string& node, const std::string& selected, bool& allow)>
      onExpanding;
  std::function<void(const std::string& node, const std::string& selected, bool& allow)>
      onCollapsing;
  std::shared_ptr<FolderDialogLink> link;  // may be null
};

}  // namespace skarvo
