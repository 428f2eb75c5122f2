#pragma once
// "Let pending window events run": motion waits call this between their polls.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
};
