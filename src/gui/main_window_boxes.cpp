// The two history boxes of the main window: what the user types, Enter, the choice of an
// entry, and the clipboard commands of their context menus and keys. The edit field's own
// cut, copy and paste are replaced by the core's commands, so every change of the box's
// text goes through the core.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace skarvo::gui {

namespace {

// Bytes of the CP932 form of the first chars of text (text is CP932-representable).
size_t BytesOf(const QString& text, qsizetype chars) {
  std::optional<std::string> cp932 = PatternFromQt(text.left(chars));
  return cp932 ? cp932->size() : 0;
}

// Characters of the first bytes of a CP932 text.
int CharsOf(const std::string& cp932, size_t bytes) {
  return static_cast<int>(ToQt(cp932.substr(0, std::min(bytes, cp932.size()))).size());
}

}  // namespace

QComboBox* MainWindow::BoxWidget(THistoryBox which) const {
  return which == THistoryBox::kSearch ? searchBox_ : folderBox_;
}

void MainWindow::BuildHistoryBox(QComboBox* box, THistoryBox which) {
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setCompleter(nullptr);  // Enter must reach the box's own handler only
  box->setDuplicatesEnabled(true);
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  QLineEdit* edit = box->lineEdit();
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  edit->installEventFilter(this);
  const CommandPlace place =
      which == THistoryBox::kSearch ? CommandPlace::kSearchBoxMenu : CommandPlace::kFolderBoxMenu;
  connect(edit, &QWidget::customContextMenuRequested, this, [this, edit, which, place](QPoint at) {
    SyncSelection(which);
    ShowContextMenu(place, edit->mapToGlobal(at));
  });

  // The core knows the selection at all times, so a command from any menu or key finds it.
  connect(edit, &QLineEdit::selectionChanged, this, [this, which] { SyncSelection(which); });
  connect(edit, &QLineEdit::cursorPositionChanged, this, [this, which] { SyncSelection(which); });
  connect(box, &QComboBox::editTextChanged, this, [this, box, which](const QString& text) {
    const HistoryBox& core =
        which == THistoryBox::kSearch ? form_->searchHistory : form_->folderHistory;
    if (auto cp932 = which == THistoryBox::kSearch ? PatternFromQt(text) : FromQt(text)) {
      if (*cp932 != core.Text())
        Forward([this, which, value = *cp932] {
          if (which == THistoryBox::kSearch)
            form_->OnSearchBoxEdit(value);
          else
            form_->OnFolderBoxEdit(value);
        });
    } else {
      // A character without a CP932 form is refused, never changed into another one.
      Forward([this] { form_->RefuseTypedText(); });
    }
    // The box shows what the core holds (a run in progress holds typing off).
    if ((which == THistoryBox::kSearch ? PatternFromQt(box->currentText())
                                       : FromQt(box->currentText())) != core.Text()) {
      QSignalBlocker block(box);
      box->setEditText(ToQt(core.Text()));
    }
  });
  connect(edit, &QLineEdit::returnPressed, this, [this, which] {
    Forward([this, which] {
      if (which == THistoryBox::kSearch)
        form_->OnSearchBoxEnter();
      else
        form_->OnFolderBoxEnter();
    });
  });
  connect(box, &QComboBox::activated, this, [this, which](int index) {
    Forward([this, which, index] {
      if (which == THistoryBox::kSearch)
        form_->OnSearchHistoryPick(index);
      else
        form_->OnFolderHistoryPick(index);
    });
  });
}

void MainWindow::SyncSelection(THistoryBox which) {
  QLineEdit* edit = BoxWidget(which)->lineEdit();
  const QString text = edit->text();
  qsizetype start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  qsizetype length = edit->hasSelectedText() ? edit->selectionLength() : 0;
  const size_t byteStart = BytesOf(text, start);
  const size_t byteEnd = BytesOf(text, start + length);
  form_->SetBoxSelection(which, byteStart, byteEnd - byteStart);
}

CommandId MainWindow::ClipboardCommand(THistoryBox which, int key) const {
  const bool search = which == THistoryBox::kSearch;
  switch (key) {
    case 0:
      return search ? CommandId::kSearchBoxCut : CommandId::kFolderBoxCut;
    case 1:
      return search ? CommandId::kSearchBoxCopy : CommandId::kFolderBoxCopy;
    default:
      return search ? CommandId::kSearchBoxPaste : CommandId::kFolderBoxPaste;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool search = watched == searchBox_->lineEdit();
  if (!search && watched != folderBox_->lineEdit()) return QMainWindow::eventFilter(watched, event);
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
    return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  int which = -1;
  if (key->matches(QKeySequence::Cut)) which = 0;
  if (key->matches(QKeySequence::Copy)) which = 1;
  if (key->matches(QKeySequence::Paste)) which = 2;
  if (which < 0) return QMainWindow::eventFilter(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    // The key stays with the box, which hands it to the core's command below.
    event->accept();
    return true;
  }
  const THistoryBox box = search ? THistoryBox::kSearch : THistoryBox::kFolder;
  SyncSelection(box);
  actions_.at(ClipboardCommand(box, which))->trigger();
  return true;
}

void MainWindow::RefreshBox(QComboBox* widget, const HistoryBox& box, THistoryBox which,
                            uint64_t& shownRevision) {
  if (box.Revision() == shownRevision) return;
  shownRevision = box.Revision();
  QSignalBlocker block(widget);
  QSignalBlocker blockEdit(widget->lineEdit());
  QStringList items;
  for (const std::string& item : box.Items()) items << ToQt(item);
  QStringList shown;
  for (int i = 0; i < widget->count(); ++i) shown << widget->itemText(i);
  if (items != shown) {
    widget->clear();
    widget->addItems(items);
  }
  if (box.ItemIndex() >= 0) widget->setCurrentIndex(box.ItemIndex());
  const QString text = ToQt(box.Text());
  if (widget->currentText() != text) {
    widget->setEditText(text);
    // After a paste the caret stands behind the pasted text.
    const TextSelection selection = form_->BoxSelection(which);
    widget->lineEdit()->setCursorPosition(CharsOf(box.Text(), selection.start));
  }
  widget->setEnabled(box.Enabled());
}

}  // namespace skarvo::gui
