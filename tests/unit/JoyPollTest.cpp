// Joystick polling through the timer tick, over the fake stick and the simulated
// controller of both families; the Joy commands and the joystick menu's operations.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "JoyRig.h"

// Counts the allocations of this test program while a test asks for it.
namespace {
std::atomic<bool> countAllocations{false};
std::atomic<int> allocations{0};
}  // namespace

// GCC takes the free() below for a mismatch with this new; it pairs with its malloc().
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (countAllocations) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using Lines = std::vector<std::string>;

namespace {

constexpr int32_t kHigh = 65535;  // the high extreme of the rig's calibration

class JoyPoll : public testing::TestWithParam<std::string> {
 protected:
  bool Ezhr17() const { return GetParam() == "EZHR17"; }
  // What one poll sends with the stick at rest after a run: the stop.
  Lines Stop() const { return Ezhr17() ? Lines{"/1T\\r", "/1V2000R\\r"} : Lines{"1M0\\n"}; }
  // What a poll sends with the stick at rest and nothing running.
  Lines Idle() const { return Ezhr17() ? Lines{} : Lines{"1M0\\n"}; }
  static Lines Twice(const Lines& lines) {
    Lines twice = lines;
    twice.insert(twice.end(), lines.begin(), lines.end());
    return twice;
  }
};

TEST_P(JoyPoll, AxisTwoDrivesZAndAxisOneOnlyTheIndicator) {
  JoyRig rig(GetParam());
  ASSERT_EQ(rig.Start(), 1);
  ASSERT_EQ(rig.core.state.JoyOn, 1);
  std::vector<int16_t> shown;
  rig.core.tick.joyDisplay = [&](int16_t x, int16_t y, int16_t full) { shown = {x, y, full}; };
  const struct {
    int32_t x, y;
    Lines ezhr17, im483i;
    std::vector<int16_t> display;
  } steps[] = {
      {32767, kHigh, {"/1V2000P0R\\r"}, {"1M2000\\n"}, {0, 1000, 1000}},
      {32767, 49151, {"/1V888P0R\\r"}, {"1M888\\n"}, {0, 444, 1000}},  // (500-100)/900
      {32767, 32767, {"/1T\\r", "/1V2000R\\r"}, {"1M0\\n"}, {0, 0, 1000}},
      {32767, 32767, {}, {"1M0\\n"}, {0, 0, 1000}},
      {kHigh, 32767, {}, {"1M0\\n"}, {1000, 0, 1000}},  // axis 1 alone
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << s.x << "," << s.y);
    rig.stick.x = s.x;
    rig.stick.y = s.y;
    rig.core.tick.Tick();
    EXPECT_EQ(rig.Sent(), Ezhr17() ? s.ezhr17 : s.im483i);
    EXPECT_EQ(shown, s.display);
  }
}

// The poll of a stick at rest, and a tick with nothing to do, allocate nothing.
TEST(JoyPollCost, NoAllocationAtRest) {
  JoyRig rig("EZHR17");
  ASSERT_EQ(rig.Start(), 1);
  rig.core.tick.Tick();  // the first reading says nothing new either
  allocations = 0;
  countAllocations = true;
  for (int i = 0; i < 10; ++i) rig.core.tick.Tick();
  rig.core.state.JoyOn = 0;
  rig.core.tick.Tick();
  countAllocations = false;
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(rig.stick.reads, 12);  // start-up's at-rest check, then one per poll
}

