#pragma once
// What the main window's "Joystick" menu does, without the window. The window binds
// its items to these operations and brings the two dialogs they need.
#include <functional>
#include <string>

class STJoy;
class STDevCon;
class CmdJoy;
class Startup;
class TRAPAR;
class WindowHost;
struct ProgramState;

class JoyMenuActions {
 public:
  JoyMenuActions(ProgramState& state, STJoy& joy, STDevCon& devcon, CmdJoy& cmdJoy,
                 Startup& startup, TRAPAR& par, WindowHost& windows);

  // "On?": on when it was off and the stick is at rest (no stick reads as at rest),
  // otherwise off. The status line says why nothing will move: no stick (kNoStick), or
  // a stick not at rest (kNotAtRest).
  void SwitchOnOff();
  // "Calibrate": starts a calibration, or ends the running one. Without a stick none
  // starts, and the status line says so (kNoStickToCalibrate).
  void Calibrate();
  // Looks once whether a stick is there (at the window's load).
  bool StickPresent();

  static constexpr const char* kNoStick =
      "No joystick: control is on, but nothing moves until a stick is connected";
  static constexpr const char* kNotAtRest =
      "Joystick not at rest: let the stick go to its centre, then switch it on";
  static constexpr const char* kNoStickToCalibrate = "No joystick: nothing to calibrate";
  // "Assigned Commands": editText gets the button commands, one per line, and answers
  // whether the operator accepted the edited text.
  void AssignedCommands(const std::function<bool(std::string& text)>& editText);
  // "Toggle Axes": what "Joy ToggleAxes" does.
  void ToggleAxes();
  // "Param.": the parameter list editor on ST_JOY.TXT, then the calibration is read again.
  void Param(const std::function<void()>& editParameters);

 private:
  void ShowMsg(const std::string& text);
  void JoyVisibility();

  ProgramState& state_;
  STJoy& joy_;
  STDevCon& devcon_;
  CmdJoy& cmdJoy_;
  Startup& startup_;
  TRAPAR& par_;
  WindowHost& windows_;
};
