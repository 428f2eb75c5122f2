#pragma once
// What the lift is doing, as the main window shows it next to the position: one look
// tells whether it may move.
#include <cstdint>

enum class LiftState : int8_t { Idle, Moving, Homing, ProgramRunning, Joystick, LinkDown, ZOff };

// What the core knows at a tick.
struct LiftFacts {
  bool zEnabled = false;
  bool linkDown = false;  // the last read failed (time-outs, or the port is lost)
  bool homing = false;
  bool programRunning = false;  // run mode 1 or 2
  bool moving = false;          // a wait, a run at constant speed, or a position that moves
  bool joystickOn = false;
};

// The state that matters most wins: no axis, then no link, then homing, a program run,
// a move, joystick control; otherwise idle.
LiftState DeriveLiftState(const LiftFacts& facts);
// Its short text for the window ("Idle", "Moving", ...).
const char* LiftStateText(LiftState state);
