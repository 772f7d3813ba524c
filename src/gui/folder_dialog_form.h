// TFolderDialogForm: the modal window of the folder picker. It is built from a folder
// choice request (the picker component's resolved set-up), shows the message, a tree of
// the file system's folders below the request's root and the OK and Cancel buttons, and
// reports the tree's events back through the request. Created for one choice and
// destroyed afterwards.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "platform/folder_choice.h"
#include "platform/ui_port.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace skarvo::gui {

class TFolderDialogForm : public QDialog {
  Q_OBJECT

 public:
  // owner: the window the picker belongs to (for dpOwnerCenter), may be null.
  TFolderDialogForm(const FolderChoiceRequest& request, QWidget* owner);
  ~TFolderDialogForm() override;

  // The folder of the tree's selected node; empty when no node is selected.
  std::string SelectedPath() const;
  // Shows the window modally: the confirmed folder, "" when no node was selected, or
  // nullopt on Cancel.
  std::optional<std::string> Run();

  QLabel* MessageLabel = nullptr;
  QTreeWidget* FolderTree = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

  // The node of a folder, after expanding its ancestors; null when outside the tree.
  QTreeWidgetItem* RevealFolder(const std::string& folder);
  // The folder of a node.
  static std::string NodePath(const QTreeWidgetItem* item);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpPlacement(QWidget* owner);
  void ApplyFocus();
  void FillChildren(QTreeWidgetItem* parent, const std::string& folder);
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& path,
                           const std::string& name);
  std::string SelectedWithSeparator() const;
  void OnItemExpanded(QTreeWidgetItem* item);
  void OnItemCollapsed(QTreeWidgetItem* item);

  FolderChoiceRequest request_;
  bool reverting_ = false;  // while an expansion or collapse that was refused is undone
};

}  // namespace skarvo::gui
