#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "controller/MotorShared.h"
#include "support/Fakes.h"

namespace {

// A controller of either family that accepts everything: EZHR17 commands get a ready
// frame, IM483I commands their echo.
std::string AcceptAll(const std::string& w) {
  if (!w.empty() && w.front() == '/') return "\xFF/0`\x03\r\n";
  return w;  // the echo already ends with the LF
}

class MotConDispatch : public ::testing::Test {
 protected:
  void Start(const std::string& type) {
    config.CONTRTYPE = type;
    config.WAITPOLLINGINTERVAL = 10;
    comm.SetTerminatorSetup([this] { mot.MotorCommInit(); });
    comm.CommInit();
    comm.CommOpenPort(1);
    comm.CommSetTimeout(100);
    mot.MotorSetAddress('1');
    mot.MotorSetMoveTimeout(5);
    port.responder = AcceptAll;
  }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  COMM comm{port, clock};
  Delay32 delay{clock};
  MotorShared shared;
  Config config;
  AllMotionCntrl ezhr17{comm, delay, pump, shared, config};
  IMSCNTRL im483i{comm, delay, pump, shared, config};
  MotCon mot{config, shared, comm, ezhr17, im483i};
};

}  // namespace

TEST_F(MotConDispatch, TypeIsMatchedExactly) {
  Start("ezhr17");
  EXPECT_EQ(mot.CurrentFamily(), MotCon::Family::None);
  double pos = 3;
  std::string reply = "stale";
  EXPECT_EQ(mot.MotorMoveVel(100), 0);
  EXPECT_EQ(mot.MotorMoveAbs(10), 0);
  EXPECT_EQ(mot.MotorMoveRel(10), 0);
  EXPECT_EQ(mot.MotorGetPos(pos), 0);
  EXPECT_EQ(mot.MotorWait(), 0);
  EXPECT_EQ(mot.MotorToLimit(1, 100), 0);
  EXPECT_EQ(mot.MotorSettle(500), 0);
  EXPECT_EQ(mot.MotorEnableLimits(1), 0);
  EXPECT_EQ(mot.MotorSetJogSpeeds(1, 2), 0);
  EXPECT_EQ(mot.MotorProbe(), 0);
  EXPECT_EQ(mot.MotorCmd("/1?0", reply), 0);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(pos, 3);
  EXPECT_TRUE(port.written.empty());
  EXPECT_EQ(clock.sleptMs, 0u);

  // The setters still store their values.
  mot.MotorSetAddress('3');
  EXPECT_EQ(mot.MotorSetMoveTimeout(17), 17);
  EXPECT_EQ(shared.MotorAddr, '3');
  EXPECT_EQ(shared.MotorMoveTimeout, 17);

  config.CONTRTYPE = "IM483I ";
  EXPECT_EQ(mot.CurrentFamily(), MotCon::Family::None);
  config.CONTRTYPE = "IM483I";
  EXPECT_EQ(mot.CurrentFamily(), MotCon::Family::IM483I);
}

TEST_F(MotConDispatch, SetPosDiffersByFamily) {
  Start("IM483I");
  EXPECT_EQ(mot.MotorSetPos(1000), 1);
  EXPECT_EQ(port.written, std::vector<std::string>{"1O\n"});

  port.written.clear();
  Start("EZHR17");
  EXPECT_EQ(mot.MotorSetPos(1000), 1);
  EXPECT_EQ(port.written, std::vector<std::string>{"/1z1000R\r"});
}

TEST_F(MotConDispatch, OperationsWithoutCounterpart) {
  Start("IM483I");
  EXPECT_EQ(mot.MotorEnableLimits(1), 1);
  EXPECT_EQ(mot.MotorSetLimitMode(1), 1);
  EXPECT_TRUE(port.written.empty());
  EXPECT_EQ(mot.MotorSettle(500), 1);
  EXPECT_EQ(port.written, std::vector<std::string>{"1E 50\n"});
  EXPECT_GE(clock.sleptMs, 500u);

  port.written.clear();
  clock.sleptMs = 0;
  Start("EZHR17");
  EXPECT_EQ(mot.MotorSetJogSpeeds(10, 100), 0);
  EXPECT_EQ(mot.MotorSettle(500), 1);
  EXPECT_TRUE(port.written.empty());
  EXPECT_EQ(clock.sleptMs, 0u);
  EXPECT_EQ(mot.MotorEnableLimits(1), 1);
  EXPECT_EQ(mot.MotorSetLimitMode(1), 1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"/1n2R\r", "/1n3R\r"}));
}

TEST_F(MotConDispatch, RoutesToTheConfiguredDriver) {
  Start("EZHR17");
  EXPECT_EQ(mot.MotorMoveRel(-2.5), 1);
  EXPECT_EQ(mot.MotorSetAccel(300, 400), 1);
  EXPECT_EQ(mot.MotorSetStepDivide(4), 1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"/1D3R\r", "/1L300R\r", "/1j16R\r"}));

  port.written.clear();
  Start("IM483I");
  EXPECT_EQ(mot.MotorMoveRel(-2.5), 1);
  EXPECT_EQ(mot.MotorSetAccel(300, 400), 1);
  EXPECT_EQ(mot.MotorSetStepDivide(4), 1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"1-3\n", "1K 300 400\n", "1H 0\n", "1D 4\n"}));
}

TEST_F(MotConDispatch, RawCommandUsesTheFamilyReader) {
  Start("EZHR17");
  std::string reply;
  port.responder = [](const std::string&) { return "\xFF/0`1234\x03\r\n"; };
  EXPECT_EQ(mot.MotorCmd("/1?0", reply), 1);
  EXPECT_EQ(port.written.back(), "/1?0\r");
  EXPECT_EQ(reply, "\xFF/0`1234\x03");
  // A bare LF does not end an EZHR17 reply.
  port.responder = [](const std::string&) { return "ok\n"; };
  EXPECT_EQ(mot.MotorCmd("/1Q", reply), -1);
  EXPECT_EQ(reply, "ok\n");

  Start("IM483I");
  port.responder = [](const std::string&) { return "1Z1234\n"; };
  EXPECT_EQ(mot.MotorCmd("1Z", reply), 1);
  EXPECT_EQ(port.written.back(), "1Z\n");
  EXPECT_EQ(reply, "1Z1234");
}

TEST_F(MotConDispatch, ProbeByFamily) {
  Start("IM483I");
  EXPECT_EQ(mot.MotorProbe(), 1);
  EXPECT_EQ(port.written, std::vector<std::string>{"AX\n"});

  port.written.clear();
  Start("EZHR17");
  EXPECT_EQ(mot.MotorProbe(), 1);
  EXPECT_EQ(port.written.size(), 15u);
  EXPECT_EQ(port.written.back(), "/F?Q\r");
}
