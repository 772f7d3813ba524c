// An editor host that makes editors over a plain-string text area, for the tests of
// opening hits.
#pragma once

#include <memory>

#include "dialogs/editor.h"
#include "ops/open_hit.h"
#include "support/string_text_area.h"

namespace skarvo::testing {

class FakeEditorHost : public EditorHost {
 public:
  explicit FakeEditorHost(UiPort& port) : port_(port) {}
  EditorCore& ShowEditor() override {
    ++shows;
    if (!editor) editor = std::make_unique<EditorCore>(port_, area);
    return *editor;
  }
  void ShowEditorModal() override {
    if (editor) ++modalShows;
  }
  StringTextArea area;
  std::unique_ptr<EditorCore> editor;
  int shows = 0;
  int modalShows = 0;

 private:
  UiPort& port_;
};

}  // namespace skarvo::testing
