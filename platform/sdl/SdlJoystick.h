#pragma once
// The joystick seam over SDL2's joystick API: the first joystick (device index 0),
// axis 0 = x, axis 1 = y, every button of the device (SDL's button 0 = bit 1, ...). Raw
// positions are SDL's axis value + 32768 (0..65535, centre near 32767). A joystick
// plugged in later is opened on the next reading; an unplugged one is closed.
#include <cstdint>

#include "platform/Joystick.h"

struct _SDL_Joystick;

class SdlJoystick : public Joystick {
 public:
  SdlJoystick();
  ~SdlJoystick() override;
  SdlJoystick(const SdlJoystick&) = delete;
  SdlJoystick& operator=(const SdlJoystick&) = delete;

  int32_t Read(int32_t& x, int32_t& y, uint32_t& buttons) override;

  // False when SDL's joystick support could not be started (every reading then fails).
  bool Available() const { return initialised_; }

 private:
  // Closes a joystick that went away and opens the first one when none is open.
  bool Attach();
  void Close();

  bool initialised_ = false;
  _SDL_Joystick* joystick_ = nullptr;
  int axes_ = 0;
  int buttons_ = 0;
};
