#pragma once
// Twips (1/1440 inch) to pixels at the logical dpi of the screen a widget is on.
#include <QWidget>

namespace twips {

inline double Dpi(const QWidget* widget, bool horizontal) {
  const QPaintDevice* device = widget;
  return horizontal ? device->logicalDpiX() : device->logicalDpiY();
}
inline int ToPx(double twips, const QWidget* widget, bool horizontal = true) {
  return qRound(twips * Dpi(widget, horizontal) / 1440.0);
}
inline int ToTwips(int px, const QWidget* widget, bool horizontal = true) {
  return qRound(px * 1440.0 / Dpi(widget, horizontal));
}
inline QRect Rect(int left, int top, int width, int height, const QWidget* widget) {
  return QRect(ToPx(left, widget), ToPx(top, widget, false), ToPx(width, widget),
               ToPx(height, widget, false));
}

}  // namespace twips
