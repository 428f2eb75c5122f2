#pragma once
// The main window's live position, the lift's state and the link indicator, drawn from
// PosPoll: the "Lift" frame's caption carries the position ("Lift  Z=12.50 µm"), lblState
// what the lift is doing and lblLink how the serial link is doing. All stay as they were
// while ZPOSPOLL is off.
#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;
class PosPoll;
enum class LinkStatus : int8_t;
enum class LiftState : int8_t;

class LiveStatus {
 public:
  explicit LiveStatus(PosPoll& poll);

  // A main window was loaded: its "Lift" frame and its (hidden) state and link indicators.
  void Attach(QGroupBox* liftFrame, QLabel* indicator, QLabel* state = nullptr);
  // After a tick: redraws what has changed since the last drawing.
  void Refresh();

  // The indicator's look per status: text, tool tip and background colour.
  struct Look {
    const char* text;
    const char* tip;
    const char* colour;
  };
  static Look LookOf(LinkStatus status);
  static Look LookOf(LiftState state);

 private:
  void Draw();
  void DrawIndicator(LinkStatus status);
  void DrawState(LiftState state);
  void Clear();

  PosPoll& poll_;
  QPointer<QGroupBox> frame_;
  QPointer<QLabel> indicator_;
  QPointer<QLabel> state_;
  std::string base_;  // the frame's own caption
  uint32_t drawn_ = 0;
  bool everDrawn_ = false;
  int indicatorDrawn_ = -1;  // the status the indicator shows; -1: none drawn yet
  int stateDrawn_ = -1;      // the state lblState shows; -1: none drawn yet
};