TEST_P(JoyPoll, UnpluggedStickSendsNoRun) {
  JoyRig rig(GetParam());
  ASSERT_EQ(rig.Start(), 1);
  rig.stick.y = kHigh;
  rig.core.tick.Tick();
  rig.Sent();
  rig.stick.plugged = false;  // pulled out while deflected: reads as at rest
  rig.core.tick.Tick();
  EXPECT_EQ(rig.Sent(), Stop());
  EXPECT_EQ(rig.windows.status.text, "Joystick not connected");
  rig.core.tick.Tick();
  EXPECT_EQ(rig.Sent(), Idle());
  rig.stick.plugged = true;  // back, still deflected: no run until it was let go
  rig.core.tick.Tick();
  rig.core.tick.Tick();
  EXPECT_EQ(rig.Sent(), Twice(Idle()));
  rig.stick.y = 32767;
  rig.core.tick.Tick();
  rig.stick.y = kHigh;
  rig.core.tick.Tick();
  Lines run = Idle();
  run.push_back(Ezhr17() ? "/1V2000P0R\\r" : "1M2000\\n");
  EXPECT_EQ(rig.Sent(), run);
}

// Whenever polling stops with the lift running from the stick, the run is stopped once.
TEST_P(JoyPoll, PollingThatStopsStopsTheLift) {
  const struct {
    const char* what;
    std::function<void(JoyRig&, LiftTick&, int16_t& runMode)> stop;
  } triggers[] = {
      {"Joy Off", [](JoyRig& r, LiftTick&, int16_t&) { r.Exec("Joy Off"); }},
      {"Joy On, deflected", [](JoyRig& r, LiftTick&, int16_t&) { r.Exec("Joy On"); }},
      {"On? menu", [](JoyRig& r, LiftTick&, int16_t&) { r.core.joyMenu.SwitchOnOff(); }},
      {"calibration", [](JoyRig& r, LiftTick&, int16_t&) { r.core.joyMenu.Calibrate(); }},
      {"unload", [](JoyRig&, LiftTick& t, int16_t&) { t.Stop(); }},
      {"button command",
       [](JoyRig& r, LiftTick& t, int16_t&) {
         r.stick.buttons = 2;  // button 2: "Joy Off"
         t.Tick();
       }},
      {"program run",
       [](JoyRig&, LiftTick& t, int16_t& runMode) {
         runMode = 1;
         t.Tick();
       }},
  };
  for (const auto& t : triggers) {
    SCOPED_TRACE(t.what);
    JoyRig rig(GetParam());
    int16_t runMode = 0;
    LiftTick tick(
        rig.clock, rig.core.cmds, rig.core.state, [&] { return runMode; }, rig.core.joy,
        rig.core.devcon);
    ASSERT_EQ(rig.Start(), 1);
    tick.Start();
    rig.stick.y = kHigh;
    tick.Tick();
    ASSERT_EQ(rig.Sent().size(), 1u);
    t.stop(rig, tick, runMode);
    EXPECT_EQ(rig.Sent(), Stop());
    tick.Tick();  // nothing more: the stop went out once
    EXPECT_EQ(rig.Sent(), Lines{});
  }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, JoyPoll, testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

TEST(JoyButtons, FireOncePerPress) {
  JoyRig rig("EZHR17");
  ASSERT_EQ(rig.Start(), 1);
  std::vector<std::string> atBeep;
  rig.beeper.onBeep = [&] { atBeep.push_back(rig.windows.status.text); };
  const auto count = [&] { return rig.core.cmds.CmdCounter(); };
  const struct {
    uint32_t bits;
    int counted, beeps;  // since the previous step
    const char* shown;
  } steps[] = {
      {1, 2, 1, "Button 1 - Z ? "},  // the command and the wait after it
      {1, 0, 0, nullptr},            // held: nothing
      {1, 0, 0, nullptr},
      {0, 0, 0, nullptr},            // released
      {1, 2, 1, "Button 1 - Z ? "},  // pressed again
      {0, 0, 0, nullptr},
      {4, 2, 1, "Button 3 -  "},  // a blank entry runs as the empty command
      {0, 0, 0, nullptr},
      {32, 0, 0, nullptr},     // button 6: no entry
      {1 | 4, 0, 0, nullptr},  // two buttons read as none
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.bits);
    const int before = count();
    const size_t beeps = atBeep.size();
    rig.stick.buttons = s.bits;
    rig.core.tick.Tick();
    EXPECT_EQ(count() - before, s.counted);
    ASSERT_EQ(atBeep.size() - beeps, static_cast<size_t>(s.beeps));
    // The message, then the reply (a position here).
    if (s.shown) {
      EXPECT_EQ(atBeep.back().rfind(s.shown, 0), 0u) << atBeep.back();
    }
  }
  EXPECT_EQ(rig.core.devcon.JoyButtonReply(), "OK ");  // of the wait for Z
}

