// The operator's Stop over the whole core and the simulated controller (fake clock): it
// ends a wait, a homing, a "Delay" and a program run after the stop command went out,
// switches the joystick off and ends a jog.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/CoreRig.h"
#include "support/InterpFakes.h"
#include "support/ScratchDir.h"
#include "support/SimCore.h"
#include "support/SimParz.h"

namespace {

// The stop command of each family, as the simulator logs it.
std::string StopLine(const std::string& family) { return family == "EZHR17" ? "> /1T" : "> 1M0"; }

struct StopRig : ScratchDir, SimCore<> {
  explicit StopRig(const std::string& family) : ScratchDir("kelvorin-stop"), family(family) {
    Put("ST_PARZ.TXT", SimParz(true));
    Put("ST_CONFIG.TXT",
        "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",100\r\n"
        "\"WAITPOLLINGINTERVAL\",20\r\n\"CONTRTYPE\"," +
            family + "\r\n\"Z_INSTALLED\",1\r\n\"MPORTNAME\",sim:" + family +
            ":lower=-100000:nowire\r\n");
    clock.autoAdvanceMs = 1;
    core.startup.InitAll(dir);
    port.SetLogSink([this](const std::string& line) { traffic.push_back(line); });
  }
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }
  // The operator presses Stop at the n-th time the given pump runs.
  void StopAt(std::function<void()>& hook, int n) {
    hook = [this, n, calls = 0]() mutable {
      if (++calls == n) {
        stopTraffic = traffic.size();
        core.stopAll.Stop();
      }
    };
  }
  // Stop commands the controller received after the Stop.
  long StopsSent() const {
    const std::string stop = StopLine(family);
    return std::count_if(traffic.begin() + long(stopTraffic), traffic.end(),
                         [&](const std::string& l) { return l.rfind(stop, 0) == 0; });
  }
  bool Moving() { return port.Sim()->axis().IsMoving(port.NowUs()); }
  int64_t Steps() { return port.Sim()->axis().Physical(port.NowUs()); }

  std::string family;
  std::vector<std::string> traffic;
  size_t stopTraffic = 0;
};

class Stop : public ::testing::TestWithParam<const char*> {};

TEST_P(Stop, EndsAWaitAndTheRestOfItsLine) {
  StopRig rig(GetParam());
  rig.StopAt(rig.pump.onEvents, 3);
  // 8000 steps at 2000 steps/s: four seconds, stopped after three polls.
  EXPECT_EQ(rig.Exec("Z 5000;Z Wait;Z 0;Ver"),
            "OK  ; Error Stopped  ; Error Stopped  ; Error Stopped  ; ");
  EXPECT_EQ(rig.StopsSent(), 1);
  EXPECT_FALSE(rig.Moving());
  EXPECT_GT(rig.Steps(), 0);
  EXPECT_LT(rig.Steps(), 8000);
  // The next line runs as usual.
  EXPECT_EQ(rig.Exec("Ver"), "1.0 ; ");
}

TEST_P(Stop, EndsAHomingRunLettingOnlyTheStopIn) {
  StopRig rig(GetParam());
  rig.StopAt(rig.pump.onStopOnly, 5);
  EXPECT_EQ(rig.Exec("Z Home"), "Error Stopped  ; ");
  EXPECT_GE(rig.StopsSent(), 1);
  EXPECT_EQ(rig.pump.calls, 0);  // no other event ran during the homing
  EXPECT_FALSE(rig.Moving());
  EXPECT_GT(rig.Steps(), -100000);  // stopped before the limit; no origin was set there
  EXPECT_EQ(rig.core.comm.CommGetLog().find("inst>0"), std::string::npos);
}

TEST_P(Stop, EndsADelayAtOnce) {
  StopRig rig(GetParam());
  rig.StopAt(rig.pump.onStopOnly, 3);
  const uint32_t before = rig.clock.now;
  EXPECT_EQ(rig.Exec("Delay 5000;Ver"), "Error Stopped  ; Error Stopped  ; ");
  EXPECT_LT(rig.clock.now - before, 100u);
  EXPECT_EQ(rig.pump.calls, 0);
  // A Delay without a Stop still lasts its time, looking for one every few ms.
  rig.pump.onStopOnly = nullptr;
  const uint32_t start = rig.clock.now;
  EXPECT_EQ(rig.Exec("Delay 50"), "50 ; ");
  EXPECT_GT(rig.clock.now - start, 50u);
  EXPECT_GE(rig.pump.stopOnlyCalls, 10);
}

