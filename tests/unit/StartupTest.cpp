#include <gtest/gtest.h>

#include <algorithm>

#include <utility>

#include <filesystem>
#include <functional>

#include "ZRig.h"
#include "parfiles/ParListEditor.h"
#include "support/CoreRig.h"

namespace {

bool Shown(const FakeMessages& m, const std::string& text) {
  for (const auto& s : m.shown)
    if (s == text) return true;
  return false;
}

void WriteConfig(CoreRig& rig, std::initializer_list<std::string> extra = {}) {
  std::vector<std::string> lines = {"\"MPORT\",1",          "\"PORTTIMEOUT\",50",
                                    "\"MOVETIMEOUT\",5",    "\"WAITPOLLINGINTERVAL\",20",
                                    "\"CONTRTYPE\",EZHR17", "\"MPORTNAME\",fake-port"};
  lines.insert(lines.end(), extra);
  rig.PutLines("ST_CONFIG.TXT", lines);
}

TEST(Startup, CompleteSettingsWithoutAxisStartCleanly) {
  CoreRig rig;
  WriteConfig(rig);
  rig.PutLines("ST_SYMCONST.TXT", {"\"UP\",5"});
  rig.PutLines("ST_JOYCMDS.TXT", {"Z ?", "Z Stop"});
  rig.PutLines("ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
                              "\"JAXIS2_L\",0", "\"JAXIS2_0\",32767", "\"JAXIS2_R\",65535",
                              "\"JLATENT\",10", "\"JAXIS1_Dir\",1", "\"JAXIS2_Dir\",1"});
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), 1);
  EXPECT_EQ(rig.port.openedName, "fake-port");
  EXPECT_EQ(rig.core.comm.CommTimeout(), 50);
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
  EXPECT_TRUE(rig.windows.mainLoaded);    // loaded for its status line ...
  EXPECT_FALSE(rig.windows.mainVisible);  // ... but hidden
  EXPECT_EQ(rig.core.interp.ProgLines(), LineList{"End"});
  // The start command ran once (answering "Off ": no axis) and was counted.
  EXPECT_EQ(rig.Exec("CommandCount"), " 2 ; ");
  EXPECT_EQ(rig.Exec("Z ?"), "Off  ; ");
  std::string word = "UP";
  EXPECT_TRUE(rig.core.cmds.ResolveNumber(word));
  EXPECT_EQ(word, "5");
  // The EZHR17 probe asked every address once.
  EXPECT_EQ(rig.port.written.front(), "/1?Q\r");
  EXPECT_EQ(rig.port.written.size(), 15u);
}

TEST(Startup, MissingFilesAndKeysFailTheirStepButEveryStepRuns) {
  CoreRig rig;
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  EXPECT_TRUE(Shown(rig.messages, "File " + rig.dir + "/ST_CONFIG.TXT does not exist"));
  EXPECT_TRUE(Shown(rig.messages, "File " + rig.dir + "/ST_SYMCONST.TXT does not exist"));
  EXPECT_TRUE(Shown(rig.messages, "File " + rig.dir + "/ST_JOY.TXT does not exist"));
  EXPECT_TRUE(rig.windows.mainLoaded);
  EXPECT_TRUE(rig.core.state.SymConst.empty());
  EXPECT_EQ(rig.Exec("Ver"), "1.0 ; ");
}

