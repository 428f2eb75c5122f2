#pragma once
// Fakes of the joystick and beep seams.
#include <functional>

#include "platform/Beeper.h"
#include "platform/Joystick.h"

// A stick whose position and buttons the test sets; unplugged, every reading fails.
class FakeJoystick : public Joystick {
 public:
  int32_t Read(int32_t& outX, int32_t& outY, uint32_t& outButtons) override {
    ++reads;
    if (!plugged) {
      outX = outY = 0;
      outButtons = 0;
      return 165;  // "joystick unplugged"
    }
    outX = x;
    outY = y;
    outButtons = buttons;
    return 0;
  }
  void Centre() { x = y = 32767; }

  int32_t x = 32767, y = 32767;
  uint32_t buttons = 0;
  bool plugged = true;
  int reads = 0;
};

class FakeBeeper : public Beeper {
 public:
  void Beep() override {
    ++beeps;
    if (onBeep) onBeep();
  }
  int beeps = 0;
  std::function<void()> onBeep;
};
