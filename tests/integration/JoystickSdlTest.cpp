// The SDL joystick adapter over SDL's virtual joystick, and a calibration run through
// the timer tick on it, written to ST_JOY.TXT.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/SdlJoystick.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/JoyFakes.h"
#include "support/ScratchDir.h"

namespace {

// A virtual stick with two axes and eight buttons (or as many as asked), attached for
// the test's lifetime.
class VirtualStick {
 public:
  explicit VirtualStick(int buttons = 8) : buttons_(buttons) {
    index_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, buttons, 0);
    if (index_ >= 0) handle_ = SDL_JoystickOpen(index_);
  }
  ~VirtualStick() { Detach(); }
  bool Ok() const { return handle_ != nullptr; }
  void Set(int16_t x, int16_t y, uint32_t buttons = 0) {
    SDL_JoystickSetVirtualAxis(handle_, 0, x);
    SDL_JoystickSetVirtualAxis(handle_, 1, y);
    for (int i = 0; i < buttons_ && i < 32; ++i)
      SDL_JoystickSetVirtualButton(handle_, i, (buttons >> i) & 1 ? SDL_PRESSED : SDL_RELEASED);
  }
  void Press(int button, bool down) {
    SDL_JoystickSetVirtualButton(handle_, button, down ? SDL_PRESSED : SDL_RELEASED);
  }
  void Detach() {
    if (handle_) SDL_JoystickClose(handle_);
    handle_ = nullptr;
    if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
    index_ = -1;
  }

 private:
  int buttons_;
  int index_ = -1;
  SDL_Joystick* handle_ = nullptr;
};

// Tests need a machine without a real joystick: device 0 must be the virtual one.
bool NoRealJoystick(SdlJoystick& adapter) {
  int32_t x, y;
  uint32_t b;
  return adapter.Available() && adapter.Read(x, y, b) != 0;
}

TEST(SdlJoystick, ReadsTheVirtualStickAndFollowsPlugging) {
  SdlJoystick adapter;
  if (!NoRealJoystick(adapter)) GTEST_SKIP() << "SDL unavailable or a real joystick present";
  int32_t x = -1, y = -1;
  uint32_t buttons = 99;
  EXPECT_NE(adapter.Read(x, y, buttons), 0);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(buttons, 0u);

  auto stick = std::make_unique<VirtualStick>();  // plugged in after start
  ASSERT_TRUE(stick->Ok());
  const struct {
    int16_t x, y;
    uint32_t buttons;
    int32_t rawX, rawY;
  } cases[] = {
      {0, 0, 0, 32768, 32768},
      {-32768, 32767, 1, 0, 65535},
      {32767, -32768, 0x80, 65535, 0},
      {-1, 100, 0x05, 32767, 32868},
  };
  for (const auto& c : cases) {
    stick->Set(c.x, c.y, c.buttons);
    ASSERT_EQ(adapter.Read(x, y, buttons), 0);
    EXPECT_EQ(x, c.rawX);
    EXPECT_EQ(y, c.rawY);
    EXPECT_EQ(buttons, c.buttons);
  }

  stick.reset();  // unplugged
  EXPECT_NE(adapter.Read(x, y, buttons), 0);
  EXPECT_EQ(y, 0);
  stick = std::make_unique<VirtualStick>();  // and back
  stick->Set(0, -32768);
  EXPECT_EQ(adapter.Read(x, y, buttons), 0);
  EXPECT_EQ(y, 0);
}

// Every button of the device counts: one above the eighth held with button 1 reads as
// two buttons, that is as none.
TEST(SdlJoystick, ReadsEveryButtonOfTheDevice) {
  SdlJoystick adapter;
  if (!NoRealJoystick(adapter)) GTEST_SKIP() << "SDL unavailable or a real joystick present";
  VirtualStick stick(40);
  ASSERT_TRUE(stick.Ok());
  const struct {
    std::vector<int> down;  // SDL's button numbers, from 0
    uint32_t bits;
  } cases[] = {
      {{0}, 0x1},
      {{0, 8}, 0x101},
      {{8}, 0x100},
      {{30}, 0x40000000},
      {{31}, Joystick::kFarButtons},
      {{39}, Joystick::kFarButtons},
  };
  for (const auto& c : cases) {
    for (const int b : c.down) stick.Press(b, true);
    int32_t x, y;
    uint32_t buttons = 0;
    ASSERT_EQ(adapter.Read(x, y, buttons), 0);
    EXPECT_EQ(buttons, c.bits) << c.bits;
    for (const int b : c.down) stick.Press(b, false);
  }
}

struct CalibrationRig : ScratchDir {
  CalibrationRig()
      : ScratchDir("kelvorin-sdl"), core(port, clock, pump, messages, windows, adapter, beeper) {
    Put("ST_JOY.TXT", kStored);
    core.par.ParSetDir(Path());
    windows.mainLoaded = true;
    core.state.JoyOn = 1;
    core.tick.Start();
  }
  std::string File() const { return Get("ST_JOY.TXT"); }
  // Ticks with the stick at each position in turn.
  void Sweep(VirtualStick& stick, std::initializer_list<std::pair<int16_t, int16_t>> path,
             int ticksEach = 1) {
    for (const auto& [x, y] : path) {
      stick.Set(x, y);
      for (int i = 0; i < ticksEach; ++i) core.tick.Tick();
    }
  }

