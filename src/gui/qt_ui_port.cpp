#include "gui/qt_ui_port.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QSortFilterProxyModel>

#include "app/main_window_core.h"
#include "gui/folder_dialog_form.h"
#include "gui/qt_text.h"
#include "platform/codepage.h"

namespace skarvo::gui {

QWidget* QtUiPort::Owner() const {
  if (QWidget* active = QApplication::activeModalWidget()) return active;
  return owner_.data();
}

namespace {

int Box(QWidget* owner, QMessageBox::Icon icon, const std::string& text, const std::string& caption,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, ToQt(caption), ToQt(text), buttons, owner);
  box.setDefaultButton(defaultButton);
  return box.exec();
}

}  // namespace

void QtUiPort::ShowMessage(const std::string& text, const std::string& caption) {
  Box(Owner(), QMessageBox::NoIcon, text, caption, QMessageBox::Ok, QMessageBox::Ok);
}

void QtUiPort::ShowError(const std::string& text, const std::string& caption) {
  Box(Owner(), QMessageBox::Critical, text, caption, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtUiPort::Confirm(const std::string& text, const std::string& caption) {
  return Box(Owner(), QMessageBox::Question, text, caption, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Ok) == QMessageBox::Ok;
}

Answer QtUiPort::Ask(const std::string& text, const std::string& caption, QuestionButtons buttons) {
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case QuestionButtons::kYesNo:
      set = QMessageBox::Yes | QMessageBox::No;
      break;
    case QuestionButtons::kYesCancel:
      set = QMessageBox::Yes | QMessageBox::Cancel;
      break;
    case QuestionButtons::kYesNoCancel:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
    case QuestionButtons::kYesCancelYesToAll:
      set = QMessageBox::Yes | QMessageBox::Cancel | QMessageBox::YesToAll;
      break;
  }
  QMessageBox box(QMessageBox::Question, ToQt(caption), ToQt(text), set, Owner());
  box.setDefaultButton(QMessageBox::Yes);
  // The questions name this button in their own words ("すべてはいで、…").
  if (QAbstractButton* all = box.button(QMessageBox::YesToAll))
    all->setText(QString::fromUtf8("すべてはい(&A)"));
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    case QMessageBox::YesToAll:
      return Answer::kYesToAll;
    default:
      // Closing the box counts as the cautious answer.
      return buttons == QuestionButtons::kYesNo ? Answer::kNo : Answer::kCancel;
  }
}

std::optional<std::string> QtUiPort::InputText(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& initial) {
  QString text = ToQt(initial);
  for (;;) {
    bool ok = false;
    text =
        QInputDialog::getText(Owner(), ToQt(caption), ToQt(prompt), QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    if (auto cp932 = FromQt(text)) return cp932;
    // Never changed silently: the user sees why and may correct it.
    SetStatusText(UnrepresentableInputText());
  }
}

std::optional<std::string> QtUiPort::ChooseFolder(const FolderChoiceRequest& request) {
  TFolderDialogForm form(request, owner_.data());
  return form.Run();
}

namespace {

// Folders and the files the user may run: programs here carry no extension to filter by.
class ExecutablesOnly : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files) return true;
    const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
    return info.isDir() || (info.isFile() && info.isExecutable());
  }
};

}  // namespace

QString QtFileFilter(const std::string& filter) {
  QStringList parts = ToQt(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << parts[i] + " (" + patterns + ")";
  }
  return filters.join(";;");
}

std::optional<std::string> QtUiPort::ChooseFile(const FileChoiceRequest& request, bool save) {
  QFileDialog dialog(Owner(), ToQt(request.title), ToQt(request.initialFolder),
                     QtFileFilter(request.filter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(ToQt(request.defaultExtension));
  if (!request.fileName.empty()) dialog.selectFile(ToQt(request.fileName));
  if (request.executablesOnly) dialog.setProxyModel(new ExecutablesOnly(&dialog));
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    if (auto path = FromQt(dialog.selectedFiles().front())) return path;
    SetStatusText(UnrepresentableInputText());
  }
}

std::optional<std::string> QtUiPort::ChooseOpenFile(const FileChoiceRequest& request) {
  return ChooseFile(request, false);
}

std::optional<std::string> QtUiPort::ChooseSaveFile(const FileChoiceRequest& request) {
  return ChooseFile(request, true);
}

void QtUiPort::SetStatusText(const std::string& text) {
  if (sink_) sink_(text);
}

}  // namespace skarvo::gui
