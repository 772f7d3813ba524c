#include "gui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/check_list_view.h"
#include "gui/event_log.h"
#include "gui/join_list_view.h"
#include "gui/keyboard.h"
#include "gui/qt_clipboard_port.h"
#include "gui/qt_text.h"
#include "gui/result_list_view.h"
#include "gui/timer_driver.h"
#include "gui/tool_icons.h"
#include "platform/codepage.h"

namespace skarvo::gui {

namespace {

// A page of the tab control holding one list.
QWidget* ListPage(QWidget* list, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  list->setParent(page);
  layout->addWidget(list);
  return page;
}

}  // namespace

MainWindow::MainWindow(UiPort& port, ClipboardPort* clipboard, ProcessPort* processes,
                       QWidget* parent)
    : QMainWindow(parent), port_(port) {
  if (!clipboard) {
    ownClipboard_ = std::make_unique<QtClipboardPort>();
    clipboard = ownClipboard_.get();
  }
  if (!processes) {
    ownProcesses_ = std::make_unique<SystemProcessPort>();
    processes = ownProcesses_.get();
  }
  form_ = std::make_unique<MainWindowCore>(port, *clipboard, *processes);
  form_->SetCursorSource([] { return QCursor::pos().y(); });
  eventLog_ = EventLog::FromEnvironment();

  setWindowTitle(ToQt(form_->Caption()));
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);

  BuildPages();
  statusLabel_ = new QLabel(this);
  statusBar()->addWidget(statusLabel_, 1);
  statusBar()->setSizeGripEnabled(true);

  BuildCommands();
  BuildBars();
  InstallKeyboard(*this);
  timer1_ = new TimerDriver(
      form_->statusTimer, [this] { Refresh(); }, this);
  timer2_ = new TimerDriver(
      form_->dragScrollTimer, [this] { Refresh(); }, this);
  ApplyDisplay();
  ForwardWorkArea();
  resize(form_->Width(), form_->Height());
  // The search's worker wakes the window from its own thread: the rows are taken here, on
  // the window's thread, through its event queue.
  takeTimer_ = new QTimer(this);
  takeTimer_->setSingleShot(true);
  connect(takeTimer_, &QTimer::timeout, this, [this] { TakeFoundRows(); });
  form_->SetSearchWake([this] { PostTakeFoundRows(); });
  // Esc stops a running search (the search tool button shows "中止" meanwhile).
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(stop, &QShortcut::activated, this, [this] {
    if (eventLog_ && form_->Search().runInProgress) eventLog_->Write("stop-key");
    form_->StopSearch();
  });
  Refresh();
}

void MainWindow::PostTakeFoundRows() {
  // By name: the call carries nothing the worker's thread made.
  QMetaObject::invokeMethod(this, "ScheduleTake", Qt::QueuedConnection);
}

void MainWindow::ScheduleTake() {
  // The run's end is shown at once.
  if (form_->SearchEndWaiting()) {
    takeTimer_->stop();
    return TakeFoundRows();
  }
  // Other rows are taken by a timer, not by the posted call itself: a search that finds rows
  // faster than they are shown would keep a posted call always waiting, and posted calls go
  // before timers, among them the list's own delayed layout, without which no row is drawn.
  if (takeTimer_->isActive()) return;
  const qint64 since = lastTake_.isValid() ? lastTake_.elapsed() : kTakeInterval;
  takeTimer_->start(static_cast<int>(std::max<qint64>(0, kTakeInterval - since)));
}

void MainWindow::TakeFoundRows() {
  lastTake_.start();
  Forward([this] { form_->TakeFoundRows(); });
  if (eventLog_ && form_->Search().runInProgress)
    eventLog_->Write("live", QStringLiteral("shown=%1").arg(resultList_->model()->rowCount()));
}

