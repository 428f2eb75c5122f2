#include "server/CmdJoy.h"

#include "common/CommandText.h"
#include "joystick/STDevCon.h"
#include "platform/WindowHost.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"

CmdJoy::CmdJoy(STCommands& cmds, ProgramState& state, STDevCon& devcon, WindowHost& windows)
    : cmds_(cmds), state_(state), devcon_(devcon), windows_(windows) {}

std::string CmdJoy::Exec(const std::string& args) {
  const STCommands::BusyScope busy(cmds_);
  const std::string reply = Run(args);
  // The display follows the switches, also after an error.
  if (cmds_.IsFormLoaded(WindowHost::kMainWindow)) windows_.JoyVisibility();
  cmds_.ShowCmdAndReply("Joy " + args, reply);
  return reply;
}

std::string CmdJoy::Run(const std::string& args) {
  std::string rest = args, word;
  if (GetFirstWord(rest, word) == 0) return "Error Missing Argument ";
  if (word == "ToggleAxes") state_.JoyAxes = static_cast<int16_t>(1 - state_.JoyAxes);
  else if (word == "XY") state_.JoyAxes = 0;
  else if (word == "WZ") state_.JoyAxes = 1;
  else if (word == "On") devcon_.DevJoyOn();
  else if (word == "Off") devcon_.DevJoyOff();
  else return "Error ";
  return "OK ";
}
