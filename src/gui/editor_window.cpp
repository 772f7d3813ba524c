#include "gui/editor_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>

#include "gui/qt_text.h"
#include "gui/timer_driver.h"

namespace skarvo::gui {

std::string PlainTextArea::Text() const { return edit_->toPlainText().toStdString(); }

void PlainTextArea::SetText(const std::string& utf8) {
  edit_->setPlainText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

bool PlainTextArea::Modified() const { return edit_->document()->isModified(); }

void PlainTextArea::SetModified(bool modified) { edit_->document()->setModified(modified); }

void PlainTextArea::SetCaretLine(int64_t line) {
  QTextCursor cursor(edit_->document());
  const QTextBlock block = edit_->document()->findBlockByNumber(static_cast<int>(
      std::min<int64_t>(std::max<int64_t>(line, 1), edit_->document()->blockCount()) - 1));
  if (line > edit_->document()->blockCount() || !block.isValid()) {
    cursor.movePosition(QTextCursor::End);
  } else {
    cursor.setPosition(block.position());
  }
  edit_->setTextCursor(cursor);
}

int64_t PlainTextArea::CaretLine() const { return edit_->textCursor().blockNumber() + 1; }

int64_t PlainTextArea::CaretColumn() const { return edit_->textCursor().positionInBlock() + 1; }

void PlainTextArea::EnsureCaretVisible() { edit_->ensureCursorVisible(); }

EditorWindow::EditorWindow(UiPort& port, std::function<void()> showDisplaySettings, QWidget* parent)
    : QMainWindow(parent), showDisplaySettings_(std::move(showDisplaySettings)) {
  setAttribute(Qt::WA_DeleteOnClose);
  resize(680, 480);
  edit_ = new QPlainTextEdit(this);
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(13);
  edit_->setFont(font);
  setCentralWidget(edit_);
  area_ = std::make_unique<PlainTextArea>(edit_);
  editor_ = std::make_unique<EditorCore>(port, *area_);
  status_ = new QLabel(this);
  statusBar()->addWidget(status_, 1);

  const auto add = [this](QMenu* menu, const char* caption, const char* shortcut,
                          std::function<void()> run) {
    QAction* action = menu->addAction(Lit(caption));
    if (shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    connect(action, &QAction::triggered, this, [this, run] { Run(run); });
    all_.append(action);
    return action;
  };
  QMenu* file = menuBar()->addMenu(Lit("ファイル(&F)"));
  add(file, "開く(&O)...", "Ctrl+O", [this] { editor_->OnOpen(); });
  file->addSeparator();
  add(file, "名前を付けて保存", nullptr, [this] { editor_->OnSaveAs(); });
  save_ = add(file, "上書き保存(&S)", nullptr, [this] { editor_->OnSave(); });
  file->addSeparator();
  add(file, "閉じる(&X)", nullptr, [this] { close(); });
  QMenu* editMenu = menuBar()->addMenu(Lit("編集(&E)"));
  cut_ = add(editMenu, "切り取り(&T)", "Ctrl+X", [this] { edit_->cut(); });
  copy_ = add(editMenu, "コピー(&C)", "Ctrl+C", [this] { edit_->copy(); });
  paste_ = add(editMenu, "貼り付け(&P)", "Ctrl+V", [this] { edit_->paste(); });
  add(editMenu, "すべてを選択(&A)", "Ctrl+A", [this] { edit_->selectAll(); });
  undo_ = add(editMenu, "元に戻す(&U)", "Ctrl+Z", [this] { edit_->undo(); });
  delete_ = add(editMenu, "削除(&D)", "Del", [this] { edit_->textCursor().removeSelectedText(); });
  QMenu* option = menuBar()->addMenu(Lit("Option"));
  add(option, "表示設定", nullptr, [this] {
    if (showDisplaySettings_) showDisplaySettings_();
  });
  // The text area's own shortcuts would act twice: the menu's items own the keys.
  for (QAction* a : {cut_, copy_, paste_, undo_, delete_})
    a->setShortcutContext(Qt::WindowShortcut);

  edit_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edit_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    UpdateEditActions();
    QMenu menu(this);
    menu.addAction(undo_);
    menu.addSeparator();
    menu.addAction(cut_);
    menu.addAction(copy_);
    menu.addAction(paste_);
    menu.exec(edit_->mapToGlobal(at));
  });
  connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
    editor_->TextChanged();
    Refresh();
  });
  connect(edit_, &QPlainTextEdit::copyAvailable, this, [this](bool) { UpdateEditActions(); });
  connect(edit_, &QPlainTextEdit::undoAvailable, this, [this](bool) { UpdateEditActions(); });
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          [this] { UpdateEditActions(); });
  connect(editMenu, &QMenu::aboutToShow, this, [this] { UpdateEditActions(); });
  timer_ = new TimerDriver(
      editor_->StatusTimer, [this] { Refresh(); }, this);
  UpdateEditActions();
  Refresh();
}

EditorWindow::~EditorWindow() {
  // The timer driver refers to the core's timer: it goes first.
  delete timer_;
}

QAction* EditorWindow::Action(const char* utf8Caption) const {
  for (QAction* action : all_)
    if (action->text() == Lit(utf8Caption)) return action;
  return nullptr;
}

void EditorWindow::Run(const std::function<void()>& command) {
  try {
    command();
  } catch (const Exception& e) {
    QMessageBox::critical(this, ToQt(editor_->Caption()), ToQt(e.Message()));
  }
  Refresh();
}

void EditorWindow::UpdateEditActions() {
  const bool selection = edit_->textCursor().hasSelection();
  cut_->setEnabled(selection);
  copy_->setEnabled(selection);
  delete_->setEnabled(selection);
  paste_->setEnabled(edit_->canPaste());
  undo_->setEnabled(edit_->document()->isUndoAvailable());
}

void EditorWindow::Refresh() {
  setWindowTitle(ToQt(editor_->Caption()));
  status_->setText(ToQt(editor_->StatusText()));
  save_->setEnabled(editor_->SaveEnabled());
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  bool close = true;
  try {
    close = editor_->CloseQuery();
  } catch (const Exception& e) {
    QMessageBox::critical(this, ToQt(editor_->Caption()), ToQt(e.Message()));
    close = false;
  }
  Refresh();
  if (close) {
    event->accept();
  } else {
    event->ignore();
  }
}

EditorWindowHost::~EditorWindowHost() {
  if (window_) delete window_.data();
}

EditorCore& EditorWindowHost::ShowEditor() {
  if (!window_) window_ = new EditorWindow(port_, showDisplaySettings_);
  window_->show();
  window_->raise();
  window_->activateWindow();
  // The caller fills the editor next; the window shows the result when it returns to the
  // message loop, and at once through the text area's change signal.
  QMetaObject::invokeMethod(
      window_,
      [w = window_] {
        if (w) w->Refresh();
      },
      Qt::QueuedConnection);
  return window_->Editor();
}

void EditorWindowHost::ShowEditorModal() {
  if (!window_) return;
  QPointer<EditorWindow> window = window_;
  window->hide();
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  QEventLoop loop;
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace skarvo::gui
