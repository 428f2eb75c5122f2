// Travel limits of the Z axis (ZMIN, ZMAX): which moves, steps and runs are refused, what
// reaches the controller, and how a run is stopped at a limit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ZRig.h"

using Lines = std::vector<std::string>;

namespace {

constexpr int16_t kOut = STFoc::kOutOfRange;

// ST_PARZ.TXT with the given changes and extra keys at its end.
void WriteParzWith(ZRig& rig, const ParzChanges& changes, const ParzChanges& extra) {
  rig.WriteParz(changes);
  std::ofstream out(rig.ParzPath(), std::ios::app | std::ios::binary);
  for (const auto& [k, v] : extra) out << '"' << k << "\"," << v << "\r\n";
}

// 0.625 units per step; the limits -100 and 500 are steps -160 and 800.
ZRig& Limited(ZRig& rig, const ParzChanges& changes = {}) {
  WriteParzWith(rig, changes, {{"ZMIN", "-100"}, {"ZMAX", "500"}});
  return rig;
}

}  // namespace

TEST(ZLimits, AreOnOnlyWithBothKeysSpanningARange) {
  struct Case {
    ParzChanges keys;
    bool on;
    int16_t init;
    size_t messages;
  };
  const std::vector<Case> cases = {
      {{}, false, 1, 0},
      {{{"ZMIN", "-100"}}, false, 1, 0},
      {{{"ZMAX", "500"}}, false, 1, 0},
      {{{"ZMIN", "-100"}, {"ZMAX", "500"}}, true, 1, 0},
      {{{"ZMIN", "0"}, {"ZMAX", "1e3"}}, true, 1, 0},
      {{{"ZMIN", "0"}, {"ZMAX", "0"}}, false, 1, 0},  // as shipped: off
      {{{"ZMIN", "500"}, {"ZMAX", "500"}}, false, 1, 0},
      {{{"ZMIN", "600"}, {"ZMAX", "500"}}, false, 1, 1},   // swapped: said, and off
      {{{"ZMIN", "low"}, {"ZMAX", "500"}}, false, -1, 1},  // meant but unusable: Z off
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.empty() ? "no keys" : c.keys.front().second);
    ZRig rig("EZHR17");
    WriteParzWith(rig, {}, c.keys);
    EXPECT_EQ(rig.foc.FocInit(), c.init);
    EXPECT_EQ(rig.foc.FocLimitsOn(), c.on);
    EXPECT_EQ(rig.messages.shown.size(), c.messages);
  }
}

