#include "server/LiftTick.h"

#include <utility>

#include "common/ScopedCount.h"
#include "joystick/STDevCon.h"
#include "joystick/STJoy.h"
#include "platform/Clock.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"

LiftTick::LiftTick(Clock& clock, STCommands& cmds, ProgramState& state,
                   std::function<int16_t()> runMode, STJoy& joy, STDevCon& devcon)
    : clock_(clock),
      cmds_(cmds),
      state_(state),
      runMode_(std::move(runMode)),
      joy_(joy),
      devcon_(devcon) {}

void LiftTick::Tick() {
  if (!running_) return;
  // The watch also runs when this tick comes inside another one that waits (a program's
  // or a button's "Z Wait"): a run must not pass its limit because a wait holds the tick.
  if (watch) watch();
  const uint32_t now = clock_.TickMs();
  if (follow) follow(now);
  if (tickDepth_ > 0) return;
  const ScopedCount<int16_t> depth(tickDepth_);  // restored however the tick ends
  const int16_t runMode = runMode_();
  if (runMode == 1 || runMode == 2) {
    devcon_.DevJoyStop();  // a program run takes the lift over from the stick
    if (programStep) programStep(now);
    return;
  }
  if (state_.JoyOn != 1) {
    devcon_.DevJoyStop();  // control was switched off (a stop that was refused is retried)
    if (idle && DisplayMayRead()) idle(now);
    return;
  }
  if (cmds_.CmdBusy() != 0) return;
  if (joy_.JoyCalibrating() != 0) joy_.JoyCalibStep();
  else Poll();
}

bool LiftTick::DisplayMayRead() const {
  if (cmds_.CmdBusy() == 0) return true;
  return jogHeld && jogHeld() && cmds_.LinesRunning() == 0;
}

void LiftTick::Poll() {
  int16_t x = 0, y = 0, fullScale = 0, button = 0;
  joy_.JoyGetDeflection(x, y, fullScale, button);
  devcon_.DevJoyButton(button);
  // The button's command may have unloaded the window, switched control off or started
  // a program: then the stick no longer drives the lift.
  if (!running_ || state_.JoyOn != 1 || runMode_() != 0) return;
  if (joyDisplay) joyDisplay(x, y, fullScale);
  devcon_.DevJoyMove(x, y, fullScale, button);
}

void LiftTick::Stop() {
  running_ = false;
  devcon_.DevJoyStop();
}
