// The travel limits and the live position through the 300 ms tick, over the whole core
// and the simulated controller at 9600 baud on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "JoyRig.h"
#include "platform/PanelDialogs.h"
#include "panels/LiftPanel.h"

using Lines = std::vector<std::string>;

namespace {

constexpr uint32_t kTickMs = 300;
constexpr double kUnit = 0.625;  // user units per step
constexpr double kZMax = 500;

// The rig's settings with the travel limits -100 and 500 and the position display.
int16_t Start(JoyRig& rig, const std::string& family, int joyOn, int posPoll = 500) {
  rig.PutLines(
      "ST_CONFIG.TXT",
      {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",5", "\"WAITPOLLINGINTERVAL\",20",
       "\"CONTRTYPE\"," + family, "\"JOYSTARTON\"," + std::to_string(joyOn), "\"Z_INSTALLED\",1",
       "\"MPORTNAME\",sim:" + family, "\"ZPOSPOLL\"," + std::to_string(posPoll)});
  std::ofstream(rig.Path("ST_PARZ.TXT"), std::ios::app) << "\"ZMIN\",-100\r\n\"ZMAX\",500\r\n";
  return rig.Start();
}

// One tick at every multiple of 300 ms after `from` (a tick that took long delays the
// next one, as a timer does).
void TickAt(JoyRig& rig, uint32_t& next) {
  rig.clock.now = std::max(rig.clock.now, next);
  next = rig.clock.now + kTickMs;
  rig.core.tick.Tick();
}

double Position(JoyRig& rig) {
  double z = 0;
  EXPECT_EQ(rig.core.foc.FocGetPos(z), 1);
  return z;
}

std::string Query(const std::string& family) { return family == "EZHR17" ? "/1?0\\r" : "1Z\\n"; }

}  // namespace

// A "Z Move" run upwards from 400: the tick stops it once it has passed 500. How far past
// depends on where the crossing falls between two ticks; every phase is tried.
TEST(LimitTick, RunIsStoppedByTheTickJustPastTheLimit) {
  for (const std::string family : {"EZHR17", "IM483I"}) {
    for (const int speed : {200, 2000}) {  // the shipped SLOW and FAST
      double least = 1e9, most = -1e9;
      for (uint32_t phase = 0; phase < kTickMs; phase += 25) {
        SCOPED_TRACE(family + " at " + std::to_string(speed) + ", phase " + std::to_string(phase));
        JoyRig rig(family, 0);
        ASSERT_EQ(Start(rig, family, 0), 1);
        ASSERT_EQ(rig.Exec("Z 400;Z Wait"), "OK  ; OK  ; ");
        uint32_t next = rig.clock.now + phase;
        ASSERT_EQ(rig.Exec("Z Move " + std::to_string(speed)), "OK  ; ");
        for (int i = 0; i < 100 && rig.core.foc.FocRunSpeed() != 0; ++i) TickAt(rig, next);
        ASSERT_EQ(rig.core.foc.FocRunSpeed(), 0) << "the run was not stopped";
        const double stopped = Position(rig);
        rig.clock.now += 1000;
        EXPECT_EQ(Position(rig), stopped) << "the lift stands";
        const double over = stopped - kZMax;
        EXPECT_GE(over, 0);
        // At most one tick period plus the two exchanges of the stopping tick.
        EXPECT_LE(over, speed * kUnit * (kTickMs + 60) / 1000.0);
        least = std::min(least, over);
        most = std::max(most, over);
        // Further up is refused; down is not.
        EXPECT_EQ(rig.Exec("Z Move " + std::to_string(speed)), "Error Out of range  ; ");
        EXPECT_EQ(rig.Exec("Z Rel 1"), "Error Out of range  ; ");
        EXPECT_EQ(rig.Exec("Z Rel -1"), "OK  ; ");
      }
      std::printf("[ overshoot ] %s at %d steps/s (%.0f units/s): %.1f to %.1f units\n",
                  family.c_str(), speed, speed * kUnit, least, most);
    }
  }
}

TEST(LimitTick, JoystickRunStopsAtTheLimitAndIsNotSentTowardsIt) {
  for (const std::string family : {"EZHR17", "IM483I"}) {
    SCOPED_TRACE(family);
    JoyRig rig(family, 1);
    ASSERT_EQ(Start(rig, family, 1, 0), 1);
    ASSERT_EQ(rig.core.state.JoyOn, 1);
    ASSERT_EQ(rig.Exec("Z 490;Z Wait"), "OK  ; OK  ; ");
    rig.Sent();
    uint32_t next = rig.clock.now;
    rig.stick.y = 65535;  // full deflection: up
    for (int i = 0; i < 20 && Position(rig) < kZMax; ++i) TickAt(rig, next);
    TickAt(rig, next);  // the tick that sees the crossing
    EXPECT_GE(Position(rig), kZMax);
    EXPECT_EQ(rig.core.foc.FocRunSpeed(), 0);
    rig.Sent();

    // Still deflected up: every tick reads the position and sends no run.
    for (int i = 0; i < 3; ++i) TickAt(rig, next);
    Lines sent = rig.Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Query(family)), 3);
    for (const auto& line : sent)
      EXPECT_TRUE(line == Query(family) || (family == "IM483I" && line == "1M0\\n")) << line;

    rig.stick.y = 0;  // down, away from the limit
    TickAt(rig, next);
    sent = rig.Sent();
    EXPECT_EQ(sent.back(), family == "EZHR17" ? "/1V2000D0R\\r" : "1M-2000\\n");
  }
}

