// Homing in real time against the simulated controller's limit input, on both families.
#include <gtest/gtest.h>

#include "parfiles/TRAPAR.h"
#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "support/SimCore.h"
#include "support/SimParz.h"

namespace {

class Homing : public ::testing::TestWithParam<const char*>,
               protected ScratchDir,
               protected SimCore<SystemClock> {
 protected:
  Homing() : ScratchDir("kelvorin-homing") {}
  void SetUp() override {
    Put("ST_PARZ.TXT", SimParz(true));
    core.state.config.CONTRTYPE = GetParam();
    core.comm.CommInit();
    core.comm.CommSetPortName(std::string("sim:") + GetParam() + ":lower=-400:nowire");
    ASSERT_TRUE(core.comm.CommOpenPort(1));
    core.comm.CommSetTimeout(100);
    core.motor.MotorSetMoveTimeout(10);
    core.par.ParSetDir(Path());
    ASSERT_EQ(core.foc.FocInit(), 1);
    // The set-up's one-step nudge back is not waited for, and an EZHR17 refuses a move
    // while it runs (without wire time the next command comes at once).
    ASSERT_EQ(core.foc.FocWait(), 1);
  }
};

TEST_P(Homing, RunsToTheLimitInputAndSetsTheOriginThere) {
  double z = -1;
  ASSERT_EQ(core.foc.FocMoveAbs(100), 1);  // 160 steps up
  ASSERT_EQ(core.foc.FocWait(), 1);
  ASSERT_EQ(core.foc.FocGetPos(z), 1);
  EXPECT_DOUBLE_EQ(z, 100);

  EXPECT_EQ(core.foc.FocHome(), 1) << core.comm.CommGetLog();
  ASSERT_EQ(core.foc.FocGetPos(z), 1);
  EXPECT_DOUBLE_EQ(z, 0);
  // The axis stands at the switch (the IM483I backs off it by a few steps).
  const int64_t physical = port.Sim()->axis().Physical(port.NowUs());
  EXPECT_LE(physical, -390);
  EXPECT_GE(physical, -400);
  EXPECT_EQ(core.comm.CommGetLog().find("TimeOut"), std::string::npos) << core.comm.CommGetLog();

  // The new origin holds for the next move.
  ASSERT_EQ(core.foc.FocMoveRel(5), 1);
  ASSERT_EQ(core.foc.FocWait(), 1);
  ASSERT_EQ(core.foc.FocGetPos(z), 1);
  EXPECT_DOUBLE_EQ(z, 5);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Homing, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

// The same core in simulated time (the fake clock moves only while the link or a pause
// waits), so that runs of many seconds take none.
class SimulatedTimeHoming : public ::testing::TestWithParam<const char*>, protected SimCore<> {
 protected:
  void Open(const std::string& portItems, int16_t moveTimeout) {
    core.state.config.CONTRTYPE = GetParam();
    core.state.config.WAITPOLLINGINTERVAL = 50;
    core.comm.CommInit();
    core.comm.CommSetPortName(std::string("sim:") + GetParam() + portItems);
    ASSERT_TRUE(core.comm.CommOpenPort(1));
    core.comm.CommSetTimeout(100);
    core.motor.MotorSetMoveTimeout(moveTimeout);
  }
  ksim::SimAxis& Axis() { return port.Sim()->axis(); }
  // Puts the axis at a physical position at once.
  void PlaceAt(int64_t physical) {
    Axis().MoveBy(port.NowUs(), physical - Axis().Physical(port.NowUs()), 1e9);
    clock.SleepMs(1);
    ASSERT_EQ(Axis().Physical(port.NowUs()), physical);
  }
};

// A run that never meets a limit input ends at the move time-out: the motor stands, the
// position register keeps its origin, and "Z Home" answers "Error ".
TEST_P(SimulatedTimeHoming, RunWithoutALimitLeavesTheOriginAlone) {
  ScratchDir settings("kelvorin-homing");
  settings.Put("ST_PARZ.TXT", SimParz(true));
  Open("", 2);  // no limit switch at all
  core.par.ParSetDir(settings.Path());
  ASSERT_EQ(core.foc.FocInit(), 1);
  core.state.ZEnabled = 1;
  ASSERT_EQ(core.cmds.ExecCmdString("Z 100;Z Wait;Z ?"), "OK  ; OK  ; 100.00 ; ");
  const int64_t offset = Axis().Register(port.NowUs()) - Axis().Physical(port.NowUs());

  EXPECT_EQ(core.cmds.ExecCmdString("Z Home"), "Error  ; ");
  EXPECT_FALSE(Axis().IsMoving(port.NowUs()));
  EXPECT_LT(Axis().Physical(port.NowUs()), -1000) << "the run did go on for a while";
  EXPECT_EQ(Axis().Register(port.NowUs()) - Axis().Physical(port.NowUs()), offset);
  const double expected = static_cast<double>(Axis().Register(port.NowUs())) * 0.625;
  double z = 0;
  ASSERT_EQ(core.foc.FocGetPos(z), 1);
  EXPECT_DOUBLE_EQ(z, expected);
}

// The shipped settings home from the far end of the shipped simulator's travel in well
// under their move time-out.
TEST_P(SimulatedTimeHoming, ShippedSettingsHomeFromTheFarEndWellWithinTheMoveTimeOut) {
  const std::string shipped = KELVORIN_SOURCE_DIR "/settings/";
  ParTable config;
  ASSERT_EQ(core.par.ParReadFile(shipped + "ST_CONFIG.TXT", config), 1);
  ParValue name, timeout;
  ASSERT_EQ(TRAPAR::ParTableTransfer(config, "MPORTNAME", name, "from"), 1);
  ASSERT_EQ(TRAPAR::ParTableTransfer(config, "MOVETIMEOUT", timeout, "from"), 1);
  const std::string portName = TRAPAR::ValueText(name);
  const std::string prefix = "sim:EZHR17";
  ASSERT_EQ(portName.rfind(prefix, 0), 0u) << portName;
  double moveTimeout = 0;
  ASSERT_TRUE(TRAPAR::ValueNumber(timeout, moveTimeout));
  Open(portName.substr(prefix.size()), static_cast<int16_t>(moveTimeout));
  ksim::Options options;
  std::string error;
  ASSERT_TRUE(SimSerialPort::ParseName(portName, options, error)) << error;
  ASSERT_TRUE(options.lowerLimit && options.upperLimit);

  core.par.ParSetDir(shipped);
  ASSERT_EQ(core.foc.FocInit(), 1);
  PlaceAt(*options.upperLimit - 100);  // just off the far switch
  const double start = clock.TimeOfDaySeconds();
  EXPECT_EQ(core.foc.FocHome(), 1) << core.comm.CommGetLog();
  EXPECT_LT(clock.TimeOfDaySeconds() - start, moveTimeout / 2);
  const int64_t physical = Axis().Physical(port.NowUs());
  EXPECT_GE(physical, *options.lowerLimit);
  EXPECT_LE(physical, *options.lowerLimit + 500);  // the IM483I backs off the switch
  double z = -1;
  ASSERT_EQ(core.foc.FocGetPos(z), 1);
  EXPECT_DOUBLE_EQ(z, 0);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, SimulatedTimeHoming, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