TEST(Startup, ConfigDefaultsRoundingAndBadValues) {
  CoreRig rig;
  rig.core.state.config.CONTRTYPE = "";
  rig.PutLines("ST_CONFIG.TXT", {"\"MPORT\",2.5", "\"PORTTIMEOUT\",3.5"});
  rig.core.par.ParSetDir(rig.dir + "/");
  EXPECT_EQ(rig.core.startup.ReadConfig(), -1);
  const Config& c = rig.core.state.config;
  EXPECT_EQ(c.MPORT, 2);
  EXPECT_EQ(c.PORTTIMEOUT, 4);
  EXPECT_EQ(c.CONTRTYPE, "IM483I");
  EXPECT_TRUE(
      Shown(rig.messages, "Parameter MOVETIMEOUT not found in " + rig.dir + "/ST_CONFIG.TXT"));
  EXPECT_FALSE(
      Shown(rig.messages, "Parameter CONTRTYPE not found in " + rig.dir + "/ST_CONFIG.TXT"));

  // A value that is no number fails its own key only: it keeps its value, the keys
  // after it are read.
  rig.PutLines("ST_CONFIG.TXT", {"\"MPORT\",7", "\"PORTTIMEOUT\",abc", "\"MOVETIMEOUT\",9",
                                 "\"WAITPOLLINGINTERVAL\",9", "\"CONTRTYPE\",EZHR17",
                                 "\"JOYSTARTON\",1", "\"Z_INSTALLED\",1"});
  EXPECT_EQ(rig.core.startup.ReadConfig(), -1);
  EXPECT_EQ(c.MPORT, 7);
  EXPECT_EQ(c.PORTTIMEOUT, 4);
  EXPECT_EQ(c.MOVETIMEOUT, 9);
  EXPECT_EQ(c.WAITPOLLINGINTERVAL, 9);
  EXPECT_EQ(c.CONTRTYPE, "EZHR17");
  EXPECT_EQ(rig.core.state.JoyOn, 1);
  EXPECT_EQ(c.Z_INSTALLED, 1);
  EXPECT_TRUE(Shown(rig.messages,
                    "Parameter PORTTIMEOUT in " + rig.dir + "/ST_CONFIG.TXT is not a number: abc"));
}

TEST(Startup, PortNumberNamesTheDeviceWhenNoNameIsGiven) {
  CoreRig rig;
  rig.PutLines("ST_CONFIG.TXT", {"\"MPORT\",3", "\"PORTTIMEOUT\",50", "\"MOVETIMEOUT\",5",
                                 "\"WAITPOLLINGINTERVAL\",20"});
  rig.core.startup.InitAll(rig.dir);
  EXPECT_EQ(rig.port.openedName, "/dev/ttyS2");
}

TEST(Startup, FailedPortOpenIsAFailedStep) {
  CoreRig rig;
  WriteConfig(rig);
  rig.PutLines("ST_SYMCONST.TXT", {"\"UP\",5"});
  rig.PutLines("ST_JOYCMDS.TXT", {"Ver"});
  rig.port.failOpen = true;
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  EXPECT_EQ(rig.core.comm.CommTimeout(), 1000);
  EXPECT_NE(rig.core.comm.CommGetLog().find("CommOpenPort"), std::string::npos);
}

TEST(Startup, AnOpenErrorNamingItsDeviceIsTheWholeMessage) {
  CoreRig rig;
  WriteConfig(rig);
  rig.port.failOpen = true;
  rig.port.openError = "No port fake-port; ports here: /dev/ttyUSB1 (FT232R USB UART)";
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  const auto& failures = rig.core.startup.Failures();
  EXPECT_NE(std::find(failures.begin(), failures.end(), rig.port.openError), failures.end())
      << failures.size();
  EXPECT_NE(rig.windows.status.text.find(rig.port.openError), std::string::npos);
}

TEST(Startup, LastOfWindowAndClientsClosesThePort) {
  CoreRig rig;
  WriteConfig(rig);
  rig.core.startup.InitAll(rig.dir);
  ASSERT_TRUE(rig.port.open);
  auto& s = rig.core.startup;
  rig.windows.onUnload = [&] { s.MainWindowUnloaded(); };

  // Two clients; the window goes; one client leaves: the other still has the port.
  s.ClientCreated();
  s.ClientCreated();
  rig.Exec("Unload");
  EXPECT_TRUE(rig.port.open);
  s.ClientReleased();
  EXPECT_TRUE(rig.port.open);
  EXPECT_FALSE(s.ShouldExit());
  EXPECT_EQ(rig.Exec("CommandCount").empty(), false);
  s.ClientReleased();
  EXPECT_FALSE(rig.port.open);
  EXPECT_EQ(rig.core.comm.CommIsInit(), 0);
  EXPECT_TRUE(s.ShouldExit());
}

TEST(Startup, UnloadWithoutClientsClosesThePort) {
  CoreRig rig;
  WriteConfig(rig);
  rig.core.startup.InitAll(rig.dir);
  rig.windows.onUnload = [&] { rig.core.startup.MainWindowUnloaded(); };
  rig.Exec("Unload");
  EXPECT_FALSE(rig.port.open);
  EXPECT_TRUE(rig.core.startup.ShouldExit());
}