// What each operation sends from a given position, with and without limits.
TEST(ZLimits, MovesInsidePassAndMovesOutsideSendNoMotion) {
  struct Case {
    const char* what;
    bool limits;
    const char* start;  // controller steps
    std::function<int16_t(STFoc&)> op;
    int16_t result;
    Lines sent;
  };
  const std::vector<Case> cases = {
      {"abs to the upper limit",
       true,
       "0",
       [](STFoc& f) { return f.FocMoveAbs(500); },
       1,
       {"/1A800R\r"}},
      {"abs to the lower limit",
       true,
       "0",
       [](STFoc& f) { return f.FocMoveAbs(-100); },
       1,
       {"/1A-160R\r"}},
      {"abs just above", true, "0", [](STFoc& f) { return f.FocMoveAbs(500.1); }, kOut, {}},
      {"abs just below", true, "0", [](STFoc& f) { return f.FocMoveAbs(-100.5); }, kOut, {}},
      {"abs far out, limits off",
       false,
       "0",
       [](STFoc& f) { return f.FocMoveAbs(1e5); },
       1,
       {"/1A160000R\r"}},
      {"abs back in from beyond",
       true,
       "1000",
       [](STFoc& f) { return f.FocMoveAbs(400); },
       1,
       {"/1A640R\r"}},
      {"rel onto the limit",
       true,
       "0",
       [](STFoc& f) { return f.FocMoveRel(500); },
       1,
       {"/1?0\r", "/1P800R\r"}},
      {"rel past the limit",
       true,
       "0",
       [](STFoc& f) { return f.FocMoveRel(500.625); },
       kOut,
       {"/1?0\r"}},
      {"rel down past", true, "-150", [](STFoc& f) { return f.FocMoveRel(-10); }, kOut, {"/1?0\r"}},
      {"rel, limits off: no read",
       false,
       "0",
       [](STFoc& f) { return f.FocMoveRel(1e5); },
       1,
       {"/1P160000R\r"}},
      {"rel back from beyond",
       true,
       "1000",
       [](STFoc& f) { return f.FocMoveRel(-10); },
       1,
       {"/1?0\r", "/1D16R\r"}},
      {"rel further out from beyond",
       true,
       "1000",
       [](STFoc& f) { return f.FocMoveRel(10); },
       kOut,
       {"/1?0\r"}},
      {"rel across the range from beyond",
       true,
       "1000",
       [](STFoc& f) { return f.FocMoveRel(-1000); },
       kOut,
       {"/1?0\r"}},
      {"rel back from below",
       true,
       "-400",
       [](STFoc& f) { return f.FocMoveRel(50); },
       1,
       {"/1?0\r", "/1P80R\r"}},
      {"run up from inside",
       true,
       "0",
       [](STFoc& f) { return f.FocMoveVel(100); },
       1,
       {"/1?0\r", "/1V100P0R\r"}},
      {"run up at the upper limit",
       true,
       "800",
       [](STFoc& f) { return f.FocMoveVel(100); },
       kOut,
       {"/1?0\r"}},
      {"run down at the upper limit",
       true,
       "800",
       [](STFoc& f) { return f.FocMoveVel(-100); },
       1,
       {"/1?0\r", "/1V100D0R\r"}},
      {"run down beyond the lower",
       true,
       "-161",
       [](STFoc& f) { return f.FocMoveVel(-5); },
       kOut,
       {"/1?0\r"}},
      {"stop beyond: always sent",
       true,
       "5000",
       [](STFoc& f) { return f.FocStop(); },
       1,
       {"/1T\r"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZRig rig("EZHR17");
    if (c.limits) Limited(rig);
    else rig.WriteParz();
    ASSERT_EQ(rig.foc.FocInit(), 1);
    rig.controller.position = c.start;
    rig.Take();
    EXPECT_EQ(c.op(rig.foc), c.result);
    EXPECT_EQ(rig.Take(), c.sent);
  }
}

// Homing must reach the switch wherever it lies: the limits change nothing it sends.
TEST(ZLimits, HomingIgnoresThem) {
  std::vector<Lines> sent;
  for (const bool limits : {false, true}) {
    ZRig rig("EZHR17");
    if (limits) Limited(rig);
    else rig.WriteParz();
    ASSERT_EQ(rig.foc.FocInit(), 1);
    rig.controller.position = "-5000";
    rig.controller.answers = {{"?2", "2000"}, {"?4", "4"}};  // a limit input active
    rig.clock.autoAdvanceMs = 1;  // a missed switch ends at the move time-out
    rig.Take();
    EXPECT_EQ(rig.foc.FocHome(), 1);
    sent.push_back(rig.Take());
  }
  EXPECT_EQ(sent[0], sent[1]);
  EXPECT_EQ(sent[1].front(), "/1?2\r");
}

TEST(ZLimits, WatchStopsARunAtTheLimitItRunsTowards) {
  ZRig rig("EZHR17");
  ASSERT_EQ(Limited(rig).foc.FocInit(), 1);
  rig.Take();
  EXPECT_EQ(rig.foc.FocWatchRun(), 0);  // no run: nothing read
  ASSERT_EQ(rig.foc.FocMoveVel(1000), 1);
  rig.Take();

  struct Step {
    const char* position;
    int16_t result;
    Lines sent;
  };
  const std::vector<Step> steps = {
      {"400", 1, {"/1?0\r"}},
      {"799", 1, {"/1?0\r"}},
      {"812", 2, {"/1?0\r", "/1T\r"}},
      {"812", 0, {}},  // stopped: no longer watched
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.position);
    rig.controller.position = s.position;
    EXPECT_EQ(rig.foc.FocWatchRun(), s.result);
    EXPECT_EQ(rig.Take(), s.sent);
  }

  // A run away from the limit is watched against the other one only.
  ASSERT_EQ(rig.foc.FocMoveVel(-1000), 1);
  rig.Take();
  rig.controller.position = "900";
  EXPECT_EQ(rig.foc.FocWatchRun(), 1);
  rig.controller.position = "-160";
  EXPECT_EQ(rig.foc.FocWatchRun(), 2);
  EXPECT_EQ(rig.Take(), (Lines{"/1?0\r", "/1?0\r", "/1T\r"}));

  // A positioning move or the end of a wait ends the watch.
  ASSERT_EQ(rig.foc.FocMoveVel(1000), 1);
  ASSERT_EQ(rig.foc.FocMoveAbs(0), 1);
  rig.Take();
  EXPECT_EQ(rig.foc.FocWatchRun(), 0);
  EXPECT_TRUE(rig.Take().empty());
}

TEST(ZLimits, JoystickRunIsNotSentTowardsALimitAndEndsLikeAReleasedStick) {
  ZRig rig("EZHR17");
  ASSERT_EQ(Limited(rig).foc.FocInit(), 1);
  rig.controller.position = "700";
  rig.Take();

  EXPECT_EQ(rig.foc.FocJoyMove(1000, 1000), 1);
  EXPECT_EQ(rig.Take(), (Lines{"/1?0\r", "/1V2000P0R\r"}));
  rig.controller.position = "900";
  EXPECT_EQ(rig.foc.FocWatchRun(), 2);  // stop, and the maximum speed put back
  EXPECT_EQ(rig.Take(), (Lines{"/1?0\r", "/1T\r", "/1V2000R\r"}));
  EXPECT_EQ(rig.foc.FocLastJoySpeed(), 0);

  EXPECT_EQ(rig.foc.FocJoyMove(1000, 1000), kOut);  // stick still up: not sent
  EXPECT_EQ(rig.Take(), (Lines{"/1?0\r"}));
  EXPECT_EQ(rig.foc.FocJoyMove(0, 1000), 1);  // released: nothing left to stop
  EXPECT_TRUE(rig.Take().empty());
  EXPECT_EQ(rig.foc.FocJoyMove(-500, 1000), 1);  // down, away from the limit
  EXPECT_EQ(rig.Take(), (Lines{"/1?0\r", "/1V1000D0R\r"}));
}

TEST(ZLimits, Im483iAndAReversedScale) {
  {
    SCOPED_TRACE("IM483I");
    ZRig rig("IM483I");
    ASSERT_EQ(Limited(rig).foc.FocInit(), 1);
    rig.controller.position = "800";
    rig.Take();
    EXPECT_EQ(rig.foc.FocJoyMove(1000, 1000), kOut);
    EXPECT_EQ(rig.foc.FocMoveAbs(501), kOut);
    EXPECT_EQ(rig.foc.FocJoyMove(0, 1000), 1);  // a standing speed goes out every time
    EXPECT_EQ(rig.Take(), (Lines{"1Z\n", "1M0\n"}));
  }
  {
    SCOPED_TRACE("negative stroke: steps up are units down");
    ZRig rig("EZHR17");
    ASSERT_EQ(Limited(rig, {{"ZSTROKEPERROT", "-1"}}).foc.FocInit(), 1);
    rig.controller.position = "160";  // -100 units: the lower limit
    rig.Take();
    EXPECT_EQ(rig.foc.FocMoveVel(100), kOut);
    EXPECT_EQ(rig.foc.FocMoveVel(-100), 1);
    EXPECT_EQ(rig.Take(), (Lines{"/1?0\r", "/1?0\r", "/1V100D0R\r"}));
  }
}
