#include "controller/COMM.h"

#include <gtest/gtest.h>

#include "support/LinkFakes.h"

namespace {

std::vector<std::string> LogLines(const COMM& comm) {
  std::vector<std::string> lines;
  const std::string log = comm.CommGetLog();
  size_t from = 0;
  for (size_t at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(log.substr(from, at - from));
  EXPECT_EQ(from, log.size()) << "every line ends with CR LF";
  return lines;
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  int n = 0;
  for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

// An EZHR17-style link: commands end in CR, replies in CR LF.
class CommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comm.CommInit();
    comm.CommSetOutTerm(13);
    comm.CommSetInTerm(13);
    comm.CommSetInTerm2(10);
    ASSERT_TRUE(comm.CommOpenPort(1));
  }
  FakeClock clock;
  FlakyPort port{clock};
  COMM comm{port, clock};
  std::string reply;
};

TEST_F(CommTest, WritesTextAndTerminatorAndJoinsReplyPieces) {
  port.chunks = {"/0", "`", "\x03\r", "\n"};
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), 1);
  ASSERT_EQ(port.written.size(), 1u);
  EXPECT_EQ(port.written[0], "/1?0\r");
  EXPECT_EQ(reply, "/0`\x03");
  EXPECT_EQ(clock.now, 0u) << "the reply was taken as soon as its end arrived";
  EXPECT_EQ(comm.CommGetLog(), "");
}

TEST_F(CommTest, SingleTerminatorReply) {
  port.chunks = {"abc\r"};
  EXPECT_EQ(comm.CommIn(reply), 1);
  EXPECT_EQ(reply, "abc");

  // A terminator followed by more text in the same arrival does not end the reply.
  port.chunks = {"ab\rc", "d\r"};
  EXPECT_EQ(comm.CommIn(reply), 1);
  EXPECT_EQ(reply, "ab\rcd");
}

TEST_F(CommTest, TwoTerminatorsMustComeInOrder) {
  port.chunks = {"xy\r\n"};
  EXPECT_EQ(comm.CommIn2(reply), 1);
  EXPECT_EQ(reply, "xy");

  port.chunks = {"xy\n\r"};
  EXPECT_EQ(comm.CommIn2(reply), -1);
  EXPECT_EQ(reply, "xy\n\r") << "nothing is removed after a time-out";
  EXPECT_GT(clock.now, 1000u);
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"Port TimeOut"});
}

TEST_F(CommTest, TimeOutHandsBackPartialTextWithOneLogLine) {
  comm.CommSetTimeout(200);
  port.chunks = {"par", "tial"};
  EXPECT_EQ(comm.CommIn(reply), -1);
  EXPECT_EQ(reply, "partial");
  EXPECT_EQ(clock.now, 201u) << "ends just after the time-out, measured from the start";
  EXPECT_LE(port.waitCalls, 4) << "blocks on the port instead of polling";
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"Port TimeOut"});

  // Silence gives empty text.
  EXPECT_EQ(comm.CommIn2(reply), -1);
  EXPECT_EQ(reply, "");
}

TEST_F(CommTest, TimeOutSurvivesClockWrap) {
  clock.now = 0xFFFFFF00u;  // 256 ms before the 32-bit clock wraps
  comm.CommSetTimeout(500);
  EXPECT_EQ(comm.CommIn(reply), -1);
  EXPECT_EQ(static_cast<uint32_t>(clock.now - 0xFFFFFF00u), 501u);

  const uint32_t start = clock.now = 0xFFFFFFF0u;
  comm.Delay().DelayMs(100);
  EXPECT_EQ(static_cast<uint32_t>(clock.now - start), 101u);
}

TEST_F(CommTest, PortFailureWhilePollingIsLoggedOnceAndReadGoesOn) {
  port.failPolls = 3;
  port.chunks = {"ok\r"};
  EXPECT_EQ(comm.CommIn(reply), 1) << "completed before the time-out";
  EXPECT_EQ(reply, "ok");
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"CommIn  5 Read fault"});

  port.failPolls = 1000000;
  comm.CommSetTimeout(50);
  EXPECT_EQ(comm.CommIn2(reply), -1);
  EXPECT_EQ(clock.now, 51u) << "kept waiting until the time-out";
  const auto lines = LogLines(comm);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "CommIn2  5 Read fault");
  EXPECT_EQ(lines[2], "Port TimeOut");
}

