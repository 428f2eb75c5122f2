#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/Config.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/IM483IProtocol.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotorShared.h"
#include "support/Fakes.h"

namespace {

// The written command line without its LF.
std::string Line(const std::string& written) {
  return written.empty() || written.back() != '\n' ? written
                                                   : written.substr(0, written.size() - 1);
}

// A controller that echoes every command line and answers from a table.
std::string Echo(const std::string& written, const std::string& answer = "") {
  return Line(written) + answer + "\n";
}

std::string LastLogLine(const COMM& comm) {
  std::string log = comm.CommGetLog();
  if (log.size() < 2) return "";
  log.resize(log.size() - 2);
  const size_t start = log.rfind("\r\n");
  return start == std::string::npos ? log : log.substr(start + 2);
}

class IM483IDriver : public ::testing::Test {
 protected:
  IM483IDriver() {
    shared.MotorAddr = '1';
    shared.MotorMoveTimeout = 2;
    config.WAITPOLLINGINTERVAL = 40;
    comm.CommInit();
    comm.CommOpenPort(1);
    comm.CommSetTimeout(500);
    drv.IM483I_Init();
    port.responder = [](const std::string& w) { return Echo(w); };
  }

  std::string LastLog() const { return LastLogLine(comm); }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  COMM comm{port, clock};
  Delay32 delay{clock};
  MotorShared shared;
  Config config;
  IMSCNTRL drv{comm, delay, pump, shared, config};
};

}  // namespace

// The cases beyond the byte-for-byte driver tests.
TEST(IM483IProtocol, NumberFormsAtTheEdges) {
  EXPECT_EQ(im483i::SetAccelText(-5, 0), "K-5 0");
  EXPECT_EQ(im483i::MoveVelText(0), "M0");
  EXPECT_EQ(im483i::MoveRelText(2.5), "+3");
  EXPECT_FALSE(im483i::MoveRelText(INFINITY));
  EXPECT_EQ(im483i::MoveAbsText(1234.5), "R+1235");
  EXPECT_EQ(im483i::MoveAbsText(-7.4), "R-7");
  EXPECT_FALSE(im483i::MoveAbsText(5e9));
  EXPECT_EQ(im483i::SettleText(35), "E 4");
  EXPECT_EQ(im483i::SettleText(-100), "E 0");
}

TEST(IM483IProtocol, BackOffSpeed) {
  EXPECT_EQ(im483i::BackOffSpeed(1000), -500);
  EXPECT_EQ(im483i::BackOffSpeed(-1000), 500);
  EXPECT_EQ(im483i::BackOffSpeed(30), -20);
  EXPECT_EQ(im483i::BackOffSpeed(-1), 20);
  EXPECT_EQ(im483i::BackOffSpeed(0), 0);
  EXPECT_EQ(im483i::BackOffSpeed(41), -20);  // 20.5 rounds to the even 20
  EXPECT_EQ(im483i::BackOffSpeed(43), -22);  // 21.5 rounds to the even 22
  EXPECT_EQ(im483i::BackOffSpeed(INT32_MIN), 1073741824);
}

TEST(IM483IProtocol, EchoCheckAndAnswers) {
  std::string answer;
  EXPECT_EQ(im483i::CheckEcho("1Z", "1Z1234", answer), 1);
  EXPECT_EQ(answer, "1234");
  EXPECT_EQ(im483i::CheckEcho("1Z", "1X1234", answer), -2);
  EXPECT_EQ(answer, "1234");
  EXPECT_EQ(im483i::CheckEcho("1Z", "1z", answer), -2);  // case-sensitive
  EXPECT_EQ(answer, "");
  answer = "kept";
  EXPECT_EQ(im483i::CheckEcho("1Z", "1", answer), -3);
  EXPECT_EQ(answer, "kept");

  double v = 0;
  EXPECT_TRUE(im483i::DecodeDouble(" -12.5\r", v));
  EXPECT_DOUBLE_EQ(v, -12.5);
  EXPECT_FALSE(im483i::DecodeDouble("\r", v));
  EXPECT_FALSE(im483i::DecodeDouble("12\r\r", v));
  EXPECT_EQ(im483i::DecodeInt16("3\r"), 3);
  EXPECT_FALSE(im483i::DecodeInt16("40000"));
  EXPECT_FALSE(im483i::DecodeInt16("on"));
}