void MainWindow::ShowRunning(bool running) {
  if (running == shownRunning_) return;
  shownRunning_ = running;
  for (QWidget* list : {static_cast<QWidget*>(resultList_), static_cast<QWidget*>(joinList_),
                        static_cast<QWidget*>(targetList_)}) {
    if (running)
      list->setCursor(Qt::BusyCursor);
    else
      list->unsetCursor();
  }
  QAction* search = actions_[CommandId::kToolSearch];
  const QString caption = running ? Lit("中止") : Lit(Command(CommandId::kToolSearch).caption);
  search->setText(caption);
  search->setToolTip(caption);
  // The tool bar shows pictures only: the stop has its own.
  search->setIcon(running ? StopIcon() : ToolIcon(CommandId::kToolSearch));
  if (running && eventLog_) eventLog_->Write("start");
}

MainWindow::~MainWindow() {
  // The timer drivers and the views refer to the core window, which goes before the
  // window's children would: they go first.
  delete timer1_;
  delete timer2_;
  delete takeCentralWidget();
}

void MainWindow::Forward(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    QMessageBox::critical(this, ToQt(form_->Caption()), ToQt(e.Message()));
  } catch (const std::exception& e) {
    QMessageBox::critical(this, ToQt(form_->Caption()), QString::fromLocal8Bit(e.what()));
  }
  Refresh();
}

void MainWindow::BuildPages() {
  pages_ = new QTabWidget(this);
  pages_->setTabPosition(QTabWidget::South);

  resultList_ = new ResultListView(form_->resultList);
  // The core says how a row is highlighted; the list only draws it.
  resultList_->SetHighlighter(
      [this](const CheckListRow& row) { return form_->ResultRowHighlight(row); });
  resultList_->onClickCheck = [this](int row) {
    Forward([this, row] { form_->OnResultCheckClick(row); });
  };
  resultList_->onSelect = [this](int row) { Forward([this, row] { form_->OnResultSelect(row); }); };
  resultList_->onContextMenu = [this](const QPoint& at, const ResultMenuState&) {
    ShowContextMenu(CommandPlace::kResultListMenu, at);
  };

  joinList_ = BuildJoinList();

  targetList_ = new CheckListView(form_->targetList);
  targetList_->Model()->onClickCheck = [this](int row) {
    Forward([this, row] { form_->OnTargetCheckClick(row); });
  };
  targetList_->onSelect = [this](int row) { Forward([this, row] { form_->OnTargetSelect(row); }); };
  targetList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(targetList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    ShowContextMenu(CommandPlace::kTargetListMenu, targetList_->viewport()->mapToGlobal(at));
  });

  // Double-clicks open the row's hit, file or folder.
  resultList_->onDoubleClick = [this](int row) {
    Forward([this, row] {
      form_->OnResultSelect(row);
      form_->OnResultDoubleClick();
    });
  };
  connect(targetList_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    Forward([this, row = index.row()] {
      form_->OnTargetSelect(row);
      form_->OnTargetDoubleClick();
    });
  });
  connect(joinList_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    Forward([this, row = index.row()] {
      form_->joinList.SetItemIndex(row);
      form_->OnJoinListDoubleClick();
    });
  });

  pages_->addTab(ListPage(resultList_, pages_), ToQt(form_->PageCaption(kPageSearch)));
  pages_->addTab(ListPage(joinList_, pages_), ToQt(form_->PageCaption(kPageJoin)));
  pages_->addTab(ListPage(targetList_, pages_), ToQt(form_->PageCaption(kPageTargets)));
  // Only the user's picks reach the core: the window's own changes block the signal.
  connect(pages_, &QTabWidget::currentChanged, this,
          [this](int page) { Forward([this, page] { form_->OnTabChange(page); }); });
  setCentralWidget(pages_);
}

void MainWindow::BuildCommands() {
  QMenu* currentMenu = nullptr;
  std::string currentMenuName;
  for (CommandPlace place : {CommandPlace::kTargetListMenu, CommandPlace::kResultListMenu,
                             CommandPlace::kSearchBoxMenu, CommandPlace::kFolderBoxMenu})
    menus_[place] = new QMenu(this);
  for (const CommandInfo& info : CommandTable()) {
    auto* action = new QAction(Lit(info.caption), this);
    actions_[info.id] = action;
    const CommandId id = info.id;
    if (info.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(info.shortcut)));
    // The box's own keys run these while it has the focus (see eventFilter).
    action->setShortcutContext(Qt::WidgetShortcut);
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
        action->setIcon(ToolIcon(id));
        break;
      default:
        menus_[info.place]->addAction(action);
        break;
    }
  }
}

