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

  // "On?": on when it was off and the stick is at rest, otherwise off.
  void SwitchOnOff();
  // "Calibrate": starts a calibration, or ends the running one.
  void Calibrate();
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
