// Homing in real time against the simulated controller's limit input, on both families.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "server/CoreModules.h"
#include "support/Fakes.h"

namespace {

class Homing : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kelvorin-homing-XXXXXX";
    dir = mkdtemp(pattern);
    std::ofstream(dir + "/ST_PARZ.TXT", std::ios::binary)
        << "\"ZCONTR\",1\r\n\"ZSTROKEPERROT\",1\r\n\"ZMOTORSTEPS\",200\r\n"
           "\"ZSTEPDIVIDE\",3\r\n\"ZHOLDCURRENT\",10\r\n\"ZRUNCURRENT\",50\r\n"
           "\"ZSLEWVELOCITY\",2000\r\n\"ZINITVELOCITY\",200\r\n\"ZACCELERATION\",200\r\n"
           "\"ZDECELERATION\",200\r\n\"ZBACKLASH\",0\r\n\"ZJUMPSIZE\",10\r\n"
           "\"ZCOARSEFACTOR\",10\r\n\"ZJOYMAXSPEED\",2000\r\n\"ZHOMESPEED\",-1000\r\n"
           "\"ZPOWERUPORIGIN\",0\r\n\"ZENABLELIMITS\",1\r\n";
    core.state.config.CONTRTYPE = GetParam();
    core.comm.CommInit();
    core.comm.CommSetPortName(std::string("sim:") + GetParam() + ":lower=-400:nowire");
    ASSERT_TRUE(core.comm.CommOpenPort(1));
    core.comm.CommSetTimeout(100);
    core.motor.MotorSetMoveTimeout(10);
    core.par.ParSetDir(dir + "/");
    ASSERT_EQ(core.foc.FocInit(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  SystemClock clock;
  SimSerialPort port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  CoreModules core{port, clock, pump, messages, windows};
  std::string dir;
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

}  // namespace
