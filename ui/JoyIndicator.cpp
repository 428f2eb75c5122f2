#include "ui/JoyIndicator.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/Twips.h"

namespace {

// Unrounded, so that a bar's end moves with every step of the deflection.
double PxX(const QWidget* w, double tw) { return tw * twips::Dpi(w, true) / 1440.0; }
double PxY(const QWidget* w, double tw) { return tw * twips::Dpi(w, false) / 1440.0; }

const QColor kGrey(128, 128, 128);

}  // namespace

JoyLine::JoyLine(QWidget* parent, const QString& name, const QColor& colour, int widthPx)
    : QWidget(parent), colour_(colour), widthPx_(widthPx) {
  setObjectName(name);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void JoyLine::SetLine(float x1, float y1, float x2, float y2) {
  // An unchanged line (a stick at rest) costs nothing.
  if (placed_ && x1 == x1_ && y1 == y1_ && x2 == x2_ && y2 == y2_) return;
  placed_ = true;
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  Place();
}

QPointF JoyLine::P1() const { return QPointF(PxX(parentWidget(), x1_), PxY(parentWidget(), y1_)); }

QPointF JoyLine::P2() const { return QPointF(PxX(parentWidget(), x2_), PxY(parentWidget(), y2_)); }

// The widget covers the line's bounding box, widened by the pen.
void JoyLine::Place() {
  const QPointF a = P1(), b = P2();
  const double margin = widthPx_ / 2.0 + 1;
  const QRectF box(QPointF(std::min(a.x(), b.x()) - margin, std::min(a.y(), b.y()) - margin),
                   QPointF(std::max(a.x(), b.x()) + margin, std::max(a.y(), b.y()) + margin));
  setGeometry(box.toAlignedRect());
  update();
}

void JoyLine::paintEvent(QPaintEvent*) {
  if (x1_ == x2_ && y1_ == y2_) return;  // zero length: nothing to draw
  QPainter painter(this);
  painter.setPen(QPen(colour_, widthPx_, Qt::SolidLine, Qt::FlatCap));
  const QPointF origin = geometry().topLeft();
  painter.drawLine(P1() - origin, P2() - origin);
}

JoyIndicator::JoyIndicator(QWidget* fraJoy) : QObject(fraJoy), frame_(fraJoy) {
  const QColor scale = fraJoy->palette().color(QPalette::Inactive, QPalette::Mid);
  auto makeLine = [&](const char* name, const QColor& colour, int width, float x1, float y1,
                      float x2, float y2) {
    auto* line = new JoyLine(fraJoy, name, colour, width);
    line->SetLine(x1, y1, x2, y2);
    return line;
  };
  linJXM_ = makeLine("linJXM", scale, 1, 180, 720, 540, 720);
  linJXP_ = makeLine("linJXP", scale, 1, 540, 720, 900, 720);
  linJYM_ = makeLine("linJYM", scale, 1, 540, 300, 540, 720);
  linJYP_ = makeLine("linJYP", scale, 1, 540, 720, 540, 1140);
  linJX_ = makeLine("linJX", Qt::red, 3, kCentreX, kCentreY, kCentreX, kCentreY);
  linJY_ = makeLine("linJY", Qt::red, 3, kCentreX, kCentreY, kCentreX, kCentreY);
  auto makeLabel = [&](const char* name, const char* caption, int left, int top) {
    auto* label = new QLabel(caption, fraJoy);
    label->setObjectName(name);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(twips::ToPx(left, fraJoy), twips::ToPx(top, fraJoy, false));
    return label;
  };
  lblJZP_ = makeLabel("lblJZP", "-Z", 600, 260);
  lblJZM_ = makeLabel("lblJZM", "+Z", 600, 1000);
  lblNoStick_ = makeLabel("lblNoStick", "no joystick", 0, 780);
  lblNoStick_->setAlignment(Qt::AlignCenter);
  lblNoStick_->setStyleSheet("QLabel { color: #a00000; background: palette(window); }");
  lblNoStick_->setGeometry(twips::Rect(60, 780, 960, 225, fraJoy));
  lblNoStick_->hide();
  SetAppearance(false, false);
  fraJoy->installEventFilter(this);
}

void JoyIndicator::JoyDisplay(int16_t x, int16_t y, int16_t fullScale) {
  if (fullScale == 0) {  // no scale: bars of zero length
    x = y = 0;
    fullScale = 1;
  }
  const float full = fullScale, fx = x, fy = y;
  if (x > 0) {
    const float x1 = linJXP_->X1();
    linJX_->SetLine(x1, linJX_->Y1(), x1 + (linJXP_->X2() - linJXP_->X1()) * fx / full,
                    linJX_->Y2());
  } else {
    const float x2 = linJXM_->X2();
    linJX_->SetLine(x2 + fx * (linJXM_->X2() - linJXM_->X1()) / full, linJX_->Y1(), x2,
                    linJX_->Y2());
  }
  if (y > 0) {
    const float y1 = linJYP_->Y1();
    linJY_->SetLine(linJY_->X1(), y1, linJY_->X2(),
                    y1 + (linJYP_->Y2() - linJYP_->Y1()) * fy / full);
  } else {
    const float y2 = linJYM_->Y2();
    linJY_->SetLine(linJY_->X1(), y2 + fy * (linJYM_->Y2() - linJYM_->Y1()) / full, linJY_->X2(),
                    y2);
  }
}

void JoyIndicator::StyleLabel(QLabel* label, bool strong) {
  QFont font = label->font();
  font.setBold(strong);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, strong ? QColor(Qt::black) : kGrey);
  label->setPalette(palette);
  label->adjustSize();
}

void JoyIndicator::SetAppearance(bool joyOn, bool axesWZ) {
  linJX_->setVisible(joyOn);
  linJY_->setVisible(joyOn);
  StyleLabel(lblJZP_, joyOn && axesWZ);
  StyleLabel(lblJZM_, joyOn && axesWZ);
}

void JoyIndicator::SetNoStick(bool none) { lblNoStick_->setVisible(none); }

bool JoyIndicator::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frame_ && event->type() == QEvent::MouseButtonPress && popup_) {
    popup_->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    return true;
  }
  return QObject::eventFilter(watched, event);
}
