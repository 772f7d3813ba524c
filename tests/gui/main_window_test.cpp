#include "gui/main_window.h"

#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>
#include <fstream>

#include "gui/app_setup.h"
#include "gui/check_list_view.h"
#include "gui/timer_driver.h"
#include "platform/codepage.h"
#include "platform/fake_ui_port.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::FakeUiPort;
using skarvo::Sjis;
using skarvo::gui::MainWindow;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;
  skarvo::testing::TempTree data_;

  static QStringList Rows(MainWindow& w) {
    QStringList rows;
    auto* model = w.TargetList()->Model();
    for (int i = 0; i < model->rowCount(); ++i) {
      QModelIndex at = model->index(i);
      QVariant check = model->data(at, Qt::CheckStateRole);
      QString mark =
          !check.isValid() ? "H " : (check.value<Qt::CheckState>() == Qt::Checked ? "+ " : "- ");
      rows << mark + model->data(at, Qt::DisplayRole).toString();
    }
    return rows;
  }

 private slots:
  void initTestCase() {
    if (::chdir(home_.Root().c_str()) != 0) QFAIL("no home folder");
    data_.File("first/a.txt");
    data_.File("first/b.txt");
    data_.File("second/c.txt");
    data_.File("second/skip.csv");
  }

  void startsWithTheDefaults() {
    FakeUiPort port;
    MainWindow w(port);
    QCOMPARE(w.windowTitle(), QString("Skarvo"));
    QCOMPARE(w.size(), QSize(680, 480));
    QCOMPARE(w.FolderBox()->currentText(), QString("新規フォルダ"));
    QCOMPARE(w.FolderBox()->count(), 1);
    QCOMPARE(w.FolderBox()->toolTip(), QString("対象フォルダ"));
    QCOMPARE(w.Pages()->tabText(0), QString("対象File一覧"));
    QCOMPARE(w.Pages()->tabPosition(), QTabWidget::South);
    QList<QAction*> menus = w.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QString("ファイル"));
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions())
      if (!a->isSeparator()) items << a->text();
    QCOMPARE(items, QStringList({"フォルダの選択", "フォルダの追加", "終了"}));
    QCOMPARE(w.Action(CommandId::kToolFolderSelect)->toolTip(), QString("フォルダの選択"));
    QCOMPARE(w.Action(CommandId::kToolFolderAdd)->toolTip(), QString("フォルダの追加"));
    QCOMPARE(w.StatusLabel()->text(), QString());
  }

  void choosingAFolderShowsTheTargetsAndTheNoticeClears() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kToolFolderSelect)->trigger();
    const QString root = QString::fromStdString(data_.Root());
    QCOMPARE(Rows(w), QStringList({"H \"" + root + "/first\",【該当File数】,2",
                                   "+ " + root + "/first/a.txt", "+ " + root + "/first/b.txt",
                                   "H \"" + root + "/second\",【該当File数】,1",
                                   "+ " + root + "/second/c.txt"}));
    auto* model = w.TargetList()->Model();
    QCOMPARE(model->data(model->index(0), Qt::BackgroundRole).value<QColor>(), QColor(128, 128, 0));
    QCOMPARE(model->data(model->index(0), Qt::ForegroundRole).value<QColor>(),
             QColor(255, 251, 240));
    QCOMPARE(w.FolderBox()->currentText(), root + "/");
    QCOMPARE(w.StatusLabel()->text(), QString("3個のファイルが対象です"));
    QTimer* timer = w.StatusTimer()->Timer();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    QTest::qWait(4000);
    QCOMPARE(w.StatusLabel()->text(), QString("3個のファイルが対象です"));
    QTRY_COMPARE_WITH_TIMEOUT(w.StatusLabel()->text(), QString(), 3000);
    QVERIFY(!timer->isActive());
  }

  void checkBoxesAndTheContextMenuGoThroughTheCore() {
    FakeUiPort port;
    MainWindow w(port);
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kFolderSelect)->trigger();
    auto* model = w.TargetList()->Model();
    QVERIFY(model->setData(model->index(1), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(w.Form().TargetCount(), 2);
    QCOMPARE(model->data(model->index(1), Qt::CheckStateRole).value<Qt::CheckState>(),
             Qt::Unchecked);
    QVERIFY(!(model->flags(model->index(0)) & Qt::ItemIsUserCheckable));

    QVERIFY(!w.Action(CommandId::kTargetCheckOnFolder)->isEnabled());
    w.TargetList()->setCurrentIndex(model->index(3));
    QCOMPARE(w.Form().CheckListBox1.ItemIndex(), 3);
    QVERIFY(w.Action(CommandId::kTargetCheckOffFolder)->isEnabled());
    w.Action(CommandId::kTargetCheckOffFolder)->trigger();
    QCOMPARE(model->data(model->index(4), Qt::CheckStateRole).value<Qt::CheckState>(),
             Qt::Unchecked);
    w.Action(CommandId::kTargetAllOn)->trigger();
    QCOMPARE(w.Form().CheckListBox1.CheckedCount(), 3);
  }

  void theFolderBoxBuildsOnEnterAndRefusesTextWithoutCp932Form() {
    FakeUiPort port;
    MainWindow w(port);
    const QString second = QString::fromStdString(data_.Path("second"));
    w.FolderBox()->lineEdit()->setText(second);
    QCOMPARE(w.Form().ComboBox2.Text(), data_.Path("second"));
    QTest::keyClick(w.FolderBox()->lineEdit(), Qt::Key_Return);
    QCOMPARE(w.Form().TargetCount(), 1);
    QCOMPARE(w.FolderBox()->itemText(0), second);
    QCOMPARE(w.FolderBox()->count(), 2);
    QVERIFY(port.folderRequests.empty());
    // Enter is the box's own event, not a selection of the entry it matches.
    QTest::keyClick(w.FolderBox()->lineEdit(), Qt::Key_Return);
    QVERIFY(port.CallsOf("confirm").empty());
    QCOMPARE(w.FolderBox()->count(), 2);

    w.FolderBox()->lineEdit()->setText(second + QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(w.FolderBox()->currentText(), second);
    QCOMPARE(w.Form().ComboBox2.Text(), data_.Path("second"));
    QCOMPARE(w.StatusLabel()->text(), QString("Shift-JISで表せない文字は使えません"));
  }

  void appliesTheStoredDisplaySettings() {
    std::ofstream(home_.Root() + "/Skarvo.ini", std::ios::binary) << Sjis(
        "[表示]\nTAB３ヘッダー背景色=clNavy\nTAB３ヘッダーフォント色=$0000FFFF\n"
        "TAB３フォントサイズ=20\nステータスバー表示=0\nツールボタン表示=0\n"
        "コンボボックスサイズ=15\n");
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kFolderSelect)->trigger();
    auto* model = w.TargetList()->Model();
    QCOMPARE(model->data(model->index(0), Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 128));
    QCOMPARE(model->data(model->index(0), Qt::ForegroundRole).value<QColor>(), QColor(255, 255, 0));
    QCOMPARE(w.TargetList()->font().pointSize(), 20);
    QCOMPARE(w.FolderBox()->font().pointSize(), 15);
    QCOMPARE(w.FolderBox()->parentWidget()->height(), 15 + 23);
    QVERIFY(w.StatusLabel()->parentWidget()->isHidden());
    QVERIFY(w.findChild<QToolBar*>("ToolBar1")->isHidden());
    QVERIFY(!w.findChild<QToolBar*>("ToolBar2")->isHidden());
    ::unlink((home_.Root() + "/Skarvo.ini").c_str());
  }

  void exitClosesAndStoresTheHistoryAndSize() {
    FakeUiPort port;
    {
      MainWindow w(port);
      w.show();
      port.folderAnswers.push_back(data_.Root());
      w.Action(CommandId::kFolderSelect)->trigger();
      w.resize(700, 500);
      w.Action(CommandId::kExit)->trigger();
      QVERIFY(!w.isVisible());
    }
    MainWindow again(port);
    QCOMPARE(again.size(), QSize(700, 500));
    QCOMPARE(again.FolderBox()->itemText(1), QString::fromStdString(data_.Root() + "/"));
    ::unlink((home_.Root() + "/Skarvo.ini").c_str());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
