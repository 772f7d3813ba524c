#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "targets/folder_dialog_rules.h"
#include "targets/select_folder_dialog.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

TEST(ShortenStartFolder, CutsBackToTheNearestExistingParent) {
  const std::set<std::string> folders{"/", "/a", "/a/", "/home/u", "/home/u/"};
  auto exists = [&](const std::string& p) { return folders.count(p) > 0; };
  struct Row {
    const char* path;
    const char* start;
  };
  for (const Row& row : std::vector<Row>{{"/a/b/", "/a/"},
                                         {"/a/b/c", "/a/"},
                                         {"/a", "/a"},
                                         {"/home/u/x/y/z/", "/home/u/"},
                                         {"/missing/x", "/"},
                                         {"/q", "/"},
                                         {"", ""},
                                         {"relative/x", ""},
                                         {"x", ""}}) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ShortenStartFolder(row.path, exists), row.start);
  }
}

TEST(PlaceFolderDialog, OwnerCentreStaysOnTheScreenAndOtherPositions) {
  ScreenGeometry screens;
  screens.screen = {0, 0, 1024, 768};
  screens.desktop = {0, 0, 2048, 768};
  screens.workArea = DialogRect{0, 0, 1024, 740};
  struct Row {
    const char* name;
    TDialogPosition position;
    std::optional<DialogRect> owner;
    bool workAreaKnown;
    std::optional<DialogPoint> expected;
  };
  using P = TDialogPosition;
  for (const Row& row : std::vector<Row>{
           {"centred", P::dpOwnerCenter, DialogRect{100, 100, 681, 481}, true,
            DialogPoint{100 + 340 - 153, 100 + 240 - 176}},
           {"narrow owner at the left edge", P::dpOwnerCenter, DialogRect{0, 200, 200, 300}, true,
            DialogPoint{0, 200 + 150 - 176}},
           {"past the right edge", P::dpOwnerCenter, DialogRect{900, 100, 300, 400}, true,
            DialogPoint{1024 - 307, 100 + 200 - 176}},
           {"above the top", P::dpOwnerCenter, DialogRect{100, -300, 400, 200}, true,
            DialogPoint{100 + 200 - 153, 0}},
           {"past the work area", P::dpOwnerCenter, DialogRect{100, 500, 400, 400}, true,
            DialogPoint{100 + 200 - 153, 740 - 352}},
           {"work area unknown", P::dpOwnerCenter, DialogRect{100, 500, 400, 400}, false,
            DialogPoint{100 + 200 - 153, 768 - 352}},
           {"no owner", P::dpOwnerCenter, std::nullopt, true, DialogPoint{512 - 153, 384 - 176}},
           {"screen", P::dpScreenCenter, DialogRect{0, 0, 10, 10}, true,
            DialogPoint{512 - 153, 384 - 176}},
           {"desktop", P::dpDesktopCenter, std::nullopt, true, DialogPoint{1024 - 153, 384 - 176}},
           {"custom", P::dpCustom, std::nullopt, true, DialogPoint{-5, 7}},
           {"default", P::dpDefault, std::nullopt, true, std::nullopt},
       }) {
    SCOPED_TRACE(row.name);
    FolderChoiceRequest request;
    request.position = row.position;
    request.left = -5;
    request.top = 7;
    ScreenGeometry s = screens;
    if (!row.workAreaKnown) s.workArea.reset();
    EXPECT_EQ(PlaceFolderDialog(request, row.owner, s), row.expected);
  }
  // Halves are rounded toward zero, also for negative owner positions.
  FolderChoiceRequest odd;
  odd.position = P::dpOwnerCenter;
  odd.width = 301;
  odd.height = 301;
  EXPECT_EQ(PlaceFolderDialog(odd, DialogRect{-51, -51, 401, 401}, screens),
            (DialogPoint{0, 0}));  // -51 + 200 - 150 = -1 -> 0
  EXPECT_EQ(PlaceFolderDialog(odd, DialogRect{51, 51, 401, 401}, screens), (DialogPoint{101, 101}));
}

TEST(FolderDialogButtons, DefaultAndFocusRules) {
  using Focus = FolderDialogButtonRoles::Focus;
  struct Row {
    TDefaultButton button;
    TFocusedControl focus;
    FolderDialogButtonRoles roles;
  };
  for (const Row& row : std::vector<Row>{
           {TDefaultButton::btCancel, TFocusedControl::fcTreeView, {false, true, Focus::kTree}},
           {TDefaultButton::btOk, TFocusedControl::fcTreeView, {true, false, Focus::kTree}},
           {TDefaultButton::btNone, TFocusedControl::fcTreeView, {false, false, Focus::kTree}},
           {TDefaultButton::btCancel,
            TFocusedControl::fcDefaultButton,
            {false, true, Focus::kCancelButton}},
           {TDefaultButton::btOk,
            TFocusedControl::fcDefaultButton,
            {true, false, Focus::kOkButton}},
       }) {
    SCOPED_TRACE(static_cast<int>(row.button) * 10 + static_cast<int>(row.focus));
    EXPECT_EQ(ButtonRolesFor(row.button, row.focus), row.roles);
  }
}

