// The main window as a desktop user meets it: the keyboard focus, keys and mnemonics, the
// exclusive mode items, check clicks that select their row, selected header rows drawn
// visibly, and the guide in a window of the program.
#include <unistd.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <vector>

#include "gui/app_setup.h"
#include "gui/check_list_view.h"
#include "gui/folder_dialog_form.h"
#include "gui/help_window.h"
#include "gui/keyboard.h"
#include "gui/main_window.h"
#include "gui/result_list_view.h"
#include "platform/codepage.h"
#include "platform/process_port.h"
#include "support/fake_ui_port.h"
#include "targets/check_list.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::FakeUiPort;
using skarvo::Sjis;
using skarvo::gui::MainWindow;

class WindowKeysTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;
  skarvo::testing::TempTree data_;

  // How many pixels of a row's rectangle differ between two grabs.
  static int Differing(const QImage& a, const QImage& b, const QRect& rect) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x)
        if (a.pixel(x, y) != b.pixel(x, y)) ++count;
    return count;
  }

  static bool InSearchBox(MainWindow& w) {
    QWidget* f = QApplication::focusWidget();
    return f && (f == w.SearchBox() || f == w.SearchBox()->lineEdit());
  }

 private slots:
  void initTestCase() {
    if (::chdir(home_.Root().c_str()) != 0) QFAIL("no home folder");
    data_.File("one/a.txt", "x\r\n");
    data_.File("one/b.txt", "x\r\n");
    data_.File("two/c.txt", "x\r\n");
  }

  void searchBoxHasTheFocusAtStartAndAfterASearch() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(InSearchBox(w));
    w.TargetList()->setFocus();
    QCOMPARE(QApplication::focusWidget(), w.TargetList());
    w.Action(CommandId::kSearch)->trigger();  // no targets: a notice, and the focus comes back
    QVERIFY(InSearchBox(w));
    // Ctrl+F goes to the search box from anywhere in the window.
    w.TargetList()->setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(InSearchBox(w));
  }

  void menusHaveMnemonicsAndTheModesAreOneGroup() {
    FakeUiPort port;
    MainWindow w(port);
    QStringList titles;
    for (QAction* menu : w.menuBar()->actions()) titles << menu->text();
    QCOMPARE(titles,
             QStringList({"ファイル(&F)", "編集(&E)", "処理モード(&M)", "Option(&O)", "Help(&H)"}));
    QCOMPARE(skarvo::gui::MenuTitleWithMnemonic("other"), QString("other"));
    QActionGroup* modes = w.Action(CommandId::kSearchMode)->actionGroup();
    QVERIFY(modes && modes->isExclusive());
    QCOMPARE(w.Action(CommandId::kJoinMode)->actionGroup(), modes);
    QVERIFY(w.Action(CommandId::kSearchMode)->isChecked());
    w.Action(CommandId::kJoinMode)->trigger();
    QVERIFY(w.Action(CommandId::kJoinMode)->isChecked());
    QVERIFY(!w.Action(CommandId::kSearchMode)->isChecked());
    QCOMPARE(w.Action(CommandId::kHelp)->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(w.Action(CommandId::kExit)->shortcuts(),
             QList<QKeySequence>(
                 {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)}));
  }

  void ctrlQCloses() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // F5 is the menu's search: with no target it says so.
    const size_t before = port.calls.size();
    QTest::keyClick(&w, Qt::Key_F5);
    QCOMPARE(port.calls.size(), before + 1);
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(w.Form().CloseRequested());
    QVERIFY(!w.isVisible());
  }

  void checkClickSelectsItsRow() {
    FakeUiPort port;
    MainWindow w(port);
    w.show();
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kFolderSelect)->trigger();
    w.Pages()->setCurrentIndex(2);
    skarvo::gui::CheckListView* list = w.TargetList();
    QCOMPARE(list->model()->rowCount(), 5);
    QCOMPARE(w.Form().targetList.ItemIndex(), -1);
    // A click on the check box of row 2 (a file row) checks it off and selects it.
    const QRect row = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() + 10, row.center().y()));
    QCOMPARE(w.Form().targetList.Checked(2), false);
    QCOMPARE(w.Form().targetList.ItemIndex(), 2);
    QCOMPARE(list->currentIndex().row(), 2);
  }

  void selectedHeaderRowsAreDrawnVisibly() {
    FakeUiPort port;
    MainWindow w(port);
    w.resize(600, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The result list: a header row and a hit row.
    skarvo::MainWindowCore& form = w.Form();
    form.resultList.Add(Sjis("\"/d/a.txt\",の検索結果"), true);
    form.resultList.Add(Sjis("【1列目】abc"), false, true);
    w.Refresh();
    skarvo::gui::ResultListView* results = w.ResultList();
    const QRect header = results->visualRect(results->model()->index(0, 0));
    const QImage before = results->viewport()->grab().toImage();
    form.OnResultSelect(0);
    w.Refresh();
    const QImage after = results->viewport()->grab().toImage();
    QVERIFY2(Differing(before, after, header) > header.width(), "selected header looks the same");

    // The target list: a folder row selected and not.
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kFolderSelect)->trigger();
    w.Pages()->setCurrentIndex(2);
    skarvo::gui::CheckListView* targets = w.TargetList();
    form.OnTargetSelect(-1);
    w.Refresh();
    const QRect folderRow = targets->visualRect(targets->model()->index(0, 0));
    const QImage plain = targets->viewport()->grab().toImage();
    form.OnTargetSelect(0);
    w.Refresh();
    const QImage selected = targets->viewport()->grab().toImage();
    QVERIFY2(Differing(plain, selected, folderRow) > folderRow.width(),
             "selected folder row looks the same");
  }

  void folderPickerShowsArrowsAndNoEmptyMessage() {
    skarvo::testing::TempTree tree;
    tree.Folder("x/y");
    tree.Folder("z");
    skarvo::FolderChoiceRequest r;
    r.title = "t";
    r.rootFolder = tree.Root();
    r.link = std::make_shared<skarvo::FolderDialogLink>();
    skarvo::gui::TFolderDialogForm form(r, nullptr);
    QVERIFY(form.FolderTree->rootIsDecorated());
    QCOMPARE(form.FolderTree->topLevelItemCount(), 2);
    // Before anything is opened: "x" has a subfolder, "z" none.
    QCOMPARE(form.FolderTree->topLevelItem(0)->childIndicatorPolicy(),
             QTreeWidgetItem::ShowIndicator);
    QCOMPARE(form.FolderTree->topLevelItem(1)->childIndicatorPolicy(),
             QTreeWidgetItem::DontShowIndicator);
    QVERIFY(form.MessageLabel->isHidden());
    r.link->setText(Sjis("選んでください"));
    QVERIFY(!form.MessageLabel->isHidden());
    r.link->setText({});
    QVERIFY(form.MessageLabel->isHidden());
  }

  // What the mouse opens, the keyboard opens too: Enter on a result row opens it as a
  // double-click, Shift+F10 asks for the menu at the current row as the Menu key does.
  void enterOpensAResultRowAndShiftF10ItsMenu() {
    skarvo::CheckList list;
    list.Add(Sjis("\"/tmp/a.txt\",の検索結果"), true, false);
    list.Add(Sjis("【1列目】abc"), false, false);
    list.Add(Sjis("【2列目】abc"), false, false);
    skarvo::gui::ResultListView view(list);
    std::vector<int> opened;
    std::vector<QPoint> menus;
    view.onDoubleClick = [&](int row) { opened.push_back(row); };
    view.onContextMenu = [&](const QPoint& at, const skarvo::ResultMenuState&) {
      menus.push_back(at);
    };
    view.resize(400, 200);
    list.SetItemIndex(2);
    view.Refresh();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Return);
    list.SetItemIndex(0);
    view.Refresh();
    QTest::keyClick(&view, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(opened, (std::vector<int>{2, 0}));
    QVERIFY(menus.empty());

    list.SetItemIndex(1);
    view.Refresh();
    QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(menus.size(), size_t{1});
    const QRect row = view.visualRect(view.Model()->index(1));
    QVERIFY(QRect(view.viewport()->mapToGlobal(row.topLeft()), row.size()).contains(menus[0]));
    // F10 alone stays the menu bar's key.
    QTest::keyClick(&view, Qt::Key_F10);
    QCOMPARE(menus.size(), size_t{1});
    QCOMPARE(opened.size(), size_t{2});
  }

  // Enter in the folder tree confirms the selected folder, also when Cancel is the default
  // button (as in the main window's picker).
  void enterInTheFolderTreeConfirmsTheFolder() {
    skarvo::testing::TempTree tree;
    tree.Folder("x");
    tree.Folder("z");
    skarvo::FolderChoiceRequest r;
    r.title = "t";
    r.rootFolder = tree.Root();
    r.defaultButton = skarvo::TDefaultButton::btCancel;
    skarvo::gui::TFolderDialogForm form(r, nullptr);
    QVERIFY(form.CancelButton->isDefault());
    form.FolderTree->setCurrentItem(form.FolderTree->topLevelItem(1));
    bool accepted = false;
    connect(&form, &QDialog::accepted, this, [&] { accepted = true; });
    QTest::keyClick(form.FolderTree, Qt::Key_Return);
    QVERIFY(accepted);
    QCOMPARE(form.result(), int{QDialog::Accepted});
    QCOMPARE(form.SelectedPath(), tree.Path("z"));
  }

  void escClosesTheGuide() {
    FakeUiPort port;
    skarvo::RecordingProcessPort processes;
    MainWindow w(port, nullptr, &processes);
    skarvo::gui::HelpWindow help(w.Form(), &w);
    help.ShowGuide();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QVERIFY(help.isVisible());
    QTest::keyClick(help.Browser(), Qt::Key_Escape);
    QVERIFY(!help.isVisible());
  }

  void helpOpensTheGuideUnlessAHelpFileIsAtHome() {
    FakeUiPort port;
    skarvo::RecordingProcessPort processes;
    MainWindow w(port, nullptr, &processes);
    skarvo::gui::HelpWindow help(w.Form(), &w);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QVERIFY(help.isVisible());
    const QString text = help.Browser()->toPlainText();
    QVERIFY2(text.contains("Skarvo 説明書"), qPrintable(text.left(200)));
    for (const char* topic : {"フォルダを選ぶ", "Fuzzy辞書", "置換と上書き保存", "絞込み",
                              "ファイル結合", "ファイル分割", "設定"})
      QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
    QVERIFY(processes.requests.empty());
    help.hide();

    std::ofstream(home_.Root() + "/Skarvo.chm") << "x";
    w.Action(CommandId::kHelp)->trigger();
    QVERIFY(!help.isVisible());
    QCOMPARE(processes.requests.size(), size_t{1});
    QCOMPARE(processes.requests[0].target, home_.Root() + "/Skarvo.chm");
    ::unlink((home_.Root() + "/Skarvo.chm").c_str());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  WindowKeysTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_keys_test.moc"
