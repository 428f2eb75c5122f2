#include <gtest/gtest.h>

#include "support/CoreRig.h"

namespace {

bool Shown(const FakeMessages& m, const std::string& text) {
  for (const auto& s : m.shown)
    if (s == text) return true;
  return false;
}

void WriteConfig(CoreRig& rig, std::initializer_list<std::string> extra = {}) {
  std::vector<std::string> lines = {"\"MPORT\",1", "\"PORTTIMEOUT\",50", "\"MOVETIMEOUT\",5",
                                    "\"WAITPOLLINGINTERVAL\",20", "\"CONTRTYPE\",EZHR17",
                                    "\"MPORTNAME\",fake-port"};
  lines.insert(lines.end(), extra);
  std::ofstream out(rig.dir + "/ST_CONFIG.TXT", std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
}

TEST(Startup, CompleteSettingsWithoutAxisStartCleanly) {
  CoreRig rig;
  WriteConfig(rig);
  rig.Write("ST_SYMCONST.TXT", {"\"UP\",5"});
  rig.Write("ST_JOYCMDS.TXT", {"Z ?", "Z Stop"});
  rig.Write("ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
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
  rig.Write("ST_CONFIG.TXT", {"\"MPORT\",2.5", "\"PORTTIMEOUT\",3.5"});
  rig.core.par.ParSetDir(rig.dir + "/");
  EXPECT_EQ(rig.core.startup.ReadConfig(), -1);
  const Config& c = rig.core.state.config;
  EXPECT_EQ(c.MPORT, 2);
  EXPECT_EQ(c.PORTTIMEOUT, 4);
  EXPECT_EQ(c.CONTRTYPE, "IM483I");
  EXPECT_TRUE(Shown(rig.messages,
                    "Parameter MOVETIMEOUT not found in " + rig.dir + "/ST_CONFIG.TXT"));
  EXPECT_FALSE(Shown(rig.messages,
                     "Parameter CONTRTYPE not found in " + rig.dir + "/ST_CONFIG.TXT"));

  // A value that is no number ends the reading at its key.
  rig.Write("ST_CONFIG.TXT", {"\"MPORT\",7", "\"PORTTIMEOUT\",abc", "\"MOVETIMEOUT\",9",
                              "\"WAITPOLLINGINTERVAL\",9", "\"CONTRTYPE\",EZHR17"});
  EXPECT_EQ(rig.core.startup.ReadConfig(), -1);
  EXPECT_EQ(c.MPORT, 7);
  EXPECT_EQ(c.PORTTIMEOUT, 4);
  EXPECT_EQ(c.CONTRTYPE, "IM483I");
  EXPECT_TRUE(Shown(rig.messages, "Parameter PORTTIMEOUT in " + rig.dir +
                                      "/ST_CONFIG.TXT is not a number: abc"));
}

TEST(Startup, PortNumberNamesTheDeviceWhenNoNameIsGiven) {
  CoreRig rig;
  rig.Write("ST_CONFIG.TXT", {"\"MPORT\",3", "\"PORTTIMEOUT\",50", "\"MOVETIMEOUT\",5",
                              "\"WAITPOLLINGINTERVAL\",20"});
  rig.core.startup.InitAll(rig.dir);
  EXPECT_EQ(rig.port.openedName, "/dev/ttyS2");
}

TEST(Startup, FailedPortOpenIsAFailedStep) {
  CoreRig rig;
  WriteConfig(rig);
  rig.Write("ST_SYMCONST.TXT", {"\"UP\",5"});
  rig.Write("ST_JOYCMDS.TXT", {"Ver"});
  rig.port.failOpen = true;
  EXPECT_EQ(rig.core.startup.InitAll(rig.dir), -1);
  EXPECT_EQ(rig.core.comm.CommTimeout(), 1000);
  EXPECT_NE(rig.core.comm.CommGetLog().find("CommOpenPort"), std::string::npos);
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

}  // namespace
