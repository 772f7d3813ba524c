// A text area over a plain string, for the tests of the editor's logic without a window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "dialogs/editor.h"

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

}  // namespace skarvo::testing
