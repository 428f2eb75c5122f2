#include "controller/Delay32.h"

#include <algorithm>
#include <cmath>

#include "platform/Clock.h"
#include "platform/EventPump.h"

namespace {
constexpr int32_t kSecondsPerDay = 24 * 3600;
}

void Delay32::DelayMs(int32_t ms) {
  if (ms < 0) return;
  const uint32_t start = clock_.TickMs();
  const auto wanted = static_cast<uint32_t>(ms);
  for (;;) {
    const uint32_t elapsed = clock_.TickMs() - start;  // unsigned: survives the wrap
    if (elapsed > wanted) return;
    // Sleep until just past the deadline; re-check in case the sleep came back early.
    clock_.SleepMs(wanted - elapsed + 1);
  }
}

bool Delay32::DelayMs(int32_t ms, EventPump& pump, const StopRequest::Since& since,
                      uint32_t stopLookMs) {
  const uint32_t start = clock_.TickMs();
  const auto wanted = static_cast<uint32_t>(std::max(ms, -1));
  for (;;) {
    pump.ProcessStopOnly();
    if (since.Stopped()) return false;
    if (ms < 0) return true;
    const uint32_t elapsed = clock_.TickMs() - start;
    if (elapsed > wanted) return true;
    clock_.SleepMs(std::min(wanted - elapsed + 1, std::max(stopLookMs, 1u)));
  }
}

uint32_t Delay32::GetTickMs() { return clock_.TickMs(); }

int32_t Delay32::SecondsOfDay() {
  // Nearest whole second, a half to the even neighbour; 24:00:00 is midnight again.
  const auto rounded = static_cast<int32_t>(std::nearbyint(clock_.TimeOfDaySeconds()));
  return ((rounded % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
}

int32_t Delay32::SecondsSince(int32_t start, int32_t now) {
  int32_t elapsed = (now - start) % kSecondsPerDay;
  if (elapsed < 0) elapsed += kSecondsPerDay;
  return elapsed;
}