TEST(TSelectFolderDialog, SettersKeepTheFocusRuleConsistent) {
  TSelectFolderDialog d;
  EXPECT_EQ(d.DefaultButton(), TDefaultButton::btNone);
  EXPECT_EQ(d.FocusedControl(), TFocusedControl::fcTreeView);
  d.SetFocusedControl(TFocusedControl::fcDefaultButton);
  EXPECT_EQ(d.DefaultButton(), TDefaultButton::btOk);
  d.SetDefaultButton(TDefaultButton::btCancel);
  EXPECT_EQ(d.FocusedControl(), TFocusedControl::fcDefaultButton);
  d.SetDefaultButton(TDefaultButton::btNone);
  EXPECT_EQ(d.FocusedControl(), TFocusedControl::fcTreeView);
  d.SetDefaultButton(TDefaultButton::btCancel);
  d.SetFocusedControl(TFocusedControl::fcDefaultButton);
  EXPECT_EQ(d.DefaultButton(), TDefaultButton::btCancel);
}

TEST(TSelectFolderDialog, RequestCarriesTheResolvedSetUp) {
  testing::TempTree t;
  t.Folder("a");
  TSelectFolderDialog d;
  d.SetDialogWidth(500);
  d.SetDialogHeight(10);
  d.SetPath(t.Path("a/b/c/"));
  FolderChoiceRequest r = d.MakeRequest();
  EXPECT_EQ(r.width, 307);  // dsDefault whatever DialogWidth and DialogHeight hold
  EXPECT_EQ(r.height, 352);
  EXPECT_EQ(r.startFolder, t.Path("a"));
  EXPECT_EQ(r.rootFolder, "/");
  EXPECT_EQ(r.position, TDialogPosition::dpScreenCenter);
  EXPECT_TRUE(r.sizeable);
  EXPECT_EQ(r.title, "test_targets");  // the executable's file name without extension

  d.SetDialogSize(TDialogSize::dsCustom);
  d.SetRoot(TRootFolder::rfCustom);
  d.SetCustomRootFolder(t.Root() + "/");
  d.SetCaption(Sjis("フォルダの選択"));
  d.SetSizeable(false);
  r = d.MakeRequest();
  EXPECT_EQ(r.width, 500);
  EXPECT_EQ(r.height, 10);
  EXPECT_EQ(r.rootFolder, t.Root());
  EXPECT_EQ(r.title, Sjis("フォルダの選択"));
  EXPECT_FALSE(r.sizeable);
}

TEST(TSelectFolderDialog, WithoutAPathItStartsAtHome) {
  testing::TempTree t;
  t.Folder("home/u");
  const char* saved = std::getenv("HOME");
  const std::string before = saved ? saved : "";
  ::setenv("HOME", (t.Root() + "/home/u").c_str(), 1);
  TSelectFolderDialog d;
  EXPECT_EQ(UserHomeFolder(), t.Path("home/u"));
  EXPECT_EQ(d.MakeRequest().startFolder, t.Path("home/u"));
  EXPECT_EQ(d.MakeRequest().rootFolder, "/");
  d.SetPath(t.Path("home/"));  // a remembered folder wins
  EXPECT_EQ(d.MakeRequest().startFolder, t.Path("home"));
  ::setenv("HOME", (t.Root() + "/gone").c_str(), 1);
  d.SetPath({});
  EXPECT_EQ(UserHomeFolder(), "");
  if (saved)
    ::setenv("HOME", before.c_str(), 1);
  else
    ::unsetenv("HOME");
}

// A port that plays the window: it fires the events and reads the live message.
class WindowPlayingPort : public FakeUiPort {
 public:
  std::vector<std::string> seen;
  std::optional<std::string> ChooseFolder(const FolderChoiceRequest& r) override {
    seen.push_back("initial " + r.text);
    std::string shownText = r.text;
    if (r.link) r.link->setText = [&](const std::string& text) { shownText = text; };
    r.onShow();
    r.onSelect("/usr", "/usr/");
    bool allow = true;
    r.onExpanding("/usr", "/usr/", allow);
    if (allow) r.onExpanded("/usr", "/usr/");
    allow = true;
    r.onCollapsing("/usr", "/usr/", allow);
    if (allow) r.onCollapsed("/usr", "/usr/");
    bool canClose = true;
    r.onCanClose(canClose);
    seen.push_back(shownText);
    seen.push_back(canClose ? "may close" : "kept open");
    r.onClose();
    if (r.link) r.link->setText = nullptr;
    return FakeUiPort::ChooseFolder(r);
  }
};

