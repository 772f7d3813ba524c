#include "gui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "gui/check_list_view.h"
#include "gui/qt_text.h"
#include "gui/timer_driver.h"
#include "platform/codepage.h"

namespace skarvo::gui {

MainWindow::MainWindow(UiPort& port, QWidget* parent)
    : QMainWindow(parent), form_(std::make_unique<TForm1>(port)), port_(port) {
  setWindowTitle(ToQt(form_->Caption()));
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);

  // The tab control with the target list; tabs at the bottom.
  pages_ = new QTabWidget(this);
  pages_->setTabPosition(QTabWidget::South);
  auto* targetPage = new QWidget(pages_);
  auto* targetLayout = new QVBoxLayout(targetPage);
  targetLayout->setContentsMargins(0, 0, 0, 0);
  targetList_ = new CheckListView(form_->CheckListBox1, targetPage);
  targetLayout->addWidget(targetList_);
  pages_->addTab(targetPage, Lit("対象File一覧"));
  setCentralWidget(pages_);

  targetList_->Model()->onClickCheck = [this](int row) {
    Forward([this, row] { form_->CheckListBox1ClickCheck(row); });
  };
  targetList_->onSelect = [this](int row) {
    Forward([this, row] { form_->CheckListBox1Select(row); });
  };

  statusLabel_ = new QLabel(this);
  statusBar()->addWidget(statusLabel_, 1);
  statusBar()->setSizeGripEnabled(true);

  BuildCommands();
  BuildBars();
  timer1_ = new TimerDriver(
      form_->Timer1, [this] { Refresh(); }, this);
  ApplyDisplay();
  resize(form_->Width(), form_->Height());
  Refresh();
}

MainWindow::~MainWindow() {
  // The timer driver and the views refer to the core window, which goes before the
  // window's children would: they go first.
  delete timer1_;
  delete takeCentralWidget();
}

template <typename F>
void MainWindow::Forward(F&& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    QMessageBox::critical(this, ToQt(form_->Caption()), ToQt(e.Message()));
  } catch (const std::exception& e) {
    QMessageBox::critical(this, ToQt(form_->Caption()), QString::fromLocal8Bit(e.what()));
  }
  Refresh();
}

void MainWindow::BuildCommands() {
  QMenu* currentMenu = nullptr;
  std::string currentMenuName;
  targetMenu_ = new QMenu(this);
  for (const CommandInfo& info : CommandTable()) {
    auto* action = new QAction(Lit(info.caption), this);
    actions_[info.id] = action;
    const CommandId id = info.id;
    connect(action, &QAction::triggered, this,
            [this, id] { Forward([this, id] { form_->Execute(id); }); });
    switch (info.place) {
      case CommandPlace::kMainMenu:
        if (!currentMenu || currentMenuName != info.menu) {
          currentMenu = menuBar()->addMenu(Lit(info.menu));
          currentMenuName = info.menu;
        }
        if (id == CommandId::kExit) currentMenu->addSeparator();
        currentMenu->addAction(action);
        break;
      case CommandPlace::kToolButton:
        action->setToolTip(Lit(info.caption));
        break;
      case CommandPlace::kTargetListMenu:
        targetMenu_->addAction(action);
        break;
    }
  }
  actions_[CommandId::kToolFolderSelect]->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  actions_[CommandId::kToolFolderAdd]->setIcon(
      style()->standardIcon(QStyle::SP_FileDialogNewFolder));

  targetList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(targetList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    Refresh();
    targetMenu_->exec(targetList_->viewport()->mapToGlobal(at));
  });
}

