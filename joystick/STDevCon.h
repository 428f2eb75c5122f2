#pragma once
// Connects the joystick to the machine: axis 2 drives Z at a continuous speed, a newly
// pressed button runs its assigned command, and joystick control is switched on and off
// here so that the lift never runs on with nobody at the stick.
#include <cstdint>
#include <string>

class STJoy;
class STFoc;
class CommandRunner;
class Beeper;
struct ProgramState;

class STDevCon {
 public:
  STDevCon(ProgramState& state, CommandRunner& cmds, STFoc& foc, STJoy& joy, Beeper& beeper);

  // Drives Z from axis 2; the Z operation's status, or 0 when Z is not enabled.
  int16_t DevJoyMove(int16_t xDefl, int16_t yDefl, int16_t fullScale, int16_t button);
  // Runs the assigned command of a newly pressed button (once per press).
  void DevJoyButton(int16_t button);

  // Switching joystick control. On needs the stick at rest; whenever control ends up
  // off, a speed the joystick left running is stopped.
  void DevJoyOn();
  void DevJoyOff();
  void DevJoyToggle();  // the "On?" menu: on when off and at rest, else off
  // The "Calibrate" menu: starts a calibration (stopping joystick motion first) or ends
  // the running one.
  void DevJoyCalibrate();
  // Polling has stopped: when the last speed the joystick sent was not 0, sends speed 0
  // once. Cheap when there is nothing to stop.
  void DevJoyStop();

  const std::string& JoyButtonReply() const { return reply_; }

 private:
  ProgramState& state_;
  CommandRunner& cmds_;
  STFoc& foc_;
  STJoy& joy_;
  Beeper& beeper_;
  int16_t latched_ = 0;
  std::string reply_;
  int16_t lastDeflection_ = 0;  // the axis-2 deflection last sent to Z
};
