// The UI port: everything the core needs from a person or from the window system. The gui
// implements it with Qt; tests use the scripted FakeUiPort. Every text is CP932.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skarvo {

// Buttons of a question box.
enum class QuestionButtons {
  kYesNo,
  kYesCancel,
  kYesNoCancel,
  kYesCancelYesToAll,
};

enum class Answer { kOk, kCancel, kYes, kNo, kYesToAll };

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

// What an open or save file choice asks for.
struct FileChoiceRequest {
  std::string title;
  std::string initialFolder;
  std::string fileName;
  std::string filter;  // "text|*.txt|all|*.*" style
  std::string defaultExtension;
  bool executablesOnly = false;  // show folders and the files the user may run, nothing else
};

class UiPort {
 public:
  virtual ~UiPort() = default;

  // Message box with an OK button.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // Error box with an OK button.
  virtual void ShowError(const std::string& text, const std::string& caption) = 0;
  // Confirmation with OK and Cancel; true for OK.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // Question with named buttons.
  virtual Answer Ask(const std::string& text, const std::string& caption,
                     QuestionButtons buttons) = 0;
  // Text input box; nullopt on Cancel.
  virtual std::optional<std::string> InputText(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& initial) = 0;
  // Folder choice: the folder the user confirmed (the tree's selected path, without a
  // trailing "/" unless it is "/"); an empty text when the confirmed node has no folder;
  // nullopt on Cancel.
  virtual std::optional<std::string> ChooseFolder(const FolderChoiceRequest& request) = 0;
  // Open and save file choices; nullopt on Cancel.
  virtual std::optional<std::string> ChooseOpenFile(const FileChoiceRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const FileChoiceRequest& request) = 0;
  // The status bar text.
  virtual void SetStatusText(const std::string& text) = 0;
  // Lets pending window messages run (repaints, and whatever the window allows meanwhile).
  virtual void ProcessMessages() = 0;
};

}  // namespace skarvo
