#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZRig.h"
#include "controller/Delay32.h"
#include "server/CmdZ.h"
#include "server/STCommands.h"

using Lines = std::vector<std::string>;

namespace {

// The Z family behind the dispatcher, on an initialised EZHR17 axis (0.625 units per step).
class CmdZFixture : public ::testing::Test {
 protected:
  CmdZFixture() {
    rig.WriteParz();
    EXPECT_EQ(rig.foc.FocInit(), 1);
    rig.state.ZEnabled = 1;
    rig.state.SymConst = {{"UP", std::string("5")}, {"NAN", std::string("abc")}};
    cmds.RegisterFamily("Z", &cmdZ);
    rig.Take();
  }
  std::string Exec(const std::string& line) { return cmds.ExecCmdString(line); }

  ZRig rig{"EZHR17"};
  FakeWindows windows;
  STCommands cmds{rig.state, windows, rig.comm.Delay(), rig.comm, rig.motor, rig.pump};
  CmdZ cmdZ{cmds, rig.state, rig.foc};
};

}  // namespace

TEST_F(CmdZFixture, DisabledAxisAnswersOffWithoutTraffic) {
  rig.state.ZEnabled = 0;
  EXPECT_EQ(Exec("Z ?"), "Off  ; ");
  EXPECT_EQ(Exec("Z"), "Off  ; ");
  EXPECT_EQ(Exec("Z Rel 5"), "Off  ; ");
  EXPECT_TRUE(rig.port.written.empty());
  EXPECT_EQ(cmds.LastAxis(), "Z");
  EXPECT_EQ(cmds.CmdBusy(), 0);
}

TEST_F(CmdZFixture, MissingOrUnusableWordsAnswerErrors) {
  EXPECT_EQ(Exec("Z"), "Error Missing Argument  ; ");
  EXPECT_EQ(Exec("Z Rel"), "Error No Value  ; ");
  EXPECT_EQ(Exec("Z Move"), "Error No Value  ; ");
  EXPECT_EQ(Exec("Z Rel x"), "Error  ; ");
  EXPECT_EQ(Exec("Z rel 5"), "Error  ; ");  // case matters
  EXPECT_EQ(Exec("Z x"), "Error  ; ");
  // Constants whose value is no number, and speeds beyond 16 bits.
  EXPECT_EQ(Exec("Z NAN"), "Error  ; ");
  EXPECT_EQ(Exec("Z Rel NAN"), "Error  ; ");
  EXPECT_EQ(Exec("Z Move 32768"), "Error  ; ");
  EXPECT_EQ(Exec("Z Move -32769"), "Error  ; ");
  EXPECT_TRUE(rig.port.written.empty());
  // The program goes on serving commands.
  EXPECT_EQ(Exec("Z Move -32768"), "OK  ; ");
  EXPECT_EQ(rig.Take(), (Lines{"/1V32768D0R\r"}));
}

TEST_F(CmdZFixture, MovesTakeNumbersAndConstants) {
  EXPECT_EQ(Exec("Z Rel UP"), "OK  ; ");
  EXPECT_EQ(Exec("Z UP"), "OK  ; ");
  EXPECT_EQ(Exec("Z 12.5"), "OK  ; ");  // answers at once: no status polls
  EXPECT_EQ(Exec("Z Move 2.5"), "OK  ; ");
  EXPECT_EQ(Exec("Z Move 3.5"), "OK  ; ");
  EXPECT_EQ(Exec("Z Stop extra"), "OK  ; ");
  EXPECT_EQ(rig.Take(),
            (Lines{"/1P8R\r", "/1A8R\r", "/1A20R\r", "/1V2P0R\r", "/1V4P0R\r", "/1T\r"}));

  rig.controller.failing = {"P8R"};
  EXPECT_EQ(Exec("Z Rel 5"), "Error  ; ");
}

TEST_F(CmdZFixture, PositionQueriesUseTwoDecimals) {
  rig.controller.position = "5.026544";  // 3.14159 units
  EXPECT_EQ(Exec("Z ?"), "3.14 ; ");
  EXPECT_DOUBLE_EQ(rig.state.ZPos, 5.026544 * 0.625);
  EXPECT_EQ(Exec("Z ??"), "Z 3.14 ; ");
  rig.controller.position = "3.2";
  EXPECT_EQ(Exec("Z ?"), "2.00 ; ");
  rig.controller.position = "-0.8";
  EXPECT_EQ(Exec("Z ??"), "Z -0.50 ; ");

  const double before = rig.state.ZPos;
  rig.controller.failing = {"?0"};
  EXPECT_EQ(Exec("Z ?"), "Error  ; ");
  EXPECT_EQ(rig.state.ZPos, before);
}

TEST_F(CmdZFixture, MainWindowShowsTheCommandAsSentAndItsReply) {
  EXPECT_EQ(Exec("Z Rel 5"), "OK  ; ");
  EXPECT_TRUE(windows.commandText.empty());  // not loaded: nothing written

  windows.mainLoaded = true;
  EXPECT_EQ(Exec("  Z Rel 5  "), "OK  ; ");
  EXPECT_EQ(windows.commandText, "Z Rel 5");
  EXPECT_EQ(windows.status.text, "OK ");
  Exec("Z bad");
  EXPECT_EQ(windows.commandText, "Z bad");
  EXPECT_EQ(windows.status.text, "Error ");
}

TEST_F(CmdZFixture, WaitFollowsTheZAxis) {
  EXPECT_EQ(Exec("Wait"), "1 ; ");                             // no axis moved yet
  EXPECT_EQ(Exec("Z Rel 5;Wait;Z ?"), "OK  ; OK  ; 5.00 ; ");  // from position 0
  EXPECT_EQ(rig.Take(), (Lines{"/1P8R\r", "/1Q\r", "/1?0\r"}));
  EXPECT_EQ(cmds.LastAxis(), "Z");
}

TEST_F(CmdZFixture, OriginAndHomeAnswerTheirStatus) {
  rig.controller.answers = {{"?2", "2000"}, {"?4", "8"}};
  EXPECT_EQ(Exec("Z Origin;Z Home"), "OK  ; OK  ; ");
  rig.controller.failing = {"z0R"};
  EXPECT_EQ(Exec("Z Origin;Z Home"), "Error  ; Error  ; ");
}
