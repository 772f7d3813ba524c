// The UI port: everything the core needs from a person or from the window system. The gui
// implements it with Qt; tests use the scripted FakeUiPort. Every text is CP932. The search
// stage and the grep reader never see it: they run on a worker thread and take a "stop?"
// callback (TMessagePump in engine/txt_file.h).
#pragma once

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

// What a folder choice asks for: platform/folder_choice.h.
struct FolderChoiceRequest;

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
};

}  // namespace skarvo
