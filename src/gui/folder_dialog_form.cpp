#include "gui/folder_dialog_form.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "platform/file_system.h"
#include "targets/folder_dialog_rules.h"
#include "targets/folder_scan.h"

namespace skarvo::gui {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;

DialogRect ToRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Whether child lies inside (or is) the folder ancestor.
bool IsInside(const std::string& ancestor, const std::string& child) {
  if (ancestor == "/") return !child.empty() && child.front() == '/';
  return child == ancestor ||
         (child.size() > ancestor.size() && child.compare(0, ancestor.size(), ancestor) == 0 &&
          child[ancestor.size()] == '/');
}

}  // namespace

TFolderDialogForm::TFolderDialogForm(const FolderChoiceRequest& request, QWidget* owner)
    : QDialog(owner), request_(request) {
  setWindowTitle(ToQt(request_.title));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);

  MessageLabel = new QLabel(ToQt(request_.text), this);
  MessageLabel->setWordWrap(true);
  // No empty band above the tree: the panel shows only while it has a text.
  MessageLabel->setVisible(!request_.text.empty());
  layout->addWidget(MessageLabel);

  FolderTree = new QTreeWidget(this);
  FolderTree->setHeaderHidden(true);
  FolderTree->setRootIsDecorated(true);
  FolderTree->setContextMenuPolicy(Qt::PreventContextMenu);
  FolderTree->setSelectionMode(QAbstractItemView::SingleSelection);
  // The selection stays visible when the tree loses the focus.
  QPalette palette = FolderTree->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  FolderTree->setPalette(palette);
  layout->addWidget(FolderTree, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  OkButton = new QPushButton(Lit("OK(&O)"), this);
  CancelButton = new QPushButton(Lit("キャンセル(&C)"), this);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  layout->addLayout(buttons);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  // Size, frame and place.
  if (request_.sizeable) {
    resize(request_.width, request_.height);
  } else {
    setFixedSize(request_.width, request_.height);
  }
  SetUpPlacement(owner);

  // The tree: the root's subfolders, filled further as nodes open.
  FillChildren(FolderTree->invisibleRootItem(), request_.rootFolder);
  QTreeWidgetItem* start =
      request_.startFolder.empty() ? nullptr : RevealFolder(request_.startFolder);
  if (!start && FolderTree->topLevelItemCount() > 0) start = FolderTree->topLevelItem(0);
  if (start) {
    FolderTree->setCurrentItem(start);
    FolderTree->scrollToItem(start);
  }

  // Enter on a default button answers the window as that button; with btNone no button
  // does. Enter in the tree confirms its selected folder, whatever the default button is:
  // a user who picked a folder and pressed Enter means that folder, not Cancel.
  FolderTree->installEventFilter(this);
  FolderDialogButtonRoles roles = ButtonRolesFor(request_.defaultButton, request_.focusedControl);
  OkButton->setAutoDefault(false);
  CancelButton->setAutoDefault(false);
  OkButton->setDefault(roles.okIsDefault);
  CancelButton->setDefault(roles.cancelIsDefault);
  ApplyFocus();

  connect(FolderTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
            if (current && request_.onSelect)
              request_.onSelect(NodePath(current), SelectedWithSeparator());
          });
  connect(FolderTree, &QTreeWidget::itemExpanded, this, &TFolderDialogForm::OnItemExpanded);
  connect(FolderTree, &QTreeWidget::itemCollapsed, this, &TFolderDialogForm::OnItemCollapsed);

  if (request_.link) {
    request_.link->setText = [this](const std::string& text) {
      MessageLabel->setText(ToQt(text));
      MessageLabel->setVisible(!text.empty());
    };
  }
}

TFolderDialogForm::~TFolderDialogForm() {
  if (request_.link) request_.link->setText = nullptr;
}

void TFolderDialogForm::SetUpPlacement(QWidget* owner) {
  QWidget* ownerWindow = owner ? owner->window() : nullptr;
  QScreen* screen = ownerWindow && ownerWindow->screen() ? ownerWindow->screen()
                                                         : QGuiApplication::primaryScreen();
  ScreenGeometry screens;
  if (screen) {
    screens.screen = ToRect(screen->geometry());
    screens.desktop = ToRect(screen->virtualGeometry());
    screens.workArea = ToRect(screen->availableGeometry());
  }
  std::optional<DialogRect> ownerRect;
  if (ownerWindow) ownerRect = ToRect(ownerWindow->frameGeometry());
  if (auto point = PlaceFolderDialog(request_, ownerRect, screens)) move(point->left, point->top);
}

