#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZRig.h"

using Lines = std::vector<std::string>;

TEST(STFoc, ConvertsUserUnitsAroundThePowerUpOrigin) {
  ZRig rig("EZHR17");
  rig.WriteParz({{"ZSTROKEPERROT", "2"}, {"ZSTEPDIVIDE", "4"}, {"ZPOWERUPORIGIN", "1000"}});
  rig.controller.position = "1160";
  ASSERT_EQ(rig.foc.FocInit(), 1);
  EXPECT_DOUBLE_EQ(rig.foc.FocUnitPerStep(), 0.625);
  double pos = 0;
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, 100);
  rig.Take();

  EXPECT_EQ(rig.foc.FocMoveAbs(100), 1);
  EXPECT_EQ(rig.foc.FocMoveRel(-100), 1);
  EXPECT_EQ(rig.foc.FocMoveRel(0.3), 1);  // below half a microstep: nothing to send
  EXPECT_EQ(rig.Take(), (Lines{"/1A1160R\r", "/1D160R\r"}));

  // Origin: the register becomes the power-up origin, so the position reads 0.
  EXPECT_EQ(rig.foc.FocSetOrigin(), 1);
  EXPECT_EQ(rig.Take(), (Lines{"/1z1000R\r"}));
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, 0);

  // Only a failed read fails, and it leaves the output alone.
  rig.controller.failing = {"?0"};
  pos = 42;
  EXPECT_EQ(rig.foc.FocGetPos(pos), -1);
  EXPECT_EQ(pos, 42);
}

TEST(STFoc, SetsUpAnEzhr17InOrder) {
  ZRig rig("EZHR17");
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  EXPECT_DOUBLE_EQ(rig.foc.FocUnitPerStep(), 0.625);
  EXPECT_EQ(rig.Take(), (Lines{"/1j8R\r", "/1h10m50R\r", "/1V2000R\r", "/1v200R\r", "/1L300R\r",
                               "/1P1R\r", "/1D1R\r", "/1f0R\r", "/1n2R\r", "/1n3R\r", "/1?0\r"}));
  // The nudge back follows the nudge forward after a pause.
  ASSERT_GE(rig.controller.times.size(), 7u);
  EXPECT_GE(rig.controller.times[6] - rig.controller.times[5], 100u);
  EXPECT_TRUE(rig.messages.shown.empty());

  // A fresh controller with a power-up origin: one step forward, register set, reads 0.
  rig.WriteParz({{"ZPOWERUPORIGIN", "500"}});
  rig.controller.position = "0";
  ASSERT_EQ(rig.foc.FocInit(), 1);
  const Lines withOrigin = rig.Take();
  ASSERT_EQ(withOrigin.size(), 12u);
  EXPECT_EQ(Lines(withOrigin.begin() + 5, withOrigin.begin() + 9),
            (Lines{"/1?0\r", "/1P1R\r", "/1z500R\r", "/1f0R\r"}));
  double pos = -1;
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, 0);

  // A controller that already counts keeps its count.
  rig.Take();
  rig.controller.position = "731";
  ASSERT_EQ(rig.foc.FocInit(), 1);
  const Lines kept = rig.Take();
  ASSERT_EQ(kept.size(), 10u) << ::testing::PrintToString(kept);
  EXPECT_EQ(Lines(kept.begin() + 5, kept.begin() + 7), (Lines{"/1?0\r", "/1f0R\r"}));
  EXPECT_EQ(rig.ezhr17.EZHR17Mode(), 3);  // limits on, limit mode 1
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, 231 * 0.625);
}

TEST(STFoc, SetsUpAnIm483iInOrder) {
  ZRig rig("IM483I");
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  EXPECT_EQ(rig.Take(),
            (Lines{"1H 0\n", "1D 3\n", "1Y 10 50\n", "1V 2000\n", "1I 200\n", "1K 300 400\n",
                   "1B 100 1000\n", "1+1\n", "1-1\n", "1l 0\n", "1Z\n"}));

  rig.WriteParz({{"ZPOWERUPORIGIN", "500"}});
  rig.controller.position = "0";
  ASSERT_EQ(rig.foc.FocInit(), 1);
  const Lines withOrigin = rig.Take();
  ASSERT_EQ(withOrigin.size(), 12u);
  EXPECT_EQ(Lines(withOrigin.begin() + 7, withOrigin.end()),
            (Lines{"1Z\n", "1+1\n", "1O\n", "1l 0\n", "1Z\n"}));
  // The IM483I zeroes its register, so the origin reads below 0.
  double pos = 0;
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, -500 * 0.625);
}

