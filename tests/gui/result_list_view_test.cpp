#include "gui/result_list_view.h"

#include <QContextMenuEvent>
#include <QFontInfo>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextLayout>
#include <QtTest>
#include <memory>

#include "engine/awk_str.h"
#include "gui/app_setup.h"
#include "gui/check_list_view.h"
#include "gui/qt_text.h"
#include "platform/codepage.h"
#include "platform/core_timer.h"
#include "ops/result_checks.h"
#include "results/result_rules.h"
#include "support/fake_ui_port.h"

using skarvo::CheckList;
using skarvo::FontPixelHeight;
using skarvo::ListDisplay;
using skarvo::ResultMenuState;
using skarvo::Settings;
using skarvo::Sjis;
using skarvo::gui::ResultListView;
using skarvo::gui::ResultRowPaint;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kOlive(128, 128, 0);
const QColor kWhite(255, 255, 255);
const QColor kCream(255, 251, 240);
const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);

// The main window's search state, which the view reads at each draw.
struct SearchState {
  std::string searchText;
  std::string replaceText;
  Settings settings;
  skarvo::RowMatcher awk;
};

// A result list over a list, shown offscreen at a fixed size.
struct Fixture {
  CheckList list;
  SearchState state;
  std::unique_ptr<ResultListView> view;

  explicit Fixture(const char* search = "", const char* replace = "") {
    state.searchText = Sjis(search);
    state.replaceText = Sjis(replace);
    view = std::make_unique<ResultListView>(list);
    view->SetHighlighter(
        skarvo::gui::HighlightWith(state.searchText, state.replaceText, state.settings, state.awk));
    view->resize(640, 240);
  }
  void Add(const char* text, bool header = false, bool checked = false) {
    list.Add(Sjis(text), header, checked);
  }
  QImage Render() {
    view->Refresh();
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return {};
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  QFontMetrics Metrics() const { return QFontMetrics(view->font()); }
};

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
         std::abs(a.blue() - b.blue()) <= 2;
}
bool IsDarkGrey(QColor c) { return c.red() < 128 && c.red() == c.green() && c.green() == c.blue(); }
bool IsRed(QColor c) { return c.red() > 150 && c.green() < 110 && c.blue() < 110; }
bool IsGreen(QColor c) { return c.green() > 70 && c.red() < 60 && c.blue() < 60; }

// The x range [first, last] of the pixels in rect that satisfy test; first > last if none.
template <typename Test>
std::pair<int, int> Columns(const QImage& image, const QRect& rect, Test test) {
  int first = INT_MAX;
  int last = INT_MIN;
  const QRect r = rect.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (test(image.pixelColor(x, y))) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return {first, last};
}

// A double-click as the window system delivers it to a widget.
void DoubleClick(QWidget* widget, QPoint at) {
  QTest::mousePress(widget, Qt::LeftButton, {}, at);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
  QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

template <typename Test>
int Count(const QImage& image, const QRect& rect, Test test) {
  int n = 0;
  const QRect r = rect.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += test(image.pixelColor(x, y)) ? 1 : 0;
  return n;
}

}  // namespace

class ResultListViewTest : public QObject {
  Q_OBJECT

 private slots:
  void rowsAreAsHighAsTheListFont() {
    Fixture f;
    f.Add("\"/a.txt\",の検索結果", true);
    f.Add("【1列目】abc", false, true);
    f.view->Refresh();
    const int dpi = f.view->logicalDpiY();
    QCOMPARE(QFontInfo(f.view->font()).family(), QString("IPAGothic"));
    QCOMPARE(f.view->RowHeight(), FontPixelHeight(12, dpi));
    QCOMPARE(f.view->font().pixelSize(), f.view->RowHeight());
    QCOMPARE(f.view->visualRect(f.view->Model()->index(1)).top(), f.view->RowHeight());

    ListDisplay display;
    display.fontSize = 20;
    f.view->ApplyDisplay(display);
    QCOMPARE(f.view->RowHeight(), FontPixelHeight(20, dpi));
    QCOMPARE(f.view->visualRect(f.view->Model()->index(1)).top(), FontPixelHeight(20, dpi));
    QCOMPARE(f.view->visualRect(f.view->Model()->index(1)).height(), FontPixelHeight(20, dpi));
  }

