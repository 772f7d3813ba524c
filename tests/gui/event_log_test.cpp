// The window's event log (SKARVO_EVENT_LOG), which the end-to-end test reads: a search that
// ends, one stopped with Esc, and the close, each as one UTF-8 line with a rising clock; and
// the search tool button shown as the stop during the run.
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>
#include <utility>

#include "gui/main_window.h"
#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "support/worker_gate.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::gui::MainWindow;

namespace {

// Status texts go to the window as the program's own port sends them.
class StatusToWindowPort : public skarvo::FakeUiPort {
 public:
  MainWindow* window = nullptr;
  void SetStatusText(const std::string& text) override {
    FakeUiPort::SetStatusText(text);
    if (window) window->ShowStatus(text);
  }
};

}  // namespace

class EventLogTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;
  skarvo::testing::TempTree data_;

 private slots:
  void initTestCase() {
    if (::chdir(home_.Root().c_str()) != 0) QFAIL("no home folder");
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
      data_.File(name, skarvo::Sjis("見本 one\r\nnone\r\n見本 two\r\n"));
  }

  void searchesStopAndCloseAreLogged() {
    const QString path = QString::fromStdString(home_.Root()) + "/events.log";
    qputenv("SKARVO_EVENT_LOG", path.toUtf8());
    {
      StatusToWindowPort port;
      MainWindow w(port);
      port.window = &w;
      w.show();
      QVERIFY(QTest::qWaitForWindowActive(&w));
      port.folderAnswers.push_back(data_.Root());
      w.Action(CommandId::kToolFolderSelect)->trigger();
      w.SearchBox()->lineEdit()->setText("見本");
      w.Action(CommandId::kToolSearch)->trigger();
      QTRY_VERIFY(!w.Form().Search().runInProgress);
      // The second run is stopped by Esc while its worker is held at its first target;
      // meanwhile the search tool button is the stop, in caption and picture.
      QAction* search = w.Action(CommandId::kToolSearch);
      const qint64 searchPicture = search->icon().cacheKey();
      skarvo::WorkerGate gate;
      w.Form().SearchRun().SetBatching(1, std::chrono::milliseconds(0));
      w.Form().SetSearchWake(gate.Wake([&w] { w.PostTakeFoundRows(); }));
      w.Action(CommandId::kToolSearch)->trigger();
      gate.WaitHeld();
      QCOMPARE(search->text(), QString("中止"));
      QVERIFY(search->icon().cacheKey() != searchPicture);
      QTest::keyClick(&w, Qt::Key_Escape);
      gate.Open();
      QTRY_VERIFY(!w.Form().Search().runInProgress);
      QCOMPARE(search->text(), QString("検索"));
      QTest::keyClick(&w, Qt::Key_Escape);  // not running: no stop-key line
      w.close();
    }
    qunsetenv("SKARVO_EVENT_LOG");

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromUtf8(bytes);
    QCOMPARE(text.toUtf8(), bytes);  // valid UTF-8
    QStringList events;
    double last = 0;
    static const QRegularExpression kLine(R"(^(\d+\.\d{6}) ([a-z-]+)(?: (.*))?$)");
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
      const QRegularExpressionMatch m = kLine.match(line);
      QVERIFY2(m.hasMatch(), qPrintable(line));
      QVERIFY(m.captured(1).toDouble() >= last);
      last = m.captured(1).toDouble();
      // Progress texts change with every file; the rest is what the driver waits for.
      if (m.captured(2) == "live" || m.captured(3).contains("検索中")) continue;
      events << (m.captured(3).isEmpty() ? m.captured(2) : m.captured(2) + " " + m.captured(3));
    }
    // One search of three files with two hits each, one stopped before its first file.
    const QStringList expected = {
        "status 3個のファイルが対象です",
        "start",
        "status 検索終了",
        "end rows=9 files=3 shown=9",
        "start",
        "stop-key",
        "status 検索を中止しました（0ファイル、0件）",
        "end rows=0 files=0 shown=0",
        "close",
    };
    QStringList got;
    for (const QString& e : events)
      if (got.isEmpty() || got.back() != e) got << e;  // the window shows some texts twice
    QCOMPARE(got.mid(got.indexOf(expected.front())), expected);
  }
};

QTEST_MAIN(EventLogTest)
#include "event_log_test.moc"