// A client unloads the window and leaves while the window's own line still waits (here
// a Delay, where the pump runs): the port stays with that line and closes when it ends.
TEST(Startup, ThePortClosesAfterTheLineStillRunningBelowTheUnload) {
  CoreRig rig;
  WriteConfig(rig);
  rig.core.startup.InitAll(rig.dir);
  auto& s = rig.core.startup;
  rig.windows.onUnload = [&] { s.MainWindowUnloaded(); };
  bool openAfterTheClientLeft = false, done = false;
  rig.pump.onStopOnly = [&] {
    if (std::exchange(done, true)) return;
    s.ClientCreated();
    rig.Exec("Unload");
    s.ClientReleased();
    openAfterTheClientLeft = rig.port.open;
  };
  EXPECT_EQ(rig.Exec("Delay 20"), "20 ; ");
  EXPECT_TRUE(openAfterTheClientLeft);
  EXPECT_FALSE(rig.port.open);
  EXPECT_TRUE(s.ShouldExit());
}

// The standard keys first (a key given twice: the first counts, so these override the
// ones that WriteConfig puts after them).
void WriteConfigWith(CoreRig& rig, std::initializer_list<std::string> front) {
  WriteConfig(rig);
  std::string text;
  for (const auto& l : front) text += l + "\r\n";
  rig.Put("ST_CONFIG.TXT", text + rig.Get("ST_CONFIG.TXT"));
}

void WriteJoy(CoreRig& rig) {
  rig.PutLines("ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
                              "\"JAXIS2_L\",0", "\"JAXIS2_0\",32767", "\"JAXIS2_R\",65535",
                              "\"JLATENT\",10", "\"JAXIS1_Dir\",1", "\"JAXIS2_Dir\",1"});
}

void WriteParz(CoreRig& rig) {
  rig.PutLines("ST_PARZ.TXT",
               {"\"ZCONTR\",1", "\"ZSTROKEPERROT\",1", "\"ZMOTORSTEPS\",200", "\"ZSTEPDIVIDE\",3",
                "\"ZHOLDCURRENT\",10", "\"ZRUNCURRENT\",50", "\"ZSLEWVELOCITY\",2000",
                "\"ZINITVELOCITY\",200", "\"ZACCELERATION\",300", "\"ZDECELERATION\",400",
                "\"ZBACKLASH\",0", "\"ZJUMPSIZE\",10", "\"ZCOARSEFACTOR\",10",
                "\"ZJOYMAXSPEED\",2000", "\"ZHOMESPEED\",-1000"});
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const auto& t : texts) out += (out.empty() ? "" : "; ") + t;
  return out;
}

TEST(Startup, ConfigValuesOutOfRangeAreNamedAndTheOwnKeysAreAlwaysRead) {
  const std::string outOfRange = " is out of range: ";
  const struct {
    std::initializer_list<std::string> front;
    int16_t result;
    std::string message;  // "Parameter " + it, or the whole text when it starts so
    int32_t tcpPort;
  } cases[] = {
      {{"\"SERVERTCPPORT\",65535"}, 1, "", 65535},
      {{"\"SERVERTCPPORT\",40000"}, 1, "", 40000},
      {{"\"SERVERTCPPORT\",65536"}, -1, "SERVERTCPPORT" + outOfRange + "65536 (0 to 65535)", 0},
      {{"\"SERVERTCPPORT\",-1"}, -1, "SERVERTCPPORT" + outOfRange + "-1 (0 to 65535)", 0},
      {{"\"PORTTIMEOUT\",0"}, -1, "PORTTIMEOUT" + outOfRange + "0 (1 to 32767)", 0},
      {{"\"MOVETIMEOUT\",40000"}, -1, "MOVETIMEOUT" + outOfRange + "40000 (1 to 32767)", 0},
      {{"\"MPORT\",99999"}, -1, "MPORT" + outOfRange + "99999 (-32768 to 32767)", 0},
      {{"\"WAITPOLLINGINTERVAL\",0"}, 1, "", 0},
      // A value that is no number fails its key; the keys after it are still read.
      {{"\"JOYSTARTON\",1x", "\"SERVERTCPPORT\",5000"}, -1, "JOYSTARTON is not a number: 1x", 5000},
      {{"\"MPORT\",abc", "\"SERVERTCPPORT\",5000"}, -1, "MPORT is not a number: abc", 5000},
      {{"\"CONTRTYPE\",ezhr17"},
       -1,
       "Unknown controller type ezhr17 in ST_CONFIG.TXT (EZHR17 or IM483I)",
       0},
      {{"\"CONTRTYPE\",FOO"},
       -1,
       "Unknown controller type FOO in ST_CONFIG.TXT (EZHR17 or IM483I)",
       0},
  };
  for (const auto& c : cases) {
    CoreRig rig;
    WriteConfigWith(rig, c.front);
    rig.core.par.ParSetDir(rig.dir + "/");
    const std::string first = *c.front.begin();
    EXPECT_EQ(rig.core.startup.ReadConfig(), c.result) << first;
    std::string expected = c.message;
    if (!expected.empty() && expected.rfind("Unknown", 0) != 0) {
      const size_t blank = expected.find(' ');
      expected = "Parameter " + expected.substr(0, blank) + " in " + rig.dir + "/ST_CONFIG.TXT" +
                 expected.substr(blank);
    }
    EXPECT_EQ(rig.messages.shown,
              expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected})
        << first;
    EXPECT_EQ(rig.core.state.config.MPORTNAME, "fake-port") << first;
    EXPECT_EQ(rig.core.state.config.SERVERTCPPORT, c.tcpPort) << first;
  }
}

