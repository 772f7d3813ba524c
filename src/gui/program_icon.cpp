#include "gui/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace skarvo::gui {

QPixmap ProgramIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // The figure is laid out on a 64-unit square, as in the SVG.
  p.scale(size / 64.0, size / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x5f, 0x8b));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  QPainterPath page;
  page.moveTo(16, 10);
  page.lineTo(38, 10);
  page.lineTo(48, 20);
  page.lineTo(48, 54);
  page.lineTo(16, 54);
  page.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(page);
  QPainterPath fold;
  fold.moveTo(38, 10);
  fold.lineTo(38, 20);
  fold.lineTo(48, 20);
  fold.closeSubpath();
  p.setBrush(QColor(0xcf, 0xe0, 0xee));
  p.drawPath(fold);
  p.setBrush(QColor(0x8a, 0xa9, 0xc1));
  p.drawRect(QRectF(21, 26, 20, 3));
  p.drawRect(QRectF(21, 33, 20, 3));
  p.drawRect(QRectF(21, 40, 12, 3));
  const QColor glass(0xf0, 0xa0, 0x20);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(glass, 5));
  p.drawEllipse(QPointF(40, 40), 10, 10);
  p.setPen(QPen(glass, 6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(47, 47), QPointF(56, 56));
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

}  // namespace skarvo::gui
