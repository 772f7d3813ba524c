#include "gui/history_pruning_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/main_window_core.h"
#include "gui/check_list_view.h"
#include "gui/qt_text.h"
#include "gui/timer_driver.h"
#include "gui/window_place.h"

namespace skarvo::gui {

HistoryPruningForm::HistoryPruningForm(MainWindowCore& form, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  core_ = std::make_unique<HistoryPruningDialogCore>(form.searchHistory, form.folderHistory);
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(Lit("検索条件削除"));
  setModal(true);
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);
  setFixedSize(392, 451);

  auto* searchGroup = new QGroupBox(Lit("検索文字列"), this);
  searchGroup->setGeometry(6, 4, 380, 196);
  searchList_ = BuildList(TPruneList::kSearch, searchGroup, searchMenu_);
  auto* folderGroup = new QGroupBox(Lit("検索対象フォルダ"), this);
  folderGroup->setGeometry(6, 204, 380, 196);
  folderList_ = BuildList(TPruneList::kFolder, folderGroup, folderMenu_);

  ok_ = new QPushButton(QStringLiteral("Ok"), this);
  ok_->setGeometry(226, 405, 75, 24);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] { Forward([this] { core_->OkClick(); }); });
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(309, 405, 75, 24);
  connect(cancel, &QPushButton::clicked, this,
          [this] { Forward([this] { core_->CancelClick(); }); });
  auto* bar = new QStatusBar(this);
  bar->setGeometry(0, 432, 392, 19);
  bar->setSizeGripEnabled(false);
  status_ = new QLabel(bar);
  bar->addWidget(status_, 1);
  timer_ = new TimerDriver(
      core_->statusTimer, [this] { Refresh(); }, this);
  form.Dialogs().showHistoryPruning = [this] { Run(); };
}

HistoryPruningForm::~HistoryPruningForm() {
  // The timer driver refers to the core's timer: it goes first.
  delete timer_;
}

CheckListView* HistoryPruningForm::BuildList(TPruneList which, QWidget* parent, QMenu*& menu) {
  auto* list = new CheckListView(core_->List(which), parent);
  auto* layout = new QVBoxLayout(parent);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->addWidget(list);
  ListDisplay display;
  // clGradientInactiveCaption in its usual light blue: the palette's inactive highlight
  // would make the header row look selected.
  display.headerBackground = RgbColor(215, 228, 242);
  display.headerFont = SystemColor(8);  // clWindowText
  display.fontSize = 11;                // 15 pixels, rows of 15
  list->ApplyDisplay(display);
  list->Model()->onClickCheck = [this, which](int row) {
    Forward([this, which, row] { core_->ClickCheck(which, row); });
  };
  list->onSelect = [this, which](int row) {
    Forward([this, which, row] { core_->List(which).SetItemIndex(row); });
  };
  menu = new QMenu(this);
  connect(menu->addAction(Lit("全てOn")), &QAction::triggered, this,
          [this, which] { Forward([this, which] { core_->AllOn(which); }); });
  connect(menu->addAction(Lit("全てOff")), &QAction::triggered, this,
          [this, which] { Forward([this, which] { core_->AllOff(which); }); });
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list, &QWidget::customContextMenuRequested, this,
          [list, menu](const QPoint& at) { menu->exec(list->viewport()->mapToGlobal(at)); });
  return list;
}

void HistoryPruningForm::Forward(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    QMessageBox::critical(this, windowTitle(), ToQt(e.Message()));
  }
  Refresh();
  if (!core_->Visible() && isVisible()) QDialog::accept();
}

void HistoryPruningForm::Refresh() {
  searchList_->Refresh();
  folderList_->Refresh();
  status_->setText(ToQt(core_->StatusText()));
}

void HistoryPruningForm::Prepare() {
  core_->Show();
  Refresh();
  CentreOnOwner(*this);
}

void HistoryPruningForm::Run() {
  Prepare();
  exec();
}

void HistoryPruningForm::reject() {
  core_->CancelClick();
  QDialog::reject();
}

}  // namespace skarvo::gui
