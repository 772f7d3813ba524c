// A scripted UiPort for tests: records every call in order and answers questions, input
// boxes and choices from queues. An empty queue answers Cancel / nothing, so a test that
// forgets to script an answer sees the cautious path, never a hang.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/folder_choice.h"
#include "platform/ui_port.h"

namespace skarvo {

class FakeUiPort : public UiPort {
 public:
  struct Call {
    std::string kind;  // "message", "error", "confirm", "ask", "input", "folder", "open",
                       // "save", "status"
    std::string text;
    std::string caption;
  };

  std::vector<Call> calls;
  std::deque<bool> confirmAnswers;
  std::deque<Answer> askAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::vector<FolderChoiceRequest> folderRequests;
  std::vector<FileChoiceRequest> fileRequests;
  std::string statusText;
  std::function<void()> onAsk;  // runs while each Ask is open

  void ShowMessage(const std::string& text, const std::string& caption) override {
    calls.push_back({"message", text, caption});
  }
  void ShowError(const std::string& text, const std::string& caption) override {
    calls.push_back({"error", text, caption});
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    calls.push_back({"confirm", text, caption});
    return Pop(confirmAnswers, false);
  }
  Answer Ask(const std::string& text, const std::string& caption, QuestionButtons) override {
    calls.push_back({"ask", text, caption});
    if (onAsk) onAsk();
    return Pop(askAnswers, Answer::kCancel);
  }
  std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                       const std::string&) override {
    calls.push_back({"input", prompt, caption});
    return Pop(inputAnswers, std::optional<std::string>());
  }
  std::optional<std::string> ChooseFolder(const FolderChoiceRequest& request) override {
    calls.push_back({"folder", request.startFolder, request.title});
    folderRequests.push_back(request);
    return Pop(folderAnswers, std::optional<std::string>());
  }
  std::optional<std::string> ChooseOpenFile(const FileChoiceRequest& request) override {
    calls.push_back({"open", request.fileName, request.title});
    fileRequests.push_back(request);
    return Pop(openAnswers, std::optional<std::string>());
  }
  std::optional<std::string> ChooseSaveFile(const FileChoiceRequest& request) override {
    calls.push_back({"save", request.fileName, request.title});
    fileRequests.push_back(request);
    return Pop(saveAnswers, std::optional<std::string>());
  }
  void SetStatusText(const std::string& text) override {
    statusText = text;
    calls.push_back({"status", text, {}});
  }

  // The calls of one kind, in order.
  std::vector<Call> CallsOf(const std::string& kind) const {
    std::vector<Call> result;
    for (const auto& c : calls)
      if (c.kind == kind) result.push_back(c);
    return result;
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

}  // namespace skarvo