TEST(Startup, PositionPollIntervalIsOptional) {
  const struct {
    const char* line;  // nullptr: no key
    int16_t result;
    int32_t interval;
    const char* message;
  } cases[] = {
      {nullptr, 1, 0, nullptr},
      {"\"ZPOSPOLL\",500", 1, 500, nullptr},
      {"\"ZPOSPOLL\",0", 1, 0, nullptr},
      {"\"ZPOSPOLL\",3600000", 1, 3600000, nullptr},
      {"\"ZPOSPOLL\",3600001", -1, 0, "is out of range: 3600001 (0 to 3600000)"},
      {"\"ZPOSPOLL\",-1", -1, 0, "is out of range: -1 (0 to 3600000)"},
      {"\"ZPOSPOLL\",often", -1, 0, "is not a number: often"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line ? c.line : "none");
    CoreRig rig;
    if (c.line) WriteConfigWith(rig, {c.line});
    else WriteConfigWith(rig, {});
    rig.core.par.ParSetDir(rig.dir + "/");
    EXPECT_EQ(rig.core.startup.ReadConfig(), c.result);
    EXPECT_EQ(rig.core.state.config.ZPOSPOLL, c.interval);
    if (c.message)
      EXPECT_EQ(rig.messages.shown, std::vector<std::string>{"Parameter ZPOSPOLL in " + rig.dir +
                                                             "/ST_CONFIG.TXT " + c.message});
    else EXPECT_TRUE(rig.messages.shown.empty());
  }
}

