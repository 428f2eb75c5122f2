// What the main window shows of the lift without the window: the state next to the
// position, the position while a wait runs, the unit, the link coming back somewhere
// else, and the link's messages as the operator reads them.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "ZRig.h"
#include "controller/EZHR17Protocol.h"
#include "panels/LiftState.h"
#include "panels/PosPoll.h"

namespace {

struct StateRow {
  const char* name;
  LiftFacts facts;
  LiftState state;
};

LiftFacts Facts(bool z, bool down, bool homing, bool program, bool moving, bool joy) {
  return {z, down, homing, program, moving, joy};
}

class LiftStates : public testing::TestWithParam<StateRow> {};

TEST_P(LiftStates, TheOneThatMattersMostWins) {
  EXPECT_EQ(DeriveLiftState(GetParam().facts), GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LiftStates,
    testing::Values(
        StateRow{"Idle", Facts(true, false, false, false, false, false), LiftState::Idle},
        StateRow{"Moving", Facts(true, false, false, false, true, false), LiftState::Moving},
        StateRow{"Homing", Facts(true, false, true, false, true, false), LiftState::Homing},
        StateRow{"ProgramOverMove", Facts(true, false, false, true, true, true),
                 LiftState::ProgramRunning},
        StateRow{"MoveOverJoystick", Facts(true, false, false, false, true, true),
                 LiftState::Moving},
        StateRow{"Joystick", Facts(true, false, false, false, false, true), LiftState::Joystick},
        StateRow{"LinkDownOverAll", Facts(true, true, true, true, true, true), LiftState::LinkDown},
        StateRow{"ZOffOverAll", Facts(false, true, true, true, true, true), LiftState::ZOff}),
    [](const auto& info) { return std::string(info.param.name); });

struct PollRig {
  explicit PollRig(const char* family = "EZHR17") : rig(family) {
    rig.WriteParz();
    EXPECT_EQ(rig.foc.FocInit(), 1);
    rig.state.ZEnabled = 1;
    rig.state.config.ZPOSPOLL = 500;
    rig.Take();
  }
  ZRig rig;
  PosPoll poll{rig.state, rig.foc, rig.comm};
};

int Count(const std::vector<std::string>& lines, const std::string& line) {
  int n = 0;
  for (const auto& l : lines) n += l == line;
  return n;
}

}  // namespace

// A client's "Z Wait" over a long move: the wait reads the position at most once per
// interval between its status polls, and every tick shows it with the state "Moving".
TEST(LiveView, TheWaitKeepsThePositionCurrent) {
  PollRig p;
  p.rig.clock.autoAdvanceMs = 0;
  p.poll.Follow(p.rig.clock.now);    // the window shows it: the waits read it
  p.rig.controller.failing = {"Q"};  // busy
  std::vector<std::string> captions;
  int polls = 0;
  p.rig.pump.onEvents = [&] {
    p.rig.clock.now += 100;
    p.rig.controller.position = std::to_string(16 * ++polls);  // 10 units per poll
    p.poll.Follow(p.rig.clock.now);
    captions.push_back(p.poll.Caption("Lift"));
    EXPECT_EQ(p.poll.State(), LiftState::Moving);
    if (polls == 10) p.rig.controller.failing.clear();
  };
  EXPECT_EQ(p.rig.foc.FocWait(), 1);
  const auto sent = p.rig.Take();
  EXPECT_GE(Count(sent, "/1?0\r"), 2);
  EXPECT_LE(Count(sent, "/1?0\r"), 4) << "one read per 500 ms of a 1.5 s wait";
  ASSERT_FALSE(captions.empty());
  EXPECT_NE(captions.front(), captions.back());
  p.poll.Follow(p.rig.clock.now + 5000);
  EXPECT_EQ(p.poll.State(), LiftState::Idle);
}

// Hidden window or no ZPOSPOLL: the waits read no position.
TEST(LiveView, NothingReadWhileNothingShows) {
  PollRig p;
  p.poll.displayed = [] { return false; };
  p.poll.Follow(0);
  p.rig.controller.failing = {"Q"};
  int polls = 0;
  p.rig.pump.onEvents = [&] {
    p.rig.clock.now += 300;
    if (++polls == 5) p.rig.controller.failing.clear();
  };
  EXPECT_EQ(p.rig.foc.FocWait(), 1);
  EXPECT_EQ(Count(p.rig.Take(), "/1?0\r"), 0);
}

TEST(LiveView, CaptionAndStatusLineShowTheRepliesDecimalsAndTheUnit) {
  PollRig p;
  EXPECT_EQ(PosPoll::Shown(12.5, p.rig.foc), "12.50");  // no ZUNIT: no unit
  std::ofstream(p.rig.ParzPath(), std::ios::app) << "\"ZUNIT\",\xB5m, shown after positions\r\n";
  EXPECT_EQ(p.rig.foc.FocInit(), 1);
  EXPECT_TRUE(p.rig.messages.shown.empty()) << "the key is optional";
  p.rig.controller.position = "20";
  EXPECT_TRUE(p.poll.Poll(0));
  EXPECT_EQ(p.poll.Caption("Lift"), "Lift  Z=12.50 \xB5m");
}

// The controller comes back with another position (powered off meanwhile, moved by
// hand): the status line and the log say so; back where it was, nothing is said.
TEST(LiveView, LinkBackElsewhereIsSaid) {
  PollRig p;
  std::vector<std::string> notices;
  p.poll.notice = [&](const std::string& text) { notices.push_back(text); };
  p.rig.controller.position = "8";  // 5 units
  EXPECT_TRUE(p.poll.Poll(0));
  p.rig.comm.CommClosePort();
  EXPECT_TRUE(p.poll.Poll(500));
  EXPECT_EQ(p.poll.State(), LiftState::LinkDown);
  p.rig.comm.CommOpenPort(1);
  EXPECT_TRUE(p.poll.Poll(2500));
  EXPECT_TRUE(notices.empty()) << "same position";
  p.rig.port.responder = nullptr;  // time-outs
  EXPECT_TRUE(p.poll.Poll(3000));
  p.rig.port.responder = [&](const std::string& line) {
    return p.rig.controller.Respond(line, p.rig.clock.now);
  };
  p.rig.controller.position = "0";
  EXPECT_TRUE(p.poll.Poll(5000));
  const std::string said =
      "position changed while the link was down: was 5.00, now 0.00; home before absolute "
      "moves";
  EXPECT_EQ(notices, std::vector<std::string>{said});
  EXPECT_NE(p.rig.comm.CommGetLog().find(said), std::string::npos);
}

TEST(LiveView, TheStatusLineSaysInWordsWhatTheLinkLogs) {
  struct Row {
    const char* line;
    const char* shown;
  } rows[] = {
      {"CommIn2  10 Device is not open", COMM::kPortClosed},
      {"CommOut  13 Port not open", COMM::kPortClosed},
      {"error reading position:", "Could not read the position: the controller did not answer"},
      {"error reading position:abc",
       "Could not read the position: the controller answered \"abc\""},
      {"Port TimeOut", "Port TimeOut"},
  };
  for (const auto& r : rows) EXPECT_EQ(COMM::OperatorLine(r.line), r.shown) << r.line;

  PollRig p;
  FakeStatusLine label;
  p.rig.comm.CommSetMsgLabel(&label);
  p.rig.comm.CommClosePort();
  double z = 0;
  EXPECT_EQ(p.rig.foc.FocGetPos(z), -1);
  EXPECT_EQ(label.text, COMM::kPortClosed) << "not the jargon after it";
  EXPECT_NE(p.rig.comm.CommGetLog().find("error reading position:"), std::string::npos)
      << "the log keeps its lines";
}

TEST(LiveView, TheProbeNamesTheSilentAddressesInOneLine) {
  std::array<bool, 15> silent{};
  EXPECT_EQ(ezhr17::SilentAddressesLine(silent), "");
  silent.fill(true);
  silent[0] = false;
  EXPECT_EQ(ezhr17::SilentAddressesLine(silent), "no controller at addresses 2-F");
  silent[4] = false;
  silent[14] = false;
  EXPECT_EQ(ezhr17::SilentAddressesLine(silent), "no controller at addresses 2-4, 6-E");
  silent.fill(false);
  silent[9] = true;
  EXPECT_EQ(ezhr17::SilentAddressesLine(silent), "no controller at address A");
}