TEST_P(Stop, InterruptsAProgramRunDuringItsLine) {
  StopRig rig(GetParam());
  FakeInterpWindow window;
  rig.windows.interpLoaded = true;
  rig.core.interp.AttachWindow(&window, 29);
  rig.core.interp.SetProgram({"Z 5000", "Z Wait", "Z 0", "End"});
  rig.core.interp.FetchNextLine();
  rig.core.interp.StartRun();
  ASSERT_TRUE(rig.core.interp.TickProgramStep());  // Z 5000
  rig.StopAt(rig.pump.onEvents, 4);                // during the Z Wait line
  ASSERT_TRUE(rig.core.interp.TickProgramStep());
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
  EXPECT_EQ(window.Message(), "PROGRAM INTERRUPTED");
  EXPECT_TRUE(window.controlsEnabled);
  EXPECT_FALSE(rig.core.interp.TickProgramStep());  // "Z 0" never runs
  EXPECT_EQ(rig.StopsSent(), 1);
  EXPECT_FALSE(rig.Moving());
  rig.core.interp.DetachWindow();
}

TEST_P(Stop, TakenJustBeforeAProgramLineKeepsItFromRunning) {
  StopRig rig(GetParam());
  rig.core.interp.SetProgram({"Z 5000", "End"});
  rig.core.interp.FetchNextLine();
  rig.core.interp.StartRun();
  rig.StopAt(rig.pump.onEvents, 1);  // the tick lets events run before its line
  rig.core.interp.TickProgramStep();
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
  EXPECT_FALSE(rig.Moving());
  EXPECT_EQ(rig.Steps(), 0);
}

TEST_P(Stop, SwitchesTheJoystickOffAndEndsAJog) {
  StopRig rig(GetParam());
  rig.core.state.JoyOn = 1;
  rig.core.cmds.SetCmdBusy(1);  // a jog button held down
  ASSERT_EQ(rig.core.foc.FocMoveRel(5000), 1);
  rig.stopTraffic = rig.traffic.size();
  rig.core.stopAll.Stop();
  EXPECT_EQ(rig.core.state.JoyOn, 0);
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
  EXPECT_EQ(rig.StopsSent(), 1);  // sent at once: nothing else was talking to the controller
  EXPECT_FALSE(rig.Moving());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Stop, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

// A Stop that comes while an exchange is in progress is refused by the driver's guard;
// the waiting loop sends the stop command as soon as it has the controller again.
TEST(StopDuringAnExchange, IsSentByTheWaitingLoop) {
  CoreRig rig;
  rig.core.state.config.CONTRTYPE = "EZHR17";
  rig.core.state.ZEnabled = 1;
  rig.core.comm.CommInit();
  ASSERT_TRUE(rig.core.comm.CommOpenPort(1));
  rig.core.motor.MotorSetMoveTimeout(10);
  int queries = 0;
  rig.port.responder = [&](const std::string& line) -> std::string {
    if (line.find('Q') != std::string::npos && ++queries == 2) rig.core.stopAll.Stop();
    const char status = line.find('Q') != std::string::npos ? '@' : '`';  // busy : ready
    return std::string("\xFF/0") + status + "\x03\r\n";
  };
  EXPECT_EQ(rig.core.foc.FocWait(), STFoc::kStopped);
  EXPECT_NE(rig.core.comm.CommGetLog().find("inst>0;"), std::string::npos);
  ASSERT_GE(rig.port.written.size(), 3u);
  EXPECT_EQ(rig.port.written.back().back(), '\r');
  EXPECT_NE(rig.port.written.back().find('T'), std::string::npos);
  EXPECT_EQ(queries, 2);
  EXPECT_FALSE(rig.core.motor.Stop().MotorStopDue());
}

}  // namespace