// A joystick button whose command runs and then waits holds its tick; the ticks that
// come meanwhile are refused, but the watch in them still stops the run at the limit, so
// the wait ends there instead of at the move time-out.
TEST(LimitTick, RunStartedInsideATickIsWatchedWhileItWaits) {
  JoyRig rig("EZHR17", 1);
  ASSERT_EQ(Start(rig, "EZHR17", 1, 0), 1);
  rig.PutLines("ST_JOYCMDS.TXT", {"Ver", "Z Move 2000"});  // a button command is waited for
  ASSERT_GT(rig.core.startup.ReadJoyCmds(), 0);
  ASSERT_EQ(rig.Exec("Z 400;Z Wait"), "OK  ; OK  ; ");
  uint32_t next = rig.clock.now;
  int nested = 0;
  rig.pump.onEvents = [&] {  // the wait lets the window's timer in
    if (rig.clock.now < next) return;
    ++nested;
    TickAt(rig, next);
  };
  const uint32_t start = rig.clock.now;
  rig.stick.buttons = 1;
  TickAt(rig, next);
  EXPECT_GT(nested, 0);
  EXPECT_LT(rig.clock.now - start, 1000u) << "the wait ended at the limit";
  const double over = Position(rig) - kZMax;
  EXPECT_GE(over, 0);
  EXPECT_LE(over, 2000 * kUnit * (kTickMs + 60) / 1000.0);
  EXPECT_EQ(rig.core.foc.FocRunSpeed(), 0);
}

// The position display reads only in ticks with nothing else going on, at most once per
// interval, one query each time.
TEST(LimitTick, PositionIsReadOnlyWhenIdleAndAtMostOncePerInterval) {
  JoyRig rig("EZHR17", 0);
  ASSERT_EQ(Start(rig, "EZHR17", 0), 1);
  uint32_t next = rig.clock.now;
  std::vector<int> perTick;
  const auto run = [&](int ticks) {
    perTick.clear();
    for (int i = 0; i < ticks; ++i) {
      TickAt(rig, next);
      const Lines sent = rig.Sent();
      perTick.push_back(static_cast<int>(std::count(sent.begin(), sent.end(), "/1?0\\r")));
      EXPECT_EQ(sent.size(), static_cast<size_t>(perTick.back())) << "nothing but queries";
    }
  };
  run(6);  // 0, 300, 600, ... ms: due at 0, 600, 1200
  EXPECT_EQ(perTick, (std::vector<int>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(rig.core.posPoll.Status(), LinkStatus::Answering);

  rig.core.cmds.SetCmdBusy(1);  // a command
  run(4);
  EXPECT_EQ(perTick, (std::vector<int>{0, 0, 0, 0}));
  rig.core.tick.jogHeld = [] { return true; };  // a pressed jog button: its step is shown
  run(4);
  EXPECT_EQ(perTick, (std::vector<int>{1, 0, 1, 0}));
  rig.core.tick.jogHeld = nullptr;
  rig.core.cmds.SetCmdBusy(0);

  rig.core.state.JoyOn = 1;  // the joystick is polled instead (at rest: nothing sent)
  run(4);
  EXPECT_EQ(perTick, (std::vector<int>{0, 0, 0, 0}));
  rig.core.state.JoyOn = 0;
  run(1);
  EXPECT_EQ(perTick, (std::vector<int>{1}));
}

namespace {
struct NoDialogs : PanelDialogs {
  void EditParameters() override {}
  void ChooseFile(const FileRequest&, std::string&, std::string&) override {}
  void SetClipboard(const std::string&) override {}
  void ShowText(const std::string&, const std::string&) override {}
  void OpenTextFile(const std::string&) override {}
};
}  // namespace

// Jog buttons and their menu items: a step that would leave the limits moves nothing and
// leaves its reason on the status line (not the unchanged position).
TEST(LimitTick, JogStepsOutsideTheLimitsSayWhy) {
  JoyRig rig("EZHR17", 0);
  ASSERT_EQ(Start(rig, "EZHR17", 0, 0), 1);
  NoDialogs dialogs;
  LiftPanel panel{rig.core.state,   rig.core.cmds, rig.core.foc, rig.core.par, rig.core.comm,
                  rig.core.startup, rig.pump,      rig.windows,  dialogs};
  panel.WindowLoaded();  // steps of 10, coarse 100; down is +Z
  ASSERT_EQ(rig.Exec("Z 450;Z Wait"), "OK  ; OK  ; ");
  const struct {
    Jog jog;
    bool button;
    double position;
    const char* status;
  } cases[] = {
      {Jog::DownFine, false, 460, "Z=460.00"},
      {Jog::DownCoarse, false, 460, "Error Out of range "},
      {Jog::DownCoarse, true, 460, "Error Out of range "},
      {Jog::DownFine, true, 470, "Z=470.00"},
      {Jog::UpCoarse, true, 370, "Z=370.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(LiftPanel::Caption(c.jog)) + (c.button ? " button" : " menu"));
    if (c.button) {
      panel.JogPress(c.jog);
      panel.JogRelease();
    } else {
      panel.MenuStep(c.jog);
    }
    EXPECT_EQ(rig.windows.status.text, c.status);
    EXPECT_EQ(Position(rig), c.position);
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
  }
}