TEST_F(CommTest, OutInResultNeedsBothHalves) {
  port.responder = [](const std::string&) { return std::string("ok\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("A", reply), 1);

  // A failed write still reads, and the reply is handed back, but the result is -1.
  port.failWrites = 1;
  port.chunks = {"late\r\n"};
  EXPECT_EQ(comm.CommOutIn2("B", reply), -1);
  EXPECT_EQ(reply, "late");
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"CommOut  7 Write fault"});

  // The IM483I form: LF ends command and reply.
  comm.CommSetOutTerm(10);
  comm.CommSetInTerm(10);
  port.responder = [](const std::string& cmd) { return cmd; };  // echo
  EXPECT_EQ(comm.CommOutIn("V", reply), 1);
  EXPECT_EQ(port.written.back(), "V\n");
  EXPECT_EQ(reply, "V");
}

TEST_F(CommTest, ClosedPortFailsWithItsOwnLinesAndAtOnce) {
  ASSERT_TRUE(comm.CommClosePort());
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), -1);
  EXPECT_EQ(LogLines(comm),
            (std::vector<std::string>{"CommOut  13 Port not open", "CommIn2  13 Port not open"}));
  EXPECT_EQ(clock.now, 0u) << "a closed port cannot deliver a reply";
}

TEST_F(CommTest, OpeningNamesThePortAndLogsFailure) {
  comm.CommClosePort();
  ASSERT_TRUE(comm.CommOpenPort(3));
  EXPECT_EQ(port.openedName, "/dev/ttyS2");
  comm.CommSetPortName("sim:EZHR17");
  ASSERT_TRUE(comm.CommOpenPort(3));
  EXPECT_EQ(port.openedName, "sim:EZHR17");

  port.open = false;
  port.failOpen = true;
  EXPECT_FALSE(comm.CommOpenPort(1));
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"CommOpenPort  2 No such file or directory"});
}

TEST_F(CommTest, InitSetsUpLinkAndExitClearsFlag) {
  int setups = 0;
  comm.SetTerminatorSetup([&] { ++setups; });
  FakeStatusLine label;
  comm.CommSetMsgLabel(&label);
  comm.CommSetTimeout(250);
  comm.CommLogAdd("old");
  comm.CommInit();
  EXPECT_EQ(setups, 1);
  EXPECT_EQ(comm.CommTimeout(), 1000);
  EXPECT_EQ(comm.CommIsInit(), 1);
  EXPECT_EQ(comm.CommGetLog().find("old"), std::string::npos);
  comm.CommLogMsg("after");
  EXPECT_EQ(label.text, "") << "the label was cleared";
  comm.CommExit();
  EXPECT_EQ(comm.CommIsInit(), 0);
}

TEST_F(CommTest, LogRingKeepsLast101LinesOldestFirst) {
  for (int i = 1; i <= 101; ++i) comm.CommLogAdd("line " + std::to_string(i));
  auto lines = LogLines(comm);
  ASSERT_EQ(lines.size(), 101u);
  EXPECT_EQ(lines.front(), "line 1");
  EXPECT_EQ(lines.back(), "line 101");

  comm.CommLogAdd("line 102");
  lines = LogLines(comm);
  ASSERT_EQ(lines.size(), 101u);
  EXPECT_EQ(lines.front(), "line 2");
  EXPECT_EQ(lines.back(), "line 102");
}

TEST_F(CommTest, LogMessagesReachTheStatusLine) {
  comm.CommLogMsgAppend("quiet");  // no display: only logged
  FakeStatusLine label;
  label.text = "Z Rel 5";
  comm.CommSetMsgLabel(&label);
  comm.CommLogMsgAppend("Port TimeOut");
  EXPECT_EQ(label.text, "Z Rel 5, Port TimeOut");
  comm.CommLogMsg("ERROR # 1004");
  EXPECT_EQ(label.text, "ERROR # 1004");
  EXPECT_EQ(LogLines(comm),
            (std::vector<std::string>{"quiet", "Port TimeOut", "ERROR # 1004"}));
}

TEST_F(CommTest, PortErrorEventsAboveThousandAreLogged) {
  port.Event(1000);
  port.Event(2);
  EXPECT_EQ(comm.CommGetLog(), "");
  port.Event(SerialPort::kEventFrame);
  port.Event(SerialPort::kEventOverrun);
  EXPECT_EQ(LogLines(comm), (std::vector<std::string>{"ERROR # 1004", "ERROR # 1006"}));
}

