#pragma once
// The clock seam: the 32-bit millisecond clock, the time of day, and sleeping.
#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic clock; wraps around at 2^32.
  virtual uint32_t TickMs() = 0;
  // Time of day in seconds since midnight (fractional).
  virtual double TimeOfDaySeconds() = 0;
  // Blocks the calling thread for ms milliseconds; no window events run.
  virtual void SleepMs(uint32_t ms) = 0;
};
