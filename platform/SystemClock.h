#pragma once
#include "platform/Clock.h"

// The machine's clocks: steady milliseconds, local time of day, thread sleep.
class SystemClock : public Clock {
 public:
  uint32_t TickMs() override;
  double TimeOfDaySeconds() override;
  void SleepMs(uint32_t ms) override;
};