void MainWindow::BuildBars() {
  toolBar1_ = addToolBar(QStringLiteral("ToolBar1"));
  toolBar1_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar1_->setMovable(false);
  for (const CommandInfo& info : CommandTable())
    if (info.place == CommandPlace::kToolButton) toolBar1_->addAction(actions_[info.id]);
  addToolBarBreak();

  toolBar2_ = addToolBar(QStringLiteral("ToolBar2"));
  toolBar2_->setObjectName(QStringLiteral("ToolBar2"));
  toolBar2_->setMovable(false);
  toolBar2_->addWidget(new QLabel(Lit("フォルダ名"), toolBar2_));
  folderBox_ = new QComboBox(toolBar2_);
  folderBox_->setEditable(true);
  folderBox_->setInsertPolicy(QComboBox::NoInsert);
  folderBox_->setCompleter(nullptr);  // Enter must reach the box's own handler only
  folderBox_->setToolTip(Lit("対象フォルダ"));
  folderBox_->setMinimumContentsLength(40);
  folderBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  toolBar2_->addWidget(folderBox_);

  connect(folderBox_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (auto cp932 = FromQt(text)) {
      if (*cp932 != form_->ComboBox2.Text())
        Forward([this, value = *cp932] { form_->ComboBox2Change(value); });
      return;
    }
    // A character without a CP932 form is refused, never changed into another one.
    Forward([this] { form_->RefuseTypedText(); });
    QSignalBlocker block(folderBox_);
    folderBox_->setEditText(ToQt(form_->ComboBox2.Text()));
  });
  connect(folderBox_->lineEdit(), &QLineEdit::returnPressed, this,
          [this] { Forward([this] { form_->ComboBox2KeyEnter(); }); });
  connect(folderBox_, &QComboBox::activated, this,
          [this](int index) { Forward([this, index] { form_->ComboBox2Select(index); }); });
}

void MainWindow::ApplyDisplay() {
  const DisplaySettings& d = form_->Display();
  targetList_->ApplyDisplay(d.targetList);
  QFont boxFont = folderBox_->font();
  boxFont.setPointSize(d.comboBoxFontSize);
  folderBox_->setFont(boxFont);
  toolBar2_->setFixedHeight(d.HistoryBarHeight());
  QFont statusFont = statusLabel_->font();
  statusFont.setPointSize(d.statusBarFontSize);
  statusLabel_->setFont(statusFont);
  statusBar()->setFixedHeight(d.StatusBarHeight());
  statusBar()->setVisible(d.statusBarVisible);
  toolBar1_->setVisible(d.toolBarVisible);
}

void MainWindow::ShowStatus(const std::string& text) {
  statusLabel_->setText(ToQt(text));
  // Long operations set their progress without returning to the message loop.
  statusLabel_->repaint();
}

void MainWindow::RefreshFolderBox() {
  const HistoryBox& box = form_->ComboBox2;
  if (box.Revision() == shownFolderBoxRevision_) return;
  shownFolderBoxRevision_ = box.Revision();
  QSignalBlocker block(folderBox_);
  QStringList items;
  for (const std::string& item : box.Items()) items << ToQt(item);
  QStringList shown;
  for (int i = 0; i < folderBox_->count(); ++i) shown << folderBox_->itemText(i);
  if (items != shown) {
    folderBox_->clear();
    folderBox_->addItems(items);
  }
  if (box.ItemIndex() >= 0) folderBox_->setCurrentIndex(box.ItemIndex());
  const QString text = ToQt(box.Text());
  if (folderBox_->currentText() != text) folderBox_->setEditText(text);
  folderBox_->setEnabled(box.Enabled());
}

void MainWindow::Refresh() {
  for (const auto& [id, action] : actions_) {
    const CommandState& state = form_->State(id);
    action->setEnabled(state.enabled);
    action->setVisible(state.visible);
    if (state.checked) action->setCheckable(true);
    action->setChecked(state.checked);
  }
  targetList_->Refresh();
  RefreshFolderBox();
  if (form_->StatusText() != shownCoreStatus_) {
    shownCoreStatus_ = form_->StatusText();
    ShowStatus(shownCoreStatus_);
  }
  if (form_->CloseRequested() && !closing_) close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  Forward([this] { form_->FormClose(width(), height()); });
  event->accept();
}

}  // namespace skarvo::gui