// The tick's guards, with a clock that counts its readings.
TEST(LiftTick, GuardsAndNesting) {
  JoyRig rig("EZHR17");
  ASSERT_EQ(rig.Start(), 1);
  struct CountingClock : FakeClock {
    uint32_t TickMs() override {
      ++readings;
      return FakeClock::TickMs();
    }
    int readings = 0;
  } clock;
  int16_t runMode = 0;
  LiftTick tick(
      clock, rig.core.cmds, rig.core.state, [&] { return runMode; }, rig.core.joy, rig.core.devcon);
  std::vector<uint32_t> steps;
  const struct {
    bool started;
    int16_t joyOn, busy, run;
    int reads, readings;
    size_t programSteps;
  } cases[] = {
      {false, 1, 0, 0, 0, 0, 0},  // before the window's load
      {true, 1, 0, 0, 1, 1, 0},   // a poll
      {true, 0, 0, 0, 0, 1, 0},   // nothing to do: the clock only
      {true, 1, 1, 0, 0, 1, 0},   // a command runs
      {true, 1, 0, 1, 0, 1, 1},   // a program runs
      {true, 1, 0, 2, 0, 1, 1},   // a single step
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.joyOn << c.busy << c.run);
    if (c.started) tick.Start();
    rig.core.state.JoyOn = c.joyOn;
    rig.core.cmds.SetCmdBusy(c.busy);
    runMode = c.run;
    const int reads = rig.stick.reads, readings = clock.readings;
    steps.clear();
    tick.programStep = [&](uint32_t now) { steps.push_back(now); };
    tick.Tick();
    EXPECT_EQ(rig.stick.reads - reads, c.reads);
    EXPECT_EQ(clock.readings - readings, c.readings);
    EXPECT_EQ(steps.size(), c.programSteps);
  }
  rig.core.cmds.SetCmdBusy(0);
  tick.programStep = nullptr;
  tick.Tick();  // a run without the interpreter: nothing
  EXPECT_EQ(tick.TickDepth(), 0);

  // A wait inside a program step lets ticks in: they return at once.
  std::vector<int16_t> depths;
  rig.pump.onEvents = [&] {
    const int reads = rig.stick.reads;
    tick.Tick();
    depths.push_back(tick.TickDepth());
    EXPECT_EQ(rig.stick.reads, reads);
  };
  tick.programStep = [&](uint32_t) {
    runMode = 0;  // only the depth keeps the nested ticks out
    rig.Exec("Z Rel 100;Z Wait");
  };
  runMode = 1;
  tick.Tick();
  EXPECT_FALSE(depths.empty());
  for (int16_t d : depths) EXPECT_EQ(d, 1);
  EXPECT_EQ(tick.TickDepth(), 0);
}