TEST(Startup, EveryFailedStepSaysWhyOnTheStatusLine) {
  enum Controller { Silent, Answering };
  const struct {
    const char* name;
    std::initializer_list<std::string> front;
    bool parz;
    bool portFails;
    Controller controller;
    std::vector<std::string> why;  // "DIR" stands for the settings folder
    int16_t zEnabled;
    std::string zOff;  // the reason kept while the axis is off; "" when it is on
  } cases[] = {
      {"port",
       {},
       true,
       true,
       Silent,
       {"Cannot open port fake-port: No such file or directory"},
       0,
       "Z axis off: not installed (no Z_INSTALLED in ST_CONFIG.TXT)"},
      {"port and axis",
       {"\"Z_INSTALLED\",1"},
       true,
       true,
       Silent,
       {"Cannot open port fake-port: No such file or directory",
        "Z axis off: port fake-port is not open"},
       0,
       "Z axis off: port fake-port is not open"},
      {"unknown type",
       {"\"CONTRTYPE\",FOO", "\"Z_INSTALLED\",1"},
       true,
       false,
       Answering,
       {"Unknown controller type FOO in ST_CONFIG.TXT (EZHR17 or IM483I)",
        "Z axis off: unknown controller type FOO"},
       0,
       "Z axis off: unknown controller type FOO"},
      {"axis parameters",
       {"\"Z_INSTALLED\",1"},
       false,
       false,
       Answering,
       {"Z axis off: File DIR/ST_PARZ.TXT does not exist"},
       0,
       "Z axis off: File DIR/ST_PARZ.TXT does not exist"},
      {"silent EZHR17",
       {"\"Z_INSTALLED\",1"},
       true,
       false,
       Silent,
       {"Z axis off: the EZHR17 controller on fake-port does not answer"},
       0,
       "Z axis off: the EZHR17 controller on fake-port does not answer"},
      {"silent IM483I",
       {"\"CONTRTYPE\",IM483I", "\"Z_INSTALLED\",1"},
       true,
       false,
       Silent,
       {"Z axis off: the IM483I controller on fake-port does not answer"},
       0,
       "Z axis off: the IM483I controller on fake-port does not answer"},
      {"bad time-out",
       {"\"PORTTIMEOUT\",-5"},
       true,
       false,
       Silent,
       {"Parameter PORTTIMEOUT in DIR/ST_CONFIG.TXT is out of range: -5 (1 to 32767)"},
       0,
       "Z axis off: not installed (no Z_INSTALLED in ST_CONFIG.TXT)"},
      // A time-out that is no number fails its step; the axis after it still comes up.
      {"unreadable time-out",
       {"\"PORTTIMEOUT\",abc", "\"Z_INSTALLED\",1"},
       true,
       false,
       Answering,
       {"Parameter PORTTIMEOUT in DIR/ST_CONFIG.TXT is not a number: abc"},
       1,
       ""},
      {"not installed",
       {"\"Z_INSTALLED\",0"},
       true,
       false,
       Answering,
       {},
       0,
       "Z axis off: not installed (Z_INSTALLED 0 in ST_CONFIG.TXT)"},
      {"unreadable installed",
       {"\"Z_INSTALLED\",yes"},
       true,
       false,
       Answering,
       {"Parameter Z_INSTALLED in DIR/ST_CONFIG.TXT is not a number: yes"},
       0,
       "Z axis off: Parameter Z_INSTALLED in DIR/ST_CONFIG.TXT is not a number: yes"},
      {"answering EZHR17", {"\"Z_INSTALLED\",1"}, true, false, Answering, {}, 1, ""},
  };
  const auto inDir = [](std::string text, const std::string& dir) {
    if (const size_t at = text.find("DIR"); at != std::string::npos) text.replace(at, 3, dir);
    return text;
  };
  for (const auto& c : cases) {
    CoreRig rig;
    WriteConfigWith(rig, c.front);
    rig.PutLines("ST_SYMCONST.TXT", {"\"UP\",5"});
    rig.PutLines("ST_JOYCMDS.TXT", {"Ver"});
    WriteJoy(rig);
    if (c.parz) WriteParz(rig);
    rig.port.failOpen = c.portFails;
    FakeController controller;
    controller.family = "EZHR17";
    if (c.controller == Answering)
      rig.port.responder = [&](const std::string& line) { return controller.Respond(line, 0); };
    std::vector<std::string> why;
    for (const std::string& w : c.why) why.push_back(inDir(w, rig.dir));
    EXPECT_EQ(rig.core.startup.InitAll(rig.dir), why.empty() ? 1 : -1) << c.name;
    EXPECT_EQ(rig.core.startup.Failures(), why) << c.name;
    // The rig has no joystick: with nothing failed, that is the last word.
    EXPECT_EQ(rig.windows.status.text, why.empty() ? "Joystick not connected" : Joined(why))
        << c.name;
    EXPECT_EQ(rig.core.state.ZEnabled, c.zEnabled) << c.name;
    EXPECT_EQ(rig.core.state.ZOffReason, inDir(c.zOff, rig.dir)) << c.name;
    if (c.zEnabled == 0) {
      rig.port.written.clear();
      EXPECT_EQ(rig.Exec("Z ?;Z Home"), "Off  ; Off  ; ") << c.name;
      EXPECT_TRUE(rig.port.written.empty()) << c.name;
    }
  }
}

