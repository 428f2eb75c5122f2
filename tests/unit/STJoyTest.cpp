// The joystick module: deflection arithmetic, buttons, the calibration file and the
// behaviour of an unplugged stick.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "joystick/STJoy.h"
#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"
#include "support/JoyFakes.h"
#include "support/ScratchDir.h"

namespace {

struct JoyModuleRig : ScratchDir {
  JoyModuleRig() : ScratchDir("kelvorin-joy") {
    par.ParSetDir(Path());
    windows.mainLoaded = true;
  }
  void WriteJoy(const std::string& text) { Put("ST_JOY.TXT", text); }
  std::string ReadJoy() const { return Get("ST_JOY.TXT"); }

  FakeJoystick stick;
  FakeMessages messages;
  FakeWindows windows;
  TRAPAR par{messages};
  STJoy joy{stick, par, windows};
};

constexpr const char* kCentredFile =
    "\"JAXIS1_L\",0\r\n\"JAXIS1_0\",32767\r\n\"JAXIS1_R\",65535\r\n"
    "\"JAXIS2_L\",0\r\n\"JAXIS2_0\",32767\r\n\"JAXIS2_R\",65535\r\n"
    "\"JLATENT\",10\r\n\"JAXIS1_Dir\",1\r\n\"JAXIS2_Dir\",1\r\n";

TEST(STJoy, AxisDeflectionArithmetic) {
  // Low extreme 0, centre 10000, high extreme 20000: 10 raw units per per-mille.
  const struct {
    int32_t r, l, c, h, d;
    int16_t dir, expected;
  } cases[] = {
      {10000, 0, 10000, 20000, 100, 1, 0},  // centre
      {10000, 0, 10000, 20000, 0, 1, 0},    // centre without dead zone
      {11000, 0, 10000, 20000, 100, 1, 0},  // h = D
      {9000, 0, 10000, 20000, 100, 1, 0},   // h = -D
      {11010, 0, 10000, 20000, 100, 1, 1},  // h = D + 1: round(1000 / 900)
      {8990, 0, 10000, 20000, 100, 1, -1},
      {20000, 0, 10000, 20000, 100, 1, 1000},  // extremes
      {0, 0, 10000, 20000, 100, 1, -1000},
      {25000, 0, 10000, 20000, 100, 1, 1556},  // beyond: no clamping
      {-5000, 0, 10000, 20000, 100, 1, -1556},
      {15000, 0, 10000, 20000, 100, 1, 444},     // (500 - 100) x 1000 / 900
      {15000, 0, 10000, 20000, 100, -1, -444},   // direction
      {15000, 0, 10000, 20000, 100, 0, 0},       // axis off
      {10005, 0, 10000, 20000, 0, 1, 0},         // h = 0.5 rounds to even 0
      {10015, 0, 10000, 20000, 0, 1, 2},         // h = 1.5 rounds to even 2
      {11210, 0, 10000, 20000, 120, 1, 1},       // D = 120, h = 121
      {20000, 0, 10000, 20000, 1000, 1, 0},      // dead zone of the whole half-range
      {-90000, 0, 10000, 20000, 1000, 1, 0},     // ... also beyond the extreme
      {-90000, 0, 10000, 20000, 1100, 1, 0},     // ... and no sign flip above it
      {5000, 10000, 10000, 20000, 100, 1, 0},    // zero-width low half
      {15000, 0, 10000, 10000, 100, 1, 0},       // zero-width high half
      {9900, 9999, 10000, 10001, 0, 1, -32768},  // saturates at 16 bits
      {10100, 9999, 10000, 10001, 0, 1, 32767},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "r=" << c.r << " D=" << c.d << " dir=" << c.dir);
    EXPECT_EQ(STJoy::AxisDeflection(c.r, c.l, c.c, c.h, c.d, c.dir), c.expected);
  }
}

TEST(STJoy, ButtonsFromTheBitsOfOneReading) {
  JoyModuleRig rig;
  const struct {
    uint32_t bits;
    int16_t preset, expected;
  } cases[] = {
      {0, 5, 0},
      {1, 0, 1},
      {2, 0, 2},
      {4, 0, 3},
      {8, 0, 4},
      {128, 0, 8},
      {1 | 4, 0, 0},
      {1 | 4, 7, 7},  // two buttons: the caller's value stays
      {256, 0, 0},
      {256, 3, 3},      // a button above the eighth alone
      {1 | 256, 0, 0},  // ... or with one of the first eight
      {Joystick::kFarButtons, 0, 0},
  };
  for (const auto& c : cases) {
    rig.stick.buttons = c.bits;
    int32_t x = 0, y = 0;
    int16_t button = c.preset;
    EXPECT_EQ(rig.joy.JoyRead(x, y, button), 0);
    EXPECT_EQ(button, c.expected) << c.bits;
  }
}

