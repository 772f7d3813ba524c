// A text area over a plain string and an editor host that makes editors over it, for the
// tests of opening hits and of the editor's logic without a window.
#pragma once

#include <memory>

#include "ops/form_editer.h"
#include "ops/open_hit.h"

namespace skarvo::testing {

class StringTextArea : public EditorTextArea {
 public:
  std::string text;
  bool modified = false;
  int64_t caretLine = 1;
  int visibleRequests = 0;

  std::string Text() const override { return text; }
  void SetText(const std::string& utf8) override {
    text = utf8;
    modified = true;  // as a text area's change does
    caretLine = 1;
  }
  bool Modified() const override { return modified; }
  void SetModified(bool m) override { modified = m; }
  void SetCaretLine(int64_t line) override {
    const int64_t lines = 1 + static_cast<int64_t>(std::count(text.begin(), text.end(), '\n'));
    caretLine = std::min(line, lines);
  }
  int64_t CaretLine() const override { return caretLine; }
  int64_t CaretColumn() const override { return 1; }
  void EnsureCaretVisible() override { ++visibleRequests; }
};

class FakeEditorHost : public EditorHost {
 public:
  explicit FakeEditorHost(UiPort& port) : port_(port) {}
  TFormEditer& ShowEditor() override {
    ++shows;
    if (!editor) editor = std::make_unique<TFormEditer>(port_, area);
    return *editor;
  }
  void ShowEditorModal() override {
    if (editor) ++modalShows;
  }
  StringTextArea area;
  std::unique_ptr<TFormEditer> editor;
  int shows = 0;
  int modalShows = 0;

 private:
  UiPort& port_;
};

}  // namespace skarvo::testing
