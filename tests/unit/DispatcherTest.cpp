#include <gtest/gtest.h>

#include "support/CoreRig.h"

namespace {

TEST(Dispatcher, SplitsAtSemicolonsAndJoinsReplies) {
  CoreRig rig;
  EXPECT_EQ(rig.Exec(""), "");
  EXPECT_EQ(rig.Exec("   "), "");
  EXPECT_EQ(rig.Exec(";Ver"), "");
  EXPECT_EQ(rig.Exec("Ver"), "1.0 ; ");
  EXPECT_EQ(rig.Exec("Ver;Ver"), "1.0 ; 1.0 ; ");
  EXPECT_EQ(rig.Exec("Ver; Ver"), "1.0 ; 1.0 ; ");
  EXPECT_EQ(rig.Exec("Ver;;Ver"), "1.0 ; ");
  EXPECT_EQ(rig.Exec("Show"), "OK  ; ");
  EXPECT_EQ(rig.Exec("Ver extra words"), "1.0 ; ");
}

TEST(Dispatcher, BlankCommandRunsAndCounts) {
  CoreRig rig;
  const int before = rig.core.cmds.CmdCounter();
  EXPECT_EQ(rig.Exec("Ver;  ;Ver"), "1.0 ;  ; 1.0 ; ");
  EXPECT_EQ(rig.core.cmds.CmdCounter() - before, 3);
  EXPECT_EQ(rig.Exec("CommandCount"), " " + std::to_string(before + 4) + " ; ");
}

TEST(Dispatcher, WordsAreExactAndLineEndsAreNoSeparators) {
  CoreRig rig;
  rig.windows.mainLoaded = true;
  EXPECT_EQ(rig.Exec("ver"), "Error Unknown command ; ");
  EXPECT_EQ(rig.windows.status.text, "Error Unknown command");
  EXPECT_EQ(rig.Exec("Ver\r\nVer"), "Error Unknown command ; ");
  EXPECT_EQ(rig.Exec("Ver\r\n"), "Error Unknown command ; ");
  EXPECT_EQ(rig.Exec("Ver\tx"), "Error Unknown command ; ");
  EXPECT_EQ(rig.Exec(std::string("V\0r", 3)), "Error Unknown command ; ");
}

TEST(Dispatcher, WaitWithoutAxisAnswersOne) {
  CoreRig rig;
  EXPECT_EQ(rig.Exec("Wait"), "1 ; ");
  rig.core.cmds.SetLastAxis("XY");
  EXPECT_EQ(rig.Exec("Wait"), "Error Unknown command ; ");
}

TEST(Dispatcher, DelaySleepsWithoutSpinningAndChecksItsValue) {
  CoreRig rig;
  rig.core.state.SymConst = {{"PAUSE", std::string("20")}, {"BAD", std::string("abc")}};
  const uint32_t t0 = rig.clock.now;
  EXPECT_EQ(rig.Exec("Delay 500"), "500 ; ");
  EXPECT_GT(rig.clock.now - t0, 500u);
  EXPECT_EQ(rig.Exec("Delay PAUSE"), "20 ; ");
  EXPECT_EQ(rig.Exec("Delay x"), "Error Not a Number ; ");
  EXPECT_EQ(rig.Exec("Delay BAD"), "Error Not a Number ; ");
  EXPECT_EQ(rig.Exec("Delay 1e12"), "Error Not a Number ; ");
  EXPECT_EQ(rig.Exec("Delay"), "Error Missing Argument  ; ");
  const uint32_t t1 = rig.clock.now;
  EXPECT_EQ(rig.Exec("Delay -5"), "-5 ; ");
  EXPECT_EQ(rig.clock.now, t1);
  rig.windows.mainLoaded = true;
  rig.Exec("Delay 2.5");
  EXPECT_EQ(rig.windows.commandText, "Delay 2.5");
  EXPECT_EQ(rig.windows.status.text, "2.5");
}

TEST(Dispatcher, DelayLongerThanTenMinutesIsRefusedWithoutWaiting) {
  CoreRig rig;
  rig.core.state.SymConst = {{"FOREVER", std::string("2147483647")}};
  const uint32_t t0 = rig.clock.now;
  for (const char* refused : {"Delay 600001", "Delay 2147483647", "Delay FOREVER"})
    EXPECT_EQ(rig.Exec(refused), "Error Out of range  ; ") << refused;
  EXPECT_EQ(rig.clock.now, t0);
  EXPECT_EQ(rig.Exec("Delay 600000"), "600000 ; ");
  EXPECT_GT(rig.clock.now - t0, 600000u);
}

TEST(Dispatcher, FlowWordsAndInterpreterMessages) {
  CoreRig rig;
  EXPECT_EQ(rig.Exec("End;Stop;Call anything"), "OK  ; OK  ; OK  ; ");
  EXPECT_EQ(rig.Exec("Repeat 3 Times"), "Error  ; ");
  EXPECT_EQ(rig.Exec("Endrepeat"), "Error  ; ");
  EXPECT_EQ(rig.Exec("! hello world"), " ; ");
  rig.windows.interpLoaded = true;
  rig.Exec("! hello world");
  EXPECT_EQ(rig.windows.interpMsg, "hello world");
}

TEST(Dispatcher, WindowCommands) {
  CoreRig rig;
  EXPECT_EQ(rig.Exec("Hide"), "OK  ; ");
  EXPECT_FALSE(rig.windows.mainLoaded);  // commands never create the window by writing
  EXPECT_EQ(rig.Exec("Show"), "OK  ; ");
  EXPECT_TRUE(rig.windows.mainVisible);
  EXPECT_EQ(rig.Exec("Hide"), "OK  ; ");
  EXPECT_TRUE(rig.windows.mainLoaded);
  EXPECT_FALSE(rig.windows.mainVisible);
  EXPECT_EQ(rig.Exec("Unload"), "OK  ; ");
  EXPECT_FALSE(rig.windows.mainLoaded);
}

TEST(Dispatcher, RawControllerCommand) {
  CoreRig rig;
  rig.core.state.config.CONTRTYPE = "EZHR17";
  rig.core.comm.CommInit();
  PortError err;
  rig.port.Open("test", err);
  rig.port.responder = [](const std::string& w) {
    return w == "/1?0\r" ? std::string("\xFF/0`1234\x03\r\n") : std::string();
  };
  EXPECT_EQ(rig.Exec("CON /1?0"), "\xFF/0`1234\x03 ; ");
  EXPECT_EQ(rig.port.written.back(), "/1?0\r");
  rig.core.comm.CommSetTimeout(50);
  EXPECT_EQ(rig.Exec("CON /2?0"), "Error  ; ");
  EXPECT_NE(rig.core.comm.CommGetLog().find("CON /2?0\\\r\n"), std::string::npos);
}

TEST(Dispatcher, RawCommandWithoutControllerFamilyAnswersEmpty) {
  CoreRig rig;
  rig.core.state.config.CONTRTYPE = "ezhr17";
  EXPECT_EQ(rig.Exec("CON /1?0"), " ; ");
  EXPECT_TRUE(rig.port.written.empty());
}

// Coordinates at the edge of the doubles go through a position-list file and come back.
TEST(Dispatcher, ExtremeCoordinatesSurviveAListFile) {
  CoreRig rig;
  const std::string file = rig.dir + "/far.lst";
  EXPECT_EQ(rig.Exec("Obj Add 1.7e308 -1.7e308 -1e300 far"), "# 1 ; ");
  EXPECT_EQ(rig.Exec("Obj ListWrite " + file + ";Obj ListClear;Obj ListRead " + file),
            " 1 ; Object List Cleared ;  1 ; ");
  EXPECT_EQ(rig.Exec("Obj Get 1"), " 1.7E+308 -1.7E+308 -1E+300 far ; ");
}

}  // namespace
