// The join list on screen (offscreen platform): row heights by kind, check boxes, a drag
// that reorders rows through the core, and the context menu's states by mode.
#include "gui/join_list_view.h"

#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMimeData>
#include <QtTest>
#include <fstream>

#include "gui/app_setup.h"
#include "gui/main_window.h"
#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::Sjis;

class JoinListViewTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;

 private slots:
  void initTestCase() {
    if (::chdir(home_.Root().c_str()) != 0) QFAIL("no home folder");
    std::ofstream(home_.Root() + "/Skarvo.ini", std::ios::binary)
        << Sjis("[ファイル結合]\n結合文字列=-----\n");
    home_.File("a.txt", "a1\r\na2\r\na3\r\n");
    home_.File("b.txt", "b1\nb2\nb3\nb4\nb5\nb6\n");
  }

  void rowHeightsAndADragThroughTheCore() {
    skarvo::FakeUiPort port;
    skarvo::gui::MainWindow w(port);
    w.resize(600, 500);
    w.show();
    skarvo::MainWindowCore& form = w.Form();
    form.targetList.Add(home_.Root(), true);
    form.targetList.Add(home_.Path("a.txt"), false, true);
    form.targetList.Add(home_.Path("b.txt"), false, true);
    w.Action(CommandId::kJoinMode)->trigger();
    w.Action(CommandId::kJoinFiles)->trigger();
    skarvo::gui::JoinListView* view = w.JoinList();
    QCOMPARE(view->model()->rowCount(), 5);

    // Separator rows one line high, content rows six lines and 5 pixels; check boxes only
    // on content rows; the text breaks at CR LF.
    const int line = view->SeparatorRowHeight();
    QVERIFY(line >= 8);
    for (int row = 0; row < 5; ++row) {
      const QModelIndex at = view->model()->index(row, 0);
      const bool separator = row % 2 == 0;
      QCOMPARE(view->visualRect(at).height(), separator ? line : 6 * line + 5);
      QCOMPARE(at.data(Qt::CheckStateRole).isValid(), !separator);
    }
    QVERIFY(view->model()->index(1, 0).data().toString().contains(QStringLiteral("\r\na1\r\na2")));

    // Drag the second file (row 3) onto the first row: the core moves it and the drag
    // timer stops.
    form.joinList.SetItemIndex(3);
    w.Refresh();
    QMimeData data;
    data.setData(skarvo::gui::JoinListView::kRowMimeType, "3");
    const QPoint target = view->visualRect(view->model()->index(0, 0)).center();
    QDragEnterEvent enter(target, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(target, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    QVERIFY(form.dragScrollTimer.Enabled());
    QDropEvent drop(QPointF(target), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    QVERIFY(!form.dragScrollTimer.Enabled());
    QCOMPARE(view->RowAt(target), 0);
    QVERIFY(form.joinList.Text(0).find("b.txt") != std::string::npos);
    QCOMPARE(form.joinList.ItemIndex(), 0);
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(view->visualRect(view->model()->index(0, 0)).height(), 6 * line + 5);

    // The drag timer's scrolling shows: the view follows the core's top row.
    w.resize(600, 200);
    QCoreApplication::processEvents();
    form.joinList.SetTopIndex(2);
    w.Refresh();
    QCOMPARE(view->indexAt(QPoint(1, 1)).row(), 2);

    // The context menu follows the mode: in join mode on a content row "項目の追加" is on
    // and "選択項目の削除" off.
    form.JoinListMenuPopup();
    QVERIFY(form.JoinSplit().MenuEnabled(skarvo::JoinListCommand::kAddSeparator));
    QVERIFY(!form.JoinSplit().MenuEnabled(skarvo::JoinListCommand::kDeleteSeparator));
    QCOMPARE(w.JoinListMenu()->actions().size(), skarvo::kJoinListCommandCount);
    QCOMPARE(w.JoinListMenu()->actions()[0]->text(), QString::fromUtf8("項目の追加"));

    // Leaving the list for another control turns the save, overwrite and undo buttons off;
    // a box over the window does not.
    form.SetCommandEnabled(CommandId::kToolSaveNew, true);
    w.Refresh();
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    view->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(view->hasFocus());
    w.FolderBox()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!form.State(CommandId::kToolSaveNew).enabled);
    QVERIFY(!w.Action(CommandId::kToolSaveNew)->isEnabled());

    // Outside join mode rows are not taken.
    w.Action(CommandId::kSearchMode)->trigger();
    QDragEnterEvent refused(target, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &refused);
    QVERIFY(!refused.isAccepted());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  JoinListViewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "join_list_view_test.moc"
