#pragma once
#include <QObject>

#include <functional>

#include "platform/EventPump.h"

// Lets pending window events, socket requests and timer ticks run; or, for the waits that
// let nothing else run, only the Stop and the windows' repainting (ProcessStopOnly).
class QtEventPump : public EventPump {
 public:
  QtEventPump();
  ~QtEventPump() override;

  void ProcessEvents() override;
  void ProcessStopOnly() override;
  // Told before and after every pass of events (the main window shows what a running
  // request has kept back from it).
  std::function<void()> beforeEvents;
  std::function<void()> afterEvents;
  // Inside ProcessStopOnly: whatever else is due must wait.
  bool StopOnlyActive() const { return depth_ > 0; }

  // A control whose input ProcessStopOnly lets through (the Stop button, the Escape
  // shortcut); on a window, Escape pressed anywhere in it gets through.
  static void MarkStopControl(QObject* control);
  static bool IsStopControl(const QObject* object);
  // A control whose press acts at once and whose release ends what it started (a jog
  // button): a release that comes while only the Stop may act is kept and delivered when
  // events run again, so what the press started always ends.
  static void MarkHeldControl(QObject* control);

 private:
  class StopOnlyFilter;
  template <typename Fn>
  void Around(Fn&& fn);
  StopOnlyFilter* filter_;
  int depth_ = 0;
};