TEST(STFoc, FailedSetUpStepEndsTheSetUp) {
  ZRig rig("EZHR17");
  rig.WriteParz();
  rig.controller.failing = {"V2000R"};
  EXPECT_EQ(rig.foc.FocInit(), -1);
  EXPECT_EQ(rig.Take(), (Lines{"/1j8R\r", "/1h10m50R\r", "/1V2000R\r"}));
}

TEST(STFoc, ControllerAddressIsTheFirstCharacterOfZcontr) {
  ZRig rig("EZHR17");
  rig.WriteParz({{"ZCONTR", "   1 "}});
  ASSERT_EQ(rig.foc.FocReadPar(), 1);
  EXPECT_EQ(rig.foc.Params().ZCONTR, 49);
  rig.WriteParz({{"ZCONTR", "A1"}});
  ASSERT_EQ(rig.foc.FocReadPar(), 1);
  EXPECT_EQ(rig.foc.Params().ZCONTR, 'A');

  // Every operation addresses the axis's controller, whatever was addressed before.
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  rig.Take();
  rig.motor.MotorSetAddress('7');
  EXPECT_EQ(rig.foc.FocStop(), 1);
  EXPECT_EQ(rig.Take(), (Lines{"/1T\r"}));
}

TEST(STFoc, JoystickSpeedOnAnEzhr17) {
  ZRig rig("EZHR17");
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  rig.Take();

  EXPECT_EQ(rig.foc.FocJoyMove(500, 1000), 1);
  EXPECT_EQ(rig.foc.FocJoyMove(500, 1000), 1);  // unchanged speeds are sent again
  EXPECT_EQ(rig.foc.FocJoyMove(5, 1000), 1);
  EXPECT_EQ(rig.foc.FocJoyMove(-500, 1000), 1);
  EXPECT_EQ(rig.foc.FocJoyMove(3, 4000), 1);  // 1.5 rounds to 2
  EXPECT_EQ(rig.Take(),
            (Lines{"/1V1000P0R\r", "/1V1000P0R\r", "/1V10P0R\r", "/1V1000D0R\r", "/1V2P0R\r"}));
  EXPECT_EQ(rig.foc.FocLastJoySpeed(), 2);

  // Back at rest: stop and restore the maximum speed once, then stay quiet.
  EXPECT_EQ(rig.foc.FocJoyMove(0, 1000), 1);
  EXPECT_EQ(rig.foc.FocJoyMove(0, 1000), 1);
  EXPECT_EQ(rig.foc.FocJoyMove(1, 4000), 1);  // 0.5 rounds to 0
  EXPECT_EQ(rig.Take(), (Lines{"/1T\r", "/1V2000R\r"}));

  // The last speed survives a new initialisation.
  rig.foc.FocJoyMove(500, 1000);
  ASSERT_EQ(rig.foc.FocInit(), 1);
  EXPECT_EQ(rig.foc.FocLastJoySpeed(), 1000);

  // A reading without a full scale is taken as a stick at rest.
  rig.Take();
  EXPECT_EQ(rig.foc.FocJoyMove(500, 0), 1);
  EXPECT_EQ(rig.Take(), (Lines{"/1T\r", "/1V2000R\r"}));
}

TEST(STFoc, JoystickSpeedOnAnIm483i) {
  ZRig rig("IM483I");
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  rig.Take();
  for (int16_t deflection : {500, 5, -5, 15000, -15000, 0, 0}) rig.foc.FocJoyMove(deflection, 1000);
  EXPECT_EQ(rig.Take(),
            (Lines{"1M1000\n", "1M20\n", "1M-20\n", "1M20000\n", "1M-20000\n", "1M0\n", "1M0\n"}));
}

