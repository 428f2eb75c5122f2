#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/EZHR17Protocol.h"
#include "controller/MotorShared.h"
#include "support/Fakes.h"

namespace {

// An EZHR17 reply as the link hands it over (CR LF already removed).
std::string Frame(int status, const std::string& answer = "") {
  return std::string("\xFF/0") + static_cast<char>(status) + answer + "\x03";
}

// The same reply as it arrives on the wire.
std::string Wire(int status, const std::string& answer = "") {
  return Frame(status, answer) + "\r\n";
}

std::vector<std::string> LogLines(const COMM& comm) {
  std::vector<std::string> lines;
  const std::string log = comm.CommGetLog();
  for (size_t pos = 0; pos < log.size();) {
    const size_t end = log.find("\r\n", pos);
    lines.push_back(log.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

class EZHR17Driver : public ::testing::Test {
 protected:
  EZHR17Driver() {
    config.WAITPOLLINGINTERVAL = 100;
    shared.MotorAddr = '1';
    shared.MotorMoveTimeout = 2;
    comm.CommInit();
    comm.CommOpenPort(1);
    comm.CommSetTimeout(500);
    drv.EZHR17_Init();
    // A ready controller that knows nothing beyond its status.
    port.responder = [](const std::string&) { return Wire(96); };
  }

  std::string LastLog() const {
    const auto lines = LogLines(comm);
    return lines.empty() ? std::string() : lines.back();
  }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  COMM comm{port, clock};
  Delay32 delay{clock};
  MotorShared shared;
  Config config;
  AllMotionCntrl drv{comm, delay, pump, shared, config};
};

}  // namespace

// The cases beyond the byte-for-byte driver tests: extreme and unwritable values.
TEST(EZHR17Protocol, NumberFormsAtTheEdges) {
  EXPECT_EQ(ezhr17::MoveVelText(INT32_MIN), "V2147483648D0R");
  EXPECT_EQ(ezhr17::MoveAbsText(-7.5), "A-8R");
  EXPECT_FALSE(ezhr17::MoveAbsText(3e9));
  EXPECT_FALSE(ezhr17::MoveAbsText(std::nan("")));
  EXPECT_EQ(ezhr17::MoveRelText(2.5), "P3R");
  EXPECT_EQ(ezhr17::MoveRelText(-0.49), "");
  EXPECT_FALSE(ezhr17::MoveRelText(1e12));
  EXPECT_EQ(ezhr17::SetStepDivideText(0), "j1R");
  EXPECT_FALSE(ezhr17::SetStepDivideText(-1));
  EXPECT_FALSE(ezhr17::SetStepDivideText(31));
}

TEST(EZHR17Protocol, ModeWordKeepsTheOtherBits) {
  int16_t mode = ezhr17::ModeWithLimitsEnabled(0, 1);
  EXPECT_EQ(mode, 2);
  mode = ezhr17::ModeWithLimitMode(mode, 1);
  EXPECT_EQ(mode, 3);
  mode = ezhr17::ModeWithLimitMode(mode, 2);
  EXPECT_EQ(mode, 6);
  mode = ezhr17::ModeWithLimitsEnabled(mode, 0);
  EXPECT_EQ(mode, 4);
  EXPECT_EQ(ezhr17::ModeWithLimitMode(mode, 7), 0);
  // Any true flag sets only the enable bit; it never leaks into the mode bits.
  EXPECT_EQ(ezhr17::ModeWithLimitsEnabled(0, -1), 2);
  EXPECT_EQ(ezhr17::ModeWithLimitsEnabled(0, 2), 2);
}

TEST(EZHR17Protocol, ReplyFrameAndStatus) {
  std::string data;
  int code = -1;
  EXPECT_EQ(ezhr17::CheckReply(Frame(96), data, code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(ezhr17::IsReady(data));
  EXPECT_EQ(ezhr17::CheckReply(Frame(64), data, code), 1);
  EXPECT_FALSE(ezhr17::IsReady(data));
  EXPECT_EQ(ezhr17::CheckReply(Frame(98, "77"), data, code), -2);
  EXPECT_EQ(code, 2);
  EXPECT_EQ(data, std::string("b77\x03"));
  EXPECT_EQ(ezhr17::Answer(data), "77");

  data = "untouched";
  EXPECT_EQ(ezhr17::CheckReply("\xFF/1`\x03", data, code), -3);
  EXPECT_EQ(data, "untouched");
  EXPECT_EQ(ezhr17::CheckReply("", data, code), -3);
  EXPECT_EQ(ezhr17::CheckReply("/0", data, code), -3);
  // "/0" present but the status character missing: cannot be decoded.
  EXPECT_EQ(ezhr17::CheckReply("\xFF/0", data, code), -3);
  EXPECT_EQ(ezhr17::Answer("`"), "");
}

TEST(EZHR17Protocol, AnswerConversions) {
  int16_t inputs = -1;
  EXPECT_TRUE(ezhr17::DecodeInputs(Frame(96, "6").substr(3), inputs));
  EXPECT_EQ(inputs, 1);
  EXPECT_TRUE(ezhr17::DecodeInputs(Frame(96, "12").substr(3), inputs));
  EXPECT_EQ(inputs, 3);
  EXPECT_TRUE(ezhr17::DecodeInputs(Frame(96, "3").substr(3), inputs));
  EXPECT_EQ(inputs, 0);
  EXPECT_FALSE(ezhr17::DecodeInputs(Frame(96).substr(3), inputs));
  EXPECT_FALSE(ezhr17::DecodeInputs(Frame(96, "x").substr(3), inputs));
  EXPECT_FALSE(ezhr17::DecodeInputs(Frame(96, "1-").substr(3), inputs));

  double pos = 0;
  EXPECT_TRUE(ezhr17::DecodePosition(Frame(96, "-1234").substr(3), pos));
  EXPECT_DOUBLE_EQ(pos, -1234);
  EXPECT_FALSE(ezhr17::DecodePosition(Frame(96, "12a").substr(3), pos));
  EXPECT_FALSE(ezhr17::DecodePosition(Frame(96).substr(3), pos));
  EXPECT_EQ(ezhr17::DecodeMaxSpeed(Frame(96, "5000").substr(3)), 5000);
  EXPECT_FALSE(ezhr17::DecodeMaxSpeed(Frame(96, "fast").substr(3)));
  EXPECT_FALSE(ezhr17::DecodeMaxSpeed(Frame(96, "9999999999").substr(3)));
}

TEST_F(EZHR17Driver, WritesCommandLinesByteForByte) {
  EXPECT_EQ(drv.EZHR17_MoveAbs(1234.5), 1);
  EXPECT_EQ(drv.EZHR17_MoveAbs(1235.5), 1);
  EXPECT_EQ(drv.EZHR17_MoveRel(-2.5), 1);
  EXPECT_EQ(drv.EZHR17_MoveVel(-500), 1);
  EXPECT_EQ(drv.EZHR17_MoveVel(0), 1);
  EXPECT_EQ(drv.EZHR17_SetStepDivide(4), 1);
  EXPECT_EQ(drv.EZHR17_SetCurrents(10, 50), 1);
  EXPECT_EQ(drv.EZHR17_SetAccel(300, 999), 1);
  EXPECT_EQ(drv.EZHR17_SetLimPolarity(1), 1);
  EXPECT_EQ(drv.EZHR17_SetSlewVel(2000), 1);
  EXPECT_EQ(drv.EZHR17_SetInitVel(50), 1);
  const std::vector<std::string> expected = {
      "/1A1234R\r",  "/1A1236R\r", "/1D3R\r", "/1V500D0R\r", "/1T\r",   "/1j16R\r",
      "/1h10m50R\r", "/1L300R\r",  "/1f1R\r", "/1V2000R\r",  "/1v50R\r"};
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(comm.CommGetLog(), "");
}

TEST_F(EZHR17Driver, NothingSentForLessThanHalfAStepOrUnwritableValues) {
  EXPECT_EQ(drv.EZHR17_MoveRel(0.3), 1);
  EXPECT_EQ(drv.EZHR17_MoveRel(0), 1);
  EXPECT_EQ(drv.EZHR17_MoveRel(-0.3), 1);
  EXPECT_EQ(drv.EZHR17_SetJogSpeeds(10, 100), 0);
  EXPECT_TRUE(port.written.empty());
  EXPECT_EQ(drv.EZHR17_MoveAbs(1e10), -1);
  EXPECT_EQ(drv.EZHR17_MoveRel(-1e10), -1);
  EXPECT_EQ(drv.EZHR17_SetStepDivide(40), -1);
  EXPECT_TRUE(port.written.empty());
}

TEST_F(EZHR17Driver, SetPosPausesHalfASecondWhateverTheResult) {
  EXPECT_EQ(drv.EZHR17_SetPos(1000), 1);
  EXPECT_EQ(port.written.back(), "/1z1000R\r");
  EXPECT_GE(clock.sleptMs, 500u);
  port.responder = [](const std::string&) { return Wire(99); };
  const uint64_t before = clock.sleptMs;
  EXPECT_EQ(drv.EZHR17_SetPos(5), -2);
  EXPECT_GE(clock.sleptMs - before, 500u);
}

TEST_F(EZHR17Driver, ModeWordAcrossCalls) {
  EXPECT_EQ(drv.EZHR17_EnableLimits(1), 1);
  EXPECT_EQ(drv.EZHR17_SetLimitMode(1), 1);
  EXPECT_EQ(port.written, (std::vector<std::string>{"/1n2R\r", "/1n3R\r"}));
}

TEST_F(EZHR17Driver, ReplyStatusAndLogLines) {
  FakeStatusLine status;
  comm.CommSetMsgLabel(&status);
  std::string data;

  port.responder = [](const std::string&) { return Wire(96, "42"); };
  EXPECT_EQ(drv.EZHR17_Cmd("?8", data), 1);
  EXPECT_EQ(data, std::string("`42\x03"));

  port.responder = [](const std::string&) { return Wire(98); };
  EXPECT_EQ(drv.EZHR17_Cmd("P5R", data), -2);
  EXPECT_EQ(data, std::string("b\x03"));
  EXPECT_EQ(LastLog(), "/1P5R-error returned by controller-" + Frame(98) + "-status-2");
  EXPECT_EQ(status.text, LastLog());

  port.responder = [](const std::string&) { return "\xFF/1`\x03\r\n"; };
  EXPECT_EQ(drv.EZHR17_Cmd("Q", data), -3);
  EXPECT_EQ(LastLog(), "/1Q-no 0xFF / 0-\xFF/1`\x03");

  port.responder = [](const std::string&) { return "\xFF/0\r\n"; };
  EXPECT_EQ(drv.EZHR17_Cmd("Q", data), -3);
  EXPECT_EQ(LastLog(), "/1Q-no 0xFF / 0-\xFF/0");

  // A dead link: the link's own time-out line, then the driver's appended line.
  port.responder = [](const std::string&) { return "\xFF/0"; };
  EXPECT_EQ(drv.EZHR17_Cmd("Q", data), -1);
  EXPECT_EQ(LastLog(), "/1Q-comm error-\xFF/0");
  EXPECT_EQ(status.text, "Port TimeOut, /1Q-comm error-\xFF/0");
  EXPECT_EQ(data, "");
}

TEST_F(EZHR17Driver, QueriesAndTheirFailures) {
  port.responder = [](const std::string& w) {
    if (w == "/1?0\r") return Wire(96, "-1234");
    if (w == "/1?4\r") return Wire(96, "12");
    return Wire(64);
  };
  double pos = 0;
  int16_t inputs = 0;
  EXPECT_EQ(drv.EZHR17_GetPos(pos), 1);
  EXPECT_DOUBLE_EQ(pos, -1234);
  EXPECT_EQ(drv.EZHR17_GetInputs(inputs), 1);
  EXPECT_EQ(inputs, 3);
  EXPECT_EQ(drv.EZHR17_IsBusy(), 1);
  port.responder = [](const std::string&) { return Wire(96, "6"); };
  EXPECT_EQ(drv.EZHR17_GetInputs(inputs), 1);
  EXPECT_EQ(inputs, 1);
  EXPECT_EQ(drv.EZHR17_IsBusy(), 0);

  port.responder = [](const std::string&) { return Wire(96, "abc"); };
  pos = 7;
  EXPECT_EQ(drv.EZHR17_GetPos(pos), -1);
  EXPECT_EQ(pos, 7);
  EXPECT_EQ(LastLog(), "error reading position:abc");
  port.responder = [](const std::string&) { return Wire(97, "5"); };
  EXPECT_EQ(drv.EZHR17_GetPos(pos), -1);
  EXPECT_EQ(LastLog(), std::string("error reading position:a5\x03"));
  port.responder = [](const std::string&) { return Wire(96); };
  inputs = 9;
  EXPECT_EQ(drv.EZHR17_GetInputs(inputs), -1);
  EXPECT_EQ(inputs, 9);
  port.responder = [](const std::string&) { return ""; };
  EXPECT_EQ(drv.EZHR17_IsBusy(), -1);
  EXPECT_EQ(drv.EZHR17_GetInputs(inputs), -1);
}

TEST_F(EZHR17Driver, NestedExchangeRefusedAndGuardRecovers) {
  int16_t nested = 0;
  port.responder = [&](const std::string& w) {
    if (w == "/1Q\r") nested = drv.EZHR17_MoveVel(100);
    return Wire(96);
  };
  EXPECT_EQ(drv.EZHR17_IsBusy(), 0);
  EXPECT_EQ(nested, -4);
  EXPECT_EQ(port.written, std::vector<std::string>{"/1Q\r"});
  EXPECT_EQ(LastLog(), "inst>0;");

  port.responder = [](const std::string&) { return Wire(96); };
  EXPECT_EQ(drv.EZHR17_MoveVel(100), 1);
  EXPECT_EQ(port.written.back(), "/1V100P0R\r");
}

TEST_F(EZHR17Driver, WaitPollsWithEventsBetween) {
  int polls = 0;
  port.responder = [&](const std::string& w) {
    if (w != "/1Q\r") return Wire(96);
    return Wire(++polls < 4 ? 64 : 96);
  };
  // An event handler between two polls gets its command through.
  int16_t fromEvent = 0;
  pump.onEvents = [&] {
    if (pump.calls == 2) fromEvent = drv.EZHR17_MoveAbs(10);
  };
  EXPECT_EQ(drv.EZHR17_Wait(), 1);
  EXPECT_EQ(polls, 4);
  EXPECT_EQ(pump.calls, 3);
  EXPECT_EQ(fromEvent, 1);
  const std::vector<std::string> expected = {"/1Q\r", "/1Q\r", "/1A10R\r", "/1Q\r", "/1Q\r"};
  EXPECT_EQ(port.written, expected);
  EXPECT_GE(clock.sleptMs, 300u);
}

TEST_F(EZHR17Driver, WaitTimesOutAndKeepsPollingADeadLink) {
  port.responder = [](const std::string&) { return Wire(64); };
  EXPECT_EQ(drv.EZHR17_Wait(), -2);
  EXPECT_GT(pump.calls, 10);

  // No reply at all counts as busy: polling goes on until the move time-out.
  port.written.clear();
  port.responder = nullptr;
  EXPECT_EQ(drv.EZHR17_Wait(), -2);
  EXPECT_GT(port.written.size(), 1u);
}

TEST_F(EZHR17Driver, MotorToLimitWithInputAlreadyActive) {
  port.responder = [](const std::string& w) {
    if (w == "/1?2\r") return Wire(96, "5000");
    if (w == "/1?4\r") return Wire(96, "04");
    return Wire(96);
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), 1);
  const std::vector<std::string> expected = {"/1?2\r", "/1?4\r", "/1T\r", "/1V5000R\r"};
  EXPECT_EQ(port.written, expected);
}

TEST_F(EZHR17Driver, MotorToLimitRunsUntilTheMaskedInput) {
  int inputPolls = 0;
  port.responder = [&](const std::string& w) {
    if (w == "/1?2\r") return Wire(96, "5000");
    if (w == "/1?4\r") return Wire(96, ++inputPolls < 3 ? "04" : "08");
    return Wire(96);
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(2, -800), 2);
  const std::vector<std::string> expected = {"/1?2\r", "/1?4\r", "/1V800D0R\r", "/1?4\r",
                                             "/1?4\r", "/1T\r",  "/1V5000R\r"};
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(pump.calls, 0);
}

// One input read per poll interval, sleeping in between.
TEST_F(EZHR17Driver, MotorToLimitReadsTheInputsOncePerInterval) {
  std::vector<uint32_t> readAt;
  port.responder = [&](const std::string& w) {
    if (w == "/1?2\r") return Wire(96, "5000");
    if (w != "/1?4\r") return Wire(96);
    readAt.push_back(clock.now);
    return Wire(96, readAt.size() < 5 ? "00" : "04");
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), 1);
  ASSERT_EQ(readAt.size(), 5u);
  for (size_t i = 2; i < readAt.size(); ++i) EXPECT_GT(readAt[i] - readAt[i - 1], 100u) << i;
  EXPECT_GE(clock.sleptMs, 3 * 100u);
  // Looking for a Stop during the pauses wakes it every 10 ms, not more often.
  EXPECT_GE(pump.stopOnlyCalls, 3 * 10);
  EXPECT_LE(pump.stopOnlyCalls, 3 * 12);
}

TEST_F(EZHR17Driver, MotorToLimitTimesOutAndStillStopsAndRestores) {
  port.responder = [&](const std::string& w) {
    clock.now += 100;  // each exchange takes a while
    if (w == "/1?2\r") return Wire(96, "5000");
    return Wire(96, "00");
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), -2);
  ASSERT_GE(port.written.size(), 3u);
  EXPECT_EQ(port.written[port.written.size() - 2], "/1T\r");
  EXPECT_EQ(port.written.back(), "/1V5000R\r");
}

TEST_F(EZHR17Driver, MotorToLimitSpeedReadFailures) {
  port.responder = [](const std::string& w) { return w == "/1?2\r" ? Wire(99) : Wire(96, "04"); };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), -1);
  EXPECT_EQ(LastLog(), std::string("EZHR17_MotorToLimit: error reading max speed") + "c\x03");
  EXPECT_EQ(port.written, (std::vector<std::string>{"/1?2\r", "/1T\r"}));

