// A scripted Prompter for tests: each question and report goes to a FakeUiPort as the window's
// box under the program's caption, so a test scripts the answers and reads the calls there.
#pragma once

#include <string>

#include "ops/prompter.h"
#include "platform/codepage.h"
#include "support/fake_ui_port.h"

namespace skarvo::testing {

class FakePrompter : public Prompter {
 public:
  explicit FakePrompter(FakeUiPort& port) : port_(port) {}

  Answer Ask(const std::string& text, QuestionButtons buttons) override {
    return port_.Ask(text, Caption(), buttons);
  }
  bool Confirm(const std::string& text) override { return port_.Confirm(text, Caption()); }
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override {
    return port_.InputText(caption, prompt, initial);
  }
  // The window's save dialog: the status shown, then the dialog in the request's folder.
  std::optional<std::string> AskSavePath(const SavePathRequest& request) override {
    port_.SetStatusText(request.status);
    FileChoiceRequest dialog;
    dialog.defaultExtension = "txt";
    dialog.initialFolder = request.initialFolder;
    return port_.ChooseSaveFile(dialog);
  }
  void Tell(const std::string& text) override { port_.ShowMessage(text, Caption()); }
  void TellError(const std::string& text) override { port_.ShowError(text, Caption()); }

  static const std::string& Caption() { return Sjis("Skarvo"); }

 private:
  FakeUiPort& port_;
};

}  // namespace skarvo::testing