void MainWindow::ShowContextMenu(CommandPlace place, const QPoint& globalPos) {
  Forward([this, place] {
    if (place == CommandPlace::kTargetListMenu) form_->TargetListMenuPopup();
    if (place == CommandPlace::kResultListMenu) form_->ResultListMenuPopup();
  });
  menus_.at(place)->exec(globalPos);
}

void MainWindow::BuildBars() {
  toolBar1_ = addToolBar(QStringLiteral("ToolBar1"));
  toolBar1_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar1_->setMovable(false);
  toolBar1_->setIconSize(QSize(24, 24));
  for (const CommandInfo& info : CommandTable()) {
    if (info.place != CommandPlace::kToolButton) continue;
    // The mode buttons stand apart, as a pair of toggles.
    if (info.id == CommandId::kToolSearchMode || info.id == CommandId::kToolFolderSelect ||
        info.id == CommandId::kToolSettings)
      toolBar1_->addSeparator();
    toolBar1_->addAction(actions_[info.id]);
  }
  addToolBarBreak();

  toolBar2_ = addToolBar(QStringLiteral("ToolBar2"));
  toolBar2_->setObjectName(QStringLiteral("ToolBar2"));
  toolBar2_->setMovable(false);
  // One strip that shares the bar's width between the two boxes, so both stay in view
  // at any window width.
  auto* strip = new QWidget(toolBar2_);
  auto* layout = new QHBoxLayout(strip);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->addWidget(new QLabel(Lit("検索文字列"), strip));
  searchBox_ = new QComboBox(strip);
  searchBox_->setObjectName(QStringLiteral("searchHistory"));
  searchBox_->setMinimumContentsLength(8);
  layout->addWidget(searchBox_, 2);
  layout->addSpacing(6);
  layout->addWidget(new QLabel(Lit("フォルダ名"), strip));
  folderBox_ = new QComboBox(strip);
  folderBox_->setObjectName(QStringLiteral("folderHistory"));
  folderBox_->setToolTip(Lit("対象フォルダ"));
  folderBox_->setMinimumContentsLength(8);
  layout->addWidget(folderBox_, 3);
  toolBar2_->addWidget(strip);
  BuildHistoryBox(searchBox_, THistoryBox::kSearch);
  BuildHistoryBox(folderBox_, THistoryBox::kFolder);
}

void MainWindow::ApplyDisplay() {
  const DisplaySettings& d = form_->Display();
  resultList_->ApplyDisplay(d.resultList);
  joinList_->ApplyDisplay(d.joinList);
  targetList_->ApplyDisplay(d.targetList);
  for (QComboBox* box : {searchBox_, folderBox_}) {
    QFont boxFont = box->font();
    boxFont.setPointSize(d.comboBoxFontSize);
    box->setFont(boxFont);
  }
  toolBar2_->setFixedHeight(d.HistoryBarHeight());
  QFont statusFont = statusLabel_->font();
  statusFont.setPointSize(d.statusBarFontSize);
  statusLabel_->setFont(statusFont);
  statusBar()->setFixedHeight(d.StatusBarHeight());
  statusBar()->setVisible(d.statusBarVisible);
  toolBar1_->setVisible(d.toolBarVisible);
}

void MainWindow::ShowStatus(const std::string& text) {
  pendingStatus_ = text;
  statusPending_ = true;
  // A search sets the text for every file and hit: the view refresh during the run shows
  // the latest one.
  if (!shownRunning_) ApplyStatus();
}

