// A view of a core CheckList: rows with check boxes, header rows without one in the
// header colours. The view never changes the list itself: a click on a check box and a
// change of the selected row are handed to the owner, which asks the core and then calls
// Refresh() so the view shows the list as the core now holds it.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <cstdint>
#include <functional>
#include <vector>

#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo::gui {

class CheckListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit CheckListModel(const CheckList& list, QObject* parent = nullptr);

  // The role under which data() gives the row's record (a const CheckListRow*, valid until
  // the list changes), so a delegate paints from the model without a copy of its own.
  static constexpr int kRowRole = Qt::UserRole + 1;
  // The record of the row at index; null for an index the list no longer has.
  static const CheckListRow* RowOf(const QModelIndex& index);

  // Called when the user clicks the check box of a row.
  std::function<void(int row)> onClickCheck;
  // Called just before onClickCheck: the view makes the row the selected one first.
  std::function<void(int row)> beforeClickCheck;

  // Re-reads the list: changed rows are redrawn, rows appended behind unchanged ones are
  // inserted, any other change of the row count resets the model.
  void Refresh();
  // Re-reads a list that has only grown since the last refresh: inserts the new rows without
  // reading the shown ones again (only the last shown row is compared). Returns false, having
  // done nothing, when the list has not merely grown.
  bool RefreshGrown();
  // The colours of header rows, the list and its text.
  void SetDisplay(const ListDisplay& display, const QPalette& palette);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const CheckList& list_;
  // A fingerprint of each shown row, to tell which rows changed; the rows themselves are
  // read from the list.
  std::vector<size_t> shown_;
  // The list's EditRevision when shown_ was last brought in line: while it stays, the shown
  // rows are unchanged and need no comparing.
  uint64_t shownEdits_ = 0;
  QColor headerBackground_;
  QColor headerText_;
};

class CheckListView : public QListView {
  Q_OBJECT

 public:
  explicit CheckListView(const CheckList& list, QWidget* parent = nullptr);

  CheckListModel* Model() const { return model_; }
  // Called when the user makes another row current (-1: none).
  std::function<void(int row)> onSelect;

  // Shows the list's rows and its selected row as the core holds them.
  void Refresh();
  // Colours, font size and row height of the list.
  void ApplyDisplay(const ListDisplay& display);

 protected:
  const CheckList& List() const { return list_; }
  int RowHeightPixels() const { return rowHeight_; }

 private:
  const CheckList& list_;
  CheckListModel* model_;
  bool refreshing_ = false;
  uint64_t shownRevision_ = ~uint64_t{0};
  int rowHeight_ = 16;
};

}  // namespace skarvo::gui
