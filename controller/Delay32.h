#pragma once
// The millisecond clock and the delay that lets no window event run.
#include <cstdint>

class Clock;

class Delay32 {
 public:
  explicit Delay32(Clock& clock) : clock_(clock) {}
  // Returns once more than ms milliseconds have passed on the millisecond clock
  // (0: once the clock has moved); negative returns at once. Sleeps until the
  // deadline instead of spinning.
  void DelayMs(int32_t ms);
  uint32_t GetTickMs();
  // Whole seconds of the time of day, rounded; for the move time-outs.
  int32_t SecondsOfDay();
  // Whole seconds elapsed since start (a SecondsOfDay reading), across midnight.
  static int32_t SecondsSince(int32_t start, int32_t now);

 private:
  Clock& clock_;
};
