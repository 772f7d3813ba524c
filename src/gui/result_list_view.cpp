// Drawing the result list.
//
// Rows are painted on demand by a delegate, so only the rows on screen are converted to
// QString, matched and drawn. The list's model (CheckListModel) keeps its own copy of the
// rows and reports which rows changed at a refresh; the view keeps the text width of every
// row beside it, re-measures only the rows the model reports, and takes the widest once per
// refresh, so a replace that changes thousands of rows costs one pass over the widths.
//
// Widths come from a table of character widths in the list's font (TextWidthCache): laying
// out a row's text costs some microseconds, which a list of 100,000 rows cannot pay at
// every refresh, while a look-up per character can. The font is fixed-pitch, so the sum of
// the characters' advances is where the painter puts each glyph; the highlight is placed
// with the same table, and control characters are drawn as blanks so that nothing the
// table does not know about (tab stops) moves the text.
//
// Rows have no length limit. A row of a few thousand bytes is drawn as one string; of a
// longer one (a binary file's "line") only the characters inside the painted area are
// drawn, found with the same table, so painting costs the same whatever the row's length,
// and a width stops growing at TextWidthCache::kMaxWidth.
#include "gui/result_list_view.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/awk_str.h"
#include "gui/check_list_view.h"
#include "gui/qt_text.h"
#include "platform/codepage.h"

