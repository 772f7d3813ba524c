#include "gui/qt_ui_port.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "app/main_window_core.h"
#include "gui/app_setup.h"
#include "platform/codepage.h"

using skarvo::Sjis;
using skarvo::gui::QtFileFilter;
using skarvo::gui::QtUiPort;

class QtUiPortTest : public QObject {
  Q_OBJECT

 private slots:
  void standardButtonsSpeakJapanese() {
    QMessageBox box(QMessageBox::Question, "c", "t",
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QString("OK"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString("キャンセル"));
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QString("はい(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QString("いいえ(&N)"));
  }

  void theYesToAllQuestionNamesItsButtonsAndAnswersByThem() {
    QtUiPort port;
    QStringList seen;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      for (auto b : {QMessageBox::Yes, QMessageBox::YesToAll, QMessageBox::Cancel})
        seen << box->button(b)->text();
      box->button(QMessageBox::YesToAll)->click();
    });
    QCOMPARE(port.Ask("t", "c", skarvo::QuestionButtons::kYesCancelYesToAll),
             skarvo::Answer::kYesToAll);
    QCOMPARE(seen, QStringList({"はい(&Y)", "すべてはい(&A)", "キャンセル"}));
  }

  void theInputBoxRefusesTextWithoutCp932Form() {
    QtUiPort port;
    std::string status;
    port.SetStatusSink([&](const std::string& text) { status = text; });
    int shown = 0;
    std::function<void()> answer = [&] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      // First a character without a CP932 form, then a text that has one.
      dialog->setTextValue(++shown == 1 ? QString::fromUtf8("x\U0001F600") : QString("ok"));
      if (shown == 1) QTimer::singleShot(0, answer);
      dialog->accept();
    };
    QTimer::singleShot(0, answer);
    QCOMPARE(port.InputText(Sjis("置換"), "p", ""), std::optional<std::string>("ok"));
    QCOMPARE(shown, 2);
    QCOMPARE(status, skarvo::UnrepresentableInputText());
  }

  void japaneseFontsHaveSubstitutes() {
    QCOMPARE(QFontInfo(QFont("ＭＳ Ｐゴシック")).family(), QString("IPAPGothic"));
    QCOMPARE(QFontInfo(QFont("ＭＳ ゴシック")).family(), QString("IPAGothic"));
  }

  void fileFiltersTakeQtsForm() {
    QCOMPARE(QtFileFilter(Sjis("テキスト|*.txt|全て|*.*")),
             QString("テキスト (*.txt);;全て (*.*)"));
    QCOMPARE(QtFileFilter("logs|*.log;*.txt"), QString("logs (*.log *.txt)"));
    QCOMPARE(QtFileFilter(""), QString());
    QCOMPARE(QtFileFilter("odd"), QString());  // a name without patterns gives no filter
  }

  void statusTextGoesToTheSink() {
    QtUiPort port;
    port.SetStatusText("dropped");  // no sink yet: nothing happens
    std::string shown;
    port.SetStatusSink([&](const std::string& text) { shown = text; });
    port.SetStatusText(Sjis("検索中"));
    QCOMPARE(shown, Sjis("検索中"));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  QtUiPortTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_ui_port_test.moc"
