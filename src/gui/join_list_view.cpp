#include "gui/join_list_view.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace skarvo::gui {

const char* JoinListView::kRowMimeType = "application/x-skarvo-join-row";

namespace {

// Separator rows one line high, content rows six lines and 5 pixels; the text of a content
// row drawn from the top left in the lines its CR LF pairs make, without other wrapping.
class JoinRowDelegate : public QStyledItemDelegate {
 public:
  explicit JoinRowDelegate(const JoinListView& view)
      : QStyledItemDelegate(const_cast<JoinListView*>(&view)), view_(view) {}

  // The lines go one row height apart, the unit the row heights are made of, so a content
  // row's six lines fit it whatever the font's own line spacing.
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStringList lines = opt.text.split(QLatin1Char('\n'));
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    painter->save();
    painter->setClipRect(opt.rect);
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(
        (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    const int step = view_.SeparatorRowHeight();
    for (int k = 0; k < lines.size(); ++k)
      painter->drawText(QRect(textRect.left(), opt.rect.top() + k * step, textRect.width(), step),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, lines[k]);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const bool separator = !index.data(Qt::CheckStateRole).isValid();
    size.setHeight(separator ? view_.SeparatorRowHeight() : view_.ContentRowHeight());
    return size;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    QString text = option->text;
    // The base turns each LF into a line separator; a row's lines end in CR LF.
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    option->text = text;
    option->displayAlignment = Qt::AlignLeft | Qt::AlignTop;
    option->textElideMode = Qt::ElideNone;
    option->features &= ~QStyleOptionViewItem::WrapText;
  }

 private:
  const JoinListView& view_;
};

}  // namespace

JoinListView::JoinListView(const CheckList& list, QWidget* parent) : CheckListView(list, parent) {
  setItemDelegate(new JoinRowDelegate(*this));
  setUniformItemSizes(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  // The core's 150 ms timer scrolls while a row is dragged, not the view's own autoscroll.
  setAutoScroll(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int) {
    if (showingTop_ || !onTopRowChanged) return;
    const QModelIndex top = indexAt(QPoint(1, 1));
    if (top.isValid()) onTopRowChanged(top.row());
  });
}

int JoinListView::SeparatorRowHeight() const { return std::max(1, RowHeightPixels()); }

int JoinListView::RowAt(const QPoint& viewportPoint) const {
  for (int row = 0; row < model()->rowCount(); ++row) {
    const QRect r = visualRect(model()->index(row, 0));
    if (r.isValid() && r.top() < viewportPoint.y() && viewportPoint.y() <= r.bottom() + 1 &&
        viewportPoint.x() >= r.left() && viewportPoint.x() <= r.right())
      return row;
  }
  return -1;
}

void JoinListView::Refresh() {
  CheckListView::Refresh();
  const int top = List().TopIndex();
  if (top < 0 || top >= model()->rowCount()) return;
  const QModelIndex shown = indexAt(QPoint(1, 1));
  if (shown.isValid() && shown.row() == top) return;
  showingTop_ = true;
  scrollTo(model()->index(top, 0), QAbstractItemView::PositionAtTop);
  showingTop_ = false;
  // Near the end the row cannot come to the top: the core learns the row that did, so the
  // next scroll step starts from what the user sees.
  const QModelIndex now = indexAt(QPoint(1, 1));
  if (now.isValid() && now.row() != top && onTopRowChanged) onTopRowChanged(now.row());
}

void JoinListView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  pressPos_ = event->position().toPoint();
  CheckListView::mousePressEvent(event);
}

void JoinListView::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton) || !dragAllowed || !dragAllowed()) {
    CheckListView::mouseMoveEvent(event);
    return;
  }
  if ((event->position().toPoint() - pressPos_).manhattanLength() <
      QApplication::startDragDistance())
    return;
  pressed_ = false;
  if (!currentIndex().isValid()) return;
  auto* drag = new QDrag(this);
  auto* data = new QMimeData;
  data->setData(kRowMimeType, QByteArray::number(currentIndex().row()));
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction);
  if (onDragEnd) onDragEnd();
}

void JoinListView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kRowMimeType) && dragAllowed && dragAllowed())
    event->acceptProposedAction();
  else
    event->ignore();
}

void JoinListView::dragMoveEvent(QDragMoveEvent* event) {
  if (!event->mimeData()->hasFormat(kRowMimeType) || !dragAllowed || !dragAllowed()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (onDragOver) onDragOver(QCursor::pos().y());
}

void JoinListView::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasFormat(kRowMimeType)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (onDrop) onDrop(RowAt(event->position().toPoint()));
}

void JoinListView::focusOutEvent(QFocusEvent* event) {
  CheckListView::focusOutEvent(event);
  // A context menu, the menu bar or a box over the window borrows the focus; the list has
  // not been left for another control (a question of the save must not turn the save off).
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason ||
      reason == Qt::ActiveWindowFocusReason)
    return;
  if (onExit) onExit();
}

}  // namespace skarvo::gui
