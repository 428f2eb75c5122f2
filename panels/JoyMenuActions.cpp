#include "panels/JoyMenuActions.h"

#include "joystick/STDevCon.h"
#include "joystick/STJoy.h"
#include "parfiles/TRAPAR.h"
#include "platform/WindowHost.h"
#include "server/CmdJoy.h"
#include "domain/ProgramState.h"
#include "server/Startup.h"

JoyMenuActions::JoyMenuActions(ProgramState& state, STJoy& joy, STDevCon& devcon, CmdJoy& cmdJoy,
                               Startup& startup, TRAPAR& par, WindowHost& windows)
    : state_(state),
      joy_(joy),
      devcon_(devcon),
      cmdJoy_(cmdJoy),
      startup_(startup),
      par_(par),
      windows_(windows) {}

void JoyMenuActions::ShowMsg(const std::string& text) {
  if (windows_.IsFormLoaded(WindowHost::kMainWindow)) windows_.SetStatusText(text);
}

void JoyMenuActions::JoyVisibility() {
  if (windows_.IsFormLoaded(WindowHost::kMainWindow)) windows_.JoyVisibility();
}

void JoyMenuActions::SwitchOnOff() {
  const bool wasOn = state_.JoyOn == 1;
  devcon_.DevJoyToggle();
  JoyVisibility();
  if (state_.JoyOn == 1 && !joy_.JoyPresent()) ShowMsg(kNoStick);
  else if (!wasOn && state_.JoyOn != 1) ShowMsg(kNotAtRest);
}

void JoyMenuActions::Calibrate() {
  if (joy_.JoyCalibrating() == 0 && !joy_.JoyPresent()) {
    ShowMsg(kNoStickToCalibrate);
    return;
  }
  devcon_.DevJoyCalibrate();
  JoyVisibility();
}

bool JoyMenuActions::StickPresent() { return joy_.JoyPresent(); }

void JoyMenuActions::AssignedCommands(const std::function<bool(std::string& text)>& editText) {
  std::string text = TRAPAR::LinesJoin(state_.JoyCmds);
  if (!editText || !editText(text)) {
    ShowMsg("Joystick commands not assigned");
    return;
  }
  state_.JoyCmds = TRAPAR::LinesSplit(text);
  if (startup_.WriteJoyCmds() < 0) {
    ShowMsg("Joystick commands not saved to " + par_.ParGetPath());
    return;
  }
  startup_.ReadJoyCmds();
  ShowMsg("Joystick commands assigned");
}

void JoyMenuActions::ToggleAxes() { cmdJoy_.Exec("ToggleAxes"); }

void JoyMenuActions::Param(const std::function<void()>& editParameters) {
  par_.ParSetFile(STJoy::kJoyFile);
  if (editParameters) editParameters();
  joy_.JoyReadPar();
}
