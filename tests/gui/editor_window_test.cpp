#include "gui/editor_window.h"

#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QtTest>

#include "gui/app_setup.h"
#include "gui/display_settings_dialog.h"
#include "gui/main_window.h"
#include "gui/open_and_display.h"
#include "gui/result_list_view.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "settings/settings_file.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

using skarvo::Answer;
using skarvo::FakeUiPort;
using skarvo::Sjis;
using skarvo::gui::EditorWindow;
using skarvo::gui::EditorWindowHost;

class EditorWindowTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree tree_;
  std::string Read(const char* name) {
    return skarvo::ReadWholeFile(tree_.Path(name)).value_or("?");
  }

 private slots:
  void caretGoesToTheLineWhateverTheLineEnds() {
    struct Row {
      const char* name;
      const char* bytes;
    } rows[] = {{"lf.txt", "a\nbb\nccc\nd\n"},
                {"crlf.txt", "a\r\nbb\r\nccc\r\nd\r\n"},
                {"cr.txt", "a\rbb\rccc\rd\r"},
                {"mixed.txt", "a\r\nbb\rccc\nd"}};
    for (const Row& row : rows) {
      tree_.File(row.name, row.bytes);
      FakeUiPort port;
      EditorWindow window(port, nullptr);
      window.Editor().ShowFileAtLine(tree_.Path(row.name), 3);
      window.Refresh();
      QTextCursor cursor = window.TextEdit()->textCursor();
      QCOMPARE(cursor.blockNumber(), 2);
      QCOMPARE(cursor.positionInBlock(), 0);
      QCOMPARE(cursor.block().text(), QString("ccc"));
      QCOMPARE(window.StatusLabel()->text(), QString("縦：3横：1"));
      QCOMPARE(window.windowTitle(), QString::fromStdString(tree_.Path(row.name)));
      QVERIFY(!window.SaveAction()->isEnabled());
      QVERIFY(!window.TextEdit()->document()->isModified());
      window.Editor().ShowFileAtLine(tree_.Path(row.name), -1);
      window.Refresh();
      QCOMPARE(window.TextEdit()->textCursor().blockNumber(), 0);
      QCOMPARE(window.StatusLabel()->text(), QString("縦：1横：1"));
      window.Editor().ShowFileAtLine(tree_.Path(row.name), 99);  // past the end: the end
      QVERIFY(window.TextEdit()->textCursor().atEnd());
    }
  }

  void typingEnablesSaveAndTheQuestionsGuardIt() {
    tree_.File("s.txt", "one\r\ntwo\r\n");
    FakeUiPort port;
    EditorWindow window(port, nullptr);
    window.Editor().ShowFileAtLine(tree_.Path("s.txt"), 2);
    window.Refresh();
    QVERIFY(!window.SaveAction()->isEnabled());
    QTest::keyClicks(window.TextEdit(), "x");
    QVERIFY(window.SaveAction()->isEnabled());
    QVERIFY(window.TextEdit()->document()->isModified());
    port.askAnswers = {Answer::kYes, Answer::kNo};
    window.SaveAction()->trigger();
    QCOMPARE(Read("s.txt"), std::string("one\r\ntwo\r\n"));
    port.askAnswers = {Answer::kYes, Answer::kYes};
    window.SaveAction()->trigger();
    QCOMPARE(Read("s.txt"), std::string("one\r\nxtwo\r\n"));
    QVERIFY(!window.SaveAction()->isEnabled());
    QVERIFY(!window.TextEdit()->document()->isModified());
    QCOMPARE(port.CallsOf("ask").size(), size_t{4});
    QCOMPARE(QString::fromStdString(skarvo::Cp932ToUtf8Lossy(port.CallsOf("ask")[3].text)),
             QString("既存のファイルは、新規ファイルで上書きされます。"));

    // A character without a Shift-JIS form: refused, nothing written.
    window.TextEdit()->insertPlainText(QString::fromUtf8("\xf0\x9f\x98\x80"));
    port.askAnswers = {Answer::kYes, Answer::kYes};
    window.SaveAction()->trigger();
    QCOMPARE(port.CallsOf("error").size(), size_t{1});
    QCOMPARE(QString::fromStdString(skarvo::Cp932ToUtf8Lossy(port.CallsOf("error")[0].text)),
             QString("2行目の文字 U+1F600 はShift-JISで表せないため、保存しませんでした。"));
    QCOMPARE(Read("s.txt"), std::string("one\r\nxtwo\r\n"));
    QVERIFY(window.SaveAction()->isEnabled());

    // Save as keeps the caption.
    window.TextEdit()->undo();
    port.saveAnswers = {tree_.Path("other.txt")};
    window.Action("名前を付けて保存")->trigger();
    QCOMPARE(window.windowTitle(), QString::fromStdString(tree_.Path("s.txt")));
    QVERIFY(Read("other.txt").rfind("one\r\n", 0) == 0);
    // The edit items follow the selection and the undo history.
    window.TextEdit()->selectAll();
    QVERIFY(window.Action("コピー(&C)")->isEnabled());
    window.TextEdit()->moveCursor(QTextCursor::End);
    QVERIFY(!window.Action("コピー(&C)")->isEnabled());
  }

  void closingAsksAndDestroysTheWindow() {
    tree_.File("c.txt", "keep\r\n");
    FakeUiPort port;
    EditorWindowHost host(port, nullptr);
    host.ShowEditor().ShowFileAtLine(tree_.Path("c.txt"), 1);
    QPointer<EditorWindow> window = host.Window();
    QVERIFY(window);
    QTest::keyClicks(window->TextEdit(), "y");
    port.askAnswers = {Answer::kNo};
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
    QVERIFY(!host.Window());
    QCOMPARE(Read("c.txt"), std::string("keep\r\n"));
    QCOMPARE(port.CallsOf("ask").size(), size_t{1});
    // The next opening makes a new window.
    host.ShowEditor().ShowFileAtLine(tree_.Path("c.txt"), 1);
    QVERIFY(host.Window());
  }

  void displayDialogAppliesAtOnceAndCancelKeepsTheValues() {
    skarvo::testing::TempTree home;
    char previous[4096];
    QVERIFY(::getcwd(previous, sizeof previous));
    QVERIFY(::chdir(home.Root().c_str()) == 0);
    tree_.File("hit.txt", "a\r\nb\r\n");
    {
      FakeUiPort port;
      skarvo::gui::MainWindow w(port);
      skarvo::gui::OpenAndDisplay extras(w, port, std::make_unique<skarvo::RecordingAutomation>());
      skarvo::gui::DisplaySettingsDialog* dialog = extras.Dialog();
      // Three pages with tabs, and "Editer" without controls or a visible tab.
      QCOMPARE(dialog->Pages()->count(), 4);
      QVERIFY(!dialog->Pages()->isTabVisible(3));
      QCOMPARE(dialog->Pages()->tabPosition(), QTabWidget::South);
      QCOMPARE(dialog->ColorBoxes().size(), size_t{14});
      QCOMPARE(dialog->ColorBoxes()[0]->currentText(), QString("オリーブ"));
      QCOMPARE(dialog->ColorBoxes()[12]->currentText(), QString("赤"));
      QVERIFY(!dialog->ColorBoxes()[0]->itemIcon(0).isNull());
      // Header text colours are offered; the result rows' text colour is not (always black).
      QVERIFY(dialog->ColorBoxes()[1]->isEnabled());
      QVERIFY(!dialog->ColorBoxes()[3]->isEnabled());
      QVERIFY(dialog->ColorBoxes()[7]->isEnabled());
      // Cancel: nothing written, the change stays in the dialog.
      dialog->ColorBoxes()[2]->setCurrentText("濃紺");
      dialog->Cancel();
      QCOMPARE(extras.Form4().Controls().resultList.background, skarvo::kClNavy);
      QVERIFY(!skarvo::FileExists(home.Root() + "/Skarvo.ini"));
      // Update: font 20 makes the rows taller at once, the status bar goes.
      const int before = w.ResultList()->RowHeight();
      dialog->SpinEdits()[0]->setValue(20);
      dialog->StatusBarBox()->setChecked(false);
      dialog->Update();
      QVERIFY(w.ResultList()->RowHeight() > before);
      QVERIFY(w.statusBar()->isHidden());
      skarvo::SettingsFile file(home.Root() + "/Skarvo.ini");
      QCOMPARE(file.ReadInteger(skarvo::SettingKey::kTab1FontSize), 20);
      QCOMPARE(file.ReadColor(skarvo::SettingKey::kTab1Background), skarvo::kClNavy);
      // The file keeps the colour's own name, whatever the picker shows.
      QVERIFY(
          QByteArray::fromStdString(skarvo::ReadWholeFile(home.Root() + "/Skarvo.ini").value_or(""))
              .contains("=clNavy"));
      QVERIFY(!file.ReadFlag(skarvo::SettingKey::kStatusBarVisible));

      // A double-click on a text hit opens the built-in editor at its line.
      skarvo::MainWindowCore& form = w.Form();
      // Rows as the search makes them: each carries its file and line.
      skarvo::CheckListRow header(skarvo::FileHeaderRowText(tree_.Path("hit.txt")), true);
      header.kind = skarvo::RowKind::kFileHeader;
      header.file = tree_.Path("hit.txt");
      form.resultList.Insert(0, header);
      skarvo::CheckListRow hit(skarvo::TextHitRowText(2, "b"), false, true, 2, "b");
      hit.kind = skarvo::RowKind::kTextLine;
      hit.file = header.file;
      form.resultList.Insert(1, hit);
      w.Refresh();
      w.ResultList()->onDoubleClick(1);
      QVERIFY(extras.Editor().Window());
      QCOMPARE(extras.Editor().Window()->TextEdit()->textCursor().blockNumber(), 1);

      // Closing the main window asks about the editor's unsaved text first; while its save
      // fails, both windows stay.
      w.show();
      extras.Editor().Window()->TextEdit()->insertPlainText(QString::fromUtf8("\xf0\x9f\x98\x80"));
      port.askAnswers = {Answer::kYes, Answer::kYes};
      QVERIFY(!w.close());
      QVERIFY(extras.Editor().Window());
      QCOMPARE(Read("hit.txt"), std::string("a\r\nb\r\n"));
      port.askAnswers = {Answer::kNo};
      QVERIFY(w.close());
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QVERIFY(!extras.Editor().Window());
    }
    QVERIFY(::chdir(previous) == 0);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  EditorWindowTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "editor_window_test.moc"
