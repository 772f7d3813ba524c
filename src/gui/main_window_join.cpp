// The main window's join list: its view, events and context menu.
#include <QAction>
#include <QMenu>

#include "gui/join_list_view.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace skarvo::gui {

JoinListView* MainWindow::BuildJoinList() {
  auto* view = new JoinListView(form_->joinList);
  view->Model()->onClickCheck = [this](int row) {
    Forward([this, row] { form_->OnJoinListCheckClick(row); });
  };
  view->onSelect = [this](int row) { Forward([this, row] { form_->OnJoinListSelect(row); }); };
  view->dragAllowed = [this] { return form_->JoinListDragEnabled(); };
  view->onDragOver = [this](int y) { Forward([this, y] { form_->OnJoinListDragOver(y); }); };
  view->onDrop = [this](int row) { Forward([this, row] { form_->OnJoinListDrop(row); }); };
  view->onDragEnd = [this] { Forward([this] { form_->OnJoinListDragEnd(); }); };
  view->onTopRowChanged = [this](int row) { form_->joinList.SetTopIndex(row); };
  view->onExit = [this] { Forward([this] { form_->OnJoinListExit(); }); };

  joinListMenu_ = new QMenu(this);
  for (int c = 0; c < kJoinListCommandCount; ++c) {
    const auto command = static_cast<JoinListCommand>(c);
    QAction* action = joinListMenu_->addAction(Lit(JoinListCommandCaption(command)));
    connect(action, &QAction::triggered, this, [this, command] {
      Forward([this, command] { form_->ExecuteJoinListCommand(command); });
    });
  }
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
    Forward([this] { form_->JoinListMenuPopup(); });
    const QList<QAction*> actions = joinListMenu_->actions();
    for (int c = 0; c < kJoinListCommandCount && c < actions.size(); ++c)
      actions[c]->setEnabled(form_->JoinSplit().MenuEnabled(static_cast<JoinListCommand>(c)));
    joinListMenu_->exec(view->viewport()->mapToGlobal(at));
  });
  return view;
}

}  // namespace skarvo::gui