void MainWindow::ApplyStatus() {
  if (!statusPending_) return;
  statusPending_ = false;
  statusLabel_->setText(ToQt(pendingStatus_));
  if (eventLog_) eventLog_->Write("status", statusLabel_->text());
  // Long operations set their progress without returning to the message loop, so the label
  // is painted here; at most every 40 ms, as each paint is a round trip to the X server.
  // The last text is painted by the loop, as is the text of a search run, whose worker
  // leaves the loop free.
  constexpr qint64 kStatusPaintInterval = 40;  // ms
  if (shownRunning_) return;
  if (lastStatusPaint_.isValid() && lastStatusPaint_.elapsed() < kStatusPaintInterval) return;
  lastStatusPaint_.start();
  statusLabel_->repaint();
}

void MainWindow::Refresh() {
  const bool runEnded = shownRunning_ && !form_->Search().runInProgress;
  ShowRunning(form_->Search().runInProgress);
  for (const auto& [id, action] : actions_) {
    const CommandState& state = form_->State(id);
    action->setEnabled(state.enabled);
    action->setVisible(state.visible);
    const bool toggle = id == CommandId::kSearchMode || id == CommandId::kJoinMode ||
                        id == CommandId::kToolSearchMode || id == CommandId::kToolJoinMode;
    if (state.checked || toggle) action->setCheckable(true);
    action->setChecked(state.checked);
  }
  if (form_->DisplayRevision() != shownDisplayRevision_) {
    shownDisplayRevision_ = form_->DisplayRevision();
    ApplyDisplay();
    resultList_->Redraw();
  }
  if (form_->Search().runInProgress)
    resultList_->RefreshGrowing();
  else
    resultList_->Refresh();
  const SearchState& search = form_->Search();
  if (search.searchText != shownSearch_.searchText ||
      search.replaceText != shownSearch_.replaceText) {
    shownSearch_ = search;
    resultList_->Redraw();
  }
  joinList_->Refresh();
  targetList_->Refresh();
  RefreshBox(searchBox_, form_->searchHistory, THistoryBox::kSearch, shownSearchBoxRevision_);
  RefreshBox(folderBox_, form_->folderHistory, THistoryBox::kFolder, shownFolderBoxRevision_);
  {
    QSignalBlocker block(pages_);
    for (int page = 0; page < kPageCount; ++page)
      pages_->setTabText(page, ToQt(form_->PageCaption(page)));
    pages_->setCurrentIndex(form_->ActivePage());
  }
  if (form_->FocusRequestCount() != shownFocusRequests_) {
    shownFocusRequests_ = form_->FocusRequestCount();
    if (form_->FocusTarget() == TFocusTarget::kJoinList) joinList_->setFocus();
    if (form_->FocusTarget() == TFocusTarget::kTargetList) targetList_->setFocus();
    if (form_->FocusTarget() == TFocusTarget::kSearchBox) searchBox_->setFocus();
  }
  if (form_->StatusText() != shownCoreStatus_) {
    shownCoreStatus_ = form_->StatusText();
    ShowStatus(shownCoreStatus_);
  }
  ApplyStatus();
  if (runEnded && eventLog_) {
    const CheckList& rows = form_->resultList;
    eventLog_->Write("end", QStringLiteral("rows=%1 files=%2 shown=%3")
                                .arg(rows.Count())
                                .arg(rows.HeaderCount())
                                .arg(resultList_->model()->rowCount()));
  }
  if ((form_->CloseRequested() || closeWaiting_) && !closing_ && form_->CanClose()) close();
}

void MainWindow::ForwardWorkArea() {
  if (QScreen* shown = screen()) {
    const QRect area = shown->availableGeometry();
    form_->SetWorkArea(WorkArea{area.width(), area.height()});
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_->CanClose()) {
    // A search is reading files: it stops, and the window closes once it has ended.
    form_->StopSearch();
    closeWaiting_ = true;
    event->ignore();
    return;
  }
  closing_ = true;
  ForwardWorkArea();
  Forward([this] { form_->FormClose(width(), height()); });
  if (eventLog_) eventLog_->Write("close");
  event->accept();
}

}  // namespace skarvo::gui
