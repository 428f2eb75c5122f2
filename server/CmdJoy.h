#pragma once
// The "Joy" command family: switches joystick control on and off and chooses the axis
// pair the joystick display shows.
#include <string>

#include "domain/CommandFamily.h"

class STCommands;
class STDevCon;
class WindowHost;
struct ProgramState;

class CmdJoy : public CommandFamily {
 public:
  CmdJoy(STCommands& cmds, ProgramState& state, STDevCon& devcon, WindowHost& windows);

  std::string Exec(const std::string& args) override;

 private:
  std::string Run(const std::string& args);

  STCommands& cmds_;
  ProgramState& state_;
  STDevCon& devcon_;
  WindowHost& windows_;
};
