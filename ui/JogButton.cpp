#include "ui/JogButton.h"

#include <algorithm>

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

#include "platform/qt/QtEventPump.h"

namespace {

// The arrow pointing up in a w x h box: a triangular head over a shaft, and for the
// coarse arrow three bars below the shaft.
QPainterPath UpArrow(qreal w, qreal h, bool coarse) {
  const qreal head = h * 0.45;
  const qreal shaft = w * 0.22;
  const qreal shaftEnd = coarse ? h * 0.70 : h;
  QPainterPath path;
  path.moveTo(w / 2, 0);
  path.lineTo(w, head);
  path.lineTo(w / 2 + shaft, head);
  path.lineTo(w / 2 + shaft, shaftEnd);
  path.lineTo(w / 2 - shaft, shaftEnd);
  path.lineTo(w / 2 - shaft, head);
  path.lineTo(0, head);
  path.closeSubpath();
  if (coarse) {
    const qreal bar = (h - shaftEnd) / 5;  // bar, gap, bar, gap, bar
    for (int i = 0; i < 3; ++i)
      path.addRect(QRectF(w * 0.15, shaftEnd + bar * (2 * i), w * 0.70, bar * 0.8));
  }
  return path;
}

}  // namespace

JogButton::JogButton(Arrow arrow, bool coarse, QWidget* parent)
    : QWidget(parent), arrow_(arrow), coarse_(coarse) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
  QtEventPump::MarkHeldControl(this);  // a jog held over a homing or Delay still ends
}

QSize JogButton::arrowSize() const { return coarse_ ? QSize(34, 50) : QSize(28, 40); }

void JogButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QStyleOptionButton face;
  face.initFrom(this);
  face.state |= down_ ? QStyle::State_Sunken : QStyle::State_Raised;
  face.palette.setColor(QPalette::Button, QColor(192, 192, 192));
  style()->drawControl(QStyle::CE_PushButtonBevel, &face, &p, this);

  // At the design size when the face has room for it, else scaled down to fit.
  const QSizeF design = arrowSize();
  const qreal room = std::min(
      {1.0, (width() - 6) / design.width(), (height() - 6) / design.height()});
  const QSizeF size = design * std::max(room, 0.1);
  QPointF origin((width() - size.width()) / 2.0, (height() - size.height()) / 2.0);
  if (down_) origin += QPointF(1, 1);
  p.translate(origin);
  if (arrow_ == Arrow::Down) {  // the up arrow turned over
    p.translate(0, size.height());
    p.scale(1, -1);
  }
  const QPainterPath path = UpArrow(size.width(), size.height(), coarse_);
  QLinearGradient shade(0, 0, size.width(), 0);
  shade.setColorAt(0, QColor(232, 232, 232));
  shade.setColorAt(0.5, QColor(160, 160, 160));
  shade.setColorAt(1, QColor(96, 96, 96));
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(shade);
  p.drawPath(path);
}

void JogButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (down_) return;
  down_ = true;
  update();
  emit pressed();
}

void JogButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->buttons() == Qt::NoButton) Release();
}

// A button hidden while held (window hidden or unloaded) gets no release any more.
void JogButton::hideEvent(QHideEvent* event) {
  Release();
  QWidget::hideEvent(event);
}

void JogButton::Release() {
  if (!down_) return;
  down_ = false;
  update();
  emit released();
}
