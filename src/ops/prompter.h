// The prompter: the one way an operation on results asks the user something or tells them
// what happened while it runs. The window answers with its message boxes (under the
// program's caption); skarvo-cli answers from its options and writes what it is told to
// standard error; tests script the answers. Every text is CP932.
#pragma once

#include <optional>
#include <string>

#include "platform/ui_port.h"

namespace skarvo {

// Where to save a new file: the dialog opens in initialFolder while status is shown.
struct SavePathRequest {
  std::string initialFolder;
  std::string status;  // CP932
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A question with the given buttons (はい / いいえ / すべてはい / キャンセル).
  virtual Answer Ask(const std::string& text, QuestionButtons buttons) = 0;
  // OK or Cancel; true for OK.
  virtual bool Confirm(const std::string& text) = 0;
  // A text the user types (caption, prompt, the text shown first); nullopt on Cancel.
  virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                             const std::string& initial) = 0;
  // The path of a new file to save; nullopt on Cancel (and where nobody can choose one).
  virtual std::optional<std::string> AskSavePath(const SavePathRequest&) { return std::nullopt; }
  // A report the user reads before the operation goes on.
  virtual void Tell(const std::string& text) = 0;
  // An error the operation stopped on.
  virtual void TellError(const std::string& text) = 0;
};

}  // namespace skarvo
