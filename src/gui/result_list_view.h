// ResultListView: the owner-drawn result list of the tab "検索モード". It shows a core
// CheckList (the result list) in the fixed-pitch "ＭＳ ゴシック" at the list's font size,
// one row per font height: a hit row as a check box followed by its text in black with
// the first match drawn over it in the hit or replacement colour, a header row in the
// header colours without a check box.
//
// Like every view of a core list it changes nothing itself: check-box clicks, a change of
// the selected row, double-clicks and context-menu requests go to the owner's callbacks;
// the owner asks the core and then calls Refresh(). Drawing asks a RowHighlighter for the
// highlight of each row it paints, so only the rows on screen are matched.
//
// PlanResultRow holds the drawing arithmetic (rectangles, where the match goes, colours),
// so it can be checked without painting.
#pragma once

#include <QColor>
#include <QFont>
#include <QListView>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/result_highlight.h"
#include "results/result_rules.h"
#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo::gui {

class CheckListModel;

// The highlight of one row as it is to be drawn now.
using RowHighlighter = std::function<RowHighlight(const CheckListRow& row)>;

// A highlighter over given search texts and settings: RowHighlightOf with them as they stand
// at each draw (the main window asks MainWindowCore::ResultRowHighlight instead). The referenced
// objects must outlive its use.
RowHighlighter HighlightWith(const std::string& searchText, const std::string& replaceText,
                             const Settings& settings, RowMatcher& matching);

// The row text as it is drawn: CP932 to QString, control characters (a tab among them)
// shown as one blank each, so measuring and drawing treat them alike.
QString DisplayText(std::string_view cp932);

// The bytes of row text handed to the painter since the program started: a long row is
// drawn only where it is on screen, which tests check by this count.
uint64_t DrawnTextBytes();

// Widths of CP932 texts in one font, summed from the advances of their characters, each
// measured once. The list measures every row with it, so a large list costs one table
// look-up per character rather than a text layout per row. Advances are kept in 64ths of a
// pixel, as Qt lays text out: at most sizes a glyph's advance is no whole number of pixels,
// and whole pixels summed along a row drift away from where the painter puts the glyphs.
class TextWidthCache {
 public:
  // The widest a text is measured: longer texts give this width.
  static constexpr int kMaxWidth = 1 << 22;

  explicit TextWidthCache(const QFont& font);
  // Where the painter ends text (CP932) drawn from x = 0 as DisplayText of it, in pixels
  // with their fraction; at most kMaxWidth.
  qreal Advance(std::string_view cp932);
  // Advance rounded up to whole pixels.
  int Width(std::string_view cp932);
  // The number of leading bytes of text (whole characters) whose advance stays at or below
  // width; with the advance of those bytes in *taken.
  size_t BytesWithin(std::string_view cp932, qreal width, qreal* taken);

 private:
  int CharUnits(std::string_view cp932Char, unsigned code);
  long long Units(std::string_view cp932);

  QFont font_;
  std::vector<int> units_;  // advance by character code in 64ths of a pixel, -1 until measured
};

// The colours and sizes every row of the list shares.
struct ResultListLook {
  QColor background{Qt::white};          // "TAB１背景色"
  QColor headerBackground{128, 128, 0};  // "TAB１ヘッダー背景色"
  QColor headerText{255, 251, 240};  // "TAB１ヘッダーフォント色", readable on the background
  QColor selection{0, 120, 215};     // the selected row's background
  QPalette palette;                  // resolves system colours of the highlight
  int checkBoxWidth = 16;            // the check box column left of a hit row's text
  int indicatorSize = 13;            // the check box square inside that column
};

// Where and in which colours one row is drawn.
struct ResultRowPaint {
  QRect fill;  // filled with background: a hit row's rectangle right of its box
  QColor background;
  QRect checkArea;    // the check box column in the list background; empty for headers
  QRect checkBox;     // the check box square; empty for header rows
  QPoint textOrigin;  // top left of the row text
  QColor textColor;   // black on hit rows, the header text colour on header rows
  QString matchText;  // the highlighted text; empty when nothing is highlighted
  QRect highlight;    // the whole pixels matchText covers over the row text
  qreal matchX = 0;   // where matchText starts: the row text's own place of those characters
  QColor highlightColor;
  QRect selectionFrame;  // a selected header row: a frame in the selection colour
};

