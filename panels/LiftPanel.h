#pragma once
// What the operator's main window does, without the window: the jog steps, the step
// size, the position display, and the sequences behind the Z, Config. and Interp. menus.
// The window binds its controls to these operations and shows what they report on its
// status line (through the window seam).
#include <cstdint>
#include <functional>
#include <string>

class STCommands;
class STFoc;
class TRAPAR;
class COMM;
class Startup;
class EventPump;
class WindowHost;
class PanelDialogs;
struct ProgramState;

// The four jog steps, as buttons and as menu items.
enum class Jog { UpCoarse, DownCoarse, UpFine, DownFine };

class LiftPanel {
 public:
  LiftPanel(ProgramState& state, STCommands& cmds, STFoc& foc, TRAPAR& par, COMM& comm,
            Startup& startup, EventPump& pump, WindowHost& windows, PanelDialogs& dialogs);

  // The step size in user units of Z, and its text in the general number form.
  double StepSize() const { return step_; }
  std::string StepText() const;
  // The operator changed the step-size text: a number becomes the step size and clears
  // the status line; anything else shows "Error in step size" and keeps the last size.
  // A size whose coarse step would move further than the travel is refused the same way,
  // with a message that starts with kStepTooLarge and names the largest size.
  bool StepTextChanged(const std::string& text);
  static constexpr const char* kStepTooLarge = "Step size too large";
  // The travel: ZMAX - ZMIN while the travel limits are on, else the distance a move at
  // ZSLEWVELOCITY covers within MOVETIMEOUT; 0 when the settings give none.
  double Travel() const;
  // The largest step size whose coarse step stays within the travel; 0: no bound.
  double LargestStep() const;
  // The operator is still typing: the status line says whether the text is a step size,
  // and the step size stays as it is (a prefix of "2.5" is no step of 2).
  bool StepTextTyped(const std::string& text);
  // The window was loaded: the first load takes the step size from the Z parameters.
  void WindowLoaded();
  // Runs whenever the step size was refilled from the Z parameters (the box follows).
  std::function<void()> onStepSizeFilled;

  static const char* Caption(Jog jog);
  // The distance of one jog step: up is -Z; coarse steps are ZCOARSEFACTOR fine steps.
  double JogDistance(Jog jog) const;

  // A jog button: pressed starts the step and keeps the joystick away; released waits
  // for the end of the move and shows the position.
  void JogPress(Jog jog);
  void JogRelease();
  // Between a jog button's press and its release.
  bool JogHeld() const { return jogHeld_; }
  // The menu item of the same caption: the step, then wait and show the position.
  void MenuStep(Jog jog);

  // A step while the axis still moves first waits for the end of that move, so a quick
  // series of steps ends where their sum says. A run at constant speed, or a move that
  // does not end within the move time-out, keeps the step from being sent: the status
  // line then says kStepNotSent and keeps saying it (no position follows).
  void JogRelative(double distance, const std::string& caption);
  static constexpr const char* kStepNotSent = "Z is moving: step not sent";
  void ShowPos();
  void WaitAndShowPos();

  // Menu actions. While the axis is off, the Z controls (the steps above, Read Position
  // and a click on the Lift frame, Set Origin) say why on the status line ("Z axis off:
  // ...") instead of acting; Home is sent all the same.
  void ReadPosition() { WaitAndShowPos(); }
  void Home();
  // Asks first: the position the lift stands at becomes Z=0.
  void SetOrigin();
  // The operator closes the main window: while a program runs (runMode not 0), only
  // after saying OK to stopping it.
  bool MayClose(int16_t runMode);
  void Parameters();
  // Asks before the chosen file replaces the program folder's Z parameter file.
  void ReadParFile();
  void Configuration();
  void ErrorLog();
  static constexpr const char* kEmptyLog =
      "The error log is empty: the serial link has reported nothing since the start.";
  void Commands();

  static constexpr const char* kParFile = "ST_PARZ.TXT";
  static constexpr const char* kConfigFile = "ST_CONFIG.TXT";
  static constexpr const char* kCommandsFile = "ST_COMMANDS.TXT";

 private:
  void Show(const std::string& text);
  // The step-size text as a size, or false after the status line said why not.
  bool ParseStep(const std::string& text, double& value);
  // False, after saying why the axis is off, while it is off.
  bool AxisOn();
  // True when a step may go out now (the move under way, if any, has ended).
  bool ReadyForStep();
  void FillStepSize();
  int CoarseFactor() const;  // ZCOARSEFACTOR, at least 1
  // The chosen file is a regular file and not the target itself.
  static bool CanCopyParFile(const std::string& source, const std::string& target);
  // Replaces the program folder's Z parameter file (target) with the chosen one; false
  // when the chosen file cannot be read or the target cannot be written.
  static bool CopyParFile(const std::string& source, const std::string& target);

  ProgramState& state_;
  STCommands& cmds_;
  STFoc& foc_;
  TRAPAR& par_;
  COMM& comm_;
  Startup& startup_;
  EventPump& pump_;
  WindowHost& windows_;
  PanelDialogs& dialogs_;
  double step_ = 0;
  bool stepFilled_ = false;
  bool jogHeld_ = false;
  bool stepRefused_ = false;  // the last jog step was not sent, and the status says why
};
