#pragma once
// The whole core over fakes, with a stick and a beeper, on the port the test chooses.
#include "Fakes.h"
#include "JoyFakes.h"
#include "core/CoreModules.h"

template <typename Port>
struct JoyCore {
  FakeClock clock;
  Port port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  FakeJoystick stick;
  FakeBeeper beeper;
  CoreModules core{port, clock, pump, messages, windows, stick, beeper};
};