TEST_F(IM483IDriver, WritesCommandLinesByteForByte) {
  EXPECT_EQ(drv.IM483I_SetCurrents(10, 50), 1);
  EXPECT_EQ(drv.IM483I_MoveRel(-2.5), 1);
  EXPECT_EQ(drv.IM483I_MoveAbs(0), 1);
  EXPECT_EQ(drv.IM483I_MoveVel(-400), 1);
  EXPECT_EQ(drv.IM483I_MoveRel(0.3), 1);
  EXPECT_EQ(drv.IM483I_MoveRel(0), 1);
  EXPECT_EQ(drv.IM483I_SetOrigin(1000), 1);
  EXPECT_EQ(drv.IM483I_SetAccel(100, 200), 1);
  EXPECT_EQ(drv.IM483I_SetLimPolarity(0), 1);
  EXPECT_EQ(drv.IM483I_SetJogSpeeds(5, 50), 1);
  EXPECT_EQ(drv.IM483I_SetSlewVel(800), 1);
  EXPECT_EQ(drv.IM483I_SetInitVel(40), 1);
  const std::vector<std::string> expected = {"1Y 10 50\n", "1-3\n",    "1R-0\n",       "1M-400\n",
                                             "1+0\n",      "1O\n",     "1K 100 200\n", "1l 0\n",
                                             "1B 5 50\n",  "1V 800\n", "1I 40\n"};
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(drv.IM483I_MoveAbs(NAN), -1);
  EXPECT_EQ(port.written.size(), expected.size());
  EXPECT_EQ(comm.CommGetLog(), "");
}

TEST_F(IM483IDriver, SettleSendsTenthsThenPausesTheFullTime) {
  EXPECT_EQ(drv.IM483I_Settle(500), 1);
  EXPECT_EQ(port.written.back(), "1E 50\n");
  EXPECT_GE(clock.sleptMs, 500u);
  EXPECT_LT(clock.sleptMs, 600u);
  EXPECT_EQ(drv.IM483I_Settle(5000), 1);
  EXPECT_EQ(port.written.back(), "1E 255\n");
  EXPECT_EQ(drv.IM483I_Settle(25), 1);
  EXPECT_EQ(port.written.back(), "1E 2\n");

  // A failed exchange returns its status and skips the pause (the time passed is the
  // read going on for a reply with the right echo, within the port time-out).
  port.responder = [](const std::string&) { return "1X 100\n"; };
  const uint64_t before = clock.sleptMs;
  EXPECT_EQ(drv.IM483I_Settle(1000), -2);
  EXPECT_LE(clock.sleptMs - before, 501u);
}

TEST_F(IM483IDriver, StepDivideResetsFirstAndReportsTheSecondExchange) {
  EXPECT_EQ(drv.IM483I_SetStepDivide(4), 1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"1H 0\n", "1D 4\n"}));
  port.responder = [](const std::string& w) { return w == "1H 0\n" ? "xx\n" : Echo(w); };
  EXPECT_EQ(drv.IM483I_SetStepDivide(8), 1);
  port.responder = [](const std::string& w) { return w == "1H 0\n" ? Echo(w) : "1D 9\n"; };
  EXPECT_EQ(drv.IM483I_SetStepDivide(8), -2);
}

TEST_F(IM483IDriver, EchoStatusAndLogLines) {
  FakeStatusLine status;
  comm.CommSetMsgLabel(&status);
  std::string answer;

  port.responder = [](const std::string& w) { return Echo(w, "1234"); };
  EXPECT_EQ(drv.IM483I_Cmd("Z", answer), 1);
  EXPECT_EQ(answer, "1234");

  port.responder = [](const std::string&) { return "1X1234\n"; };
  EXPECT_EQ(drv.IM483I_Cmd("Z", answer), -2);
  EXPECT_EQ(answer, "1234");
  EXPECT_EQ(LastLog(), "1Z!=1X1234");
  EXPECT_EQ(status.text, "1Z!=1X1234");

  port.responder = [](const std::string&) { return "1\n"; };
  EXPECT_EQ(drv.IM483I_Cmd("Z", answer), -3);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(LastLog(), "1Z>1");

  port.responder = [](const std::string&) { return "1Z12"; };
  EXPECT_EQ(drv.IM483I_Cmd("Z", answer), -1);
  EXPECT_EQ(LastLog(), "1Z\\1Z12");
  EXPECT_EQ(status.text, "Port TimeOut, 1Z\\1Z12");
}

