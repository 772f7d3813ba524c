// The settings, history pruning and version dialogs and the cell grid form as windows: their
// sizes, captions and fonts, and that they show and forward what the core holds.
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "gui/app_setup.h"
#include "gui/check_list_view.h"
#include "gui/history_pruning_form.h"
#include "gui/main_window.h"
#include "gui/settings_dialog_form.h"
#include "gui/version_form.h"
#include "platform/codepage.h"
#include "platform/process_port.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

using skarvo::CommandId;
using skarvo::FakeUiPort;
using skarvo::SettingsControl;
using skarvo::Sjis;
using skarvo::TPruneList;
using skarvo::gui::HistoryPruningForm;
using skarvo::gui::MainWindow;
using skarvo::gui::SettingsDialogForm;
using skarvo::gui::VersionForm;

class DialogsTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree home_;
  skarvo::testing::TempTree data_;

 private slots:
  void initTestCase() {
    if (::chdir(home_.Root().c_str()) != 0) QFAIL("no home folder");
    data_.File("a.txt");
    data_.File("b.htm");
  }

  void settingsDialogLooksAsDesigned() {
    FakeUiPort port;
    MainWindow w(port);
    SettingsDialogForm d(w.Form(), port, &w);
    d.Prepare();
    QCOMPARE(d.windowTitle(), QString("設定画面"));
    QCOMPARE(d.size(), QSize(470, 322));
    QCOMPARE(d.Group(skarvo::SettingsGroup::kEditor)->title(),
             QString("外部エディタコマンドラインオプション"));
    // The colons of the category captions stand at one x in the fixed-pitch font.
    QFontInfo info(SettingsDialogForm::CategoryFont());
    QCOMPARE(info.family(), QString("IPAGothic"));
    int colonX = -1;
    for (SettingsControl id : {SettingsControl::kCategoryTxt, SettingsControl::kCategoryHtml,
                               SettingsControl::kCategoryCgi, SettingsControl::kCategorySystem,
                               SettingsControl::kCategoryCsv, SettingsControl::kCategoryWord,
                               SettingsControl::kCategoryExcel, SettingsControl::kCategoryUser}) {
      auto* box = qobject_cast<QCheckBox*>(d.Widget(id));
      QVERIFY(box);
      const QString text = box->text();
      const int colon = text.indexOf(QString("："));
      QVERIFY2(colon > 0, qPrintable(text));
      const int x = QFontMetrics(box->font()).horizontalAdvance(text.left(colon));
      if (colonX < 0) colonX = x;
      QCOMPARE(x, colonX);
    }
    QCOMPARE(qobject_cast<QCheckBox*>(d.Widget(SettingsControl::kCategoryHtml))->text(),
             QString("HTMLファイル    ：.htm,.html"));
    // Hidden controls stay hidden; the editor fields follow "使用する".
    QVERIFY(d.Widget(SettingsControl::kCaseSensitive)->isHidden());
    QVERIFY(!d.Widget(SettingsControl::kFuzzyDictionary)->isHidden());
    QVERIFY(!d.Widget(SettingsControl::kEditorPath)->isEnabled());
    qobject_cast<QCheckBox*>(d.Widget(SettingsControl::kEditorEnabled))->click();
    QVERIFY(d.Widget(SettingsControl::kEditorPath)->isEnabled());
    QVERIFY(qobject_cast<QRadioButton*>(d.Widget(SettingsControl::kSplitHitInBoth))->isChecked());
  }

  void categoryChangeAndUpdateEmptiesTheTargetList() {
    FakeUiPort port;
    MainWindow w(port);
    port.folderAnswers.push_back(data_.Root());
    w.Action(CommandId::kFolderSelect)->trigger();
    QCOMPARE(w.TargetList()->Model()->rowCount(), 2);
    SettingsDialogForm d(w.Form(), port, &w);
    // Through the menu: the dialog runs modally; the user clicks HTML, then "更新", OK.
    port.confirmAnswers.push_back(true);
    bool seen = false;
    QTimer::singleShot(0, &d, [&] {
      seen = d.isVisible();
      qobject_cast<QCheckBox*>(d.Widget(SettingsControl::kCategoryHtml))->click();
      qobject_cast<QPushButton*>(d.Widget(SettingsControl::kUpdateButton))->click();
    });
    w.Action(CommandId::kSettings)->trigger();
    QVERIFY(seen);
    QVERIFY(!d.isVisible());
    QCOMPARE(port.CallsOf("confirm").at(0).text,
             Sjis("検索対象ファイルはクリアされます。更新しますか？"));
    QCOMPARE(w.TargetList()->Model()->rowCount(), 0);
    QVERIFY(w.Form().CurrentSettings().useHtml);
    ::unlink((home_.Root() + "/Skarvo.ini").c_str());
  }

  void historyPruningDialog() {
    FakeUiPort port;
    MainWindow w(port);
    w.Form().searchHistory.SetItems({"alpha", "beta"});
    w.Refresh();
    HistoryPruningForm d(w.Form(), &w);
    d.Prepare();
    QCOMPARE(d.windowTitle(), QString("検索条件削除"));
    QCOMPARE(d.size(), QSize(392, 451));
    QCOMPARE(d.StatusLabel()->text(),
             QString("チェックのはずされた項目は、履歴から削除されます。"));
    QAbstractItemModel* folders = d.List(TPruneList::kFolder)->model();
    QCOMPARE(folders->data(folders->index(0, 0)).toString(), QString("新規フォルダ"));
    QVERIFY(!folders->data(folders->index(0, 0), Qt::CheckStateRole).isValid());
    QStringList menu;
    for (QAction* a : d.ListMenu(TPruneList::kSearch)->actions()) menu << a->text();
    QCOMPARE(menu, QStringList({"全てOn", "全てOff"}));
    // Uncheck "alpha", then "Ok": the main window's box loses it.
    QAbstractItemModel* search = d.List(TPruneList::kSearch)->model();
    search->setData(search->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(search->data(search->index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(),
             Qt::Unchecked);
    d.OkButton()->click();
    w.Refresh();
    QCOMPARE(w.SearchBox()->count(), 1);
    QCOMPARE(w.SearchBox()->itemText(0), QString("beta"));
  }

  void versionDialog() {
    FakeUiPort port;
    skarvo::RecordingProcessPort processes;
    MainWindow w(port, nullptr, &processes);
    VersionForm d(w.Form(), processes, &w);
    d.Prepare();
    QCOMPARE(d.windowTitle(), QString("Version情報"));
    QCOMPARE(d.size(), QSize(262, 131));
    QCOMPARE(d.TitleLabel()->text(), QString("Skarvo\u3000\u3000Ver,2.1.0"));
    QVERIFY(d.TitleLabel()->font().bold());
    QVERIFY(d.TitleLabel()->font().italic());
    QCOMPARE(d.TitleLabel()->font().pixelSize(), 19);
    QVERIFY(d.LinkLabel()->text().contains("WebSite【"));
    QVERIFY(d.LinkLabel()->toolTip().startsWith("file://"));
    QVERIFY(d.LinkLabel()->toolTip().endsWith("/guide.html"));
    emit d.LinkLabel()->linkActivated("open");
    QCOMPARE(processes.requests.size(), size_t{1});
    QVERIFY(QString::fromStdString(processes.requests[0].target).endsWith("/guide.html"));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  DialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "dialogs_test.moc"