TEST_F(CommTest, StaleInputIsDiscardedBeforeTheNextCommand) {
  // A reply that came after its time-out waits in the buffer; it must not become the
  // head of the next reply.
  port.input = "/0`\x03\r\n";
  port.responder = [](const std::string&) { return std::string("/0@\x03\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  EXPECT_EQ(reply, "/0@\x03");
  EXPECT_EQ(LogLines(comm),
            std::vector<std::string>{"CommOut discarded stale input: /0`\\x03\\r\\n"});

  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  EXPECT_EQ(LogLines(comm).size(), 1u) << "nothing stale, nothing logged";
}

TEST_F(CommTest, LostDeviceClosesPortOnceAndLaterExchangesFailFast) {
  port.responder = [](const std::string&) { return std::string("ok\r\n"); };
  ASSERT_EQ(comm.CommOutIn2("A", reply), 1);
  const int opensBefore = port.opens;

  port.responder = nullptr;
  port.HangUp();
  port.failOpen = true;  // and stays away for now
  EXPECT_EQ(comm.CommOutIn2("B", reply), -1);
  EXPECT_FALSE(port.IsOpen());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(comm.CommOutIn2("C", reply), -1);
  EXPECT_EQ(clock.now, 0u) << "no exchange waited for a reply that cannot come";
  EXPECT_EQ(port.opens - opensBefore, 1) << "one try to open it again within a second";
  auto lines = LogLines(comm);
  EXPECT_EQ(Count(lines, "CommPort device lost: Input/output error"), 1);
  EXPECT_EQ(lines.size(), 1u + 6u * 2u) << "one loss line, then one line per half";
  EXPECT_EQ(Count(lines, "CommOut  13 Port not open"), 6);

  // The loss reported as an event while idle is not logged again.
  port.Event(SerialPort::kEventDeviceLost);
  EXPECT_EQ(LogLines(comm).size(), lines.size());

  // A second later the next exchange tries again; the device is still away.
  clock.now += COMM::kReopenIntervalMs;
  EXPECT_EQ(comm.CommOutIn2("C", reply), -1);
  EXPECT_EQ(port.opens - opensBefore, 2);

  // The device is back: the next exchange due for a try opens the same device, says so
  // once, and goes on. Nothing is set up again.
  port.failOpen = false;
  port.responder = [](const std::string&) { return std::string("ok\r\n"); };
  clock.now += COMM::kReopenIntervalMs - 1;
  EXPECT_EQ(comm.CommOutIn2("D", reply), -1) << "not yet a second since the last try";
  clock.now += 1;
  port.written.clear();
  EXPECT_EQ(comm.CommOutIn2("D", reply), 1);
  EXPECT_EQ(reply, "ok");
  EXPECT_EQ(port.openedName, "/dev/ttyS0");
  EXPECT_EQ(port.written, std::vector<std::string>{"D\r"});
  EXPECT_EQ(LogLines(comm).back(), "CommPort reopened: /dev/ttyS0");
  EXPECT_EQ(comm.CommOutIn2("E", reply), 1);
  EXPECT_EQ(Count(LogLines(comm), "CommPort reopened: "), 1);

  // A second loss after the reopen is reported again, once.
  port.Event(SerialPort::kEventDeviceLost);
  port.Event(SerialPort::kEventDeviceLost);
  EXPECT_FALSE(port.IsOpen());
  lines = LogLines(comm);
  EXPECT_EQ(Count(lines, "CommPort device lost: "), 2);

  // Closed on purpose (re-configuration), the port is not opened behind the caller's back.
  ASSERT_TRUE(comm.CommOpenPort(1));
  comm.CommClosePort();
  clock.now += COMM::kReopenIntervalMs;
  EXPECT_EQ(comm.CommOutIn2("F", reply), -1);
  EXPECT_FALSE(port.IsOpen());
}

TEST(Delay32Test, DelayWaitsStrictlyLongerAndSleeps) {
  FakeClock clock;
  Delay32 delay(clock);
  delay.DelayMs(0);
  EXPECT_EQ(clock.now, 1u) << "0 waits until the clock has moved";
  delay.DelayMs(-5);
  EXPECT_EQ(clock.now, 1u);
  delay.DelayMs(3000);
  EXPECT_EQ(clock.now, 3002u);
  EXPECT_EQ(clock.sleptMs, 3002u) << "all of it asleep";
  EXPECT_EQ(delay.GetTickMs(), 3002u);
}

TEST(Delay32Test, SecondsOfDayAndElapsedAcrossMidnight) {
  FakeClock clock;
  Delay32 delay(clock);
  clock.startOfDay = 10.5;
  EXPECT_EQ(delay.SecondsOfDay(), 10);  // a half to the even neighbour
  clock.startOfDay = 11.5;
  EXPECT_EQ(delay.SecondsOfDay(), 12);
  clock.startOfDay = 86399.7;
  EXPECT_EQ(delay.SecondsOfDay(), 0);
  EXPECT_EQ(Delay32::SecondsSince(86390, 5), 15);
  EXPECT_EQ(Delay32::SecondsSince(100, 160), 60);
}

}  // namespace