// Setting the axis up again (the "Parameters" menu) switches it and keeps its reason.
TEST(Startup, AxisSetUpAgainKeepsWhyItIsOff) {
  CoreRig rig;
  WriteConfigWith(rig, {"\"Z_INSTALLED\",1"});
  WriteParz(rig);
  FakeController controller;
  controller.family = "EZHR17";
  rig.port.responder = [&](const std::string& line) { return controller.Respond(line, 0); };
  rig.core.startup.InitAll(rig.dir);
  ASSERT_EQ(rig.core.state.ZEnabled, 1);
  std::filesystem::remove(rig.dir + "/ST_PARZ.TXT");
  EXPECT_LE(rig.core.startup.ZAxisInit(), 0);
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
  EXPECT_EQ(rig.core.state.ZOffReason,
            "Z axis off: File " + rig.dir + "/ST_PARZ.TXT does not exist");
  WriteParz(rig);
  EXPECT_GT(rig.core.startup.ZAxisInit(), 0);
  EXPECT_EQ(rig.core.state.ZEnabled, 1);
  EXPECT_EQ(rig.core.state.ZOffReason, "");
}

TEST(Startup, ReconfigurationSaysWhyToo) {
  CoreRig rig;
  WriteConfig(rig);
  // no symbolic constants, no commands, no calibration
  ASSERT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  EXPECT_EQ(rig.core.startup.Failures().size(), 3u);
  WriteConfigWith(rig, {"\"CONTRTYPE\",FOO"});
  rig.port.failOpen = true;
  EXPECT_EQ(rig.core.startup.ApplyConfiguration(), -1);
  const std::vector<std::string> why = {
      "Unknown controller type FOO in ST_CONFIG.TXT (EZHR17 or IM483I)",
      "Cannot open port fake-port: No such file or directory"};
  EXPECT_EQ(rig.core.startup.Failures(), why);
  EXPECT_EQ(rig.windows.status.text, Joined(why));
}

}  // namespace