TEST(STJoy, ReadsTheCalibrationFile) {
  const struct {
    const char* jlatent;
    int32_t deadZone;
  } cases[] = {{"12.34", 120}, {"12.5", 120}, {"13.5", 140}, {"0", 0}, {"150", 1500}};
  for (const auto& c : cases) {
    JoyModuleRig rig;
    rig.WriteJoy(std::string("\"JAXIS1_L\",-1.5\r\n\"JAXIS1_0\",32767.5\r\n\"JAXIS1_R\",65535\r\n"
                             "\"JAXIS2_L\",2\r\n\"JAXIS2_0\",3\r\n\"JAXIS2_R\",4\r\n\"JLATENT\",") +
                 c.jlatent + "\r\n\"JAXIS1_Dir\",0\r\n\"JAXIS2_Dir\",-3\r\n");
    ASSERT_EQ(rig.joy.JoyReadPar(), 1) << c.jlatent;
    const JoyCalib& k = rig.joy.Calib();
    EXPECT_EQ(k.JoyDeadZone, c.deadZone) << c.jlatent;
    EXPECT_EQ(k.JAXIS1_L, -2);
    EXPECT_EQ(k.JAXIS1_0, 32768);
    EXPECT_EQ(k.JAXIS2_R, 4);
    EXPECT_EQ(k.JAXIS1_Dir, 0);
    EXPECT_EQ(k.JAXIS2_Dir, -1);
    EXPECT_TRUE(rig.messages.shown.empty());
  }
}

TEST(STJoy, MissingOrBadKeysKeepTheirFields) {
  JoyModuleRig rig;
  EXPECT_EQ(rig.joy.JoyReadPar(), -1);  // no file
  EXPECT_EQ(rig.messages.shown.size(), 1u);
  rig.WriteJoy(kCentredFile);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);

  rig.messages.shown.clear();
  rig.WriteJoy(
      "\"JAXIS1_L\",5\r\n\"JAXIS1_0\",6\r\n\"JAXIS1_R\",x\r\n\"JAXIS2_L\",0\r\n"
      "\"JAXIS2_0\",32767\r\n\"JAXIS2_R\",65535\r\n\"JAXIS1_Dir\",1\r\n"
      "\"JAXIS2_Dir\",1\r\n");
  EXPECT_EQ(rig.joy.JoyReadPar(), -1);
  const JoyCalib& k = rig.joy.Calib();
  EXPECT_EQ(k.JAXIS1_L, 5);
  EXPECT_EQ(k.JAXIS1_R, 65535);   // "x" is no number
  EXPECT_EQ(k.JoyDeadZone, 100);  // JLATENT missing: the old dead zone stays
  EXPECT_EQ(rig.messages.shown,
            (std::vector<std::string>{
                "Parameter JAXIS1_R in " + rig.Path("ST_JOY.TXT") + " is not a number: x",
                "Parameter JLATENT not found in " + rig.Path("ST_JOY.TXT")}));
}

// One bad value fails the reading and says so with its key, file and value; its field
// keeps what it held and every other key is still read.
struct BadCalibValue {
  const char* name;
  const char* key;
  const char* value;
  const char* said;  // after "Parameter KEY in PATH "
  friend void PrintTo(const BadCalibValue& v, std::ostream* os) { *os << v.name; }
};

class STJoyBadValue : public testing::TestWithParam<BadCalibValue> {};