namespace skarvo::gui {

namespace {

// Bytes of row text handed to the painter so far (DrawnTextBytes).
uint64_t drawnTextBytes = 0;

// Texts up to this many bytes are drawn as one string; of longer ones, only the part on
// screen.
constexpr size_t kWholeTextLimit = 4096;

QColor BlackText() {
  return QColor(ColorRed(kResultRowTextColor), ColorGreen(kResultRowTextColor),
                ColorBlue(kResultRowTextColor));
}

// Draws text (CP932) with its top left at origin; of a long text only what falls between
// left and right (the painted area) is drawn, at the place it has in the whole text.
void DrawRowText(QPainter& painter, TextWidthCache& widths, int ascent, QPointF origin,
                 std::string_view text, int left, int right) {
  const qreal baseline = origin.y() + ascent;
  if (text.size() <= kWholeTextLimit) {
    drawnTextBytes += text.size();
    painter.drawText(QPointF(origin.x(), baseline), DisplayText(text));
    return;
  }
  // A margin of a few characters on each side keeps overhanging glyphs whole.
  const int margin = 4 * painter.fontMetrics().maxWidth();
  qreal skipped = 0;
  const size_t first =
      widths.BytesWithin(text, std::max<qreal>(0, left - margin - origin.x()), &skipped);
  const std::string_view rest = text.substr(first);
  qreal shown = 0;
  const size_t count =
      widths.BytesWithin(rest, std::max<qreal>(0, right + margin - origin.x() - skipped), &shown);
  // One more whole character, so the last one that starts inside the area is drawn too.
  size_t end = count;
  if (end < rest.size()) end += IsLeadByte(static_cast<unsigned char>(rest[end])) ? 2 : 1;
  end = std::min(end, rest.size());
  if (end == 0) return;
  drawnTextBytes += end;
  painter.drawText(QPointF(origin.x() + skipped, baseline), DisplayText(rest.substr(0, end)));
}

// 64ths of a pixel, as Qt's own fixed-point advances.
constexpr long long kUnitsPerPixel = 64;
constexpr long long kMaxUnits = static_cast<long long>(TextWidthCache::kMaxWidth) * kUnitsPerPixel;

}  // namespace

uint64_t DrawnTextBytes() { return drawnTextBytes; }

QString DisplayText(std::string_view cp932) {
  QString text = ToQt(std::string(cp932));
  for (QChar& c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  return text;
}

TextWidthCache::TextWidthCache(const QFont& font) : font_(font), units_(0x10000, -1) {}

int TextWidthCache::CharUnits(std::string_view cp932Char, unsigned code) {
  int& units = units_[code];
  if (units < 0)
    units = static_cast<int>(std::lround(
        QFontMetricsF(font_).horizontalAdvance(DisplayText(cp932Char)) * kUnitsPerPixel));
  return units;
}

long long TextWidthCache::Units(std::string_view cp932) {
  // BytesWithin's sum up to kMaxWidth, with the table read in line: every row of a large
  // result is measured, so this loop is the list's cost per character.
  long long sum = 0;
  const size_t size = cp932.size();
  for (size_t i = 0; i < size;) {
    const auto lead = static_cast<unsigned char>(cp932[i]);
    size_t length = 1;
    unsigned code = lead;
    if (IsLeadByte(lead) && i + 1 < size) {
      length = 2;
      code = lead << 8 | static_cast<unsigned char>(cp932[i + 1]);
    }
    int u = units_[code];
    if (u < 0) u = CharUnits(cp932.substr(i, length), code);
    if (sum + u > kMaxUnits) break;
    sum += u;
    i += length;
  }
  return sum;
}

qreal TextWidthCache::Advance(std::string_view cp932) {
  return static_cast<qreal>(Units(cp932)) / kUnitsPerPixel;
}

int TextWidthCache::Width(std::string_view cp932) {
  return static_cast<int>((Units(cp932) + kUnitsPerPixel - 1) / kUnitsPerPixel);
}

size_t TextWidthCache::BytesWithin(std::string_view cp932, qreal width, qreal* taken) {
  const long long limit = static_cast<long long>(std::floor(width * kUnitsPerPixel));
  long long sum = 0;
  size_t i = 0;
  while (i < cp932.size()) {
    const auto lead = static_cast<unsigned char>(cp932[i]);
    size_t length = 1;
    unsigned code = lead;
    if (IsLeadByte(lead) && i + 1 < cp932.size()) {
      length = 2;
      code = lead << 8 | static_cast<unsigned char>(cp932[i + 1]);
    }
    const int u = CharUnits(cp932.substr(i, length), code);
    if (sum + u > limit) break;
    sum += u;
    i += length;
  }
  if (taken) *taken = static_cast<qreal>(sum) / kUnitsPerPixel;
  return i;
}

RowHighlighter HighlightWith(const std::string& searchText, const std::string& replaceText,
                             const Settings& settings, RowMatcher& matching) {
  return [&searchText, &replaceText, &settings, &matching](const CheckListRow& row) {
    return RowHighlightOf(row, searchText, replaceText, settings, matching);
  };
}

ResultRowPaint PlanResultRow(const CheckListRow& row, const RowHighlight& highlight, bool selected,
                             const QRect& itemRect, TextWidthCache& widths,
                             const ResultListLook& look) {
  ResultRowPaint plan;
  plan.textColor = row.header ? look.headerText : BlackText();
  if (row.header) {
    // The header colour stands even for the selected row; a frame in the selection colour
    // shows it is selected, whatever the header colours are.
    plan.fill = itemRect;
    plan.background = look.headerBackground;
    if (selected) plan.selectionFrame = itemRect.adjusted(1, 1, -2, -2);
  } else {
    const int boxWidth = std::clamp(look.checkBoxWidth, 0, std::max(0, itemRect.width()));
    plan.checkArea = QRect(itemRect.left(), itemRect.top(), boxWidth, itemRect.height());
    const int side =
        std::max(1, std::min({look.indicatorSize, itemRect.height() - 2, boxWidth - 2}));
    plan.checkBox = QRect(0, 0, side, side);
    plan.checkBox.moveCenter(plan.checkArea.center());
    plan.fill = itemRect.adjusted(boxWidth, 0, 0, 0);
    plan.background = selected ? look.selection : look.background;
  }
  plan.textOrigin = plan.fill.topLeft();
  if (row.header || highlight.match.empty()) return plan;
  plan.matchText = DisplayText(highlight.match);
  plan.matchX = plan.textOrigin.x() + widths.Advance(highlight.prefix);
  const int left = static_cast<int>(std::floor(plan.matchX));
  const int right = static_cast<int>(std::ceil(plan.matchX + widths.Advance(highlight.match)));
  plan.highlight = QRect(left, itemRect.top(), right - left, itemRect.height());
  plan.highlightColor = ToQColor(highlight.color, look.palette, QColor(Qt::red));
  return plan;
}

// Paints rows, gives every row the list's row height and the scroll extent as its width,
// and turns clicks in the check box column (and Space) into check clicks.
class ResultListView::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(ResultListView& view) : QStyledItemDelegate(&view), view_(view) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(view_.extent_, view_.rowHeight_);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    // The core may be ahead of the view until the owner's next Refresh: draw nothing then.
    const CheckListRow* record = CheckListModel::RowOf(index);
    if (!record) return;
    const CheckListRow& row = *record;
    TextWidthCache& widths = *view_.widthCache_;
    const RowHighlight highlight = row.header ? RowHighlight{} : view_.HighlightOf(row);
    const bool selected = option.state & QStyle::State_Selected;
    const ResultRowPaint plan =
        PlanResultRow(row, highlight, selected, option.rect, widths, view_.look_);

    painter->save();
    painter->setClipRect(option.rect);
    if (!plan.checkArea.isEmpty()) {
      painter->fillRect(plan.checkArea, view_.look_.background);
      QStyleOptionViewItem box(option);
      box.rect = plan.checkBox;
      box.state = (option.state & QStyle::State_Enabled) |
                  (row.checked ? QStyle::State_On : QStyle::State_Off);
      view_.style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, &view_);
    }
    painter->fillRect(plan.fill, plan.background);
    if (!plan.selectionFrame.isNull()) {
      painter->setPen(QPen(view_.look_.selection, 2));
      painter->drawRect(plan.selectionFrame);
    }
    // The focus frame goes under the text: some styles tint the frame's inside.
    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.initFrom(&view_);
      focus.rect = plan.fill;
      focus.state |= QStyle::State_KeyboardFocusChange;
      focus.backgroundColor = plan.background;
      view_.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, &view_);
    }
    painter->setFont(view_.font());
    const QRect painted = option.rect.intersected(view_.viewport()->rect());
    const int ascent = painter->fontMetrics().ascent();
    painter->setPen(plan.textColor);
    // The text made from the row's fields (search/row_text.h) when the row was filled.
    DrawRowText(*painter, widths, ascent, plan.textOrigin, row.text, painted.left(),
                painted.right());
    if (!plan.matchText.isEmpty()) {
      painter->setPen(plan.highlightColor);
      DrawRowText(*painter, widths, ascent, QPointF(plan.matchX, plan.textOrigin.y()),
                  highlight.match, painted.left(), painted.right());
      // The row's later matches, in the same colour.
      const std::string_view text(row.text);
      for (const MatchSpan& span : highlight.others) {
        const qreal x = plan.textOrigin.x() + widths.Advance(text.substr(0, span.start));
        DrawRowText(*painter, widths, ascent, QPointF(x, plan.textOrigin.y()),
                    row.text.substr(span.start, span.length), painted.left(), painted.right());
      }
    }
    painter->restore();
  }

  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
    const CheckListRow* row = CheckListModel::RowOf(index);
    if (!row || row->header) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        if (!view_.CheckAreaAt(index, option.rect).contains(mouse->position().toPoint()))
          return false;
        // The press selects the row as anywhere else. A click toggles at its release; the
        // second press of a double-click toggles at once (its release is no click), so
        // every click counts and a double-click on the box does not open the hit.
        if (event->type() == QEvent::MouseButtonPress) return false;
        break;
      }
      case QEvent::KeyPress: {
        const int key = static_cast<const QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
        break;
      }
      default:
        return false;
    }
    return model->setData(index, row->checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  }

 private:
  ResultListView& view_;
};

