#pragma once
// The joystick indicator inside the main window's frame fraJoy: a cross of scale lines,
// two red bars that start at the centre and follow the deflections, and the "-Z"/"+Z"
// labels. Coordinates are in twips from the frame's top left.
#include <QObject>
#include <QWidget>
#include <cstdint>

class QLabel;
class QMenu;

// A straight line from (X1, Y1) to (X2, Y2), in twips of its parent.
class JoyLine : public QWidget {
 public:
  JoyLine(QWidget* parent, const QString& name, const QColor& colour, int widthPx);

  void SetLine(float x1, float y1, float x2, float y2);
  float X1() const { return x1_; }
  float Y1() const { return y1_; }
  float X2() const { return x2_; }
  float Y2() const { return y2_; }
  // The end points in pixels of the parent.
  QPointF P1() const;
  QPointF P2() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Place();

  QColor colour_;
  int widthPx_;
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  bool placed_ = false;
};

class JoyIndicator : public QObject {
 public:
  // Fills the frame with the indicator's lines and labels.
  explicit JoyIndicator(QWidget* fraJoy);

  // Bars for the deflections of one poll (single precision, as the twips are kept).
  void JoyDisplay(int16_t x, int16_t y, int16_t fullScale);
  // The part of JoyVisibility that draws: bars shown while joystick control is on; Z
  // labels black and bold for the "WZ" pair while on, otherwise grey and not bold.
  void SetAppearance(bool joyOn, bool axesWZ);
  // Without a stick the indicator says "no joystick" in the middle of its scale.
  void SetNoStick(bool none);
  QLabel* lblNoStick() const { return lblNoStick_; }
  // A mouse press (any button) in the frame pops this menu up.
  void SetPopupMenu(QMenu* menu) { popup_ = menu; }

  JoyLine* linJX() const { return linJX_; }
  JoyLine* linJY() const { return linJY_; }

  static constexpr float kCentreX = 540, kCentreY = 720;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static void StyleLabel(QLabel* label, bool strong);

  QWidget* frame_;
  JoyLine* linJXM_;
  JoyLine* linJXP_;
  JoyLine* linJYM_;
  JoyLine* linJYP_;
  JoyLine* linJX_;
  JoyLine* linJY_;
  QLabel* lblJZP_;
  QLabel* lblJZM_;
  QLabel* lblNoStick_;
  QMenu* popup_ = nullptr;
};
