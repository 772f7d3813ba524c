#include "gui/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace skarvo::gui {

namespace {

constexpr int kSize = 24;

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kFolder(230, 180, 60);
const QColor kBlue(50, 100, 200);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 50, 40);

void Sheet(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(QPen(QColor(150, 150, 150), 1));
  for (qreal y = r.top() + 4; y < r.bottom() - 2; y += 3)
    p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

void Lens(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7),
             centre + QPointF(radius * 1.9, radius * 1.9));
  p.setPen(QPen(kBlue, 2));
  p.setBrush(QColor(210, 230, 255));
  p.drawEllipse(centre, radius, radius);
}

void Folder(QPainter& p) {
  QPainterPath path;
  path.moveTo(2, 7);
  path.lineTo(9, 7);
  path.lineTo(11, 9);
  path.lineTo(21, 9);
  path.lineTo(21, 20);
  path.lineTo(2, 20);
  path.closeSubpath();
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kFolder);
  p.drawPath(path);
}

void Disk(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kBlue);
  p.drawRect(r);
  p.setBrush(kPaper);
  p.drawRect(QRectF(r.left() + 3, r.top(), r.width() - 6, r.height() * 0.4));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(
      QRectF(r.left() + 4, r.bottom() - r.height() * 0.35, r.width() - 8, r.height() * 0.35));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  QLineF line(to, from);
  QLineF a = line;
  a.setLength(4);
  a.setAngle(line.angle() + 35);
  QLineF b = line;
  b.setLength(4);
  b.setAngle(line.angle() - 35);
  p.drawLine(a);
  p.drawLine(b);
}

void Plus(QPainter& p, QPointF c, const QColor& colour) {
  p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(-3.5, 0), c + QPointF(3.5, 0));
  p.drawLine(c + QPointF(0, -3.5), c + QPointF(0, 3.5));
}

void Gear(QPainter& p, QPointF c, const QColor& colour) {
  p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::FlatCap));
  for (int i = 0; i < 8; ++i) {
    QLineF spoke(c, c + QPointF(9, 0));
    spoke.setAngle(i * 45.0);
    p.drawLine(QLineF(spoke.pointAt(0.55), spoke.p2()));
  }
  p.setPen(QPen(colour, 1));
  p.setBrush(colour);
  p.drawEllipse(c, 6, 6);
  p.setBrush(kPaper);
  p.drawEllipse(c, 2.5, 2.5);
}

void Draw(QPainter& p, CommandId id) {
  switch (id) {
    case CommandId::kToolSaveNew:
      Disk(p, QRectF(2, 5, 15, 16));
      Plus(p, QPointF(19, 5), kGreen);
      break;
    case CommandId::kToolOverwriteSave:
      Disk(p, QRectF(4, 4, 16, 17));
      break;
    case CommandId::kToolUndo:
      Arrow(p, QPointF(19, 14), QPointF(5, 14), kBlue);
      break;
    case CommandId::kToolSearch:
      Lens(p, QPointF(10, 10), 6);
      break;
    case CommandId::kToolReplace:
      Sheet(p, QRectF(2.5, 2.5, 11, 14));
      Arrow(p, QPointF(9, 19), QPointF(21, 19), kRed);
      Arrow(p, QPointF(17, 4), QPointF(17, 14), kRed);
      break;
    case CommandId::kToolNarrow: {
      QPainterPath funnel;
      funnel.moveTo(3, 4);
      funnel.lineTo(21, 4);
      funnel.lineTo(14, 12);
      funnel.lineTo(14, 20);
      funnel.lineTo(10, 22);
      funnel.lineTo(10, 12);
      funnel.closeSubpath();
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(kBlue);
      p.drawPath(funnel);
      break;
    }
    case CommandId::kToolJoinFiles:
      Sheet(p, QRectF(1.5, 2.5, 8, 10));
      Sheet(p, QRectF(1.5, 12.5, 8, 10));
      Arrow(p, QPointF(10, 12.5), QPointF(14, 12.5), kGreen);
      Sheet(p, QRectF(14.5, 3.5, 8, 18));
      break;
    case CommandId::kToolFolderSelect:
      Folder(p);
      Arrow(p, QPointF(11, 17), QPointF(17, 11), kBlue);
      break;
    case CommandId::kToolFolderAdd:
      Folder(p);
      Plus(p, QPointF(15, 14.5), kGreen);
      break;
    case CommandId::kToolSettings:
      Gear(p, QPointF(12, 12), QColor(90, 90, 100));
      break;
    case CommandId::kToolDisplaySettings:
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(QColor(60, 60, 70));
      p.drawRect(QRectF(2.5, 3.5, 19, 13));
      p.setBrush(QColor(120, 190, 255));
      p.drawRect(QRectF(4.5, 5.5, 15, 9));
      p.setBrush(kInk);
      p.drawRect(QRectF(9.5, 17, 5, 2));
      p.drawRect(QRectF(6.5, 19.5, 11, 2));
      break;
    case CommandId::kToolSearchMode:
      Sheet(p, QRectF(2.5, 2.5, 14, 18));
      Lens(p, QPointF(14, 13), 4.5);
      break;
    case CommandId::kToolJoinMode:
      Sheet(p, QRectF(2.5, 2.5, 12, 9));
      Sheet(p, QRectF(2.5, 12.5, 12, 9));
      Plus(p, QPointF(19, 12), kGreen);
      break;
    default:
      break;
  }
}

}  // namespace

// An icon of the picture draw paints at both scales.
template <typename Paint>
QIcon Painted(Paint draw) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pixmap(kSize * scale, kSize * scale);
    pixmap.fill(Qt::transparent);
    {
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(scale, scale);
      draw(p);
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon ToolIcon(CommandId id) {
  return Painted([id](QPainter& p) { Draw(p, id); });
}

QIcon StopIcon() {
  // A red disc with a white square, the stop sign of media players.
  return Painted([](QPainter& p) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(8, 8, 8, 8));
  });
}

}  // namespace skarvo::gui