ResultListView::ResultListView(const CheckList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new CheckListModel(list, this)) {
  setModel(model_);
  setItemDelegate(new Delegate(*this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setContextMenuPolicy(Qt::CustomContextMenu);

  model_->onClickCheck = [this](int row) {
    if (onClickCheck) onClickCheck(row);
  };
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    widths_.assign(static_cast<size_t>(model_->rowCount()), 0);
    MeasureRows(0, model_->rowCount() - 1);
  });
  connect(model_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) {
            widths_.resize(static_cast<size_t>(model_->rowCount()), 0);
            MeasureRows(first, last);
          });
  connect(model_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& first, const QModelIndex& last) {
            MeasureRows(first.row(), last.row());
          });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (refreshing_ || !onSelect) return;
            onSelect(current.isValid() ? current.row() : -1);
          });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (doubleClickOnCheckBox_ || !onDoubleClick || !index.isValid()) return;
    onDoubleClick(index.row());
  });
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (onContextMenu) onContextMenu(viewport()->mapToGlobal(at), ResultContextMenu(list_));
  });

  ApplyDisplay(ListDisplay{});
  Refresh();
}

ResultListView::~ResultListView() = default;

void ResultListView::SetHighlighter(RowHighlighter highlighter) {
  highlighter_ = std::move(highlighter);
  Redraw();
}

