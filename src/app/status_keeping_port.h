// A UiPort that passes every call on to another one and remembers the status bar text, so
// the main window's state includes what its status bar shows.
#pragma once

#include <string>

#include "platform/ui_port.h"

namespace skarvo {

class StatusKeepingPort : public UiPort {
 public:
  explicit StatusKeepingPort(UiPort& inner) : inner_(inner) {}

  // The text last given to SetStatusText.
  const std::string& StatusText() const { return statusText_; }

  void ShowMessage(const std::string& text, const std::string& caption) override {
    inner_.ShowMessage(text, caption);
  }
  void ShowError(const std::string& text, const std::string& caption) override {
    inner_.ShowError(text, caption);
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    return inner_.Confirm(text, caption);
  }
  Answer Ask(const std::string& text, const std::string& caption,
             QuestionButtons buttons) override {
    return inner_.Ask(text, caption, buttons);
  }
  std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override {
    return inner_.InputText(caption, prompt, initial);
  }
  std::optional<std::string> ChooseFolder(const FolderChoiceRequest& request) override {
    return inner_.ChooseFolder(request);
  }
  std::optional<std::string> ChooseOpenFile(const FileChoiceRequest& request) override {
    return inner_.ChooseOpenFile(request);
  }
  std::optional<std::string> ChooseSaveFile(const FileChoiceRequest& request) override {
    return inner_.ChooseSaveFile(request);
  }
  void SetStatusText(const std::string& text) override {
    statusText_ = text;
    inner_.SetStatusText(text);
  }

 private:
  UiPort& inner_;
  std::string statusText_;
};

}  // namespace skarvo