  static constexpr const char* kStored =
      "\"JAXIS1_L\",100\r\n\"JAXIS1_0\",30000\r\n\"JAXIS1_R\",60000\r\n"
      "\"JAXIS2_L\",200\r\n\"JAXIS2_0\",31000\r\n\"JAXIS2_R\",61000\r\n"
      "\"JLATENT\",10\r\n\"JAXIS1_Dir\",1\r\n\"JAXIS2_Dir\",-1\r\n";

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  SdlJoystick adapter;
  FakeBeeper beeper;
  CoreModules core;
};

// A stick plugged in while deflected moves nothing until it has been let go once.
TEST(SdlJoystick, PluggedInDeflectedIsHeldUntilLetGo) {
  CalibrationRig rig;
  if (!NoRealJoystick(rig.adapter)) GTEST_SKIP() << "SDL unavailable or a real joystick present";
  ASSERT_EQ(rig.core.joy.JoyReadPar(), 1);
  const auto yDeflection = [&rig] {
    int16_t x = 0, y = 0, full = 0, button = 0;
    rig.core.joy.JoyGetDeflection(x, y, full, button);
    return y;
  };
  EXPECT_EQ(yDeflection(), 0);  // no stick yet
  VirtualStick stick;
  ASSERT_TRUE(stick.Ok());
  constexpr int16_t kAtHighExtreme = 61000 - 32768;  // JAXIS2_R of the stored calibration
  stick.Set(0, kAtHighExtreme);
  EXPECT_EQ(yDeflection(), 0);
  stick.Set(0, 0);
  EXPECT_EQ(yDeflection(), 0);
  stick.Set(0, kAtHighExtreme);
  EXPECT_EQ(yDeflection(), -1000);  // JAXIS2_Dir -1
}

TEST(SdlJoystick, CalibrationSweepSettleAcceptAndRefuse) {
  CalibrationRig rig;
  if (!NoRealJoystick(rig.adapter)) GTEST_SKIP() << "SDL unavailable or a real joystick present";
  VirtualStick stick;
  ASSERT_TRUE(stick.Ok());
  stick.Set(0, 0);
  ASSERT_EQ(rig.core.joy.JoyReadPar(), 1);

  // Accepted: swept to all four extremes, then let go until the centre settles.
  rig.core.joyMenu.Calibrate();
  ASSERT_EQ(rig.core.joy.JoyCalibrating(), 1);
  rig.Sweep(stick, {{-32768, 0}, {32767, 0}, {0, -32768}, {0, 32767}});
  EXPECT_EQ(rig.windows.status.text, "Deflect to extremes: Axis1 = 32768, Axis2 = 65535, But= 0");
  rig.Sweep(stick, {{0, 0}}, 40);
  rig.core.joyMenu.Calibrate();
  EXPECT_EQ(rig.windows.status.text, "Calibrated");
  EXPECT_EQ(rig.core.joy.JoyCalibrating(), 0);
  const JoyCalib& k = rig.core.joy.Calib();
  EXPECT_EQ(k.JAXIS1_L, 0);
  EXPECT_EQ(k.JAXIS1_R, 65535);
  EXPECT_NEAR(k.JAXIS1_0, 32768, 2);  // the running average stops within rounding
  EXPECT_NEAR(k.JAXIS2_0, 32768, 2);
  const std::string accepted =
      "\"JAXIS1_L\", 0\r\n\"JAXIS1_0\", " + std::to_string(k.JAXIS1_0) +
      "\r\n\"JAXIS1_R\", 65535\r\n\"JAXIS2_L\", 0\r\n\"JAXIS2_0\", " + std::to_string(k.JAXIS2_0) +
      "\r\n\"JAXIS2_R\", 65535\r\n\"JLATENT\", 10\r\n\"JAXIS1_Dir\", 1\r\n\"JAXIS2_Dir\",-1\r\n";
  EXPECT_EQ(rig.File(), accepted);
  const JoyCalib before = k;

  // Refused: the stick only wobbled; the values before come back.
  rig.core.joyMenu.Calibrate();
  rig.Sweep(stick, {{1000, 1000}, {-1000, -1000}, {0, 0}}, 3);
  rig.core.joyMenu.Calibrate();
  EXPECT_EQ(rig.windows.status.text, "Not calibrated. Using old par.");
  EXPECT_EQ(rig.core.joy.Calib().JAXIS2_L, before.JAXIS2_L);
  EXPECT_EQ(rig.core.joy.Calib().JAXIS1_0, before.JAXIS1_0);
  EXPECT_EQ(rig.File(), accepted);
}

}  // namespace
