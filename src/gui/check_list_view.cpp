#include "gui/check_list_view.h"

#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <functional>
#include <string>

#include "gui/qt_text.h"

namespace skarvo::gui {

CheckListModel::CheckListModel(const CheckList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

namespace {

size_t Fingerprint(const CheckListRow& row) {
  size_t h = std::hash<std::string>()(row.text);
  h = h * 31 + std::hash<std::string>()(row.lineText);
  h = h * 31 + static_cast<size_t>(row.lineNo);
  return h * 4 + (row.header ? 2 : 0) + (row.checked ? 1 : 0);
}

}  // namespace

void CheckListModel::Refresh() {
  const std::vector<CheckListRow>& rows = list_.Rows();
  const bool unedited = list_.EditRevision() == shownEdits_;
  shownEdits_ = list_.EditRevision();
  if (unedited && rows.size() == shown_.size()) return;
  // Rows appended behind unchanged ones (a search filling the list) are inserted, so the
  // view keeps its layout and measures only the new rows.
  bool appended = rows.size() > shown_.size();
  for (size_t i = 0; appended && !unedited && i < shown_.size(); ++i)
    appended = Fingerprint(rows[i]) == shown_[i];
  if (appended) {
    beginInsertRows(QModelIndex(), static_cast<int>(shown_.size()),
                    static_cast<int>(rows.size()) - 1);
    for (size_t i = shown_.size(); i < rows.size(); ++i) shown_.push_back(Fingerprint(rows[i]));
    endInsertRows();
    return;
  }
  if (rows.size() != shown_.size()) {
    beginResetModel();
    shown_.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) shown_[i] = Fingerprint(rows[i]);
    endResetModel();
    return;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t print = Fingerprint(rows[i]);
    if (print == shown_[i]) continue;
    shown_[i] = print;
    QModelIndex at = index(static_cast<int>(i));
    emit dataChanged(at, at);
  }
}

bool CheckListModel::RefreshGrown() {
  const std::vector<CheckListRow>& rows = list_.Rows();
  // A row changed in between (a check clicked during a search) needs the full comparison.
  if (list_.EditRevision() != shownEdits_ || rows.size() < shown_.size()) return false;
  if (!shown_.empty() && Fingerprint(rows[shown_.size() - 1]) != shown_.back()) return false;
  if (rows.size() == shown_.size()) return true;
  beginInsertRows(QModelIndex(), static_cast<int>(shown_.size()),
                  static_cast<int>(rows.size()) - 1);
  for (size_t i = shown_.size(); i < rows.size(); ++i) shown_.push_back(Fingerprint(rows[i]));
  endInsertRows();
  return true;
}

const CheckListRow* CheckListModel::RowOf(const QModelIndex& index) {
  return static_cast<const CheckListRow*>(index.data(kRowRole).value<const void*>());
}

void CheckListModel::SetDisplay(const ListDisplay& display, const QPalette& palette) {
  headerBackground_ = ToQColor(display.headerBackground, palette, palette.color(QPalette::Button));
  headerText_ =
      ReadableOn(ToQColor(display.headerFont, palette, palette.color(QPalette::ButtonText)),
                 headerBackground_);
  if (!shown_.empty()) emit dataChanged(index(0), index(static_cast<int>(shown_.size()) - 1));
}

int CheckListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
  // The list may be ahead of the view until the next Refresh: a row it no longer has is empty.
  if (!index.isValid() || index.row() >= rowCount() || index.row() >= list_.Count()) return {};
  const CheckListRow& row = list_.Row(index.row());
  switch (role) {
    case kRowRole:
      return QVariant::fromValue(static_cast<const void*>(&row));
    case Qt::DisplayRole:
      return ToQt(row.text);
    case Qt::CheckStateRole:
      if (row.header) return {};
      return row.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
      if (row.header) return headerBackground_;
      return {};
    case Qt::ForegroundRole:
      if (row.header) return headerText_;
      return {};
    default:
      return {};
  }
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || !onClickCheck) return false;
  // The click selects its row too (the check box eats the press that would otherwise), then
  // the core toggles the row; the view shows the result when it is refreshed.
  if (beforeClickCheck) beforeClickCheck(index.row());
  onClickCheck(index.row());
  return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
  const CheckListRow* row = RowOf(index);
  if (!row) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!row->header) f |= Qt::ItemIsUserCheckable;
  return f;
}

namespace {

// Rows as high as the list's font says, as the settings fix them.
class RowHeightDelegate : public QStyledItemDelegate {
 public:
  RowHeightDelegate(const int& rowHeight, QObject* parent)
      : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(rowHeight_, option.fontMetrics.height()));
    return size;
  }

 private:
  const int& rowHeight_;
};

}  // namespace

CheckListView::CheckListView(const CheckList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new CheckListModel(list, this)) {
  setModel(model_);
  setItemDelegate(new RowHeightDelegate(rowHeight_, this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (refreshing_ || !onSelect) return;
            onSelect(current.isValid() ? current.row() : -1);
          });
  model_->beforeClickCheck = [this](int row) {
    if (onSelect && list_.ItemIndex() != row) onSelect(row);
  };
  Refresh();
}

void CheckListView::Refresh() {
  if (list_.Revision() == shownRevision_) return;
  shownRevision_ = list_.Revision();
  refreshing_ = true;
  model_->Refresh();
  const int selected = list_.ItemIndex();
  QModelIndex current = selected >= 0 ? model_->index(selected) : QModelIndex();
  if (current != currentIndex()) {
    if (current.isValid())
      selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    else
      selectionModel()->clear();
  }
  refreshing_ = false;
}

void CheckListView::ApplyDisplay(const ListDisplay& display) {
  QFont f = font();
  f.setFamily(QStringLiteral("ＭＳ Ｐゴシック"));
  f.setPointSize(display.fontSize);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::Base, ToQColor(display.background, p, p.color(QPalette::Base)));
  // As the header text: the picked colour, unless it would not read on the background.
  p.setColor(QPalette::Text, ReadableOn(ToQColor(display.font, p, p.color(QPalette::Text)),
                                        p.color(QPalette::Base)));
  setPalette(p);
  rowHeight_ = std::abs(display.RowHeight(logicalDpiY()));
  model_->SetDisplay(display, p);
  doItemsLayout();
}

}  // namespace skarvo::gui
