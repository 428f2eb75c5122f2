#pragma once
// The millisecond clock and the delay that lets no window event run.
#include <cstdint>

#include "controller/StopRequest.h"

class Clock;
class EventPump;

class Delay32 {
 public:
  explicit Delay32(Clock& clock) : clock_(clock) {}
  // Returns once more than ms milliseconds have passed on the millisecond clock
  // (0: once the clock has moved); negative returns at once. Sleeps until the
  // deadline instead of spinning.
  void DelayMs(int32_t ms);
  // The same pause, during which only a Stop is taken (EventPump::ProcessStopOnly, every
  // stopLookMs milliseconds at most): false, at once, when a Stop came since `since` was
  // noted.
  bool DelayMs(int32_t ms, EventPump& pump, const StopRequest::Since& since,
               uint32_t stopLookMs = kStopLookMs);
  static constexpr uint32_t kStopLookMs = 5;
  // For the pauses that repeat through a whole run (the polls of a homing): fewer
  // wake-ups, a Stop still taken well within a human's notice.
  static constexpr uint32_t kRunStopLookMs = 10;
  uint32_t GetTickMs();
  // Whole seconds of the time of day, rounded; for the move time-outs.
  int32_t SecondsOfDay();
  // Whole seconds elapsed since start (a SecondsOfDay reading), across midnight.
  static int32_t SecondsSince(int32_t start, int32_t now);

 private:
  Clock& clock_;
};