TEST(CmdJoy, SwitchesAndReplies) {
  JoyRig rig("EZHR17", 0);
  ASSERT_EQ(rig.Start(), 1);
  const struct {
    const char* command;
    int32_t y;
    const char* reply;
    int16_t joyOn, joyAxes;
  } cases[] = {
      {"Joy On", 32767, "OK  ; ", 1, 0},
      {"Joy On", kHigh, "OK  ; ", 0, 0},  // deflected: stays off
      {"Joy On", 32767, "OK  ; ", 1, 0},
      {"Joy Off", kHigh, "OK  ; ", 0, 0},
      {"Joy WZ", 32767, "OK  ; ", 0, 1},
      {"Joy XY", 32767, "OK  ; ", 0, 0},
      {"Joy ToggleAxes", 32767, "OK  ; ", 0, 1},
      {"Joy ToggleAxes", 32767, "OK  ; ", 0, 0},
      {"Joy on", 32767, "Error  ; ", 0, 0},
      {"Joy", 32767, "Error Missing Argument  ; ", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    rig.stick.y = c.y;
    const int visibility = rig.windows.joyVisibilityCalls;
    EXPECT_EQ(rig.Exec(c.command), c.reply);
    EXPECT_EQ(rig.core.state.JoyOn, c.joyOn);
    EXPECT_EQ(rig.core.state.JoyAxes, c.joyAxes);
    EXPECT_EQ(rig.windows.joyVisibilityCalls, visibility + 1);
    EXPECT_EQ(rig.windows.commandText, std::string(c.command) == "Joy" ? "Joy " : c.command);
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
  }
  rig.windows.mainLoaded = false;  // no window: nothing drawn
  const int drawn = rig.windows.joyVisibilityCalls;
  EXPECT_EQ(rig.Exec("Joy XY"), "OK  ; ");
  EXPECT_EQ(rig.windows.joyVisibilityCalls, drawn);
}

TEST(JoyStartup, JoystickStepsOfTheStart) {
  const struct {
    int joyStartOn;
    bool plugged;
    int32_t y;
    int16_t joyOn;
  } cases[] = {{1, true, 32767, 1}, {1, true, kHigh, 0}, {1, false, kHigh, 1}, {0, true, 32767, 0}};
  for (const auto& c : cases) {
    JoyRig rig("IM483I", c.joyStartOn);
    rig.stick.plugged = c.plugged;
    rig.stick.y = c.y;
    int16_t shownJoyOn = -1;  // JoyOn when the display was last refreshed
    rig.windows.onJoyVisibility = [&] { shownJoyOn = rig.core.state.JoyOn; };
    EXPECT_EQ(rig.Start(), 1);
    EXPECT_EQ(rig.core.state.JoyOn, c.joyOn) << c.joyStartOn << c.plugged << c.y;
    EXPECT_EQ(shownJoyOn, c.joyOn) << c.joyStartOn << c.plugged << c.y;
  }
  JoyRig rig("IM483I");
  std::filesystem::remove(rig.Path("ST_JOY.TXT"));
  EXPECT_EQ(rig.Start(), -1);
  EXPECT_EQ(rig.messages.shown, Lines{"File " + rig.Path("ST_JOY.TXT") + " does not exist"});
}

// "Configuration" reads JOYSTARTON again: with the stick held over, control stays off
// and the next tick sends no run.
TEST(JoyStartup, ConfigurationSwitchesOnOnlyAtRest) {
  for (const int32_t y : {kHigh, 32767}) {
    SCOPED_TRACE(y);
    JoyRig rig("EZHR17");
    ASSERT_EQ(rig.Start(), 1);
    rig.Exec("Joy Off");
    rig.stick.y = y;
    int16_t shownJoyOn = -1;
    rig.windows.onJoyVisibility = [&] { shownJoyOn = rig.core.state.JoyOn; };
    rig.core.startup.ApplyConfiguration();
    const int16_t joyOn = y == kHigh ? 0 : 1;
    EXPECT_EQ(rig.core.state.JoyOn, joyOn);
    EXPECT_EQ(shownJoyOn, joyOn);
    rig.Sent();
    rig.core.tick.Tick();
    EXPECT_EQ(rig.Sent(), Lines{});
  }
}

TEST(JoyMenuActions, AssignedCommandsAndParameters) {
  JoyRig rig("IM483I");
  ASSERT_EQ(rig.Start(), 1);
  // Declined: nothing changes.
  rig.core.joyMenu.AssignedCommands([](std::string& text) {
    EXPECT_EQ(text, "Ver\r\nZ ?\r\nJoy Off\r\n\r\nZ Rel 5");
    text = "changed";
    return false;
  });
  EXPECT_EQ(rig.windows.status.text, "Joystick commands not assigned");
  EXPECT_EQ(rig.core.state.JoyCmds.size(), 5u);

  // Accepted: written, read back (the blank entry keeps button 3 in place) and entry 0 run.
  const int counted = rig.core.cmds.CmdCounter();
  rig.core.joyMenu.AssignedCommands([](std::string& text) {
    text = "Z ?\r\n\r\nZ Home\r\n";
    return true;
  });
  EXPECT_EQ(rig.windows.status.text, "Joystick commands assigned");
  EXPECT_EQ(rig.core.state.JoyCmds, (Lines{"Z ?", "", "Z Home", ""}));
  EXPECT_EQ(rig.core.cmds.CmdCounter(), counted + 1);
  EXPECT_EQ(rig.Get("ST_JOYCMDS.TXT"), "Z ?\r\n\r\nZ Home\r\n\r\n");

  // "Param." edits ST_JOY.TXT and reads it again.
  rig.core.joyMenu.Param([&] {
    EXPECT_EQ(rig.core.par.ParGetPath(), rig.Path("ST_JOY.TXT"));
    rig.PutLines("ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
                                "\"JAXIS2_L\",0", "\"JAXIS2_0\",32767", "\"JAXIS2_R\",65535",
                                "\"JLATENT\",20", "\"JAXIS1_Dir\",-1", "\"JAXIS2_Dir\",1"});
  });
  EXPECT_EQ(rig.core.joy.Calib().JoyDeadZone, 200);
  EXPECT_EQ(rig.core.joy.Calib().JAXIS1_Dir, -1);

  // "Toggle Axes" does what "Joy ToggleAxes" does.
  const int visibility = rig.windows.joyVisibilityCalls;
  rig.core.joyMenu.ToggleAxes();
  EXPECT_EQ(rig.core.state.JoyAxes, 1);
  EXPECT_EQ(rig.windows.commandText, "Joy ToggleAxes");
  EXPECT_EQ(rig.windows.joyVisibilityCalls, visibility + 1);
}

}  // namespace

