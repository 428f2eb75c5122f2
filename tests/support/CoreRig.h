#pragma once
// The whole core over fakes, with a settings folder of its own.
#include <filesystem>
#include <fstream>
#include <string>

#include "Fakes.h"
#include "server/CoreModules.h"

struct CoreRig {
  CoreRig() : core(port, clock, pump, messages, windows) {
    char pattern[] = "/tmp/kelvorin-test-XXXXXX";
    dir = mkdtemp(pattern);
  }
  ~CoreRig() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  // Writes a settings file (lines joined with CR LF) into the rig's folder.
  void Write(const std::string& name, std::initializer_list<std::string> lines) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    for (const auto& line : lines) out << line << "\r\n";
  }
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  CoreModules core;
  std::string dir;
};
