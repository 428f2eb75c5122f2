#pragma once
// "Let pending window events run": motion waits call this between their polls.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
  // For the waits that let no other event run (a Delay, homing): lets only the Stop
  // (its button, Escape) act and the windows repaint; every other input and timer tick
  // that is pending is dropped, not kept for later. A pump without windows does nothing.
  virtual void ProcessStopOnly() {}
};