  port.written.clear();
  port.responder = [](const std::string& w) {
    return w == "/1?2\r" ? Wire(96, "fast") : Wire(96, "04");
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), -1);
  EXPECT_EQ(LastLog(), "EZHR17_MotorToLimit: bad read of max speed" + std::string("fast"));
  EXPECT_EQ(port.written, (std::vector<std::string>{"/1?2\r", "/1T\r"}));

  // Limit reached but the restore fails: the run is reported as failed.
  port.written.clear();
  port.responder = [](const std::string& w) {
    if (w == "/1?2\r") return Wire(96, "5000");
    if (w == "/1?4\r") return Wire(96, "04");
    return w == "/1V5000R\r" ? Wire(99) : Wire(96);
  };
  EXPECT_EQ(drv.EZHR17_MotorToLimit(1, 800), -1);
  EXPECT_EQ(LastLog(), "EZHR17_MotorToLimit: error restoring max speed");
}

TEST_F(EZHR17Driver, ProbeAsksEveryAddressAndIgnoresSilence) {
  port.responder = [](const std::string& w) { return w == "/1?Q\r" ? Wire(96) : ""; };
  comm.CommSetTimeout(50);
  EXPECT_EQ(drv.EZHR17_Probe(), 1);
  ASSERT_EQ(port.written.size(), 15u);
  EXPECT_EQ(port.written.front(), "/1?Q\r");
  EXPECT_EQ(port.written[9], "/A?Q\r");
  EXPECT_EQ(port.written.back(), "/F?Q\r");
  // The fourteen expected silences make one line.
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"no controller at addresses 2-F"});
}

// A slow link's time-out does not stretch the probe: each silent address costs what a
// reply takes on the wire.
TEST_F(EZHR17Driver, ProbeWaitsForEachAddressOnlyAsLongAsAReplyTakes) {
  port.responder = [](const std::string& w) { return w == "/1?Q\r" ? Wire(96) : ""; };
  comm.CommSetTimeout(300);
  const uint32_t start = clock.now;
  EXPECT_EQ(drv.EZHR17_Probe(), 1);
  EXPECT_LE(clock.now - start, 14 * (ezhr17::kProbeReplyWithinMs + 1u));
  EXPECT_EQ(port.written.size(), 15u);
}
