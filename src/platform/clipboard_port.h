// The clipboard as the core sees it: plain text only, in CP932. The gui implements it over
// the desktop clipboard; tests use MemoryClipboard.
#pragma once

#include <optional>
#include <string>

namespace skarvo {

class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;

  // True when the clipboard holds text (possibly empty).
  virtual bool HasText() const = 0;
  // The clipboard's text in CP932; nullopt when it holds none, or holds text with a
  // character that has no CP932 form (HasText() then tells the two apart).
  virtual std::optional<std::string> Text() const = 0;
  // Puts text (CP932) on the clipboard, replacing what it held.
  virtual void SetText(const std::string& text) = 0;
};

// A clipboard held in memory, for tests and for running without a desktop.
class MemoryClipboard : public ClipboardPort {
 public:
  bool HasText() const override { return text_.has_value(); }
  std::optional<std::string> Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  // Empties the clipboard (no text at all).
  void Clear() { text_.reset(); }

 private:
  std::optional<std::string> text_;
};

}  // namespace skarvo
