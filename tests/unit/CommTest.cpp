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

// Sets up an EZHR17-style link (commands end in CR, replies in CR LF) and opens it.
bool OpenEzhr17Link(COMM& comm) {
  comm.CommInit();
  comm.CommSetOutTerm(13);
  comm.CommSetInTerm(13);
  comm.CommSetInTerm2(10);
  return comm.CommOpenPort(1);
}

class CommTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenEzhr17Link(comm)); }
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
  EXPECT_EQ(LogLines(comm), (std::vector<std::string>{"quiet", "Port TimeOut", "ERROR # 1004"}));
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

namespace {

// An EZHR17-style link with a 100 ms time-out on a line whose bytes land at set times.
class TimedLink : public ::testing::Test {
 protected:
  static constexpr uint32_t kT = 100;
  void SetUp() override {
    ASSERT_TRUE(OpenEzhr17Link(comm));
    comm.CommSetTimeout(kT);
    port.replyDelayMs = 10;
  }
  FakeClock clock;
  TimedPort port{clock};
  COMM comm{port, clock};
  std::string reply;
};

struct LateReply {
  double delay;          // when the late reply lands, in time-outs after its command
  uint32_t lastWriteBy;  // the next command is written no later than this (ms)
};

}  // namespace

// The reply to a command that timed out lands during the next wait: it is dropped before
// the next command goes out, and every answer belongs to its own command.
TEST_F(TimedLink, LateReplyNeverAnswersTheNextCommand) {
  const std::vector<LateReply> cases = {{1.5, 250}, {2.0, 300}, {2.5, 350},
                                        {3.0, 400}, {4.0, 500}, {4.5, 550}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delay);
    clock.now = 0;
    port.writeTimes.clear();
    comm.CommInit();
    comm.CommSetTimeout(kT);
    port.responder = nullptr;
    port.At(static_cast<uint32_t>(c.delay * kT), "/0`111\x03\r\n");
    ASSERT_EQ(comm.CommOutIn2("/1?0", reply), -1);

    port.responder = [](const std::string&) { return std::string("/0`222\x03\r\n"); };
    EXPECT_EQ(comm.CommOutIn2("/1?4", reply), 1);
    EXPECT_EQ(reply, "/0`222\x03");
    ASSERT_EQ(port.writeTimes.size(), 2u);
    EXPECT_LE(port.writeTimes[1], c.lastWriteBy);
    auto lines = LogLines(comm);
    std::erase(lines, "");  // CommInit keeps the ring's write index
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Port TimeOut", "CommOut discarded stale input: /0`111\\x03\\r\\n"}));
    EXPECT_TRUE(port.arrivals.empty());
  }
}

TEST_F(TimedLink, QuietWaitIsBoundedAndOnlyFollowsAFailedRead) {
  // A reply that never comes: the next command waits out the time a late one could take.
  ASSERT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  const uint32_t gaveUp = clock.now;
  port.responder = [](const std::string&) { return std::string("/0`\x03\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  EXPECT_EQ(port.writeTimes.back(), gaveUp + COMM::kLateReplyTimeouts * kT);

  // After a good exchange the next command goes out at once.
  const uint32_t before = clock.now;
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  EXPECT_EQ(port.writeTimes.back(), before);

  // Long after a failed read, no late reply is waited for: what came meanwhile is dropped,
  // and the line must be quiet for one time-out (when those bytes came cannot be known).
  port.responder = nullptr;
  ASSERT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  port.At(clock.now + 50, "late\r\n");
  clock.now += 2000;
  port.responder = [](const std::string&) { return std::string("/0`\x03\r\n"); };
  const uint32_t idle = clock.now;
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  EXPECT_EQ(port.writeTimes.back(), idle + kT);
  EXPECT_EQ(LogLines(comm).back(), "CommOut discarded stale input: late\\r\\n");

  // A line that never falls quiet holds the next command up for a bounded time only.
  port.responder = nullptr;
  ASSERT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  const uint32_t failed = clock.now;
  for (uint32_t t = failed + 20; t < failed + 5000; t += 30) port.At(t, "#");
  port.responder = [](const std::string&) { return std::string("/0`\x03\r\n"); };
  comm.CommOutIn2("/1Q", reply);  // noise comes along with the reply
  EXPECT_LE(port.writeTimes.back(), failed + (COMM::kLateReplyTimeouts + 2) * kT + 30);
  const auto lines = LogLines(comm);
  EXPECT_EQ(Count(lines, "CommOut discarded stale input: ##"), 1);
  port.arrivals.clear();
}

