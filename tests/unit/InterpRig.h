#pragma once
// The whole core on the built-in simulated EZHR17 (replies at once, motion in the fake
// clock's time), an open interpreter window fake, and the main window's command box
// wired as the program step's source. Ticks are driven by hand, 300 ms apart.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/SimSerialPort.h"
#include "server/CoreModules.h"
#include "support/Fakes.h"
#include "support/InterpFakes.h"

// The main window as the program sees it: "!" texts reach the interpreter.
struct InterpRigWindows : FakeWindows {
  void ShowInterpMsg(const std::string& t) override {
    if (interp) interp->ShowInterpMsg(t);
  }
  INTERP* interp = nullptr;
};

struct InterpRig {
  InterpRig() {
    char pattern[] = "/tmp/kelvorin-interp-XXXXXX";
    dir = mkdtemp(pattern);
    std::ofstream(dir + "/ST_PARZ.TXT", std::ios::binary)
        << "\"ZCONTR\",1\r\n\"ZSTROKEPERROT\",1\r\n\"ZMOTORSTEPS\",200\r\n"
           "\"ZSTEPDIVIDE\",3\r\n\"ZHOLDCURRENT\",10\r\n\"ZRUNCURRENT\",50\r\n"
           "\"ZSLEWVELOCITY\",2000\r\n\"ZINITVELOCITY\",200\r\n\"ZACCELERATION\",200\r\n"
           "\"ZDECELERATION\",200\r\n\"ZBACKLASH\",0\r\n\"ZJUMPSIZE\",10\r\n"
           "\"ZCOARSEFACTOR\",10\r\n\"ZJOYMAXSPEED\",2000\r\n\"ZHOMESPEED\",-1000\r\n"
           "\"ZPOWERUPORIGIN\",0\r\n\"ZENABLELIMITS\",0\r\n";
    windows.mainLoaded = true;
    windows.interp = &core.interp;
    core.state.AppDir = dir + "/";
    core.state.config.CONTRTYPE = "EZHR17";
    core.comm.CommInit();
    core.comm.CommSetPortName("sim:EZHR17:nowire");
    openOk = core.comm.CommOpenPort(1) == 1;
    core.comm.CommSetTimeout(100);
    core.motor.MotorSetMoveTimeout(10);
    core.par.ParSetDir(dir + "/");
    initOk = openOk && core.foc.FocInit() == 1;
    core.state.ZEnabled = 1;
    core.interp.SetCommandTextSource([this] { return windows.commandText; });
    core.interp.AttachWindow(&window, 29);
    port.SetLogSink([this](const std::string& line) { log.push_back(line); });
  }
  ~InterpRig() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  // The program formatted and started over, as the window's Format and Over do.
  void Load(const LineList& lines) {
    core.interp.SetProgram(lines);
    core.progEdit.Format();
    core.progEdit.StartOver();
  }
  // Ticks until the run ends (or maxTicks); the command box text of every tick.
  std::vector<std::string> Ticks(int maxTicks = 200) {
    std::vector<std::string> ran;
    while (core.interp.RunMode() != 0 && maxTicks-- > 0) {
      clock.now += 300;
      ran.push_back(windows.commandText);
      if (beforeTick) beforeTick();
      core.interp.TickProgramStep(clock.TickMs());  // as the main window's tick calls it
    }
    return ran;
  }
  std::vector<std::string> Run(int maxTicks = 200) {
    core.interp.StartRun();
    return Ticks(maxTicks);
  }
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }
  // The simulated axis position in steps, after any move has ended.
  int64_t Steps() {
    clock.now += 5000;
    return port.Sim()->axis().Physical(port.NowUs());
  }

  FakeClock clock;
  SimSerialPort port{clock};
  FakePump pump;
  FakeMessages messages;
  InterpRigWindows windows;
  CoreModules core{port, clock, pump, messages, windows};
  FakeInterpWindow window;
  std::string dir;
  std::vector<std::string> log;
  std::function<void()> beforeTick;
  bool openOk = false, initOk = false;
};
