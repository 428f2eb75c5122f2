#pragma once
// The main window's live position and link indicator, drawn from PosPoll: the "Lift"
// frame's caption carries the position ("Lift  Z=12.5") and the indicator lblLink shows
// how the serial link is doing. Both stay as they were while ZPOSPOLL is off.
#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;
class PosPoll;
enum class LinkStatus : int8_t;

class LiveStatus {
 public:
  explicit LiveStatus(PosPoll& poll);

  // A main window was loaded: its "Lift" frame and its (hidden) link indicator.
  void Attach(QGroupBox* liftFrame, QLabel* indicator);
  // After a tick: redraws what has changed since the last drawing.
  void Refresh();

  // The indicator's look per status: text, tool tip and background colour.
  struct Look {
    const char* text;
    const char* tip;
    const char* colour;
  };
  static Look LookOf(LinkStatus status);

 private:
  void Draw();
  void DrawIndicator(LinkStatus status);
  void Clear();

  PosPoll& poll_;
  QPointer<QGroupBox> frame_;
  QPointer<QLabel> indicator_;
  std::string base_;  // the frame's own caption
  uint32_t drawn_ = 0;
  bool everDrawn_ = false;
  int indicatorDrawn_ = -1;  // the status the indicator shows; -1: none drawn yet
};