TEST_F(IM483IDriver, QueriesConvertTheirAnswers) {
  port.responder = [](const std::string& w) {
    if (w == "1Z\n") return Echo(w, "-1234\r");  // a CR before the LF is tolerated
    if (w == "1] 0\n") return Echo(w, " 3");
    if (w == "1^\n") return Echo(w, "1");
    return Echo(w);
  };
  double pos = 0;
  int16_t inputs = 0;
  EXPECT_EQ(drv.IM483I_GetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, -1234);
  EXPECT_EQ(drv.IM483I_GetInputs(inputs), 1);
  EXPECT_EQ(inputs, 3);
  EXPECT_EQ(drv.IM483I_GetMoving(), 1);

  port.responder = [](const std::string& w) { return Echo(w, "?"); };
  pos = 7;
  inputs = 9;
  EXPECT_EQ(drv.IM483I_GetPos(pos), -1);
  EXPECT_EQ(drv.IM483I_GetInputs(inputs), -1);
  EXPECT_EQ(drv.IM483I_GetMoving(), -1);
  EXPECT_EQ(pos, 7);
  EXPECT_EQ(inputs, 9);
  EXPECT_EQ(comm.CommGetLog(), "");  // unreadable answers leave no log line
}

TEST_F(IM483IDriver, WaitPollsWithEventsBetween) {
  int polls = 0;
  port.responder = [&](const std::string& w) { return Echo(w, ++polls < 3 ? "1" : "0"); };
  EXPECT_EQ(drv.IM483I_Wait(), 1);
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(pump.calls, 2);
  EXPECT_EQ(port.written, (std::vector<std::string>(3, "1^\n")));
  EXPECT_GE(clock.sleptMs, 40u);
}

TEST_F(IM483IDriver, WaitFailsAtTheFirstFailedPollAndTimesOut) {
  port.responder = nullptr;
  EXPECT_EQ(drv.IM483I_Wait(), -1);
  EXPECT_EQ(port.written.size(), 1u);
  EXPECT_EQ(pump.calls, 0);

  clock.SleepMs(COMM::kLateReplyTimeouts * 500);  // no late reply came either
  port.responder = [](const std::string& w) { return Echo(w, "1"); };
  EXPECT_EQ(drv.IM483I_Wait(), -2);
  EXPECT_GT(pump.calls, 50);
}

TEST_F(IM483IDriver, NestedExchangeRefusedAndGuardRecovers) {
  int16_t nested = 0;
  port.responder = [&](const std::string& w) {
    if (w == "1^\n") nested = drv.IM483I_MoveVel(10);
    return Echo(w, "0");
  };
  EXPECT_EQ(drv.IM483I_Wait(), 1);
  EXPECT_EQ(nested, -4);
  EXPECT_EQ(port.written, std::vector<std::string>{"1^\n"});
  EXPECT_EQ(LastLog(), "inst>0;");

  port.responder = [](const std::string& w) { return Echo(w); };
  EXPECT_EQ(drv.IM483I_MoveVel(10), 1);
  EXPECT_EQ(port.written.back(), "1M10\n");
}

TEST_F(IM483IDriver, MotorToLimitRunsThenBacksOff) {
  // Inputs: clear twice, then 2 at the limit, still 2 while backing off once, then clear.
  const std::vector<std::string> inputs = {"0", "0", "2", "2", "0"};
  size_t next = 0;
  port.responder = [&](const std::string& w) {
    if (w == "1] 0\n") return Echo(w, inputs.at(next++));
    return Echo(w);
  };
  EXPECT_EQ(drv.IM483I_MotorToLimit(3, 1000), 2);
  const std::vector<std::string> expected = {"1M1000\n", "1] 0\n", "1M1000\n", "1] 0\n",
                                             "1M1000\n", "1] 0\n", "1M-500\n", "1] 0\n",
                                             "1M-500\n", "1] 0\n", "1M0\n",    "1M0\n"};
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(pump.calls, 0);
}

