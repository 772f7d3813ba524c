// The clipboard port over the desktop clipboard (plain text), converting at the edge:
// text with a character that has no CP932 form is reported as such, never changed.
#pragma once

#include "platform/clipboard_port.h"

namespace skarvo::gui {

class QtClipboardPort : public ClipboardPort {
 public:
  bool HasText() const override;
  std::optional<std::string> Text() const override;
  void SetText(const std::string& text) override;
};

}  // namespace skarvo::gui
