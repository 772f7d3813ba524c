#include "gui/folder_dialog_form.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "gui/app_setup.h"
#include "platform/codepage.h"
#include "targets/temp_tree.h"

using skarvo::FolderChoiceRequest;
using skarvo::Sjis;
using skarvo::gui::TFolderDialogForm;

class FolderDialogFormTest : public QObject {
  Q_OBJECT

 private:
  skarvo::testing::TempTree tree_;

  FolderChoiceRequest Request() const {
    FolderChoiceRequest r;
    r.title = Sjis("フォルダの選択");
    r.rootFolder = tree_.Root();
    r.defaultButton = skarvo::TDefaultButton::btCancel;
    return r;
  }
  static QStringList Names(QTreeWidgetItem* parent) {
    QStringList names;
    for (int i = 0; i < parent->childCount(); ++i) names << parent->child(i)->text(0);
    return names;
  }

 private slots:
  void initTestCase() {
    tree_.Folder("a/b/deep");
    tree_.Folder("表");
    tree_.Folder("c");
    tree_.File("file.txt");
    tree_.File("a/inner.txt");
  }

  void setsUpTheWindowFromTheRequest() {
    FolderChoiceRequest r = Request();
    r.text = Sjis("選んでください");
    TFolderDialogForm form(r, nullptr);
    QCOMPARE(form.windowTitle(), QString("フォルダの選択"));
    QCOMPARE(form.size(), QSize(307, 352));
    QCOMPARE(form.MessageLabel->text(), QString("選んでください"));
    QCOMPARE(form.OkButton->text(), QString("OK(&O)"));
    QCOMPARE(form.CancelButton->text(), QString("キャンセル(&C)"));
    QVERIFY(form.CancelButton->isDefault());
    QVERIFY(!form.OkButton->isDefault());
    // Folders only, in name order, with the root's subfolders at the top.
    QCOMPARE(Names(form.FolderTree->invisibleRootItem()), QStringList({"a", "c", "表"}));
    QCOMPARE(form.SelectedPath(), tree_.Path("a"));

    r.sizeable = false;
    r.width = 400;
    r.height = 300;
    TFolderDialogForm fixed(r, nullptr);
    QCOMPARE(fixed.minimumSize(), QSize(400, 300));
    QCOMPARE(fixed.maximumSize(), QSize(400, 300));
  }

  void startsAtTheStartFolderOrTheFirstNode() {
    FolderChoiceRequest r = Request();
    r.startFolder = tree_.Path("a/b");
    TFolderDialogForm form(r, nullptr);
    QCOMPARE(form.SelectedPath(), tree_.Path("a/b"));
    QVERIFY(form.FolderTree->currentItem()->parent()->isExpanded());
    // The start folder itself stays closed; it shows that it has subfolders.
    QVERIFY(!form.FolderTree->currentItem()->isExpanded());
    QCOMPARE(form.FolderTree->currentItem()->childIndicatorPolicy(),
             QTreeWidgetItem::ShowIndicator);

    // A folder opened without subfolders stops showing that it could be opened.
    QTreeWidgetItem* leaf = form.FolderTree->topLevelItem(2);
    leaf->setExpanded(true);
    QCOMPARE(leaf->childCount(), 0);
    QCOMPARE(leaf->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

    r.startFolder = "/usr";  // outside the tree
    TFolderDialogForm outside(r, nullptr);
    QCOMPARE(outside.SelectedPath(), tree_.Path("a"));
  }

  void focusGoesWhereTheRulesSay() {
    FolderChoiceRequest r = Request();
    {
      TFolderDialogForm form(r, nullptr);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.FolderTree));
    }
    r.focusedControl = skarvo::TFocusedControl::fcDefaultButton;
    TFolderDialogForm form(r, nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.CancelButton));
  }

  void aRightClickSelectsANode() {
    TFolderDialogForm form(Request(), nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTreeWidgetItem* c = form.FolderTree->topLevelItem(1);
    QRect at = form.FolderTree->visualItemRect(c);
    QTest::mouseClick(form.FolderTree->viewport(), Qt::RightButton, {}, at.center());
    QCOMPARE(form.SelectedPath(), tree_.Path("c"));
  }

  void aNarrowOwnerAtTheLeftEdgeGivesLeftZero() {
    QWidget owner;
    owner.setGeometry(0, 100, 120, 400);
    FolderChoiceRequest r = Request();
    r.position = skarvo::TDialogPosition::dpOwnerCenter;
    TFolderDialogForm form(r, &owner);
    QCOMPARE(form.pos().x(), 0);
  }

  void treeEventsAndTheLiveMessage() {
    FolderChoiceRequest r = Request();
    QStringList log;
    r.onExpanding = [&](const std::string& node, const std::string& selected, bool& allow) {
      log << QString::fromStdString("expanding " + node + " " + selected);
      allow = node != tree_.Path("c");
    };
    r.onExpanded = [&](const std::string& node, const std::string&) {
      log << QString::fromStdString("expanded " + node);
    };
    r.onCollapsed = [&](const std::string& node, const std::string&) {
      log << QString::fromStdString("collapsed " + node);
    };
    r.onSelect = [&](const std::string& node, const std::string& selected) {
      log << QString::fromStdString("select " + node + " " + selected);
    };
    r.link = std::make_shared<skarvo::FolderDialogLink>();
    {
      TFolderDialogForm form(r, nullptr);
      QTreeWidgetItem* a = form.FolderTree->topLevelItem(0);
      QTreeWidgetItem* c = form.FolderTree->topLevelItem(1);
      a->setExpanded(true);
      QCOMPARE(Names(a), QStringList({"b"}));
      c->setExpanded(true);
      QVERIFY(!c->isExpanded());
      a->setExpanded(false);
      form.FolderTree->setCurrentItem(c);
      const QString root = QString::fromStdString(tree_.Root());
      QCOMPARE(log,
               QStringList({"expanding " + root + "/a " + root + "/a/", "expanded " + root + "/a",
                            "expanding " + root + "/c " + root + "/a/", "collapsed " + root + "/a",
                            "select " + root + "/c " + root + "/c/"}));
      r.link->setText(Sjis("新しい文"));
      QCOMPARE(form.MessageLabel->text(), QString("新しい文"));
    }
    QVERIFY(!r.link->setText);  // the window is gone
  }

  void closingAsksFirstAndRunGivesTheSelectedFolder() {
    FolderChoiceRequest r = Request();
    bool allowClose = false;
    int closed = 0;
    r.onCanClose = [&](bool& canClose) { canClose = allowClose; };
    r.onClose = [&] { ++closed; };
    r.startFolder = tree_.Path("c");
    TFolderDialogForm form(r, nullptr);
    form.show();
    form.OkButton->click();
    QVERIFY(form.isVisible());
    QCOMPARE(closed, 0);
    allowClose = true;
    QTimer::singleShot(0, form.OkButton, &QPushButton::click);
    QCOMPARE(form.Run(), std::optional<std::string>(tree_.Path("c")));
    QCOMPARE(closed, 1);
    QTimer::singleShot(0, form.CancelButton, &QPushButton::click);
    QCOMPARE(form.Run(), std::optional<std::string>());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  FolderDialogFormTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "folder_dialog_form_test.moc"