void TFolderDialogForm::ApplyFocus() {
  FolderDialogButtonRoles roles = ButtonRolesFor(request_.defaultButton, request_.focusedControl);
  switch (roles.focus) {
    case FolderDialogButtonRoles::Focus::kTree:
      FolderTree->setFocus();
      break;
    case FolderDialogButtonRoles::Focus::kOkButton:
      OkButton->setFocus();
      break;
    case FolderDialogButtonRoles::Focus::kCancelButton:
      CancelButton->setFocus();
      break;
  }
}

std::string TFolderDialogForm::NodePath(const QTreeWidgetItem* item) {
  if (!item) return {};
  return item->data(0, kPathRole).toByteArray().toStdString();
}

std::string TFolderDialogForm::SelectedPath() const { return NodePath(FolderTree->currentItem()); }

std::string TFolderDialogForm::SelectedWithSeparator() const {
  std::string path = SelectedPath();
  return path.empty() ? path : WithTrailingSeparator(path);
}

namespace {

bool HasSubfolder(const std::string& cp932Path) {
  const std::optional<std::string> native = NativePath(cp932Path);
  // A name the tree cannot show keeps the arrow: opening tells.
  if (!native) return true;
  QDirIterator it(QString::fromStdString(*native),
                  QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  return it.hasNext();
}

}  // namespace

QTreeWidgetItem* TFolderDialogForm::AddNode(QTreeWidgetItem* parent, const std::string& path,
                                            const std::string& name) {
  auto* item = new QTreeWidgetItem(parent, QStringList{ToQt(name)});
  item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  item->setData(0, kPathRole, QByteArray::fromStdString(path));
  item->setData(0, kFilledRole, false);
  // The arrow shows before the folder is opened when it has a subfolder; the look stops at
  // the first one, so a big folder costs little. Opening it fills it for good.
  item->setChildIndicatorPolicy(HasSubfolder(path) ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
  return item;
}

void TFolderDialogForm::FillChildren(QTreeWidgetItem* parent, const std::string& folder) {
  if (parent->data(0, kFilledRole).toBool()) return;
  parent->setData(0, kFilledRole, true);
  for (const FolderEntry& entry : ListFolder(folder).entries)
    if (entry.isFolder) AddNode(parent, JoinPath(folder, entry.name), entry.name);
  if (parent->childCount() == 0)
    parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* TFolderDialogForm::RevealFolder(const std::string& folder) {
  const std::string target = WithoutTrailingSeparator(folder);
  const std::string& root = request_.rootFolder;
  if (target == root || !IsInside(root, target)) return nullptr;
  QTreeWidgetItem* parent = FolderTree->invisibleRootItem();
  std::string parentPath = root;
  for (;;) {
    FillChildren(parent, parentPath);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < parent->childCount() && !next; ++i) {
      std::string childPath = NodePath(parent->child(i));
      if (IsInside(childPath, target)) next = parent->child(i);
    }
    if (!next) return nullptr;
    if (NodePath(next) == target) return next;
    FillChildren(next, NodePath(next));
    reverting_ = true;  // opening the way to the start folder is not the user's doing
    next->setExpanded(true);
    reverting_ = false;
    parent = next;
    parentPath = NodePath(next);
  }
}

void TFolderDialogForm::OnItemExpanded(QTreeWidgetItem* item) {
  if (reverting_) return;
  const std::string node = NodePath(item);
  bool allow = true;
  if (request_.onExpanding) request_.onExpanding(node, SelectedWithSeparator(), allow);
  if (!allow) {
    reverting_ = true;
    item->setExpanded(false);
    reverting_ = false;
    return;
  }
  FillChildren(item, node);
  if (request_.onExpanded) request_.onExpanded(node, SelectedWithSeparator());
}

void TFolderDialogForm::OnItemCollapsed(QTreeWidgetItem* item) {
  if (reverting_) return;
  const std::string node = NodePath(item);
  bool allow = true;
  if (request_.onCollapsing) request_.onCollapsing(node, SelectedWithSeparator(), allow);
  if (!allow) {
    reverting_ = true;
    item->setExpanded(true);
    reverting_ = false;
    return;
  }
  if (request_.onCollapsed) request_.onCollapsed(node, SelectedWithSeparator());
}

void TFolderDialogForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ApplyFocus();
  if (request_.onShow) request_.onShow();
}

bool TFolderDialogForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FolderTree && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        FolderTree->currentItem()) {
      OkButton->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFolderDialogForm::done(int result) {
  bool canClose = true;
  if (request_.onCanClose) request_.onCanClose(canClose);
  if (!canClose) return;
  QDialog::done(result);
  if (request_.onClose) request_.onClose();
}

std::optional<std::string> TFolderDialogForm::Run() {
  if (exec() != QDialog::Accepted) return std::nullopt;
  return SelectedPath();
}

}  // namespace skarvo::gui
