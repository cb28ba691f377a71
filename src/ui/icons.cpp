#include "ui/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vorel {
namespace {

constexpr int kSize = 32;

void DrawConnect(QPainter& p) {
  // Two plug halves meeting.
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(70, 140, 70));
  p.drawRoundedRect(QRectF(3, 11, 10, 10), 2, 2);
  p.setBrush(QColor(60, 100, 170));
  p.drawRoundedRect(QRectF(19, 11, 10, 10), 2, 2);
  p.setPen(QPen(QColor(120, 120, 120), 2));
  p.drawLine(QPointF(13, 14), QPointF(17, 14));
  p.drawLine(QPointF(13, 18), QPointF(17, 18));
  p.setPen(QPen(QColor(40, 40, 40), 2));
  p.drawLine(QPointF(0, 16), QPointF(3, 16));
  p.drawLine(QPointF(29, 16), QPointF(32, 16));
}

void DrawDisconnect(QPainter& p) {
  // The two plug halves pulled apart, with a red gap between them.
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(70, 140, 70));
  p.drawRoundedRect(QRectF(1, 11, 9, 10), 2, 2);
  p.setBrush(QColor(60, 100, 170));
  p.drawRoundedRect(QRectF(22, 11, 9, 10), 2, 2);
  p.setPen(QPen(QColor(200, 50, 50), 2.5));
  p.drawLine(QPointF(13, 10), QPointF(19, 22));
  p.drawLine(QPointF(19, 10), QPointF(13, 22));
}

void DrawFile(QPainter& p) {
  QPainterPath page;
  page.moveTo(7, 3);
  page.lineTo(19, 3);
  page.lineTo(25, 9);
  page.lineTo(25, 29);
  page.lineTo(7, 29);
  page.closeSubpath();
  p.setPen(QPen(QColor(60, 60, 60), 1.2));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.setBrush(QColor(220, 220, 220));
  p.drawPolygon(QPolygonF({QPointF(19, 3), QPointF(19, 9), QPointF(25, 9)}));
  p.setPen(QPen(QColor(70, 110, 180), 1.5));
  for (int y = 13; y <= 25; y += 4) p.drawLine(QPointF(10, y), QPointF(22, y));
}

void DrawHangup(QPainter& p) {
  // A telephone handset.
  QPainterPath handset;
  handset.moveTo(4, 14);
  handset.cubicTo(10, 7, 22, 7, 28, 14);
  handset.lineTo(24, 19);
  handset.lineTo(20, 16);
  handset.cubicTo(17, 14, 15, 14, 12, 16);
  handset.lineTo(8, 19);
  handset.closeSubpath();
  p.setPen(QPen(QColor(60, 20, 20), 1.2));
  p.setBrush(QColor(200, 50, 50));
  p.drawPath(handset);
  p.setBrush(QColor(90, 90, 90));
  p.drawRect(QRectF(9, 22, 14, 6));
}

void DrawAddress(QPainter& p) {
  // A rack of numbered units.
  p.setPen(QPen(QColor(50, 50, 50), 1));
  const QColor fills[] = {QColor(90, 160, 90), QColor(200, 200, 200), QColor(90, 160, 90)};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(fills[i]);
    p.drawRect(QRectF(5, 4 + i * 9, 22, 7));
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(9, 7.5 + i * 9), 1.5, 1.5);
  }
}

void DrawComPort(QPainter& p) {
  // A nine-pin connector.
  QPainterPath shell;
  shell.moveTo(3, 10);
  shell.lineTo(29, 10);
  shell.lineTo(26, 23);
  shell.lineTo(6, 23);
  shell.closeSubpath();
  p.setPen(QPen(QColor(50, 50, 50), 1.2));
  p.setBrush(QColor(180, 180, 190));
  p.drawPath(shell);
  p.setBrush(QColor(240, 200, 60));
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(8 + i * 4, 14), 1.4, 1.4);
  for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(10 + i * 4, 19), 1.4, 1.4);
}

}  // namespace

QIcon ToolIcon(ToolImage image) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case ToolImage::Connect:
      DrawConnect(p);
      break;
    case ToolImage::Disconnect:
      DrawDisconnect(p);
      break;
    case ToolImage::File:
      DrawFile(p);
      break;
    case ToolImage::Hangup:
      DrawHangup(p);
      break;
    case ToolImage::Address:
      DrawAddress(p);
      break;
    case ToolImage::ComPort:
      DrawComPort(p);
      break;
  }
  return QIcon(pixmap);
}

QPixmap IdlePicture() {
  // A generating set on its skid: engine block, alternator, control box, exhaust.
  QPixmap pixmap(360, 200);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient body(0, 60, 0, 160);
  body.setColorAt(0, QColor(250, 190, 60));
  body.setColorAt(1, QColor(200, 130, 20));
  p.setPen(QPen(QColor(60, 60, 60), 2));
  p.setBrush(QColor(80, 80, 80));
  p.drawRect(20, 160, 320, 14);  // skid
  p.setBrush(body);
  p.drawRoundedRect(40, 70, 160, 90, 8, 8);  // engine
  p.setBrush(QColor(60, 110, 170));
  p.drawRoundedRect(200, 85, 110, 75, 10, 10);  // alternator
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(230, 40, 60, 45);  // control box
  p.setBrush(QColor(30, 60, 30));
  p.drawRect(238, 48, 44, 20);  // display
  p.setPen(QPen(QColor(120, 255, 120), 1));
  p.drawText(QRect(238, 48, 44, 20), Qt::AlignCenter, "50.0");
  p.setPen(QPen(QColor(60, 60, 60), 2));
  p.setBrush(QColor(120, 120, 120));
  p.drawRect(70, 30, 14, 40);  // exhaust
  p.setPen(QPen(QColor(120, 80, 10), 2));
  for (int x = 55; x < 190; x += 12) p.drawLine(x, 80, x, 150);  // cooling fins
  return pixmap;
}

}  // namespace vorel
