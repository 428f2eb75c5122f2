#pragma once
// The whole core on the built-in simulated controller, over fakes; the clock and the
// windows' stand-in are the test's choice.
#include "Fakes.h"
#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"

template <typename Clock = FakeClock, typename Windows = FakeWindows>
struct SimCore {
  Clock clock;
  SimSerialPort port{clock};
  FakePump pump;
  FakeMessages messages;
  Windows windows;
  CoreModules core{port, clock, pump, messages, windows};
};
