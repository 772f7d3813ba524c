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

  // Called when the user clicks the check box of a row.
  std::function<void(int row)> onClickCheck;
  // Called just before onClickCheck: the view makes the row the selected one first.
  std::function<void(int row)> beforeClickCheck;

  // Re-reads the list: changed rows are redrawn, a changed row count resets the model.
  void Refresh();
  // The colours of header rows, the list and its text.
  void SetDisplay(const ListDisplay& display, const QPalette& palette);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const CheckList& list_;
  std::vector<CheckListRow> shown_;
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