  // Where the match goes and in which colour, for the kinds of rows and search states.
  void plansTheHighlight_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<bool>("useRegex");
    QTest::addColumn<QString>("prefix");  // expected text before the highlight
    QTest::addColumn<QString>("match");   // expected highlighted text, "" for none
    QTest::addColumn<QColor>("color");

    QTest::addRow("hit behind a 2-byte prefix") << "表abc" << false << true << "abc"
                                                << "" << true << "表"
                                                << "abc" << kRed;
    QTest::addRow("line number prefix") << "【12列目】語abc語" << false << true << "語a?bc"
                                        << "" << true << "【12列目】"
                                        << "語abc" << kRed;
    // The line number and the cell label are no part of the line the pattern is run on.
    QTest::addRow("match at the line's first byte") << "【1列目】abc" << false << true << "a"
                                                    << "" << true << "【1列目】"
                                                    << "a" << kRed;
    QTest::addRow("no match inside a cell label")
        << "【Excel,Sheet1, B5セル】x" << false << false << "Sheet[0-9]"
        << "" << true << ""
        << "" << kRed;
    QTest::addRow("plain-string search") << "【1列目】abc" << false << true << "abc"
                                         << "" << false << ""
                                         << "" << kRed;
    QTest::addRow("header row") << "\"/abc.txt\",の検索結果" << true << false << "abc"
                                << "" << true << ""
                                << "" << kRed;
    QTest::addRow("no match") << "【1列目】abc" << false << true << "xyz"
                              << "" << true << ""
                              << "" << kRed;
    QTest::addRow("pending replace, checked row") << "【1列目】aXYZb" << false << true << "abc"
                                                  << "XYZ" << true << "【1列目】a"
                                                  << "XYZ" << kGreen;
    QTest::addRow("pending replace, unchecked row") << "【1列目】abc" << false << false << "abc"
                                                    << "XYZ" << true << "【1列目】"
                                                    << "abc" << kRed;
    QTest::addRow("replacement not a pattern") << "【1列目】a(b" << false << true << "b"
                                               << "a(" << true << ""
                                               << "" << kGreen;
  }

  void plansTheHighlight() {
    QFETCH(QString, text);
    QFETCH(bool, header);
    QFETCH(bool, checked);
    QFETCH(QString, search);
    QFETCH(QString, replace);
    QFETCH(bool, useRegex);
    QFETCH(QString, prefix);
    QFETCH(QString, match);
    QFETCH(QColor, color);

    Fixture f(search.toUtf8().constData(), replace.toUtf8().constData());
    f.state.settings.useRegex = useRegex;
    f.Add(text.toUtf8().constData(), header, checked);
    f.view->Refresh();
    const QRect item = f.view->visualRect(f.view->Model()->index(0));
    const int rowHeight = f.view->RowHeight();
    const ResultRowPaint plan = f.view->PlanRow(0);

    QCOMPARE(plan.textColor, header ? kCream : kBlack);
    QCOMPARE(plan.matchText, match);
    if (header) {
      QVERIFY(plan.checkBox.isEmpty());
      QCOMPARE(plan.fill, item);
      QCOMPARE(plan.background, kOlive);
    } else {
      QCOMPARE(plan.checkArea, QRect(item.left(), item.top(), rowHeight, item.height()));
      QVERIFY(plan.checkArea.contains(plan.checkBox));
      QVERIFY(!plan.checkBox.isEmpty());
      QCOMPARE(plan.fill.left(), item.left() + rowHeight);
      QCOMPARE(plan.fill.right(), item.right());
      QCOMPARE(plan.background, kWhite);
    }
    QCOMPARE(plan.textOrigin, plan.fill.topLeft());
    if (match.isEmpty()) return;
    const QFontMetrics metrics = f.Metrics();
    QCOMPARE(plan.highlight.left(), plan.textOrigin.x() + metrics.horizontalAdvance(prefix));
    QCOMPARE(plan.highlight.width(), metrics.horizontalAdvance(match));
    QCOMPARE(plan.highlight.top(), item.top());
    QCOMPARE(plan.highlight.height(), rowHeight);
    QCOMPARE(plan.highlightColor, color);
  }

  // Header rows in the header colour with black text and no check box; hit rows with a
  // check box and black text whatever the text colour setting says; the match in red.
  void rendersHeadersHitsAndTheSelection() {
    Fixture f("abc");
    f.Add("\"/tmp/a.txt\",の検索結果", true);
    f.Add("【1列目】表abc表", false, true);
    f.Add("【2列目】none", false, false);
    ListDisplay display;
    display.font = skarvo::kClRed;  // must not colour the row text
    f.view->ApplyDisplay(display);
    f.list.SetItemIndex(2);
    const QImage image = f.Render();
    QVERIFY(!image.isNull());
    const int h = f.view->RowHeight();
    const QRect header(0, 0, image.width(), h);
    const QRect selected(0, 2 * h, image.width(), h);

    // Header: olive with its text in the header font colour (cream); a check box would
    // bring white pixels.
    QCOMPARE(image.pixelColor(image.width() - 3, h / 2), kOlive);
    QVERIFY(Count(image, header, [](QColor c) { return Near(c, kCream); }) > 0);
    QCOMPARE(Count(image, header, [](QColor c) { return c == kWhite || c == kBlack; }), 0);

    // Hit row: the check box is drawn in its column, the text starts right of it.
    const QRect checkColumn(0, h, h, h);
    QVERIFY(Count(image, checkColumn, [](QColor c) { return c != kWhite; }) > 0);
    // The match in red, where the plan puts it (its exact place is tested below).
    const ResultRowPaint plan = f.view->PlanRow(1);
    QVERIFY(Count(image, plan.highlight, IsRed) > 0);
    // Outside the match the text is black (grey at the edges), never in a colour.
    const QRect beforeMatch(h, h, plan.highlight.left() - h - 1, h);
    QVERIFY(Count(image, beforeMatch, [](QColor c) { return c == kBlack; }) > 0);
    QCOMPARE(Count(image, beforeMatch,
                   [](QColor c) { return c.red() != c.green() || c.green() != c.blue(); }),
             0);

    // The selected row has the selection background right of its check box, black text.
    QVERIFY(Near(image.pixelColor(image.width() - 3, 2 * h + h / 2), f.view->Look().selection));
    QCOMPARE(image.pixelColor(0, 2 * h), kWhite);
    QVERIFY(Count(image, selected, [](QColor c) { return c == kBlack; }) > 0);
    QCOMPARE(Count(image, selected, IsRed), 0);
  }

  // Header text is painted in the header font colour, unless that would not read on the
  // header background: then in black or white.
  void headerTextReadsOnTheHeaderBackground_data() {
    QTest::addColumn<uint>("background");
    QTest::addColumn<uint>("font");
    QTest::addColumn<QColor>("painted");
    QTest::addColumn<QColor>("absent");
    QTest::addRow("defaults") << uint{skarvo::kClOlive} << uint{skarvo::kClCream} << kCream
                              << kBlack;
    QTest::addRow("picked font colour")
        << uint{skarvo::kClNavy} << uint{skarvo::kClYellow} << kYellow << kBlack;
    QTest::addRow("black on navy")
        << uint{skarvo::kClNavy} << uint{skarvo::kClBlack} << kWhite << kBlack;
    QTest::addRow("white on yellow")
        << uint{skarvo::kClYellow} << uint{skarvo::kClWhite} << kBlack << kWhite;
  }

  void headerTextReadsOnTheHeaderBackground() {
    QFETCH(uint, background);
    QFETCH(uint, font);
    QFETCH(QColor, painted);
    QFETCH(QColor, absent);
    Fixture f;
    f.Add("\"/tmp/a.txt\",の検索結果", true);
    ListDisplay display;
    display.headerBackground = background;
    display.headerFont = font;
    f.view->ApplyDisplay(display);
    const QImage image = f.Render();
    const QRect header(0, 0, image.width(), f.view->RowHeight());
    QVERIFY(Count(image, header, [&](QColor c) { return c == painted; }) > 0);
    QCOMPARE(Count(image, header, [&](QColor c) { return c == absent; }), 0);
  }

  // The match is drawn exactly over the same characters of the black text, so no fully
  // black pixel of them is left, whatever comes before it and at any font size: its place
  // is where Qt lays out those characters in the whole row text, in the row's own font.
  void highlightCoversTheMatchExactly_data() {
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<QByteArray>("text");  // CP932
    QTest::addColumn<QString>("pattern");
    const struct {
      const char* name;
      std::string text;
      const char* pattern;
    } rows[] = {
        {"match at byte 1", Sjis("検索の後"), "検索"},
        {"2-byte prefix", Sjis("表検索表"), "検索"},
        {"tabs and control characters", Sjis("【1列目】a\tb\t\x01検索x"), "検索"},
        {"half-width katakana", "\xB1\xB2\xB3" + Sjis("検索"), "検索"},
        {"behind a long path", Sjis("【3列目】/home/user/.config/skarvo/Skarvo.ini の設定"), "ini"},
        {"cell label", Sjis("【Excel,Sheet1, B5セル】検索の設定"), "設"},
    };
    for (int size : {12, 20})
      for (const auto& row : rows)
        QTest::addRow("%s, size %d", row.name, size)
            << size << QByteArray::fromStdString(row.text) << QString::fromUtf8(row.pattern);
  }

  void highlightCoversTheMatchExactly() {
    QFETCH(int, fontSize);
    QFETCH(QByteArray, text);
    QFETCH(QString, pattern);
    Fixture f(pattern.toUtf8().constData());
    ListDisplay display;
    display.fontSize = fontSize;
    f.view->ApplyDisplay(display);
    f.view->resize(1200, 240);
    f.list.Add(text.toStdString(), false, false);
    const QImage image = f.Render();
    const int h = f.view->RowHeight();
    const QRect row(0, 0, image.width(), h);
    const QRect match = f.view->PlanRow(0).highlight;
    QVERIFY(!match.isEmpty());
    QVERIFY(Count(image, match, IsRed) > 0);
    QCOMPARE(Count(image, match, [](QColor c) { return c == kBlack; }), 0);
    const QRect widened = match.adjusted(-1, 0, 1, 0);
    QCOMPARE(Count(image, row, IsRed), Count(image, widened, IsRed));
    // The characters' own rectangle in the whole row text, laid out by Qt in the row's font.
    const QString shown = skarvo::gui::DisplayText(text.toStdString());
    const int start = static_cast<int>(shown.lastIndexOf(pattern));
    QTextLayout layout(shown, f.view->font());
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const qreal left = h + line.cursorToX(start);
    const qreal right = h + line.cursorToX(start + static_cast<int>(pattern.size()));
    QVERIFY2(std::abs(match.left() - left) <= 1,
             qPrintable(QString("highlight at %1, text at %2").arg(match.left()).arg(left)));
    QVERIFY2(std::abs(match.left() + match.width() - right) <= 1,
             qPrintable(QString("highlight ends at %1, text at %2")
                            .arg(match.left() + match.width())
                            .arg(right)));
  }

  void plainSearchDrawsNoHighlight() {
    Fixture f("abc");
    f.state.settings.useRegex = false;
    f.Add("【1列目】abc", false, true);
    f.Add("【2列目】xabcx", false, false);
    const QImage image = f.Render();
    QVERIFY(Count(image, image.rect(), [](QColor c) { return c == kBlack; }) > 0);
    QCOMPARE(Count(image, image.rect(), IsRed), 0);
  }

  void pendingReplaceColoursCheckedRowsWithTheReplacementColour() {
    Fixture f("abc", "XYZ");
    f.Add("【1列目】aXYZb", false, true);
    f.Add("【2列目】abc", false, false);
    f.Add("【3列目】abcXYZ", false, true);
    const QImage image = f.Render();
    const int h = f.view->RowHeight();
    for (int row = 0; row < 3; ++row) {
      const QRect rect(0, row * h, image.width(), h);
      const bool checked = f.list.Checked(row);
      QVERIFY2(Count(image, rect, checked ? IsGreen : IsRed) > 0, qPrintable(QString::number(row)));
      QCOMPARE(Count(image, rect, checked ? IsRed : IsGreen), 0);
    }
    // The checked row with both texts: the replacement is what is highlighted.
    const auto green = Columns(image, QRect(0, 2 * h, image.width(), h), IsGreen);
    QVERIFY(green.first >= f.view->PlanRow(2).highlight.left() - 1);
  }

  // A check click goes to the owner; the owner's core rules decide and the view shows them.
  void checkClicksGoToTheCallback() {
    Fixture f("abc");
    f.Add("\"/a.txt\",の検索結果", true);
    f.Add("【1列目】abc", false, true);
    f.Add("【Excel,Sheet1, A1セル】abc", false, false);
    skarvo::ResultSession session;
    skarvo::FakeUiPort port;
    skarvo::CoreTimer timer(5000, false);
    std::vector<int> clicks;
    std::vector<int> selections;
    std::vector<int> doubleClicks;
    f.view->onClickCheck = [&](int row) {
      clicks.push_back(row);
      // The window's check rules run on its session's rows; the view shows f.list.
      session.rows = f.list;
      const skarvo::OpOutcome outcome = skarvo::ClickResultCheckBox(session, row);
      f.list = session.rows;
      if (outcome.notice) {
        port.SetStatusText(*outcome.notice);
        timer.SetEnabled(true);
      }
      f.view->Refresh();
    };
    f.view->onSelect = [&](int row) {
      selections.push_back(row);
      f.list.SetItemIndex(row);
      f.view->Refresh();
    };
    f.view->onDoubleClick = [&](int row) { doubleClicks.push_back(row); };
    f.Render();
    selections.clear();  // taking the focus may make the first row current
    const int h = f.view->RowHeight();
    QWidget* viewport = f.view->viewport();
    auto state = [&](int row) {
      return f.view->Model()->data(f.view->Model()->index(row), Qt::CheckStateRole);
    };

    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(h / 2, h + h / 2));
    QCOMPARE(clicks, std::vector<int>({1}));
    QCOMPARE(selections, std::vector<int>({1}));
    QVERIFY(!f.list.Checked(1));
    QCOMPARE(state(1).value<Qt::CheckState>(), Qt::Unchecked);

    // The text of a row selects it but does not toggle; nor does a header row's left edge.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(3 * h, h + h / 2));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(h / 2, h / 2));
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(h / 2, h + h / 2));
    QCOMPARE(clicks, std::vector<int>({1}));
    QCOMPARE(selections, std::vector<int>({1, 0, 1}));

    // Space toggles the current row.
    QTest::keyClick(f.view.get(), Qt::Key_Space);
    QCOMPARE(clicks, std::vector<int>({1, 1}));
    QVERIFY(f.list.Checked(1));

    // A cell hit row is refused by the core and stays unchecked.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(h / 2, 2 * h + h / 2));
    QCOMPARE(clicks, std::vector<int>({1, 1, 2}));
    QVERIFY(!f.list.Checked(2));
    QCOMPARE(state(2).value<Qt::CheckState>(), Qt::Unchecked);
    QCOMPARE(port.statusText, Sjis("Excel、Wordファイルはチェック対象にできません。"));

    // A double-click on the text opens; on the check box it only toggles.
    DoubleClick(viewport, QPoint(4 * h, h + h / 2));
    QCOMPARE(doubleClicks, std::vector<int>({1}));
    const size_t before = clicks.size();
    DoubleClick(viewport, QPoint(h / 2, h + h / 2));
    QCOMPARE(doubleClicks, std::vector<int>({1}));
    // Both clicks toggle, so the row is back where it was.
    QCOMPARE(clicks.size(), before + 2);
    QVERIFY(f.list.Checked(1));
  }

  void contextMenuGetsTheEnablingOfTheSelectedRow() {
    Fixture f;
    f.Add("\"/a.txt\",の検索結果", true);
    f.Add("【1列目】abc", false, true);
    std::vector<ResultMenuState> states;
    f.view->onContextMenu = [&](const QPoint&, const ResultMenuState& s) { states.push_back(s); };
    f.Render();
    const int h = f.view->RowHeight();
    for (int row : {0, 1}) {
      f.list.SetItemIndex(row);
      f.view->Refresh();
      const QPoint at(3 * h, row * h + h / 2);
      QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.view->viewport()->mapToGlobal(at));
      QApplication::sendEvent(f.view->viewport(), &event);
    }
    QCOMPARE(states.size(), size_t{2});
    QVERIFY(states[0].checkOnFile && states[0].splitFile && states[0].narrowJoin);
    QVERIFY(!states[0].changeText);
    QVERIFY(!states[1].checkOnFile && !states[1].splitFile && states[1].openFile);
    QVERIFY(states[1].changeText);
  }

  void scrollExtentIsTheWidestTextPlusTheRowHeight() {
    Fixture f;
    const char* texts[] = {
        "\"/a.txt\",の検索結果", "【1列目】short",
        "【2列目】全角の長い行です。全角の長い行です。全角の長い行です。全角の長い行です。",
        "【3列目】x"};
    for (const char* t : texts) f.Add(t, t[0] == '"', false);
    f.Render();
    auto widest = [&] {
      int w = 0;
      for (int i = 0; i < f.list.Count(); ++i)
        w = std::max(w, f.Metrics().horizontalAdvance(skarvo::gui::ToQt(f.list.Text(i))));
      return w;
    };
    QCOMPARE(f.view->ScrollExtent(), widest() + f.view->RowHeight());
    QCOMPARE(f.view->horizontalScrollBar()->maximum(),
             f.view->ScrollExtent() - f.view->viewport()->width());

    // A row changed in place moves the extent both ways.
    f.list.SetText(3, Sjis("【3列目】") + std::string(300, 'w'));
    f.view->Refresh();
    QCOMPARE(f.view->ScrollExtent(), widest() + f.view->RowHeight());
    QVERIFY(f.view->ScrollExtent() > f.Metrics().horizontalAdvance(QString(300, 'w')));
    QCOMPARE(f.view->horizontalScrollBar()->maximum(),
             f.view->ScrollExtent() - f.view->viewport()->width());
    f.list.SetText(3, Sjis("x"));
    f.view->Refresh();
    QCOMPARE(f.view->ScrollExtent(), widest() + f.view->RowHeight());

    // A new font size measures again.
    ListDisplay display;
    display.fontSize = 24;
    f.view->ApplyDisplay(display);
    QCOMPARE(f.view->ScrollExtent(), widest() + f.view->RowHeight());

    f.list.Clear();
    f.view->Refresh();
    QCOMPARE(f.view->ScrollExtent(), f.view->RowHeight());
    QCOMPARE(f.view->horizontalScrollBar()->maximum(), 0);
  }

  // A search fills the list while the view inserts only the new rows; a row changed
  // meanwhile (a check clicked, a text replaced) and rows taken from another list are still
  // shown as the list holds them, with the extent of the widest.
  void growingAndSharedListsShowEveryChange() {
    Fixture f;
    for (const char* t : {"\"/a.txt\",の検索結果", "【1列目】a", "【2列目】b"})
      f.Add(t, t[0] == '"');
    f.view->Refresh();
    auto widest = [&] {
      int w = 0;
      for (int i = 0; i < f.list.Count(); ++i)
        w = std::max(w, f.Metrics().horizontalAdvance(skarvo::gui::ToQt(f.list.Text(i))));
      return w + f.view->RowHeight();
    };
    QSignalSpy changed(f.view->Model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(f.view->Model(), &QAbstractItemModel::modelReset);

    f.Add("【3列目】c");
    f.view->RefreshGrowing();
    QCOMPARE(f.view->Model()->rowCount(), 4);
    QCOMPARE(changed.count(), 0);
    f.Add("【4列目】d");
    f.list.SetText(1, Sjis("【1列目】") + std::string(80, 'w'));
    f.view->RefreshGrowing();
    QCOMPARE(f.view->Model()->rowCount(), 5);
    QCOMPARE(reset.count(), 1);  // grown and changed: read again as a whole
    QCOMPARE(f.view->ScrollExtent(), widest());
    f.list.SetChecked(2, true);
    f.view->Refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 2);
    reset.clear();

    // The same number of rows from another list: every changed row is redrawn.
    CheckList other;
    for (const char* t :
         {"\"/b.txt\",の検索結果", "【1列目】a", "【2列目】b", "【3列目】c", "【9列目】z"})
      other.Add(Sjis(t), t[0] == '"');
    changed.clear();
    f.list.ShareRowsOf(other);
    f.view->Refresh();
    QCOMPARE(reset.count(), 0);
    QList<int> rows;
    for (const QList<QVariant>& signal : changed) rows << signal.at(0).toModelIndex().row();
    QCOMPARE(rows, (QList<int>{0, 1, 2, 4}));
    QCOMPARE(f.view->ScrollExtent(), widest());
    // Taken rows leave an empty view.
    const auto old = f.list.TakeRows();
    f.view->Refresh();
    QCOMPARE(f.view->Model()->rowCount(), 0);
    QCOMPARE(f.view->ScrollExtent(), f.view->RowHeight());
  }

  // A match far into a very long row is drawn where the plan puts it.
  void longRowsDrawTheVisiblePartInPlace() {
    Fixture f("XYZ");
    std::string text(5000, 'a');
    text += "XYZ";
    text += std::string(200000, 'b');
    f.list.Add(text, false, true);
    f.Render();
    const ResultRowPaint plan = f.view->PlanRow(0);
    const int h = f.view->RowHeight();
    QCOMPARE(plan.highlight.left(), h + 5000 * f.Metrics().horizontalAdvance(QChar('a')));
    f.view->horizontalScrollBar()->setValue(plan.highlight.left() - 100);
    // Only the part on screen is laid out and drawn, not the whole row.
    const uint64_t drawnBefore = skarvo::gui::DrawnTextBytes();
    const QImage image = f.view->viewport()->grab().toImage();
    const uint64_t drawn = skarvo::gui::DrawnTextBytes() - drawnBefore;
    QVERIFY2(drawn > 0 && drawn < text.size() / 16, qPrintable(QString::number(drawn)));
    const auto [first, last] = Columns(image, QRect(0, 0, image.width(), h), IsRed);
    QVERIFY(first <= last);
    QVERIFY2(std::abs(first - 100) <= 3, qPrintable(QString::number(first)));
    QVERIFY(std::abs(last - (100 + plan.highlight.width() - 1)) <= 3);
    QVERIFY(Count(image, QRect(0, 0, 90, h), IsDarkGrey) > 0);
    QVERIFY(Count(image, QRect(110 + plan.highlight.width(), 0, image.width(), h), IsDarkGrey) > 0);
    const int advance = f.Metrics().horizontalAdvance(QChar('a'));
    QCOMPARE(f.view->ScrollExtent(), h + static_cast<int>(text.size()) * advance);

    // A row too wide to scroll through is measured only up to the widest extent.
    f.list.Add(std::string(1000000, 'c') + std::string(20000000, 'd'), false, false);
    f.view->Refresh();
    QCOMPARE(f.view->ScrollExtent(), h + skarvo::gui::TextWidthCache::kMaxWidth);
  }

  // A 100,000-row list: refreshing is a single pass and painting matches only the rows
  // on screen.
  void largeListsDrawOnlyTheVisibleRows() {
    Fixture f;
    for (int i = 0; i < 100000; ++i) {
      if (i % 50 == 0)
        f.list.Add(Sjis("\"/f") + std::to_string(i) + "\",", true);
      else
        f.list.Add(Sjis("【") + std::to_string(i) + Sjis("列目】text abc"), false, true);
    }
    int matched = 0;
    f.view->SetHighlighter([&](const skarvo::CheckListRow& row) {
      ++matched;
      return skarvo::RowHighlightOf(row, f.state.searchText, f.state.replaceText, f.state.settings,
                                    f.state.awk);
    });
    f.state.searchText = "abc";
    f.Render();
    matched = 0;
    f.view->verticalScrollBar()->setValue(50000);
    f.view->viewport()->grab();
    const int visible = f.view->viewport()->height() / f.view->RowHeight() + 2;
    QVERIFY(matched > 0);
    QVERIFY2(matched <= visible, qPrintable(QString("%1 > %2").arg(matched).arg(visible)));

    // A row the core selects becomes current and is scrolled into view.
    f.list.SetItemIndex(99998);
    f.view->Refresh();
    QVERIFY(
        f.view->visualRect(f.view->Model()->index(99998)).intersects(f.view->viewport()->rect()));
    QCOMPARE(f.view->currentIndex().row(), 99998);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  ResultListViewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "result_list_view_test.moc"
