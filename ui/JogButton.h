#pragma once
// A jog button: a grey face with a grey shaded arrow, pressed and released with any
// mouse button. It reports the first press and the release of the last button held, so
// pressing a second mouse button during a jog starts no second step.
#include <QWidget>

class JogButton : public QWidget {
  Q_OBJECT
 public:
  enum class Arrow { Up, Down };
  // Coarse arrows are larger and carry three bars at their tail.
  JogButton(Arrow arrow, bool coarse, QWidget* parent = nullptr);

  bool isDown() const { return down_; }
  // The arrow's size in pixels (34 x 50 coarse, 28 x 40 fine).
  QSize arrowSize() const;

 signals:
  void pressed();
  void released();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Release();

  Arrow arrow_;
  bool coarse_;
  bool down_ = false;
};