TEST_P(STJoyBadValue, IsNamedAndKeepsItsField) {
  const BadCalibValue& c = GetParam();
  JoyModuleRig rig;
  rig.WriteJoy(kCentredFile);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  const JoyCalib before = rig.joy.Calib();
  std::string file = "\"JAXIS2_R\",40000\r\n\"JAXIS2_Dir\",-1\r\n\"" + std::string(c.key) + "\"," +
                     c.value + "\r\n" + kCentredFile;  // the first of a name counts
  rig.WriteJoy(file);
  EXPECT_EQ(rig.joy.JoyReadPar(), -1);
  EXPECT_EQ(rig.messages.shown,
            std::vector<std::string>{"Parameter " + std::string(c.key) + " in " +
                                     rig.Path("ST_JOY.TXT") + " " + c.said});
  JoyCalib expected = before;
  expected.JAXIS2_R = 40000;
  expected.JAXIS2_Dir = -1;
  const JoyCalib& k = rig.joy.Calib();
  EXPECT_EQ(std::tie(k.JAXIS1_L, k.JAXIS1_0, k.JAXIS1_R, k.JAXIS2_L, k.JAXIS2_0, k.JAXIS2_R,
                     k.JoyDeadZone, k.JAXIS1_Dir, k.JAXIS2_Dir),
            std::tie(expected.JAXIS1_L, expected.JAXIS1_0, expected.JAXIS1_R, expected.JAXIS2_L,
                     expected.JAXIS2_0, expected.JAXIS2_R, expected.JoyDeadZone,
                     expected.JAXIS1_Dir, expected.JAXIS2_Dir));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, STJoyBadValue,
    testing::Values(BadCalibValue{"PositionBeyond32Bits", "JAXIS1_L", "3000000000",
                                  "is out of range: 3000000000 (-2147483648 to 2147483647)"},
                    BadCalibValue{"NegativeDeadZone", "JLATENT", "-10",
                                  "is out of range: -10 (0 to 214748364)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(STJoy, WritesExactlyTheNineKeysInOrder) {
  JoyModuleRig rig;
  rig.WriteJoy("\"EXTRA\",1\r\n" + std::string(kCentredFile));
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  JoyCalib k = rig.joy.Calib();
  k.JoyDeadZone = 120;
  k.JAXIS2_Dir = -1;
  k.JAXIS1_L = -7;
  rig.joy.SetCalib(k);
  EXPECT_EQ(rig.joy.JoyWritePar(), 1);
  EXPECT_EQ(rig.ReadJoy(),
            "\"JAXIS1_L\",-7\r\n\"JAXIS1_0\", 32767\r\n\"JAXIS1_R\", 65535\r\n"
            "\"JAXIS2_L\", 0\r\n\"JAXIS2_0\", 32767\r\n\"JAXIS2_R\", 65535\r\n"
            "\"JLATENT\", 12\r\n\"JAXIS1_Dir\", 1\r\n\"JAXIS2_Dir\",-1\r\n");
}

TEST(STJoy, CalibrationValidityAtTheDeadZoneShare) {
  // Each half-range must span D x 32 raw units; equality passes.
  const struct {
    int32_t deadZone, span;
    int16_t valid;
  } cases[] = {{100, 3200, 1}, {100, 3199, 0}, {120, 3840, 1}, {120, 3839, 0},
               {0, 0, 0},      {0, 1, 1},      {10, 320, 1},   {10, 319, 0}};
  JoyModuleRig rig;
  for (const auto& c : cases) {
    for (int half = 0; half < 4; ++half) {
      JoyCalib k;
      k.JoyDeadZone = c.deadZone;
      k.JAXIS1_0 = k.JAXIS2_0 = 30000;
      k.JAXIS1_L = k.JAXIS2_L = 20000;
      k.JAXIS1_R = k.JAXIS2_R = 40000;
      int32_t* fields[] = {&k.JAXIS1_L, &k.JAXIS1_R, &k.JAXIS2_L, &k.JAXIS2_R};
      *fields[half] = 30000 + (half % 2 ? c.span : -c.span);
      rig.joy.SetCalib(k);
      EXPECT_EQ(rig.joy.JoyCalibIsValid(), c.valid) << c.deadZone << "/" << c.span << "/" << half;
    }
  }
}

// An unplugged stick reads as the stick at rest with no button, even with a calibration
// whose low extreme is 0 (where a zeroed reading would sit).
TEST(STJoy, UnpluggedStickIsAtRestAndSaidOnce) {
  JoyModuleRig rig;
  rig.WriteJoy(kCentredFile);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  rig.stick.plugged = false;
  rig.windows.status.text = "before";
  for (const char* said : {"Joystick not connected", "other", "other"}) {
    int16_t x = 9, y = 9, full = 0, button = 4;
    rig.joy.JoyGetDeflection(x, y, full, button);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(full, 1000);
    EXPECT_EQ(button, 0);
    EXPECT_EQ(rig.windows.status.text, said);
    rig.windows.status.text = "other";
  }
  EXPECT_EQ(rig.joy.JoyAtRest(), 1);
  EXPECT_EQ(rig.windows.status.text, "other");

  rig.stick.plugged = true;
  rig.stick.y = 65535;
  EXPECT_EQ(rig.joy.JoyAtRest(), 0);
  EXPECT_EQ(rig.windows.status.text, "Joystick connected");
}

// A stick that appears deflected drives nothing until it has read at rest once; "at
// rest" itself tells how the stick stands.
TEST(STJoy, StickThatAppearsDeflectedIsHeldUntilAtRest) {
  JoyModuleRig rig;
  rig.WriteJoy(kCentredFile);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  const auto yDeflection = [&rig] {
    int16_t x = 0, y = 0, full = 0, button = 0;
    rig.joy.JoyGetDeflection(x, y, full, button);
    return y;
  };
  rig.stick.y = 65535;
  EXPECT_EQ(yDeflection(), 1000);  // there from the start: not held
  rig.stick.plugged = false;
  EXPECT_EQ(yDeflection(), 0);
  rig.stick.plugged = true;  // back, still deflected
  EXPECT_EQ(yDeflection(), 0);
  EXPECT_EQ(yDeflection(), 0);
  EXPECT_EQ(rig.joy.JoyAtRest(), 0);
  rig.stick.y = 32767;
  EXPECT_EQ(yDeflection(), 0);
  rig.stick.y = 65535;
  EXPECT_EQ(yDeflection(), 1000);

  // The hold also ends when "at rest" reads the stick centred.
  rig.stick.plugged = false;
  EXPECT_EQ(yDeflection(), 0);
  rig.stick.plugged = true;
  rig.stick.y = 32767;
  EXPECT_EQ(rig.joy.JoyAtRest(), 1);
  rig.stick.y = 0;
  EXPECT_EQ(yDeflection(), -1000);
}

TEST(STJoy, CalibrationSamplesAndEnds) {
  JoyModuleRig rig;
  rig.WriteJoy(kCentredFile);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  const std::string stored = rig.ReadJoy();

  // A sweep too small for the dead zone is refused and the stored values come back.
  rig.stick.x = rig.stick.y = 30000;
  rig.joy.JoyCalibStart();
  rig.joy.SetJoyCalibrating(1);
  rig.stick.x = 31000;
  rig.stick.buttons = 2;
  rig.joy.JoyCalibStep();
  EXPECT_EQ(rig.windows.status.text, "Deflect to extremes: Axis1 = 31000, Axis2 = 30000, But= 2");
  EXPECT_EQ(rig.joy.Calib().JAXIS1_R, 31000);
  EXPECT_EQ(rig.joy.Calib().JAXIS1_0, 30200);  // (31000 + 4 x 30000) / 5
  rig.joy.JoyCalibEnd();
  EXPECT_EQ(rig.windows.status.text, "Not calibrated. Using old par.");
  EXPECT_EQ(rig.joy.JoyCalibrating(), 0);
  EXPECT_EQ(rig.joy.Calib().JAXIS1_R, 65535);
  EXPECT_EQ(rig.ReadJoy(), stored);

  // Without a dead zone, a sweep that never left a half-range is refused too, so the
  // good file is never replaced by it.
  const std::string noDeadZone =
      "\"JAXIS1_L\",0\r\n\"JAXIS1_0\",32767\r\n\"JAXIS1_R\",65535\r\n"
      "\"JAXIS2_L\",0\r\n\"JAXIS2_0\",32767\r\n\"JAXIS2_R\",65535\r\n"
      "\"JLATENT\",0\r\n\"JAXIS1_Dir\",1\r\n\"JAXIS2_Dir\",1\r\n";
  rig.WriteJoy(noDeadZone);
  ASSERT_EQ(rig.joy.JoyReadPar(), 1);
  rig.joy.JoyCalibStart();
  rig.stick.x = 20000;
  rig.joy.JoyCalibStep();  // axis 1 swept one way only, axis 2 not at all
  rig.joy.JoyCalibEnd();
  EXPECT_EQ(rig.windows.status.text, "Not calibrated. Using old par.");
  EXPECT_EQ(rig.ReadJoy(), noDeadZone);
  EXPECT_EQ(rig.joy.Calib().JAXIS2_R, 65535);

  // Without the file, a refused calibration still puts the old values back.
  std::filesystem::remove(rig.Path("ST_JOY.TXT"));
  rig.joy.JoyCalibStart();
  rig.joy.JoyCalibEnd();
  EXPECT_EQ(rig.joy.Calib().JAXIS1_L, 0);
  EXPECT_EQ(rig.joy.Calib().JAXIS1_R, 65535);

  // Readings of an unplugged stick are no samples; the first good one seeds the sweep.
  rig.stick.plugged = false;
  rig.joy.JoyCalibStart();
  rig.joy.JoyCalibStep();
  EXPECT_EQ(rig.joy.Calib().JAXIS1_L, 0);
  EXPECT_EQ(rig.joy.Calib().JAXIS1_R, 0);
  rig.stick.plugged = true;
  rig.stick.x = 40000;
  rig.joy.JoyCalibStep();
  EXPECT_EQ(rig.joy.Calib().JAXIS1_L, 40000);
  EXPECT_EQ(rig.joy.Calib().JAXIS1_0, 40000);
}

}  // namespace
