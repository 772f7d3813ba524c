// EditorCore's window: a plain-text editor (menus "ファイル(&F)", "編集(&E)", "Option", a
// context menu, a one-part status bar) over the core's EditorCore, which holds its logic.
// The window is destroyed when it closes; EditorWindowHost makes a new one when a hit is
// next opened in it.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "ops/open_hit.h"

class QAction;
class QLabel;
class QPlainTextEdit;

namespace skarvo::gui {

class TimerDriver;

// The text area over a QPlainTextEdit: lines are blocks, so the caret's line does not
// depend on the line ends the file had.
class PlainTextArea : public EditorTextArea {
 public:
  explicit PlainTextArea(QPlainTextEdit* edit) : edit_(edit) {}
  std::string Text() const override;
  void SetText(const std::string& utf8) override;
  bool Modified() const override;
  void SetModified(bool modified) override;
  void SetCaretLine(int64_t line) override;
  int64_t CaretLine() const override;
  int64_t CaretColumn() const override;
  void EnsureCaretVisible() override;

 private:
  QPlainTextEdit* edit_;
};

class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  EditorWindow(UiPort& port, std::function<void()> showDisplaySettings, QWidget* parent = nullptr);
  ~EditorWindow() override;

  EditorCore& Editor() { return *editor_; }
  QPlainTextEdit* TextEdit() const { return edit_; }
  QLabel* StatusLabel() const { return status_; }
  QAction* SaveAction() const { return save_; }
  QAction* Action(const char* utf8Caption) const;
  // Re-reads the core's caption, status text and the save item's state.
  void Refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Run(const std::function<void()>& command);
  void UpdateEditActions();

  QPlainTextEdit* edit_;
  std::unique_ptr<PlainTextArea> area_;
  std::unique_ptr<EditorCore> editor_;
  QLabel* status_;
  TimerDriver* timer_ = nullptr;
  QAction* save_ = nullptr;
  QAction* cut_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* paste_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* delete_ = nullptr;
  QList<QAction*> all_;
  std::function<void()> showDisplaySettings_;
};

// Makes the editor window when it is needed and it does not exist.
class EditorWindowHost : public EditorHost {
 public:
  EditorWindowHost(UiPort& port, std::function<void()> showDisplaySettings)
      : port_(port), showDisplaySettings_(std::move(showDisplaySettings)) {}
  ~EditorWindowHost() override;
  EditorCore& ShowEditor() override;
  void ShowEditorModal() override;
  // The window, null after the user closed it.
  EditorWindow* Window() const { return window_; }

 private:
  UiPort& port_;
  std::function<void()> showDisplaySettings_;
  QPointer<EditorWindow> window_;
};

}  // namespace skarvo::gui
