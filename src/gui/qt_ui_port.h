// The UI port with Qt: message boxes, questions with standard buttons (their texts
// come from Qt's Japanese translation), the input box, the folder picker window, the
// file dialogs, the status bar and the message loop.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/folder_choice.h"
#include "platform/ui_port.h"

namespace skarvo::gui {

class QtUiPort : public UiPort {
 public:
  QtUiPort() = default;

  // The window the dialogs belong to (may be null).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // Where the status text goes (the main window's status bar); it is drawn at once, since
  // long operations set progress texts without returning to the message loop.
  void SetStatusSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  void ShowMessage(const std::string& text, const std::string& caption) override;
  void ShowError(const std::string& text, const std::string& caption) override;
  bool Confirm(const std::string& text, const std::string& caption) override;
  Answer Ask(const std::string& text, const std::string& caption, QuestionButtons buttons) override;
  std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;
  std::optional<std::string> ChooseFolder(const FolderChoiceRequest& request) override;
  std::optional<std::string> ChooseOpenFile(const FileChoiceRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileChoiceRequest& request) override;
  void SetStatusText(const std::string& text) override;

 private:
  std::optional<std::string> ChooseFile(const FileChoiceRequest& request, bool save);
  QWidget* Owner() const;

  QPointer<QWidget> owner_;
  std::function<void(const std::string&)> sink_;
};

// Qt's file dialog filter from the program's "text|*.txt|all|*.*" form.
QString QtFileFilter(const std::string& filter);

}  // namespace skarvo::gui