// Each pass (the run command again, then the inputs) comes one poll interval after the
// one before, on the way to the limit and off it; the pauses sleep.
TEST_F(IM483IDriver, MotorToLimitPacesItsPasses) {
  const std::vector<std::string> inputs = {"0", "0", "2", "2", "0"};
  size_t next = 0;
  std::vector<uint32_t> passAt;
  port.responder = [&](const std::string& w) {
    if (w != "1] 0\n") return Echo(w);
    passAt.push_back(clock.now);
    return Echo(w, inputs.at(next++));
  };
  EXPECT_EQ(drv.IM483I_MotorToLimit(3, 1000), 2);
  ASSERT_EQ(passAt.size(), inputs.size());
  for (size_t i : {1, 2, 4}) EXPECT_GT(passAt[i] - passAt[i - 1], 40u) << i;
  EXPECT_EQ(passAt[3], passAt[2]);  // at the limit it turns back at once
  EXPECT_GE(clock.sleptMs, 3 * 40u);
  EXPECT_EQ(port.written.size(), 12u);  // the run command once per pass, no more
}

TEST_F(IM483IDriver, MotorToLimitSlowSpeedAndFailures) {
  bool atLimit = true;
  port.responder = [&](const std::string& w) {
    if (w == "1] 0\n") {
      const std::string value = atLimit ? "1" : "0";
      atLimit = false;
      return Echo(w, value);
    }
    return Echo(w);
  };
  EXPECT_EQ(drv.IM483I_MotorToLimit(1, 30), 1);
  EXPECT_EQ(port.written[2], "1M-20\n");

  // A failing input query ends the run with -1 and still stops the motor.
  port.written.clear();
  port.responder = [](const std::string& w) { return w == "1] 0\n" ? Echo(w, "x") : Echo(w); };
  EXPECT_EQ(drv.IM483I_MotorToLimit(1, 100), -1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"1M100\n", "1] 0\n", "1M0\n"}));

  // Never reaching the limit: the move time-out, then the stop.
  port.written.clear();
  port.responder = [&](const std::string& w) {
    clock.now += 100;
    return w == "1] 0\n" ? Echo(w, "0") : Echo(w);
  };
  EXPECT_EQ(drv.IM483I_MotorToLimit(1, 100), -2);
  EXPECT_EQ(port.written.back(), "1M0\n");
}

TEST_F(IM483IDriver, ProbeSendsRawText) {
  std::string reply;
  port.responder = [](const std::string&) { return "whatever\n"; };
  EXPECT_EQ(drv.IM483I_Probe(), 1);
  EXPECT_EQ(port.written, std::vector<std::string>{"AX\n"});
  port.responder = nullptr;
  const uint32_t start = clock.now;
  EXPECT_EQ(drv.IM483I_Probe(), -1);
  EXPECT_EQ(LastLog(), "Port TimeOut");
  // Unanswered, it is given up after a reply's time on the wire, not the 500 ms time-out.
  EXPECT_LE(clock.now - start, im483i::kProbeReplyWithinMs + 1u);
}

namespace {

struct ReadOnCase {
  const char* name;
  std::vector<std::string> pieces;  // one arrives per wait
  int16_t result;
  std::string answer;
  std::vector<std::string> lines;
};

}  // namespace

// A reply whose echo is not this command line's is dropped, and reading goes on within
// the time-out: a late reply of an earlier command never answers this one.
TEST_F(IM483IDriver, ReplyWithAnotherEchoIsDroppedAndReadingGoesOn) {
  const std::vector<ReadOnCase> cases = {
      {"own reply", {"1Z5\n"}, 1, "5", {}},
      {"earlier command's reply first", {"1^0\n", "1Z5\n"}, 1, "5", {"1Z!=1^0"}},
      {"short piece first", {"1\n", "1Z5\n"}, 1, "5", {"1Z>1"}},
      {"two strangers first", {"1] 02\n", "1^1\n", "1Z5\n"}, 1, "5", {"1Z!=1] 02", "1Z!=1^1"}},
      {"only a stranger", {"1X5\n"}, -2, "5", {"1Z!=1X5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    comm.CommInit();
    comm.CommSetTimeout(500);
    clock.now += 10'000;  // nothing outstanding from the case before
    port.responder = nullptr;
    port.input.clear();
    port.chunks.assign(c.pieces.begin(), c.pieces.end());
    std::string answer;
    const uint32_t start = clock.now;
    EXPECT_EQ(drv.IM483I_Cmd("Z", answer), c.result);
    EXPECT_EQ(answer, c.answer);
    EXPECT_LE(clock.now - start, 502u) << "within one time-out";
    std::vector<std::string> lines;
    const std::string log = comm.CommGetLog();
    for (size_t from = 0, at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
      if (at > from) lines.push_back(log.substr(from, at - from));
    EXPECT_EQ(lines, c.lines);
  }
}
