#pragma once
// The whole core over fakes, with a settings folder of its own.
#include <string>

#include "Fakes.h"
#include "ScratchDir.h"
#include "core/CoreModules.h"

struct CoreRig : ScratchDir {
  CoreRig() : core(port, clock, pump, messages, windows) {}
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  CoreModules core;
};