void ResultListView::Refresh() {
  if (list_.Revision() == shownRevision_) return;
  shownRevision_ = list_.Revision();
  refreshing_ = true;
  model_->Refresh();
  UpdateExtent();
  const int selected = list_.ItemIndex();
  const QModelIndex current = selected >= 0 ? model_->index(selected) : QModelIndex();
  if (current != currentIndex()) {
    if (current.isValid())
      selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    else
      selectionModel()->clear();
  }
  refreshing_ = false;
}

void ResultListView::RefreshGrowing() {
  if (list_.Revision() == shownRevision_) return;
  if (!model_->RefreshGrown()) return Refresh();
  // The revision stays unshown, so the next Refresh compares every row.
  UpdateExtent();
}

void ResultListView::Redraw() { viewport()->update(); }

void ResultListView::ApplyDisplay(const ListDisplay& display) {
  rowHeight_ = std::max(1, std::abs(display.RowHeight(logicalDpiY())));
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setStyleHint(QFont::TypeWriter);
  f.setPixelSize(rowHeight_);
  setFont(f);
  widthCache_ = std::make_unique<TextWidthCache>(font());

  QPalette p = palette();
  look_.background = ToQColor(display.background, p, p.color(QPalette::Base));
  look_.headerBackground = ToQColor(display.headerBackground, p, p.color(QPalette::Button));
  // The header text takes the colour the user picked for it, as the other lists do; a pick
  // that would not read on the header background gives way to black or white.
  look_.headerText = ReadableOn(ToQColor(display.headerFont, p, p.color(QPalette::ButtonText)),
                                look_.headerBackground);
  look_.selection = p.color(QPalette::Active, QPalette::Highlight);
  // "TAB１フォント色" is deliberately not used: hit row text is always black, under the
  // highlight colours.
  p.setColor(QPalette::Base, look_.background);
  setPalette(p);
  look_.palette = p;
  look_.checkBoxWidth = rowHeight_;
  look_.indicatorSize = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);

  MeasureRows(0, model_->rowCount() - 1);
  UpdateExtent();
  doItemsLayout();
  viewport()->update();
}

ResultRowPaint ResultListView::PlanRow(int row) const {
  const QModelIndex index = model_->index(row);
  const CheckListRow& shown = list_.Row(row);
  const RowHighlight highlight = shown.header ? RowHighlight{} : HighlightOf(shown);
  return PlanResultRow(shown, highlight, selectionModel()->isSelected(index), visualRect(index),
                       *widthCache_, look_);
}

void ResultListView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  doubleClickOnCheckBox_ =
      at.isValid() && CheckAreaAt(at, visualRect(at)).contains(event->position().toPoint());
  QListView::mouseDoubleClickEvent(event);
  doubleClickOnCheckBox_ = false;
}

void ResultListView::keyPressEvent(QKeyEvent* event) {
  // Enter opens the current row as a double-click does.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const QModelIndex current = currentIndex();
  if (enter && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
      current.isValid() && onDoubleClick) {
    onDoubleClick(current.row());
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

QRect ResultListView::CheckAreaAt(const QModelIndex& index, const QRect& itemRect) const {
  const int i = index.row();
  if (i < 0 || i >= list_.Count() || list_.Header(i)) return {};
  return PlanResultRow(list_.Row(i), RowHighlight{}, false, itemRect, *widthCache_, look_)
      .checkArea;
}

RowHighlight ResultListView::HighlightOf(const CheckListRow& row) const {
  if (!highlighter_) return {};
  try {
    return highlighter_(row);
  } catch (...) {
    // Drawing never reports errors: a row that cannot be matched is drawn plain.
    return {};
  }
}

void ResultListView::MeasureRows(int first, int last) {
  last = std::min({last, list_.Count() - 1, static_cast<int>(widths_.size()) - 1});
  const CheckList::RowVector& rows = list_.Rows();
  for (int i = std::max(first, 0); i <= last; ++i)
    widths_[static_cast<size_t>(i)] = widthCache_->Width(rows[static_cast<size_t>(i)].text);
  widthsChanged_ = true;
}

void ResultListView::UpdateExtent() {
  if (!widthsChanged_) return;
  widthsChanged_ = false;
  const int widest = widths_.empty() ? 0 : *std::max_element(widths_.begin(), widths_.end());
  const int extent = widest + rowHeight_;
  if (extent == extent_) return;
  extent_ = extent;
  doItemsLayout();
}

}  // namespace skarvo::gui