// Plans the drawing of row in itemRect (the row's full width in the view). A header row
// fills the whole rectangle with the header background and has no check box, also when
// selected; a hit row keeps the check box column at the left and fills the rest with the
// selection colour when selected, else the list background. The text starts at the top
// left of the fill. The match text goes at the text's left plus the advance of
// highlight.prefix in the list's font (widths), as wide as the match text, as high as the
// row; its colour is highlight.color. Header rows and an empty match have no highlight.
ResultRowPaint PlanResultRow(const CheckListRow& row, const RowHighlight& highlight, bool selected,
                             const QRect& itemRect, TextWidthCache& widths,
                             const ResultListLook& look);

class ResultListView : public QListView {
  Q_OBJECT

 public:
  // Shows list, which must outlive the view. Until ApplyDisplay, the default display
  // settings of the list apply.
  explicit ResultListView(const CheckList& list, QWidget* parent = nullptr);
  ~ResultListView() override;

  CheckListModel* Model() const { return model_; }

  // The user clicked the check box of a hit row (a click in its column, or Space on the
  // current row; each click of a double-click counts).
  std::function<void(int row)> onClickCheck;
  // The user made another row current (-1: none).
  std::function<void(int row)> onSelect;
  // The user double-clicked a row (not its check box), or pressed Enter on the current row.
  std::function<void(int row)> onDoubleClick;
  // The user asked for the context menu at globalPos; state is the menu's enabling for the
  // list's selected row, read when the menu is asked for.
  std::function<void(const QPoint& globalPos, const ResultMenuState& state)> onContextMenu;

  // How rows are highlighted; without one, nothing is.
  void SetHighlighter(RowHighlighter highlighter);
  // Shows the rows and the selected row as the core holds them; does nothing when the
  // list's revision has not changed since the last call.
  void Refresh();
  // During a search run, which only appends rows after emptying the list: shows the new rows
  // without re-reading the shown ones (the Refresh after the run reads them all).
  void RefreshGrowing();
  // Draws the rows again (after a change of the search state that left the rows alone).
  void Redraw();
  // Colours and font size of the list ("TAB１…"); rows become as high as the font at once.
  void ApplyDisplay(const ListDisplay& display);

  // Row height in pixels: the absolute font height for the list's font size.
  int RowHeight() const { return rowHeight_; }
  // The horizontal scroll extent: the width of the widest row text in the list's font
  // plus the row height (the check box column is as wide as a row is high). Kept current
  // at every Refresh and ApplyDisplay, so rows changed in place stay reachable.
  int ScrollExtent() const { return extent_; }
  const ResultListLook& Look() const { return look_; }
  // The drawing plan of row as the view would paint it now; row must be a shown row.
  ResultRowPaint PlanRow(int row) const;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Delegate;
  friend class Delegate;

  // The check box column of the row at index in itemRect, where a click toggles its check;
  // empty for a header row or a row the core no longer has.
  QRect CheckAreaAt(const QModelIndex& index, const QRect& itemRect) const;
  RowHighlight HighlightOf(const CheckListRow& row) const;
  void MeasureRows(int first, int last);
  void UpdateExtent();

  const CheckList& list_;
  CheckListModel* model_;
  std::unique_ptr<TextWidthCache> widthCache_;  // for the current font
  RowHighlighter highlighter_;
  ResultListLook look_;
  int rowHeight_ = 16;
  int extent_ = 0;
  std::vector<int> widths_;  // text width of each shown row in the list's font
  bool widthsChanged_ = false;
  bool refreshing_ = false;
  bool doubleClickOnCheckBox_ = false;
  uint64_t shownRevision_ = ~uint64_t{0};
};

}  // namespace skarvo::gui
