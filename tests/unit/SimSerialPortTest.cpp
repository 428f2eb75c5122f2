// The built-in simulated controller behind the serial-port seam.
#include <gtest/gtest.h>

#include "platform/SimSerialPort.h"
#include "support/Fakes.h"

namespace {

// Reads until the reply ends with terminator or a wait times out.
std::string ReadReply(SimSerialPort& port, std::string_view terminator) {
  std::string got;
  PortError err;
  while (got.size() < terminator.size() ||
         got.substr(got.size() - terminator.size()) != terminator) {
    if (!port.WaitForData(1000)) break;
    port.Read(got, err);
  }
  return got;
}

}  // namespace

TEST(SimSerialPort, NamesSelectFamilyAddressLimitsAndFaults) {
  ksim::Options o;
  std::string error;
  ASSERT_TRUE(SimSerialPort::ParseName("sim:IM483I", o, error));
  EXPECT_EQ(o.family, ksim::Family::IM483I);
  EXPECT_EQ(o.address, '1');
  EXPECT_TRUE(o.wireTime);
  EXPECT_FALSE(o.lowerLimit || o.upperLimit);
  ASSERT_TRUE(SimSerialPort::ParseName(
      "sim:EZHR17:address=B:lower=-500:upper=9000:nowire:delay=200:split:error=4", o, error));
  EXPECT_EQ(o.family, ksim::Family::EZHR17);
  EXPECT_EQ(o.address, 'B');
  EXPECT_EQ(o.lowerLimit, -500);
  EXPECT_EQ(o.upperLimit, 9000);
  EXPECT_FALSE(o.wireTime);
  EXPECT_EQ(o.faults.delayMs, 200);
  EXPECT_TRUE(o.faults.split);
  EXPECT_EQ(o.faults.errorCode, 4);

  FakeClock clock;
  SimSerialPort port(clock);
  for (const char* bad : {"sim:EZHR18", "sim:", "/dev/ttyS0", "sim:ezhr17", "sim:EZHR17:",
                          "sim:EZHR17:bogus", "sim:IM483I:address=12", "sim:IM483I:lower=x"}) {
    PortError err;
    EXPECT_FALSE(port.Open(bad, err)) << bad;
    EXPECT_NE(err.code, 0) << bad;
    EXPECT_FALSE(err.description.empty()) << bad;
    EXPECT_FALSE(port.IsOpen());
  }
  PortError err;
  EXPECT_FALSE(port.Write("/1Q\r", err));
  EXPECT_EQ(port.Waiting(err), -1);
}

TEST(SimSerialPort, RepliesArriveAtWireSpeedWithoutSpinning) {
  FakeClock clock;
  SimSerialPort port(clock);
  PortError err;
  ASSERT_TRUE(port.Open("sim:EZHR17", err));
  ASSERT_TRUE(port.Write("/1?0\r", err));
  EXPECT_EQ(port.Waiting(err), 0);  // nothing is on the line yet
  EXPECT_EQ(ReadReply(port, "\r\n"), std::string("\xFF/0`0\x03\r\n"));
  EXPECT_LE(clock.sleptMs, 10u);  // 7 bytes at 9600 baud
  EXPECT_GE(clock.sleptMs, 7u);

  // Nothing coming: the wait sleeps out its time-out and reports no data.
  clock.sleptMs = 0;
  ASSERT_TRUE(port.Write("/2?0\r", err));
  EXPECT_FALSE(port.WaitForData(300));
  EXPECT_EQ(clock.sleptMs, 300u);
  EXPECT_EQ(port.Waiting(err), 0);

  // A delayed reply: the wait sleeps until it is due.
  ASSERT_TRUE(port.Open("sim:IM483I:nowire:delay=200", err));
  clock.sleptMs = 0;
  ASSERT_TRUE(port.Write("1Z\n", err));
  EXPECT_FALSE(port.WaitForData(150));
  EXPECT_TRUE(port.WaitForData(1000));
  EXPECT_EQ(clock.sleptMs, 200u);
  std::string got;
  ASSERT_TRUE(port.Read(got, err));
  EXPECT_EQ(got, "1Z0\n");
}

TEST(SimSerialPort, ControllerKeepsItsStateWhenThePortIsReopened) {
  FakeClock clock;
  SimSerialPort port(clock);
  std::vector<std::string> log;
  port.SetLogSink([&](const std::string& l) { log.push_back(l); });
  PortError err;
  ASSERT_TRUE(port.Open("sim:IM483I:nowire", err));
  ASSERT_TRUE(port.Write("1+40\n", err));
  clock.now += 1000;
  ASSERT_TRUE(port.Close(err));
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(port.Open("sim:IM483I:nowire", err));
  EXPECT_EQ(port.Waiting(err), 0);  // the old reply went with the close
  ASSERT_TRUE(port.Write("1Z\n", err));
  EXPECT_EQ(ReadReply(port, "\n"), "1Z40\n");
  ASSERT_NE(port.Sim(), nullptr);
  EXPECT_EQ(port.Sim()->axis().Register(port.NowUs()), 40);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], "> 1Z\\n");
  EXPECT_EQ(log[3], "< 1Z40\\n");
  // Another name is another controller.
  ASSERT_TRUE(port.Open("sim:IM483I:nowire:address=2", err));
  ASSERT_TRUE(port.Write("2Z\n", err));
  EXPECT_EQ(ReadReply(port, "\n"), "2Z0\n");
}
