#include "gui/main_window.h"

#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>
#include <fstream>

#include "gui/app_setup.h"
#include "gui/check_list_view.h"
#include "gui/join_list_view.h"
#include "gui/result_list_view.h"
#include "gui/timer_driver.h"
#include "platform/clipboard_port.h"
#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "support/worker_gate.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::FakeUiPort;
using skarvo::Sjis;
using skarvo::WorkerGate;
using skarvo::gui::MainWindow;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;
  skarvo::testing::TempTree data_;

  static QStringList Rows(MainWindow& w) { return RowsOf(w.TargetList()->Model()); }
  static QStringList RowsOf(QAbstractItemModel* model) {
    QStringList rows;
    for (int i = 0; i < model->rowCount(); ++i) {
      QModelIndex at = model->index(i, 0);
      QVariant check = model->data(at, Qt::CheckStateRole);
      QString mark =
          !check.isValid() ? "H " : (check.value<Qt::CheckState>() == Qt::Checked ? "+ " : "- ");
      rows << mark + model->data(at, Qt::DisplayRole).toString();
    }
    return rows;
  }

  static QString Tree() { return QString::fromUtf8(SKARVO_TEST_DATA) + "/search/tree"; }
  void WriteOfficeSettings() {
    std::ofstream(home_.Root() + "/Skarvo.ini", std::ios::binary)
        << Sjis("[拡張子]\nMsWordファイル=1\nMsExcelファイル=1\n");
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
    QCOMPARE(w.SearchBox()->currentText(), QString());
    QStringList tabs;
    for (int i = 0; i < w.Pages()->count(); ++i) tabs << w.Pages()->tabText(i);
    QCOMPARE(tabs, QStringList({"検索モード", "ファイル結合モード", "対象File一覧"}));
    QCOMPARE(w.Pages()->currentIndex(), 0);
    QCOMPARE(w.Pages()->tabPosition(), QTabWidget::South);
    QStringList captions;
    for (QLabel* label : w.findChild<QToolBar*>("ToolBar2")->findChildren<QLabel*>())
      captions << label->text().trimmed();
    QCOMPARE(captions, QStringList({"検索文字列", "フォルダ名"}));

    QStringList menus;
    QStringList items;
    for (QAction* menu : w.menuBar()->actions()) {
      menus << menu->text();
      for (QAction* a : menu->menu()->actions())
        if (!a->isSeparator() && a->isVisible()) items << a->text();
    }
    QCOMPARE(menus,
             QStringList({"ファイル(&F)", "編集(&E)", "処理モード(&M)", "Option(&O)", "Help(&H)"}));
    QCOMPARE(items, QStringList({"フォルダの選択", "フォルダの追加", "新規ファイルへ保存",
                                 "上書き保存", "終了", "元に戻す", "検索", "置換", "絞込み",
                                 "ファイル結合", "検索条件削除", "File検索", "File結合", "設定",
                                 "表示設定", "Help", "Ver.情報"}));
    QVERIFY(w.Action(CommandId::kFolderSelect)->isEnabled());
    QVERIFY(!w.Action(CommandId::kSaveToNewFile)->isEnabled());
    QVERIFY(w.Action(CommandId::kSearchMode)->isChecked());

    QStringList hints;
    for (QAction* a : w.findChild<QToolBar*>("ToolBar1")->actions()) {
      if (a->isSeparator() || !a->isVisible()) continue;
      hints << a->toolTip();
      QVERIFY2(!a->icon().isNull(), qPrintable(a->toolTip()));
    }
    QCOMPARE(hints, QStringList({"新規保存", "上書き保存", "やり直し", "検索", "置換", "絞込み",
                                 "ファイル結合", "フォルダの選択", "フォルダの追加", "設定",
                                 "表示設定", "検索モード", "File結合モード"}));
    QVERIFY(w.Action(CommandId::kToolSearchMode)->isChecked());
    QVERIFY(!w.Action(CommandId::kToolJoinMode)->isChecked());
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
    // The notice stays until the interval runs out; its end is driven here, not waited for.
    QCoreApplication::processEvents();
    QCOMPARE(w.StatusLabel()->text(), QString("3個のファイルが対象です"));
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(w.StatusLabel()->text(), QString());
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
    QCOMPARE(w.Form().targetList.ItemIndex(), 3);
    QVERIFY(w.Action(CommandId::kTargetCheckOffFolder)->isEnabled());
    w.Action(CommandId::kTargetCheckOffFolder)->trigger();
    QCOMPARE(model->data(model->index(4), Qt::CheckStateRole).value<Qt::CheckState>(),
             Qt::Unchecked);
    w.Action(CommandId::kTargetAllOn)->trigger();
    QCOMPARE(w.Form().targetList.CheckedCount(), 3);
  }

  void theFolderBoxBuildsOnEnterAndRefusesTextWithoutCp932Form() {
    FakeUiPort port;
    MainWindow w(port);
    const QString second = QString::fromStdString(data_.Path("second"));
    w.FolderBox()->lineEdit()->setText(second);
    QCOMPARE(w.Form().folderHistory.Text(), data_.Path("second"));
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
    QCOMPARE(w.Form().folderHistory.Text(), data_.Path("second"));
    QCOMPARE(w.StatusLabel()->text(), QString("Shift-JISで表せない文字は使えません"));
  }

  void appliesTheStoredDisplaySettings() {
    std::ofstream(home_.Root() + "/Skarvo.ini", std::ios::binary) << Sjis(
        "[表示]\nTAB３ヘッダー背景色=clNavy\nTAB３ヘッダーフォント色=$0000FFFF\n"
        "TAB２ヘッダー背景色=clNavy\nTAB２ヘッダーフォント色=clBlack\n"
        "TAB３背景色=clWhite\nTAB３フォント色=clYellow\n"
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
    // Colour pairs that would not read give way to black or white; the file keeps them.
    QCOMPARE(w.TargetList()->palette().color(QPalette::Text), QColor(0, 0, 0));
    w.Form().joinList.Add("-----", true);
    w.Refresh();
    auto* join = w.JoinList()->model();
    QCOMPARE(join->data(join->index(0, 0), Qt::ForegroundRole).value<QColor>(),
             QColor(255, 255, 255));
    QCOMPARE(w.TargetList()->font().pointSize(), 20);
    QCOMPARE(w.FolderBox()->font().pointSize(), 15);
    QCOMPARE(w.findChild<QToolBar*>("ToolBar2")->height(), 15 + 23);
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

  void enterInTheSearchBoxShowsTheHitsAndCellHitsRefuseChecks() {
    WriteOfficeSettings();
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    port.folderAnswers.push_back(Tree().toStdString());
    w.Action(CommandId::kToolFolderSelect)->trigger();
    w.Pages()->setCurrentIndex(2);
    QTest::keyClicks(w.SearchBox()->lineEdit(), "abc");
    QTest::keyClick(w.SearchBox()->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(!w.Form().Search().runInProgress);
    QCOMPARE(w.Pages()->currentIndex(), 0);
    QCOMPARE(w.StatusLabel()->text(), QString("検索終了"));
    QCOMPARE(w.SearchBox()->itemText(0), QString("abc"));
    const QStringList rows = RowsOf(w.ResultList()->Model());
    QCOMPARE(rows.mid(0, 6),
             QStringList({"H \"" + Tree() + "/a.txt\",の検索結果", "+ 【2列目】abc here",
                          "+ 【3列目】日本語の行 abc", "H \"" + Tree() + "/B.TXT\",の検索結果",
                          "+ 【2列目】lower abc", "H \"" + Tree() + "/sub/c.doc\",の検索結果"}));
    QVERIFY(rows.size() > 6 && rows[6].startsWith("- 【Wordファイル】"));
    // The hit is drawn over the row text, behind the line number.
    QCOMPARE(w.ResultList()->PlanRow(1).matchText, QString("abc"));

    int cell = -1;
    for (int i = 0; i < rows.size() && cell < 0; ++i)
      if (rows[i].startsWith("- 【Excel")) cell = i;
    QVERIFY(cell > 0);
    auto* view = w.ResultList();
    view->scrollTo(view->Model()->index(cell, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->PlanRow(cell).checkBox.center());
    QCOMPARE(w.StatusLabel()->text(), QString("Excel、Wordファイルはチェック対象にできません。"));
    QVERIFY(RowsOf(view->Model())[cell].startsWith("- "));
    QVERIFY(w.StatusTimer()->Timer()->isActive());

    view->scrollTo(view->Model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->PlanRow(1).checkBox.center());
    QCOMPARE(RowsOf(view->Model())[1], QString("- 【2列目】abc here"));

    // A narrowing can be taken back until the next search replaces what it kept; the
    // restore button then shows disabled.
    auto* toolBar = w.findChild<QToolBar*>(QStringLiteral("ToolBar1"));
    QVERIFY(toolBar);
    QWidget* restore = toolBar->widgetForAction(w.Action(CommandId::kToolUndo));
    QVERIFY(restore);
    QVERIFY(!restore->isEnabled());
    w.Action(CommandId::kNarrow)->trigger();
    QVERIFY(restore->isEnabled());
    QTest::keyClick(w.SearchBox()->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(!w.Form().Search().runInProgress);
    QCOMPARE(w.StatusLabel()->text(), QString("検索終了"));
    QVERIFY(!restore->isEnabled());
    ::unlink((home_.Root() + "/Skarvo.ini").c_str());
  }

  void tabsAndModeButtonsSwitchTheMode() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    w.Pages()->setCurrentIndex(1);
    QCOMPARE(w.Form().ModeNumber(), 1);
    QVERIFY(w.Action(CommandId::kToolJoinMode)->isChecked());
    QVERIFY(!w.Action(CommandId::kToolSearchMode)->isChecked());
    QVERIFY(w.Action(CommandId::kJoinMode)->isChecked());
    QVERIFY(!w.SearchBox()->isEnabled());
    QVERIFY(!w.Action(CommandId::kToolSearch)->isEnabled());
    QVERIFY(w.Action(CommandId::kToolJoinFiles)->isEnabled());
    w.Action(CommandId::kToolSearchMode)->trigger();
    QCOMPARE(w.Pages()->currentIndex(), 0);
    QCOMPARE(w.Form().ModeNumber(), 0);
    QVERIFY(w.Action(CommandId::kToolSearchMode)->isChecked());
    QVERIFY(!w.Action(CommandId::kToolJoinMode)->isChecked());
    QVERIFY(w.SearchBox()->isEnabled());
    // Pressing the pressed toggle again keeps it pressed.
    w.Action(CommandId::kToolSearchMode)->trigger();
    QVERIFY(w.Action(CommandId::kToolSearchMode)->isChecked());
    w.Action(CommandId::kJoinMode)->trigger();
    QCOMPARE(w.Pages()->currentIndex(), 1);
    QCOMPARE(w.Pages()->tabText(1), QString("ファイル結合モード"));

    // A pending split names the tab until the mode command ends it.
    w.Form().SetModeNumber(3);
    w.Form().EnterJoinMode();
    w.Refresh();
    QCOMPARE(w.Pages()->tabText(1), QString("ファイル分割モード"));
    w.Pages()->setCurrentIndex(0);
    QCOMPARE(w.Pages()->tabText(1), QString("ファイル分割モード"));
    w.Pages()->setCurrentIndex(1);
    QCOMPARE(w.Form().ModeNumber(), 3);
    w.Action(CommandId::kSearchMode)->trigger();
    QCOMPARE(w.Form().ModeNumber(), 0);
    QCOMPARE(w.Pages()->tabText(1), QString("ファイル結合モード"));
  }

  void clipboardKeysAndMenuOfTheSearchBoxGoThroughTheCore() {
    FakeUiPort port;
    skarvo::MemoryClipboard clipboard;
    MainWindow w(port, &clipboard);
    QLineEdit* edit = w.SearchBox()->lineEdit();
    QTest::keyClicks(edit, "hello");
    QCOMPARE(w.Form().searchHistory.Text(), std::string("hello"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("hello"));
    QCOMPARE(clipboard.Text(), std::optional<std::string>("hello"));
    edit->setSelection(1, 3);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard.Text(), std::optional<std::string>("ell"));
    clipboard.SetText(Sjis("日本"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("h日本o"));
    QCOMPARE(w.Form().searchHistory.Text(), Sjis("h日本o"));
    QCOMPARE(edit->cursorPosition(), 3);
    QStringList items;
    for (QAction* a : w.ContextMenu(skarvo::CommandPlace::kSearchBoxMenu)->actions())
      items << a->text() + " " + a->shortcut().toString();
    QCOMPARE(items,
             QStringList({"切り取り(&T) Ctrl+X", "コピー(&C) Ctrl+C", "貼り付け(&P) Ctrl+V"}));
    // The menu's paste acts on the folder box's own selection.
    w.FolderBox()->lineEdit()->selectAll();
    clipboard.SetText("/tmp");
    w.FolderBox()->lineEdit()->setSelection(0, 2);
    w.Action(CommandId::kFolderBoxCopy)->trigger();
    QCOMPARE(clipboard.Text(), std::optional<std::string>(Sjis("新規")));
  }

  void closingWhileASearchRunsWaitsForItsEnd() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    port.folderAnswers.push_back(Tree().toStdString());
    w.Action(CommandId::kToolFolderSelect)->trigger();
    w.SearchBox()->lineEdit()->setText("abc");
    // The worker is held at its first target while the close and the exit come.
    WorkerGate gate;
    w.Form().SearchRun().SetBatching(1, std::chrono::milliseconds(0));
    w.Form().SetSearchWake(gate.Wake([&w] { w.PostTakeFoundRows(); }));
    w.Action(CommandId::kToolSearch)->trigger();
    gate.WaitHeld();
    w.close();
    w.Action(CommandId::kExit)->trigger();
    QVERIFY(w.isVisible());
    gate.Open();
    // Both stop the run; the window closes once it has ended.
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(!w.Form().Search().runInProgress);
    QCOMPARE(w.Form().resultList.Count(), 0);
    QVERIFY(std::ifstream(home_.Root() + "/Skarvo.ini").good());
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
