// EditorCore: the built-in editor's logic without a window. It loads a Shift-JIS file into
// the window's text area (as UTF-8, one "\n" per line end whatever the file used), puts the
// caret on a line, keeps the caption (the current file), the status text and its timer, the
// state of "上書き保存(&S)", and runs the file commands with their questions. The window
// supplies the text area (EditorTextArea) and forwards its events here.
//
// Saving never changes what the user did not ask for: text that has no Shift-JIS form is
// refused with the first such character named and nothing written; a file that did not
// read as valid Shift-JIS asks before it is overwritten; every write replaces the file
// atomically (permissions kept), and a failed one keeps the old file and the text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core_timer.h"
#include "platform/ui_port.h"

namespace skarvo {

// The window's text area, in UTF-8 with "\n" between lines.
class EditorTextArea {
 public:
  virtual ~EditorTextArea() = default;
  virtual std::string Text() const = 0;
  // Replaces the whole text (the area's undo history may go with it).
  virtual void SetText(const std::string& utf8) = 0;
  virtual bool Modified() const = 0;
  virtual void SetModified(bool modified) = 0;
  // Puts the caret at the start of line `line` (from 1); past the last line, at the end.
  virtual void SetCaretLine(int64_t line) = 0;
  // The caret's line and column, both from 1.
  virtual int64_t CaretLine() const = 0;
  virtual int64_t CaretColumn() const = 0;
  // Scrolls the caret line into view.
  virtual void EnsureCaretVisible() = 0;
};

// A file's bytes as the editor shows them: the lines (split at CR LF, lone CR or LF)
// converted to UTF-8 and joined by "\n". `valid` is false when some bytes are not
// CP932; those show as U+FFFD.
struct EditorText {
  std::string utf8;
  bool valid = true;
};
EditorText EditorTextFromFile(const std::string& bytes);

// The bytes written for the text: each line in CP932 followed by CR LF (a final "\n"
// ends the last line rather than starting an empty one). On a character without a CP932
// form: false, and `refusal` holds the message naming it (CP932). With `unreadableAsQuestion`,
// U+FFFD (what stands for bytes that did not read as CP932) is written as "?".
bool EditorTextToFile(const std::string& utf8, std::string& bytes, std::string& refusal,
                      bool unreadableAsQuestion = false);

class EditorCore {
 public:
  EditorCore(UiPort& port, EditorTextArea& area);
  EditorCore(const EditorCore&) = delete;
  EditorCore& operator=(const EditorCore&) = delete;

  // Shows a file with the caret at the start of `line` (from 1; 1 or less, -1 included:
  // the first line): loads the text, sets the status "縦：" line "横：" column, scrolls the
  // caret into view, clears the modified flag, switches the status timer on, sets the
  // caption to the path and disables "上書き保存(&S)". The platform's error for a file that
  // cannot be read (Exception); the text area then keeps its content.
  void ShowFileAtLine(const std::string& path, int64_t line);
  // Shows lines of text (CP932) in a cleared text area (the split's range preview).
  void ShowLines(const std::vector<std::string>& lines);

  // Events and commands of the window.
  void TextChanged();  // every change of the text: enables "上書き保存(&S)"
  void OnOpen();       // "開く(&O)..."
  void OnSaveAs();     // "名前を付けて保存"
  void OnSave();       // "上書き保存(&S)"
  // The window is about to close (exit item or close box): asks about unsaved changes and
  // saves on Yes to both questions. False keeps the window open: only when the save the
  // user asked for failed, so that the text is not lost.
  bool CloseQuery();
  void OnStatusTimer();

  const std::string& Caption() const { return caption_; }
  const std::string& StatusText() const { return statusText_; }
  bool SaveEnabled() const { return saveEnabled_; }
  // The file named in the caption, empty until a file is shown.
  const std::string& CurrentFile() const { return currentFile_; }
  CoreTimer StatusTimer{5000, false};

 private:
  bool Load(const std::string& path);
  // Writes the text to path; reports and returns false on a refusal or a failed write.
  bool WriteTo(const std::string& path, bool unreadableAsQuestion = false);
  // Saves over the current file (asking first when it did not read as valid CP932).
  enum class SaveResult { kWritten, kDeclined, kFailed };
  SaveResult SaveOverCurrentFile();
  void Say(const std::string& text);

  UiPort& port_;
  EditorTextArea& area_;
  std::string caption_;
  std::string currentFile_;
  std::string statusText_;
  bool saveEnabled_ = false;
  bool loadedInvalid_ = false;  // the current file did not read as valid CP932
};

}  // namespace skarvo