TEST(STFoc, UnknownControllerTypeSendsNothing) {
  ZRig rig("ezhr17");  // not a known family
  rig.WriteParz({{"ZPOWERUPORIGIN", "8"}});
  EXPECT_EQ(rig.foc.FocInit(), 1);  // a position read that answers 0 is no failure
  double pos = 1;
  EXPECT_EQ(rig.foc.FocGetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, -5);
  EXPECT_EQ(rig.foc.FocJoyMove(500, 1000), 0);
  EXPECT_EQ(rig.foc.FocMoveRel(10), 0);
  EXPECT_TRUE(rig.port.written.empty());
}

TEST(STFoc, OptionalKeysMissingGiveZeroWithoutAMessage) {
  ZRig rig("EZHR17");
  rig.WriteParz({{"ZPOWERUPORIGIN", "500"}, {"ZLIMPOLARITY", "1"}});
  ASSERT_EQ(rig.foc.FocReadPar(), 1);
  EXPECT_EQ(rig.foc.Params().ZPOWERUPORIGIN, 500);

  rig.WriteParz(
      {}, {"ZJOGSPEEDLOW", "ZJOGSPEEDHIGH", "ZPOWERUPORIGIN", "ZLIMPOLARITY", "ZENABLELIMITS"});
  EXPECT_EQ(rig.foc.FocReadPar(), 1);
  EXPECT_TRUE(rig.messages.shown.empty());
  const ZParams& p = rig.foc.Params();
  EXPECT_EQ(p.ZJOGSPEEDLOW, 0);
  EXPECT_EQ(p.ZJOGSPEEDHIGH, 0);
  EXPECT_EQ(p.ZPOWERUPORIGIN, 0);
  EXPECT_EQ(p.ZLIMPOLARITY, 0);
  EXPECT_EQ(p.ZENABLELIMITS, 0);

  // Integer keys round half to even; doubles stay as read.
  rig.WriteParz({{"ZSTEPDIVIDE", "2.5"}, {"ZHOLDCURRENT", "3.5"}, {"ZJUMPSIZE", "2.5"}});
  ASSERT_EQ(rig.foc.FocReadPar(), 1);
  EXPECT_EQ(p.ZSTEPDIVIDE, 2);
  EXPECT_EQ(p.ZHOLDCURRENT, 4);
  EXPECT_DOUBLE_EQ(p.ZJUMPSIZE, 2.5);
}

TEST(STFoc, MissingRequiredKeyOrFileFailsBeforeAnythingIsSent) {
  ZRig rig("EZHR17");
  EXPECT_EQ(rig.foc.FocInit(), -1);
  EXPECT_EQ(rig.messages.shown, (Lines{"File " + rig.ParzPath() + " does not exist"}));

  rig.messages.shown.clear();
  rig.WriteParz({{"ZJUMPSIZE", "25"}}, {"ZBACKLASH"});
  EXPECT_EQ(rig.foc.FocInit(), -1);
  EXPECT_EQ(rig.messages.shown, (Lines{"Parameter ZBACKLASH not found in " + rig.ParzPath()}));
  EXPECT_DOUBLE_EQ(rig.foc.Params().ZJUMPSIZE, 25);  // the keys after it are still read
  EXPECT_TRUE(rig.port.written.empty());
}

TEST(STFoc, UnusableValuesFailWithAMessageAndSendNothing) {
  ZRig rig("EZHR17");
  rig.WriteParz();
  ASSERT_EQ(rig.foc.FocInit(), 1);
  rig.Take();
  const std::string in = " in " + rig.ParzPath() + " ";
  const std::vector<std::pair<ParzChanges, std::string>> cases = {
      {{{"ZMOTORSTEPS", "0"}}, "Parameter ZMOTORSTEPS" + in + "must not be 0"},
      {{{"ZSTROKEPERROT", "0"}}, "Parameter ZSTROKEPERROT" + in + "must not be 0"},
      {{{"ZSLEWVELOCITY", "fast"}}, "Parameter ZSLEWVELOCITY" + in + "is not a number"},
      {{{"ZLIMPOLARITY", "x"}}, "Parameter ZLIMPOLARITY" + in + "is not a number"},
      {{{"ZMOTORSTEPS", "40000"}}, "Parameter ZMOTORSTEPS" + in + "is out of range"},
      {{{"ZCONTR", ""}}, "Parameter ZCONTR" + in + "is empty"},
  };
  for (const auto& [change, message] : cases) {
    rig.messages.shown.clear();
    rig.messages.icons.clear();
    rig.WriteParz(change);
    EXPECT_EQ(rig.foc.FocInit(), -1) << message;
    EXPECT_EQ(rig.messages.shown, (Lines{message}));
    EXPECT_EQ(rig.messages.icons, (std::vector<MsgIcon>{MsgIcon::Critical}));
    EXPECT_TRUE(rig.Take().empty()) << message;
    EXPECT_EQ(rig.foc.Params().ZMOTORSTEPS, 200);  // a refused value keeps the old one
  }
}