TEST(TSelectFolderDialog, EventsReachTheHandlersWithTheComponentAsSender) {
  WindowPlayingPort port;
  TSelectFolderDialog d;
  std::vector<std::string> log;
  d.OnShow = [&](TSelectFolderDialog& s) { log.push_back(&s == &d ? "show" : "wrong sender"); };
  d.OnSelect = [&](TSelectFolderDialog&, const std::string& node, const std::string& sel) {
    log.push_back("select " + node + " " + sel);
  };
  d.OnExpanding = [&](TSelectFolderDialog& s, const std::string&, const std::string&, bool& allow) {
    allow = false;
    s.SetText("changed");
  };
  d.OnExpanded = [&](TSelectFolderDialog&, const std::string&, const std::string&) {
    log.push_back("expanded");
  };
  d.OnCanClose = [&](TSelectFolderDialog&, bool& canClose) { canClose = false; };
  d.OnClose = [&](TSelectFolderDialog&) { log.push_back("close"); };
  d.SetText(Sjis("フォルダを選んでください"));
  EXPECT_FALSE(d.Execute(port));
  EXPECT_EQ(log, (std::vector<std::string>{"show", "select /usr /usr/", "close"}));
  EXPECT_EQ(port.seen, (std::vector<std::string>{"initial " + Sjis("フォルダを選んでください"),
                                                 "changed", "kept open"}));
  // After the window is gone, the text only changes the property.
  d.SetText("later");
  EXPECT_EQ(d.Text(), "later");
}

TEST(TSelectFolderDialog, EventsOfOpeningAndClosingANode) {
  WindowPlayingPort port;
  TSelectFolderDialog d;
  std::vector<std::string> log;
  auto note = [&](const char* what) {
    return [&, what](TSelectFolderDialog& s, const std::string& node, const std::string& sel) {
      log.push_back(std::string(&s == &d ? "" : "wrong sender ") + what + " " + node + " " + sel);
    };
  };
  d.OnExpanded = note("expanded");
  d.OnCollapsed = note("collapsed");
  for (bool allowCollapse : {true, false}) {
    log.clear();
    d.OnCollapsing = [&](TSelectFolderDialog&, const std::string& node, const std::string&,
                         bool& allow) {
      log.push_back("collapsing " + node);
      allow = allowCollapse;
    };
    d.Execute(port);
    std::vector<std::string> expected{"expanded /usr /usr/", "collapsing /usr"};
    if (allowCollapse) expected.push_back("collapsed /usr /usr/");
    EXPECT_EQ(log, expected);
  }
}

TEST(TSelectFolderDialog, ExecuteSetsPathWithATrailingSeparatorOnlyOnAConfirmedFolder) {
  struct Row {
    std::optional<std::string> answer;
    bool result;
    std::string path;
  };
  for (const Row& row : std::vector<Row>{{std::string("/data"), true, "/data/"},
                                         {std::string("/data/"), true, "/data/"},
                                         {std::string("/"), true, "/"},
                                         {std::string(""), false, "/before/"},
                                         {std::nullopt, false, "/before/"}}) {
    SCOPED_TRACE(row.answer.value_or("(cancel)"));
    FakeUiPort port;
    port.folderAnswers.push_back(row.answer);
    TSelectFolderDialog d;
    d.SetPath("/before/");
    EXPECT_EQ(d.Execute(port), row.result);
    EXPECT_EQ(d.Path(), row.path);
  }
}

// A folder window that failed part-way is gone: a text set afterwards goes to no window of it.
TEST(TSelectFolderDialog, AFailedChoiceLeavesNoLinkToItsWindow) {
  struct ThrowingPort : FakeUiPort {
    std::optional<std::string> ChooseFolder(const FolderChoiceRequest& request) override {
      request.link->setText = [this](const std::string& text) { texts.push_back(text); };
      throw std::runtime_error("no window");
    }
    std::vector<std::string> texts;
  } port;
  TSelectFolderDialog d;
  EXPECT_THROW(d.Execute(port), std::runtime_error);
  d.SetText("later");
  EXPECT_TRUE(port.texts.empty());
}

}  // namespace
}  // namespace skarvo
