#include "platform/PortSelector.h"

#include <gtest/gtest.h>

#include "support/Fakes.h"

namespace {

TEST(PortSelectorTest, RoutesByNameAndForwardsOnlyTheActivePort) {
  FakeClock clock;
  FakePort real(clock), sim(clock);
  PortSelector port(real, sim);
  std::vector<int> events;
  port.SetEventHandler([&](int code) { events.push_back(code); });
  PortError err;

  EXPECT_FALSE(port.Write("x", err)) << "nothing opened yet";

  ASSERT_TRUE(port.Open("sim:EZHR17:split", err));
  EXPECT_EQ(sim.openedName, "sim:EZHR17:split");
  EXPECT_TRUE(port.IsOpen());
  sim.responder = [](const std::string&) { return std::string("ok\r\n"); };
  ASSERT_TRUE(port.Write("/1Q\r", err));
  EXPECT_EQ(port.Waiting(err), 4);
  std::string got;
  ASSERT_TRUE(port.Read(got, err));
  EXPECT_EQ(got, "ok\r\n");
  real.Event(1004);
  sim.Event(1006);
  EXPECT_EQ(events, std::vector<int>{1006});

  // Another device: the simulated port is let go, the real one takes over.
  ASSERT_TRUE(port.Open("/dev/ttyUSB0", err));
  EXPECT_FALSE(sim.IsOpen());
  EXPECT_EQ(real.openedName, "/dev/ttyUSB0");
  ASSERT_TRUE(port.Write("A\r", err));
  EXPECT_EQ(real.written, std::vector<std::string>{"A\r"});
  real.Event(SerialPort::kEventDeviceLost);
  EXPECT_EQ(events, (std::vector<int>{1006, SerialPort::kEventDeviceLost}));
  ASSERT_TRUE(port.Close(err));
  EXPECT_FALSE(real.IsOpen());
}

}  // namespace