TEST(STFoc, MovesBeforeAnyInitialisationSendNothing) {
  ZRig rig("EZHR17");
  EXPECT_EQ(rig.foc.FocMoveAbs(10), -1);
  EXPECT_EQ(rig.foc.FocMoveRel(10), -1);
  EXPECT_TRUE(rig.port.written.empty());
}

TEST(STFoc, HomingRunsAllThreeStepsAndReportsAnyFailure) {
  ZRig rig("EZHR17");
  rig.WriteParz({{"ZPOWERUPORIGIN", "100"}});
  rig.controller.position = "100";
  ASSERT_EQ(rig.foc.FocInit(), 1);
  rig.Take();
  rig.controller.answers = {{"?2", "2000"}, {"?4", "4"}};  // limit input 1 active

  EXPECT_EQ(rig.foc.FocHome(), 1);
  EXPECT_EQ(rig.Take(), (Lines{"/1?2\r", "/1?4\r", "/1T\r", "/1V2000R\r", "/1z100R\r"}));

  // The run fails: the motor is stopped and the origin stays where it was.
  rig.controller.failing = {"?2"};
  EXPECT_EQ(rig.foc.FocHome(), -1);
  EXPECT_EQ(rig.Take(), (Lines{"/1?2\r", "/1T\r", "/1T\r"}));

  // The run succeeds but the origin cannot be set.
  rig.controller.failing = {"z100R"};
  EXPECT_EQ(rig.foc.FocHome(), -1);
}

namespace {

struct FailedHoming {
  const char* family;
  std::map<std::string, std::string> answers;
  std::set<std::string> failing;
  const char* why;
};

}  // namespace

// However the run misses the limit input, the axis is stopped and its position register
// is left alone, so absolute positions keep their meaning.
TEST(STFoc, HomingThatMissesTheLimitLeavesTheOriginAlone) {
  const std::vector<FailedHoming> cases = {
      {"EZHR17", {{"?2", "2000"}, {"?4", "0"}}, {}, "no input within the move time-out"},
      {"EZHR17", {{"?2", "2000"}}, {"?4"}, "inputs unreadable"},
      {"EZHR17", {{"?2", "2000"}, {"?4", "0"}}, {"V1000D0R"}, "run refused"},
      {"EZHR17", {}, {"?2"}, "speed unreadable"},
      {"IM483I", {{"] 0", "0"}}, {}, "no input within the move time-out"},
      {"IM483I", {{"] 0", "0"}}, {"M-1000"}, "run refused"},
      {"IM483I", {}, {"] 0"}, "inputs unreadable"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.family) + ": " + c.why);
    ZRig rig(c.family);
    rig.WriteParz({{"ZPOWERUPORIGIN", "100"}});
    rig.controller.position = "740";
    ASSERT_EQ(rig.foc.FocInit(), 1);
    rig.Take();
    rig.controller.answers = c.answers;
    rig.controller.failing = c.failing;
    rig.clock.autoAdvanceMs = 1;  // lets the move time-out come

    EXPECT_EQ(rig.foc.FocHome(), -1);
    const auto sent = rig.Take();
    ASSERT_FALSE(sent.empty());
    const std::string stop = std::string(c.family) == "EZHR17" ? "/1T\r" : "1M0\n";
    EXPECT_EQ(sent.back(), stop) << "the motor stands";
    for (const auto& line : sent) {
      EXPECT_NE(line.substr(0, 3), "/1z") << "no register set";
      EXPECT_NE(line, "1O\n") << "no origin set";
    }
    EXPECT_EQ(rig.controller.position, "740");
    double z = 0;
    rig.controller.failing.clear();
    ASSERT_EQ(rig.foc.FocGetPos(z), 1);
    EXPECT_DOUBLE_EQ(z, 640 * 0.625);
  }
}