// "On?" and "Calibrate" that cannot do anything say why on the status line.
TEST(JoyMenuActions, OnAndCalibrateSayWhyNothingHappens) {
  JoyRig rig("EZHR17");
  ASSERT_EQ(rig.Start(), 1);
  if (rig.core.state.JoyOn == 1) rig.core.joyMenu.SwitchOnOff();  // off
  rig.stick.plugged = false;
  rig.core.joyMenu.SwitchOnOff();
  EXPECT_EQ(rig.core.state.JoyOn, 1);  // no stick reads as one at rest
  EXPECT_EQ(rig.windows.status.text, JoyMenuActions::kNoStick);
  EXPECT_FALSE(rig.core.joy.JoyStickSeen());  // the indicator says "no joystick"
  rig.core.joyMenu.Calibrate();
  EXPECT_EQ(rig.core.joy.JoyCalibrating(), 0);
  EXPECT_EQ(rig.windows.status.text, JoyMenuActions::kNoStickToCalibrate);
  rig.core.joyMenu.SwitchOnOff();  // off
  EXPECT_EQ(rig.core.state.JoyOn, 0);

  rig.stick.plugged = true;
  rig.stick.y = kHigh;  // deflected
  rig.core.joyMenu.SwitchOnOff();
  EXPECT_EQ(rig.core.state.JoyOn, 0);
  EXPECT_EQ(rig.windows.status.text, JoyMenuActions::kNotAtRest);
  EXPECT_TRUE(rig.core.joy.JoyStickSeen());
}
