// The window's prompter: the operations' questions and reports as message boxes under the
// program's caption.
#pragma once

#include <string>

#include "ops/join_split.h"
#include "ops/prompter.h"
#include "platform/ui_port.h"

namespace skarvo {

class UiPrompter : public Prompter {
 public:
  // saveDialog: the save dialog's title, name and filter, kept between saves.
  UiPrompter(UiPort& port, const std::string& caption, FileChoiceRequest& saveDialog)
      : port_(port), caption_(caption), saveDialog_(saveDialog) {}

  Answer Ask(const std::string& text, QuestionButtons buttons) override {
    return port_.Ask(text, caption_, buttons);
  }
  bool Confirm(const std::string& text) override { return port_.Confirm(text, caption_); }
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override {
    return port_.InputText(caption, prompt, initial);
  }
  std::optional<std::string> AskSavePath(const SavePathRequest& request) override {
    port_.SetStatusText(request.status);
    saveDialog_ = JoinSaveDialog(saveDialog_, request);
    return port_.ChooseSaveFile(saveDialog_);
  }
  void Tell(const std::string& text) override { port_.ShowMessage(text, caption_); }
  void TellError(const std::string& text) override { port_.ShowError(text, caption_); }

 private:
  UiPort& port_;
  const std::string& caption_;
  FileChoiceRequest& saveDialog_;
};

}  // namespace skarvo