TEST_F(TimedLink, IgnoredRepliesDoNotWaitBetweenThemButTheNextCommandDoes) {
  {
    COMM::IgnoredReplies ignored(comm);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(comm.CommOutIn2("/2?Q", reply), -1);
  }
  EXPECT_EQ(port.writeTimes, (std::vector<uint32_t>{0, kT + 1, 2 * (kT + 1)}));
  // The first command after them waits for a quiet line, and a reply late by less than
  // that is dropped.
  port.At(clock.now + kT / 2, "/0`\x03\r\n");
  const uint32_t gaveUp = clock.now;
  port.responder = [](const std::string&) { return std::string("/0`7\x03\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), 1);
  EXPECT_EQ(reply, "/0`7\x03");
  EXPECT_EQ(port.writeTimes.back(), gaveUp + kT / 2 + kT);
}

// Ignored replies with a bound on their time: each read waits that long (not the whole
// time-out), and so does the quiet line before the next command.
TEST_F(TimedLink, IgnoredRepliesWithABoundWaitNoLonger) {
  constexpr int16_t kWithin = 30;
  {
    COMM::IgnoredReplies ignored(comm, kWithin);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(comm.CommOutIn2("/2?Q", reply), -1);
  }
  EXPECT_EQ(port.writeTimes, (std::vector<uint32_t>{0, kWithin + 1, 2 * (kWithin + 1)}));
  const uint32_t gaveUp = clock.now;
  port.responder = [](const std::string&) { return std::string("/0`7\x03\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), 1);
  EXPECT_EQ(port.writeTimes.back(), gaveUp + kWithin);
  // Outside the scope the time-out is whole again.
  port.responder = nullptr;
  const uint32_t start = clock.now;
  EXPECT_EQ(comm.CommIn2(reply), -1);
  EXPECT_EQ(clock.now - start, kT + 1);
}

namespace {

struct DeadlineCase {
  const char* name;
  bool twoTerms;
  std::string arrives;  // lands 17 ms after the write; the wait comes back 118 ms late
  int16_t result;
  std::string reply;
};

}  // namespace

// The thread comes back from its wait only after the deadline, with the bytes waiting:
// what has arrived decides, not the clock.
TEST_F(TimedLink, ReplyWaitingAtTheDeadlineIsNoTimeOut) {
  const std::vector<DeadlineCase> cases = {
      {"whole CR LF reply", true, "/0`5\x03\r\n", 1, "/0`5\x03"},
      {"whole LF reply", false, "1Z5\n", 1, "1Z5"},
      {"reply still missing its LF", true, "/0`5\x03\r", -1, "/0`5\x03\r"},
      {"bytes after the terminator", false, "1Z5\nx", -1, "1Z5\nx"},
  };
  port.oversleepMs = 101;
  port.replyDelayMs = 17;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    comm.CommInit();
    comm.CommSetTimeout(kT);
    comm.CommSetInTerm(c.twoTerms ? 13 : 10);
    const std::string bytes = c.arrives;
    port.responder = [&bytes](const std::string&) { return bytes; };
    clock.now += 10 * kT;  // nothing outstanding from the case before
    const int16_t r = c.twoTerms ? comm.CommOutIn2("/1?0", reply) : comm.CommOutIn("1Z", reply);
    EXPECT_EQ(r, c.result);
    EXPECT_EQ(reply, c.reply);
    EXPECT_GT(clock.now - port.writeTimes.back(), kT) << "the deadline had passed";
    EXPECT_EQ(comm.CommGetLog().find("Port TimeOut") != std::string::npos, c.result < 0);
    port.input.clear();
  }
}

TEST_F(CommTest, LogKeepsAtMostOneKibibyteOfEachLine) {
  FakeStatusLine status;
  comm.CommSetMsgLabel(&status);
  const std::string huge(1 << 20, 'x');
  comm.CommLogMsg("CON " + huge);
  comm.CommLogAdd(std::string(COMM::kMaxLogLine, 'y'));
  comm.CommLogMsgAppend(huge);
  const auto lines = LogLines(comm);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "CON " + huge.substr(0, COMM::kMaxLogLine - 4));
  EXPECT_EQ(lines[1], std::string(COMM::kMaxLogLine, 'y'));
  EXPECT_EQ(lines[2].size(), COMM::kMaxLogLine);
  EXPECT_EQ(status.text.size(), 2 * COMM::kMaxLogLine + 2);

  // A stale megabyte on the line makes one short line too.
  port.input = huge;
  port.responder = [](const std::string&) { return std::string("ok\r\n"); };
  EXPECT_EQ(comm.CommOutIn2("A", reply), 1);
  EXPECT_EQ(LogLines(comm).back().size(), COMM::kMaxLogLine);
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