namespace {

// A settings folder with one file spoilt: start-up names the file and what is wrong with
// it, and a line that no command can hold never runs.
struct Spoilt {
  const char* name;
  std::function<void(CoreRig&)> spoil;
  std::vector<std::string> why;  // "DIR" stands for the settings folder
  std::function<void(CoreRig&)> check = [](CoreRig&) {};
  friend void PrintTo(const Spoilt& c, std::ostream* os) { *os << c.name; }
};

const char kNoPort[] =
    "No port is configured (ST_CONFIG.TXT gives no MPORTNAME and no MPORT of 1 or more)";

class SpoiltSettings : public ::testing::TestWithParam<Spoilt> {};

TEST_P(SpoiltSettings, StartUpSaysWhichFileAndWhatIsWrong) {
  const Spoilt& c = GetParam();
  CoreRig rig;
  WriteConfig(rig);
  WriteJoy(rig);
  rig.PutLines("ST_SYMCONST.TXT", {"\"UP\",5"});
  rig.PutLines("ST_JOYCMDS.TXT", {"Ver"});
  c.spoil(rig);
  std::vector<std::string> why;
  for (std::string w : c.why) {
    if (const size_t at = w.find("DIR"); at != std::string::npos) w.replace(at, 3, rig.dir);
    why.push_back(w);
  }
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  EXPECT_EQ(rig.core.startup.Failures(), why);
  c.check(rig);
}

std::string Utf16Le(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (const char ch : text) out += std::string{ch, '\0'};
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Startup, SpoiltSettings,
    ::testing::Values(
        Spoilt{"ConfigIsAFolder",
               [](CoreRig& rig) {
                 std::filesystem::remove(rig.Path("ST_CONFIG.TXT"));
                 std::filesystem::create_directory(rig.Path("ST_CONFIG.TXT"));
               },
               {"File DIR/ST_CONFIG.TXT is a folder", kNoPort}},
        Spoilt{"ConfigInUtf16",
               [](CoreRig& rig) { rig.Put("ST_CONFIG.TXT", Utf16Le(rig.Get("ST_CONFIG.TXT"))); },
               {"File DIR/ST_CONFIG.TXT is UTF-16 text: save it as Latin-1 or UTF-8", kNoPort}},
        Spoilt{"NoPortConfigured",
               [](CoreRig& rig) {
                 rig.PutLines("ST_CONFIG.TXT", {"\"MPORT\",0", "\"PORTTIMEOUT\",50",
                                                "\"MOVETIMEOUT\",5", "\"WAITPOLLINGINTERVAL\",20"});
               },
               {kNoPort},
               [](CoreRig& rig) { EXPECT_EQ(rig.port.openedName, ""); }},
        Spoilt{"ConstantWithControlBytes",
               [](CoreRig& rig) {
                 rig.PutLines("ST_SYMCONST.TXT", {"\"UP\",5", "\"BAD\",1\x01"});
               },
               {"File DIR/ST_SYMCONST.TXT line 2 is not a valid entry"},
               [](CoreRig& rig) {
                 EXPECT_EQ(rig.Exec("Delay UP;Delay BAD"), "5 ; Error Not a Number ; ");
               }},
        Spoilt{"StartCommandWithControlBytes",
               [](CoreRig& rig) {
                 rig.PutLines("ST_JOYCMDS.TXT", {"Show \x1B[2J", "Ver"});
               },
               {"File DIR/ST_JOYCMDS.TXT line 1 is not a valid entry"},
               [](CoreRig& rig) {
                 EXPECT_FALSE(rig.windows.mainVisible);  // "Show" did not run
                 EXPECT_EQ(rig.core.state.JoyCmds, (LineList{"", "Ver"}));
               }},
        Spoilt{"StartCommandOfAMegabyte",
               [](CoreRig& rig) {
                 rig.PutLines("ST_JOYCMDS.TXT", {"Show " + std::string(1 << 20, 'x')});
               },
               {"File DIR/ST_JOYCMDS.TXT line 1 is not a valid entry"},
               [](CoreRig& rig) { EXPECT_FALSE(rig.windows.mainVisible); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The grid editor marks at once what start-up would refuse: its rule for each key of
// ST_CONFIG.TXT and the reader agree at the edges of every range.
struct EdgeCase {
  const char* label;
  const char* key;
  const char* value;
  friend void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.label; }
};

class EditorAgreesWithStartup : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EditorAgreesWithStartup, OnWhetherAValueIsTaken) {
  const EdgeCase& c = GetParam();
  CoreRig rig;
  WriteConfigWith(rig, {std::string("\"") + c.key + "\"," + c.value});
  rig.core.par.ParSetDir(rig.dir + "/");
  const bool taken = rig.core.startup.ReadConfig() == 1;
  EXPECT_EQ(taken, ParListEditor::ValueProblem(c.key, c.value).empty())
      << ParListEditor::ValueProblem(c.key, c.value) << " / " << Joined(rig.messages.shown);
}

INSTANTIATE_TEST_SUITE_P(ConfigKeys, EditorAgreesWithStartup,
                         ::testing::Values(EdgeCase{"MportLow", "MPORT", "-32768"},
                                           EdgeCase{"MportTooHigh", "MPORT", "32768"},
                                           EdgeCase{"PortTimeoutZero", "PORTTIMEOUT", "0"},
                                           EdgeCase{"PortTimeoutOne", "PORTTIMEOUT", "1"},
                                           EdgeCase{"PortTimeoutHalfRoundsToZero", "PORTTIMEOUT",
                                                    "0.5"},
                                           EdgeCase{"MoveTimeoutTop", "MOVETIMEOUT", "32767"},
                                           EdgeCase{"MoveTimeoutTooHigh", "MOVETIMEOUT", "32768"},
                                           EdgeCase{"PollingZero", "WAITPOLLINGINTERVAL", "0"},
                                           EdgeCase{"PollingNegative", "WAITPOLLINGINTERVAL", "-1"},
                                           EdgeCase{"ControllerIm483i", "CONTRTYPE", "IM483I"},
                                           EdgeCase{"ControllerLowerCase", "CONTRTYPE", "ezhr17"},
                                           EdgeCase{"JoyStartWord", "JOYSTARTON", "1x"},
                                           EdgeCase{"TcpPortTop", "SERVERTCPPORT", "65535"},
                                           EdgeCase{"TcpPortTooHigh", "SERVERTCPPORT", "65536"},
                                           EdgeCase{"PosPollHour", "ZPOSPOLL", "3600000"},
                                           EdgeCase{"PosPollTooLong", "ZPOSPOLL", "3600001"},
                                           EdgeCase{"PosPollNegative", "ZPOSPOLL", "-1"}),
                         [](const auto& info) { return std::string(info.param.label); });
