#pragma once
// The joystick seam: one reading of the first joystick.
#include <cstdint>

class Joystick {
 public:
  virtual ~Joystick() = default;
  // Raw positions of axis 1 (x) and axis 2 (y), 0..65535 with the centre near 32767,
  // and every button of the device as bits: button n (1 to 31) = bit n - 1 (button 1 =
  // 1, button 8 = 128, button 9 = 256); any button from the 32nd on sets kFarButtons.
  // Returns 0 after a good reading; any other value means no joystick could be read,
  // and then x, y and buttons are 0.
  virtual int32_t Read(int32_t& x, int32_t& y, uint32_t& buttons) = 0;

  static constexpr int kBitButtons = 31;
  static constexpr uint32_t kFarButtons = 1u << kBitButtons;
};

// Stands in where the program has no joystick: every reading fails.
class NoJoystick : public Joystick {
 public:
  int32_t Read(int32_t& x, int32_t& y, uint32_t& buttons) override {
    x = y = 0;
    buttons = 0;
    return 1;
  }
};
