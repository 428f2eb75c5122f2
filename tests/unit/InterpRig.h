#pragma once
// The whole core on the built-in simulated EZHR17 (replies at once, motion in the fake
// clock's time), an open interpreter window fake, and the main window's command box
// wired as the program step's source. Ticks are driven by hand, 300 ms apart.
#include <optional>
#include <string>
#include <vector>

#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/InterpFakes.h"
#include "support/ScratchDir.h"
#include "support/SimCore.h"
#include "support/SimParz.h"

// The main window as the program sees it: "!" texts reach the interpreter; a command
// box text that nothing wrote there was typed by the operator.
struct InterpRigWindows : FakeWindows {
  void ShowInterpMsg(const std::string& t) override {
    if (interp) interp->ShowInterpMsg(t);
  }
  void SetCommandText(const std::string& t) override {
    FakeWindows::SetCommandText(t);
    written = t;
  }
  std::optional<std::string> Typed() const {
    if (commandText.empty() || commandText == written) return std::nullopt;
    return commandText;
  }
  INTERP* interp = nullptr;
  std::string written;
};

struct InterpRig : ScratchDir, SimCore<FakeClock, InterpRigWindows> {
  InterpRig() : ScratchDir("kelvorin-interp") {
    Put("ST_PARZ.TXT", SimParz(false));
    windows.mainLoaded = true;
    windows.interp = &core.interp;
    core.state.AppDir = Path();
    core.state.config.CONTRTYPE = "EZHR17";
    core.comm.CommInit();
    core.comm.CommSetPortName("sim:EZHR17:nowire");
    openOk = core.comm.CommOpenPort(1) == 1;
    core.comm.CommSetTimeout(100);
    core.motor.MotorSetMoveTimeout(10);
    core.par.ParSetDir(Path());
    initOk = openOk && core.foc.FocInit() == 1;
    core.state.ZEnabled = 1;
    core.interp.SetCommandTextSource([this] { return windows.Typed(); });
    core.interp.AttachWindow(&window, 29);
    port.SetLogSink([this](const std::string& line) { log.push_back(line); });
  }

  // The program formatted and started over, as the window's Format and Over do.
  void Load(const LineList& lines) {
    core.interp.SetProgram(lines);
    core.progEdit.Format();
    core.progEdit.StartOver();
  }
  // Ticks until the run ends (or maxTicks); the line each tick ran.
  std::vector<std::string> Ticks(int maxTicks = 200) {
    std::vector<std::string> ran;
    while (core.interp.RunMode() != 0 && maxTicks-- > 0) {
      clock.now += 300;
      if (beforeTick) beforeTick();
      ran.push_back(core.interp.RunLine());
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

  FakeInterpWindow window;
  std::vector<std::string> log;
  std::function<void()> beforeTick;
  bool openOk = false, initOk = false;
};
