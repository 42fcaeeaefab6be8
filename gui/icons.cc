#include "icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace {

constexpr int kSize = 32;
const QColor kInk(0x33, 0x3d, 0x4d);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kPaper(0xfb, 0xf8, 0xef);

void Page(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1.6));
  p.setBrush(kPaper);
  p.drawRect(r);
  for (qreal y = r.top() + 5; y < r.bottom() - 3; y += 4) {
    p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
  }
}

void Arrow(QPainter& p, bool up, qreal y, bool bar) {
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  QPolygonF tri;
  if (up) {
    tri << QPointF(16, y) << QPointF(26, y + 10) << QPointF(6, y + 10);
  } else {
    tri << QPointF(16, y + 10) << QPointF(26, y) << QPointF(6, y);
  }
  p.drawPolygon(tri);
  p.drawRect(QRectF(12, up ? y + 10 : y - 8, 8, 8));
  if (bar) p.drawRect(QRectF(5, up ? y - 5 : y + 13, 22, 3));
}

void Draw(QPainter& p, IconKind kind) {
  switch (kind) {
    case IconKind::kApp: {
      p.setPen(QPen(QColor(0x6b, 0x4f, 0x2a), 2));
      p.setBrush(kPaper);
      p.drawRoundedRect(QRectF(5, 3, 20, 26), 2, 2);
      p.setBrush(QColor(0xb5, 0x52, 0x3b));
      p.drawRect(QRectF(5, 3, 4, 26));
      p.setPen(QPen(QColor(0x6b, 0x4f, 0x2a), 1.5));
      for (int y : {9, 14, 19}) p.drawLine(12, y, 22, y);
      p.setBrush(kBlue);
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF() << QPointF(23, 20) << QPointF(28, 25) << QPointF(23, 30)
                                << QPointF(18, 25));
      break;
    }
    case IconKind::kBrowse:
      p.setPen(QPen(QColor(0x8a, 0x63, 0x1c), 1.6));
      p.setBrush(QColor(0xf2, 0xc6, 0x5b));
      p.drawRect(QRectF(3, 9, 26, 18));
      p.drawRect(QRectF(3, 6, 10, 4));
      p.setBrush(QColor(0xf7, 0xd9, 0x8b));
      p.drawPolygon(QPolygonF() << QPointF(7, 14) << QPointF(30, 14) << QPointF(27, 27)
                                << QPointF(3, 27));
      break;
    case IconKind::kTop: Arrow(p, true, 9, true); break;
    case IconKind::kUp: Arrow(p, true, 6, false); break;
    case IconKind::kDown: Arrow(p, false, 16, false); break;
    case IconKind::kBottom: Arrow(p, false, 13, true); break;
    case IconKind::kCut:
      p.setPen(QPen(kInk, 2));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(9, 24), 4, 4);
      p.drawEllipse(QPointF(23, 24), 4, 4);
      p.drawLine(QPointF(11, 21), QPointF(22, 4));
      p.drawLine(QPointF(21, 21), QPointF(10, 4));
      break;
    case IconKind::kCopy:
      Page(p, QRectF(4, 3, 16, 20));
      Page(p, QRectF(12, 9, 16, 20));
      break;
    case IconKind::kPaste:
      p.setPen(QPen(QColor(0x8a, 0x63, 0x1c), 1.6));
      p.setBrush(QColor(0xd9, 0xa4, 0x5b));
      p.drawRoundedRect(QRectF(5, 5, 18, 24), 2, 2);
      p.setBrush(kInk);
      p.drawRect(QRectF(10, 3, 8, 4));
      Page(p, QRectF(13, 12, 15, 17));
      break;
    case IconKind::kSave:
      p.setPen(QPen(kInk, 1.6));
      p.setBrush(kBlue);
      p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
      p.setBrush(kPaper);
      p.drawRect(QRectF(9, 4, 14, 9));
      p.setBrush(QColor(0xdd, 0xdd, 0xdd));
      p.drawRect(QRectF(8, 18, 16, 10));
      break;
    case IconKind::kOptions: {
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      QPainterPath gear;
      for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        p.save();
        p.translate(16, 16);
        p.rotate(a * 180 / M_PI);
        p.drawRect(QRectF(-3, -14, 6, 6));
        p.restore();
      }
      p.drawEllipse(QPointF(16, 16), 10, 10);
      p.setBrush(kPaper);
      p.drawEllipse(QPointF(16, 16), 4, 4);
      break;
    }
    case IconKind::kTidy:
      Page(p, QRectF(4, 4, 18, 24));
      p.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16, 20), QPointF(20, 25));
      p.drawLine(QPointF(20, 25), QPointF(29, 12));
      break;
    case IconKind::kAdReport:
      Page(p, QRectF(4, 4, 18, 24));
      p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 2.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(20, 18), 6, 6);
      p.drawLine(QPointF(24.5, 22.5), QPointF(29, 27));
      break;
  }
}

// The drawing for a disabled button: grey and faint. The style's own
// disabled form keeps dark ink nearly as dark as it was, so a disabled
// button would look the same as an enabled one.
QPixmap Faded(const QPixmap& pixmap) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 150 + qGray(line[x]) * 90 / 255;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
    }
  }
  QPixmap faded = QPixmap::fromImage(image);
  faded.setDevicePixelRatio(pixmap.devicePixelRatio());
  return faded;
}

}  // namespace

QIcon MakeIcon(IconKind kind) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pixmap(kSize * scale, kSize * scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    Draw(p, kind);
    p.end();
    icon.addPixmap(pixmap);
    icon.addPixmap(Faded(pixmap), QIcon::Disabled);
  }
  return icon;
}
