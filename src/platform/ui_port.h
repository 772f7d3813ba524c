// The UI port: everything the core needs from a person or from the window system. The gui
// implements it with Qt; tests use the scripted FakeUiPort. Every text is CP932.
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

// What a folder choice asks for; the folder picker's own properties travel here.
struct FolderChoiceRequest {
  std::string title;         // caption of the picker
  std::string startFolder;   // folder selected when the picker opens
  std::string rootFolder;    // top of the tree ("/" for the whole file system)
  std::vector<std::string> extra;  // further properties of the picker, in a fixed order
};

// What an open or save file choice asks for.
struct FileChoiceRequest {
  std::string title;
  std::string initialFolder;
  std::string fileName;
  std::string filter;  // "text|*.txt|all|*.*" style
  std::string defaultExtension;
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
  // Folder choice; nullopt on Cancel.
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
