#include "panels/LiftState.h"

LiftState DeriveLiftState(const LiftFacts& f) {
  if (!f.zEnabled) return LiftState::ZOff;
  if (f.linkDown) return LiftState::LinkDown;
  if (f.homing) return LiftState::Homing;
  if (f.programRunning) return LiftState::ProgramRunning;
  if (f.moving) return LiftState::Moving;
  if (f.joystickOn) return LiftState::Joystick;
  return LiftState::Idle;
}

const char* LiftStateText(LiftState state) {
  switch (state) {
    case LiftState::Idle: return "Idle";
    case LiftState::Moving: return "Moving";
    case LiftState::Homing: return "Homing";
    case LiftState::ProgramRunning: return "Program";
    case LiftState::Joystick: return "Joystick";
    case LiftState::LinkDown: return "Link down";
    case LiftState::ZOff: return "Z off";
  }
  return "";
}
