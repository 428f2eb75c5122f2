#include "platform/sdl/SdlJoystick.h"

#include <SDL.h>

namespace {
constexpr int32_t kCentreOffset = 32768;
constexpr int32_t kNoJoystick = 1;
}  // namespace

SdlJoystick::SdlJoystick() {
  // The application owns the signals; the stick is read while the window is in the
  // background or hidden; nobody drains SDL's event queue, so no events are queued.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  initialised_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
  if (initialised_) SDL_JoystickEventState(SDL_IGNORE);
}

SdlJoystick::~SdlJoystick() {
  Close();
  if (initialised_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void SdlJoystick::Close() {
  if (joystick_) SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
}

bool SdlJoystick::Attach() {
  if (joystick_ && !SDL_JoystickGetAttached(joystick_)) Close();
  if (!joystick_ && SDL_NumJoysticks() > 0) {
    joystick_ = SDL_JoystickOpen(0);
    if (joystick_) {
      axes_ = SDL_JoystickNumAxes(joystick_);
      buttons_ = SDL_JoystickNumButtons(joystick_);
    }
  }
  return joystick_ != nullptr;
}

int32_t SdlJoystick::Read(int32_t& x, int32_t& y, uint32_t& buttons) {
  x = y = 0;
  buttons = 0;
  if (!initialised_) return kNoJoystick;
  SDL_JoystickUpdate();  // also notices devices that came or went
  if (!Attach()) return kNoJoystick;
  // A missing axis stands at its centre.
  x = (axes_ > 0 ? SDL_JoystickGetAxis(joystick_, 0) : 0) + kCentreOffset;
  y = (axes_ > 1 ? SDL_JoystickGetAxis(joystick_, 1) : 0) + kCentreOffset;
  for (int i = 0; i < buttons_; ++i)
    if (SDL_JoystickGetButton(joystick_, i)) buttons |= i < kBitButtons ? 1u << i : kFarButtons;
  return 0;
}
