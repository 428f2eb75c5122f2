// The live position of the main window: when it reads, what one read costs, and the link
// status its reads show.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ZRig.h"
#include "panels/PosPoll.h"

using Lines = std::vector<std::string>;

namespace {

struct PollRig {
  explicit PollRig(int32_t interval) {
    rig.WriteParz();
    EXPECT_EQ(rig.foc.FocInit(), 1);
    rig.state.ZEnabled = 1;
    rig.state.config.ZPOSPOLL = interval;
    rig.Take();
  }
  ZRig rig{"EZHR17"};
  PosPoll poll{rig.state, rig.foc, rig.comm};
};

// What the rig's controller does before a tick.
using Before = std::function<void(ZRig&)>;
const Before kNothing = [](ZRig&) {};

}  // namespace

TEST(PosPoll, ReadsOncePerIntervalAndShowsHowTheLinkIsDoing) {
  struct Step {
    uint32_t now;
    Before before;
    bool read;  // one position query went out
    LinkStatus status;
    const char* caption;
  };
  const Before silent = [](ZRig& r) { r.port.responder = nullptr; };
  const Before answering = [](ZRig& r) {
    r.port.responder = [&r](const std::string& line) {
      return r.controller.Respond(line, r.clock.now);
    };
  };
  const std::vector<Step> steps = {
      {0, [](ZRig& r) { r.controller.position = "20"; }, true, LinkStatus::Answering,
       "Lift  Z=12.50"},
      {300, kNothing, false, LinkStatus::Answering, "Lift  Z=12.50"},
      {499, kNothing, false, LinkStatus::Answering, "Lift  Z=12.50"},
      {500, [](ZRig& r) { r.controller.position = "-3"; }, true, LinkStatus::Answering,
       "Lift  Z=-1.88"},
      {1000, silent, true, LinkStatus::TimeOuts, "Lift"},     // no stale position
      {1500, kNothing, false, LinkStatus::TimeOuts, "Lift"},  // a failed read waits longer
      {2999, answering, false, LinkStatus::TimeOuts, "Lift"},
      {3000, kNothing, true, LinkStatus::Answering, "Lift  Z=-1.88"},
      {3500, [](ZRig& r) { r.comm.CommClosePort(); }, true, LinkStatus::Lost, "Lift"},
      {5500, [](ZRig& r) { r.comm.CommOpenPort(1); }, true, LinkStatus::Answering, "Lift  Z=-1.88"},
      {6000, [](ZRig& r) { r.state.ZEnabled = 0; }, false, LinkStatus::ZOff, "Lift"},
      {6500, [](ZRig& r) { r.state.ZEnabled = 1; }, true, LinkStatus::Answering, "Lift  Z=-1.88"},
      // The clock wraps round: still one read per interval.
      {0xFFFFFF00u, kNothing, true, LinkStatus::Answering, "Lift  Z=-1.88"},
      {0x000000F0u, kNothing, false, LinkStatus::Answering, "Lift  Z=-1.88"},
      {0x00000200u, kNothing, true, LinkStatus::Answering, "Lift  Z=-1.88"},
  };
  PollRig p(500);
  uint32_t changes = p.poll.Changes();
  LinkStatus last = p.poll.Status();
  bool lastHad = false;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.now);
    s.before(p.rig);
    p.rig.Take();
    p.rig.clock.now = s.now;
    EXPECT_EQ(p.poll.Poll(s.now), s.read);
    const Lines sent = p.rig.Take();
    if (s.read && p.poll.Status() != LinkStatus::Lost) {
      ASSERT_FALSE(sent.empty());
      EXPECT_EQ(sent.front(), "/1?0\r");
      EXPECT_EQ(sent.size(), 1u) << "one exchange";
    } else {
      EXPECT_TRUE(sent.empty());
    }
    EXPECT_EQ(p.poll.Status(), s.status);
    EXPECT_EQ(p.poll.Caption("Lift"), s.caption);
    // A redraw is due exactly when something shown changed.
    const bool changed = s.status != last || p.poll.HasPosition() != lastHad;
    if (changed) {
      EXPECT_GT(p.poll.Changes(), changes);
    }
    changes = p.poll.Changes();
    last = s.status;
    lastHad = p.poll.HasPosition();
  }
  EXPECT_TRUE(p.rig.messages.shown.empty()) << "a failed read shows no message box";
}

// A wait for the end of a move lets window events (and so ticks) run between its status
// polls: no position read may go out then.
TEST(PosPoll, NoReadDuringAWait) {
  PollRig p(500);
  p.rig.controller.failing = {"Q"};  // no ready status for two polls
  int polls = 0, reads = 0;
  p.rig.pump.onEvents = [&] {
    if (p.poll.Poll(p.rig.clock.now)) ++reads;
    if (++polls == 2) p.rig.controller.failing.clear();
  };
  p.rig.Take();
  EXPECT_EQ(p.rig.foc.FocWait(), 1);
  EXPECT_GE(polls, 2);
  EXPECT_EQ(reads, 0);
  for (const auto& line : p.rig.Take()) EXPECT_NE(line, "/1?0\r");
  EXPECT_TRUE(p.poll.Poll(p.rig.clock.now));  // after the wait: due at once
}
