// The join list's view (tab "ファイル結合モード" / "ファイル分割モード"): separator and
// part-name rows one font line high, content and part rows six lines high (plus 5 pixels)
// showing their text in lines broken at CR LF, check boxes on content and part rows only.
// In join mode a row can be dragged onto another; the view reports each drag-over with
// the cursor's screen y (the core's scroll timer compares it) and the row under the drop
// point, and shows the core's top row. It never changes the list itself.
#pragma once

#include <QPoint>
#include <functional>

#include "gui/check_list_view.h"

namespace skarvo::gui {

class JoinListView : public CheckListView {
  Q_OBJECT

 public:
  explicit JoinListView(const CheckList& list, QWidget* parent = nullptr);

  // Whether rows may be dragged now (join mode).
  std::function<bool()> dragAllowed;
  std::function<void(int screenY)> onDragOver;
  std::function<void(int row)> onDrop;  // -1 when the drop point is on no row
  std::function<void()> onDragEnd;      // the drag ended, dropped or not
  std::function<void(int row)> onTopRowChanged;
  std::function<void()> onExit;  // the list lost the focus to another control

  // Shows the list, its selected row and its top row as the core holds them.
  void Refresh();
  // The height of a row of each kind, in pixels.
  int SeparatorRowHeight() const;
  int ContentRowHeight() const { return 6 * SeparatorRowHeight() + 5; }
  // The row whose rectangle holds a point of the viewport (top < y <= bottom), -1 if none.
  int RowAt(const QPoint& viewportPoint) const;

  // The format of a dragged row's data.
  static const char* kRowMimeType;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QPoint pressPos_;
  bool pressed_ = false;
  bool showingTop_ = false;
};

}  // namespace skarvo::gui
