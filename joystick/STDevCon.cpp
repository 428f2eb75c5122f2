#include "joystick/STDevCon.h"

#include "common/Numbers.h"
#include "controller/MotorStatus.h"
#include "joystick/STJoy.h"
#include "platform/Beeper.h"
#include "domain/ProgramState.h"
#include "domain/CommandRunner.h"
#include "zaxis/STFoc.h"

namespace {
constexpr int16_t kFullScale = 1000;
}  // namespace

STDevCon::STDevCon(ProgramState& state, CommandRunner& cmds, STFoc& foc, STJoy& joy, Beeper& beeper)
    : state_(state), cmds_(cmds), foc_(foc), joy_(joy), beeper_(beeper) {}

int16_t STDevCon::DevJoyMove(int16_t xDefl, int16_t yDefl, int16_t fullScale, int16_t button) {
  if (state_.ZEnabled != 1) return 0;
  lastDeflection_ = yDefl;
  return foc_.FocJoyMove(yDefl, fullScale);
}

void STDevCon::DevJoyButton(int16_t button) {
  if (latched_ == 0 && button > 0) {
    const auto index = static_cast<size_t>(button);
    if (index < state_.JoyCmds.size()) {
      // A copy: the command may edit the list it came from.
      const std::string command = state_.JoyCmds[index];
      reply_ = cmds_.ExecCmd(command);
      cmds_.ShowMsg("Button" + num::Plain(button) + " - " + command + " " + reply_);
      beeper_.Beep();
      reply_ = cmds_.CmdWait();
    }
    latched_ = 1;
  }
  if (latched_ == 1 && button == 0) latched_ = 0;
}

void STDevCon::DevJoyOn() {
  state_.JoyOn = joy_.JoyAtRest() == 1 ? 1 : 0;
  if (state_.JoyOn == 0) DevJoyStop();
}

void STDevCon::DevJoyOff() {
  state_.JoyOn = 0;
  DevJoyStop();
}

void STDevCon::DevJoyToggle() {
  if (state_.JoyOn != 1) DevJoyOn();
  else DevJoyOff();
}

void STDevCon::DevJoyCalibrate() {
  if (joy_.JoyCalibrating() != 0) {
    joy_.JoyCalibEnd();
    return;
  }
  DevJoyStop();
  joy_.JoyCalibStart();
  joy_.SetJoyCalibrating(1);
}

// A stop refused because another exchange was running stays due: the next idle tick
// sends it again.
void STDevCon::DevJoyStop() {
  if (lastDeflection_ == 0) return;
  if (foc_.FocJoyMove(0, kFullScale) != motorstatus::kInProgress) lastDeflection_ = 0;
}
