// The main window's logic over the whole core and the simulated controller (fake clock):
// jog distances, step-size parsing, the menu sequences and the parameter file copy.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/Numbers.h"
#include "platform/PanelDialogs.h"
#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "panels/LiftPanel.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "support/SimCore.h"

namespace {

namespace fs = std::filesystem;

const char* const kParz =
    "\"ZCONTR\",1\r\n\"ZSTROKEPERROT\",1\r\n\"ZMOTORSTEPS\",200\r\n\"ZSTEPDIVIDE\",3\r\n"
    "\"ZHOLDCURRENT\",10\r\n\"ZRUNCURRENT\",50\r\n\"ZSLEWVELOCITY\",2000\r\n"
    "\"ZINITVELOCITY\",200\r\n\"ZACCELERATION\",200\r\n\"ZDECELERATION\",200\r\n"
    "\"ZBACKLASH\",0\r\n\"ZJUMPSIZE\",10\r\n\"ZCOARSEFACTOR\",5\r\n\"ZJOYMAXSPEED\",2000\r\n"
    "\"ZHOMESPEED\",-1000\r\n\"ZPOWERUPORIGIN\",0\r\n";

// Records what the window's dialogs were asked, and plays the operator.
struct FakeDialogs : PanelDialogs {
  void EditParameters() override {
    ++edits;
    if (onEdit) onEdit();
  }
  void ChooseFile(const FileRequest& r, std::string& d, std::string& f) override {
    request = r;
    d = chosenDir;
    f = chosenFile;
  }
  void SetClipboard(const std::string& text) override { clipboard = text; }
  void ShowText(const std::string& title, const std::string& text) override {
    shownTitle = title;
    shownText = text;
  }
  void OpenTextFile(const std::string& path) override { openedFile = path; }

  int edits = 0;
  std::function<void()> onEdit;
  FileRequest request;
  std::string chosenDir, chosenFile, clipboard, shownTitle, shownText, openedFile;
};

struct PanelRig : ScratchDir, SimCore<> {
  explicit PanelRig(const std::string& family = "EZHR17", bool start = true)
      : ScratchDir("kelvorin-panel") {
    Put("ST_PARZ.TXT", kParz);
    Put("ST_CONFIG.TXT",
        "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
        "\"WAITPOLLINGINTERVAL\",20\r\n\"CONTRTYPE\"," +
            family + "\r\n\"Z_INSTALLED\",1\r\n\"MPORTNAME\",sim:" + family + ":nowire\r\n");
    clock.autoAdvanceMs = 1;  // no wait can spin on a standing clock
    if (start) core.startup.InitAll(dir);
    panel.onStepSizeFilled = [this] { ++fills; };
    panel.WindowLoaded();
  }
  int64_t Steps() { return port.Sim()->axis().Physical(port.NowUs()); }

  FakeDialogs dialogs;
  LiftPanel panel{core.state,   core.cmds, core.foc, core.par, core.comm,
                  core.startup, pump,      windows,  dialogs};
  int fills = 0;
  std::string Status() const { return windows.status.text; }
};

TEST(LiftPanel, StepSizeTakesNumbersAndKeepsTheLastValidOne) {
  PanelRig rig;
  ASSERT_EQ(rig.panel.StepSize(), 10);  // ZJUMPSIZE at the first load
  EXPECT_EQ(rig.fills, 1);
  const struct {
    const char* text;
    bool accepted;
    double step;
  } cases[] = {
      {"2.5", true, 2.5},   {" -0.5 ", true, -0.5}, {"1E1", true, 10},    {"+.25", true, 0.25},
      {"abc", false, 0.25}, {"", false, 0.25},      {"1,5", false, 0.25}, {"2.5mm", false, 0.25},
      {"-", false, 0.25},   {"7", true, 7},
  };
  for (const auto& c : cases) {
    rig.windows.status.text = "before";
    EXPECT_EQ(rig.panel.StepTextChanged(c.text), c.accepted) << c.text;
    EXPECT_EQ(rig.panel.StepSize(), c.step) << c.text;
    EXPECT_EQ(rig.Status(), c.accepted ? "" : "Error in step size") << c.text;
  }
  EXPECT_EQ(rig.panel.StepText(), "7");
  rig.panel.WindowLoaded();  // a later load keeps the operator's size
  EXPECT_EQ(rig.panel.StepSize(), 7);
}

TEST(LiftPanel, JogDistancesFollowDirectionCoarseFactorAndSign) {
  PanelRig rig;
  const struct {
    const char* step;
    Jog jog;
    double distance;
  } cases[] = {
      {"10", Jog::UpCoarse, -50}, {"10", Jog::DownCoarse, 50}, {"10", Jog::UpFine, -10},
      {"10", Jog::DownFine, 10},  {"-0.5", Jog::UpFine, 0.5},  {"-0.5", Jog::DownCoarse, -2.5},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(rig.panel.StepTextChanged(c.step));
    EXPECT_EQ(rig.panel.JogDistance(c.jog), c.distance)
        << c.step << " " << LiftPanel::Caption(c.jog);
  }
}

TEST(LiftPanel, AxisOffSaysWhyOnEveryZControlAndSendsNothingButHome) {
  PanelRig rig;
  rig.core.state.ZEnabled = 0;
  const size_t before = rig.core.comm.CommGetLog().size();
  const int64_t start = rig.Steps();
  const std::function<void()> controls[] = {
      [&] {
        rig.panel.JogPress(Jog::UpCoarse);
        EXPECT_EQ(rig.core.cmds.CmdBusy(), 1);  // the joystick stays away all the same
        rig.panel.JogRelease();
      },
      [&] { rig.panel.MenuStep(Jog::DownFine); },
      [&] { rig.panel.ReadPosition(); },  // also a click on the Lift frame
      [&] { rig.panel.SetOrigin(); },
  };
  for (const char* reason : {"", "Z axis off: unknown controller type FOO"}) {
    rig.core.state.ZOffReason = reason;
    for (const auto& control : controls) {
      rig.windows.status.text = "untouched";
      control();
      EXPECT_EQ(rig.Status(), *reason ? reason : "Z axis off");
    }
  }
  EXPECT_EQ(rig.Steps(), start);
  EXPECT_EQ(rig.core.comm.CommGetLog().size(), before);

  rig.panel.Home();  // sent anyway: runs towards the (missing) limit
  EXPECT_NE(rig.Steps(), start);
}

TEST(LiftPanel, SetOriginAndReadPosition) {
  PanelRig rig;
  rig.panel.MenuStep(Jog::DownFine);
  rig.panel.SetOrigin();
  EXPECT_EQ(rig.Status(), "Z Origin");
  rig.panel.ReadPosition();
  EXPECT_EQ(rig.Status(), "Z=0.00");
}

TEST(LiftPanel, ParametersReinitialiseTheAxisAndRefillTheStepSize) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.StepTextChanged("3"));
  std::string editedFile;
  rig.dialogs.onEdit = [&] {
    editedFile = rig.core.par.ParGetPath();
    std::string parz = kParz;
    parz.replace(parz.find("\"ZJUMPSIZE\",10"), 14, "\"ZJUMPSIZE\",2.5");
    rig.Put("ST_PARZ.TXT", parz);
  };
  rig.core.state.ZEnabled = 0;
  rig.panel.Parameters();
  EXPECT_EQ(editedFile, rig.dir + "/ST_PARZ.TXT");
  EXPECT_EQ(rig.Status(), "Z On");
  EXPECT_EQ(rig.core.state.ZEnabled, 1);
  EXPECT_EQ(rig.panel.StepSize(), 2.5);
  EXPECT_EQ(rig.fills, 2);

  rig.dialogs.onEdit = [&] { rig.Put("ST_PARZ.TXT", "\"ZCONTR\",1\r\n"); };
  rig.panel.Parameters();
  EXPECT_EQ(rig.Status(), "Z Off");
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
  rig.panel.JogPress(Jog::UpFine);  // a Z control then says why the axis is off
  const std::string why = "Z axis off: Parameter ZSTROKEPERROT not found in " + rig.dir;
  EXPECT_EQ(rig.Status().substr(0, why.size()), why);
  EXPECT_EQ(rig.core.state.ZOffReason, rig.Status());
}

TEST(LiftPanel, StartUpKeepsWhyTheAxisIsOff) {
  PanelRig rig("FOO");
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
  rig.panel.ReadPosition();
  EXPECT_EQ(rig.Status(), "Z axis off: unknown controller type FOO");
}

TEST(LiftPanel, ReadParFileCopiesOverTheProgramFoldersFileOnly) {
  PanelRig rig;
  const std::string other = rig.dir + "/other";
  fs::create_directory(other);
  std::string parz = kParz;
  parz.replace(parz.find("\"ZJUMPSIZE\",10"), 14, "\"ZJUMPSIZE\",4");
  rig.Put("other/ST_PARZ_B.TXT", parz);
  rig.Put("other/ST_PARZ.TXT", "unrelated");
  std::string statusWhileEditing;
  rig.dialogs.onEdit = [&] { statusWhileEditing = rig.Status(); };

  rig.dialogs.chosenDir = other;
  rig.dialogs.chosenFile = "ST_PARZ_B.TXT";
  rig.panel.ReadParFile();
  EXPECT_EQ(rig.dialogs.request.startDir, rig.dir);
  EXPECT_EQ(rig.dialogs.request.filter, "ST_PARZ*.TXT");
  EXPECT_EQ(rig.dialogs.request.patterns, "*.TXT *.*");
  EXPECT_EQ(rig.dialogs.request.title, "Select a parameter file to load");
  EXPECT_EQ(statusWhileEditing, "Parameter file " + other + "/ST_PARZ_B.TXT read");
  EXPECT_EQ(rig.Get("ST_PARZ.TXT"), parz);
  EXPECT_EQ(rig.Get("other/ST_PARZ.TXT"), "unrelated");
  EXPECT_EQ(rig.Status(), "Z On");
  EXPECT_EQ(rig.panel.StepSize(), 4);
  EXPECT_EQ(rig.dialogs.edits, 1);
  ASSERT_EQ(rig.messages.asked.size(), 1u);
  EXPECT_EQ(rig.messages.asked[0], "Replace the Z parameters in " + rig.dir +
                                       "/ST_PARZ.TXT with those of " + other + "/ST_PARZ_B.TXT?");

  rig.messages.answer = false;  // Cancel: nothing is copied
  rig.Put("other/ST_PARZ_B.TXT", kParz);
  rig.panel.ReadParFile();
  EXPECT_EQ(rig.messages.asked.size(), 2u);
  EXPECT_EQ(rig.Status(), "Parameter file not read");
  EXPECT_EQ(rig.Get("ST_PARZ.TXT"), parz);
  EXPECT_EQ(rig.dialogs.edits, 1);
}

TEST(LiftPanel, ReadParFileThatCannotCopyChangesNothing) {
  PanelRig rig;
  fs::create_directory(rig.dir + "/sub");
  const struct {
    std::string dir, file;
  } cases[] = {
      {"", ""},                              // cancelled
      {rig.dir, ""},                         // no file name
      {"", "ST_PARZ.TXT"},                   // no folder
      {rig.dir, "ST_PARZ.TXT"},              // the file itself
      {rig.dir + "/sub/..", "ST_PARZ.TXT"},  // the file itself by another path
      {rig.dir, "MISSING.TXT"},              // gone
      {rig.dir, "sub"},                      // a folder
  };
  for (const auto& c : cases) {
    rig.dialogs.chosenDir = c.dir;
    rig.dialogs.chosenFile = c.file;
    rig.panel.ReadParFile();
    EXPECT_EQ(rig.Status(), "Parameter file not read") << c.dir << " " << c.file;
    EXPECT_EQ(rig.Get("ST_PARZ.TXT"), kParz) << c.dir << " " << c.file;
  }
  EXPECT_EQ(rig.dialogs.edits, 0);
  EXPECT_TRUE(rig.messages.asked.empty());  // nothing to ask about
}

class LiftPanelSteps : public ::testing::TestWithParam<const char*> {};

// Quick clicks: each press comes while the step before it still runs (inside the wait of
// the release before it). Every step runs whole, so the axis ends where their sum says.
TEST_P(LiftPanelSteps, QuickStepsDuringAMoveEndWhereTheirSumSays) {
  PanelRig rig(GetParam());
  ASSERT_EQ(rig.core.state.ZEnabled, 1);
  const int64_t start = rig.Steps();
  const Jog clicks[] = {Jog::UpCoarse, Jog::DownCoarse, Jog::UpCoarse, Jog::DownCoarse,
                        Jog::UpCoarse, Jog::DownCoarse, Jog::DownFine};
  size_t next = 1;
  rig.pump.onEvents = [&] {
    if (next >= std::size(clicks)) return;
    const Jog jog = clicks[next++];
    rig.panel.JogPress(jog);
    rig.panel.JogRelease();
  };
  rig.panel.JogPress(clicks[0]);
  rig.panel.JogRelease();
  rig.pump.onEvents = nullptr;
  EXPECT_EQ(next, std::size(clicks));
  EXPECT_EQ(rig.Steps() - start, 16);  // 80-step coarse pairs and one 16-step fine step
  EXPECT_EQ(rig.Status(), "Z=10.00");  // as "Z ?" answers
}

// A run at constant speed has no end to wait for: the step is not sent, and the status
// line says so instead of showing a position.
TEST_P(LiftPanelSteps, AStepDuringARunIsNotSentAndSaysSo) {
  PanelRig rig(GetParam());
  ASSERT_EQ(rig.core.foc.FocMoveVel(400), 1);
  rig.panel.JogPress(Jog::UpFine);
  rig.panel.JogRelease();
  EXPECT_EQ(rig.Status(), LiftPanel::kStepNotSent);
  rig.panel.MenuStep(Jog::DownFine);
  EXPECT_EQ(rig.Status(), LiftPanel::kStepNotSent);
  EXPECT_EQ(rig.core.foc.FocRunSpeed(), 400);
  EXPECT_TRUE(rig.port.Sim()->axis().IsRunning(rig.port.NowUs()));
}

INSTANTIATE_TEST_SUITE_P(Families, LiftPanelSteps, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

TEST(LiftPanel, ConfigurationEditsTheConfigurationAndAppliesIt) {
  PanelRig rig;
  std::string editedFile;
  rig.dialogs.onEdit = [&] {
    editedFile = rig.core.par.ParGetPath();
    rig.Put("ST_CONFIG.TXT",
            "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
            "\"WAITPOLLINGINTERVAL\",20\r\n\"Z_INSTALLED\",0\r\n");
  };
  const int pumped = rig.pump.calls;
  rig.panel.Configuration();
  EXPECT_EQ(editedFile, rig.dir + "/ST_CONFIG.TXT");
  EXPECT_GT(rig.pump.calls, pumped);
  EXPECT_EQ(rig.core.state.config.Z_INSTALLED, 0);
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
}

TEST(LiftPanel, ErrorLogGoesToClipboardAndTextWindowUnlessEmpty) {
  PanelRig rig("EZHR17", false);  // a start-up probe would log its time-outs
  ASSERT_EQ(rig.core.comm.CommGetLog(), "");
  rig.panel.ErrorLog();  // an empty log opens too, and says so
  EXPECT_EQ(rig.dialogs.shownTitle, "Error Log");
  EXPECT_EQ(rig.dialogs.shownText, LiftPanel::kEmptyLog);
  EXPECT_EQ(rig.dialogs.clipboard, "");

  rig.clock.startOfDay = 14 * 3600 + 3 * 60 + 7.4 - rig.clock.now / 1000.0;
  rig.core.comm.CommLogAdd("first");
  rig.clock.startOfDay += 60;
  rig.core.comm.CommLogAdd("second");
  rig.panel.ErrorLog();
  EXPECT_EQ(rig.dialogs.shownTitle, "Error Log");
  EXPECT_EQ(rig.dialogs.shownText, "14:03:07  first\r\n14:04:07  second\r\n");
  EXPECT_EQ(rig.dialogs.clipboard, rig.dialogs.shownText);
}

TEST(LiftPanel, CommandsOpensTheCommandListOfTheProgramFolder) {
  PanelRig rig;
  rig.panel.Commands();
  EXPECT_EQ(rig.dialogs.openedFile, rig.dir + "/ST_COMMANDS.TXT");
}

// The coarse step here is 5 steps. The travel is ZMAX - ZMIN with the limits on, else
// what a move covers in MOVETIMEOUT (10 s) at ZSLEWVELOCITY (2000 microsteps/s of 0.625).
struct StepBoundCase {
  const char* name;
  const char* limits;  // ST_PARZ.TXT lines
  const char* text;
  const char* largest;  // "" when the size is taken
};

class StepBound : public ::testing::TestWithParam<StepBoundCase> {};

TEST_P(StepBound, ACoarseStepStaysWithinTheTravel) {
  const StepBoundCase& c = GetParam();
  PanelRig rig("EZHR17", false);
  rig.Put("ST_PARZ.TXT", std::string(kParz) + c.limits);
  rig.core.startup.InitAll(rig.dir);
  ASSERT_TRUE(rig.panel.StepTextChanged("1"));
  const bool taken = !*c.largest;
  EXPECT_EQ(rig.panel.StepTextTyped(c.text), taken);
  EXPECT_EQ(rig.panel.StepTextChanged(c.text), taken);
  if (taken) {
    EXPECT_EQ(rig.Status(), "");
    EXPECT_EQ(rig.panel.StepText(), c.text);
    return;
  }
  EXPECT_EQ(rig.panel.StepSize(), 1);
  const double travel = rig.panel.LargestStep() * 5;
  EXPECT_EQ(rig.Status(), std::string("Step size too large: at most ") + c.largest +
                              " (coarse step x5 within the travel of " + num::General(travel) +
                              ")");
}

const char* const kLimits = "\"ZMIN\",-200\r\n\"ZMAX\",800\r\n";

INSTANTIATE_TEST_SUITE_P(LiftPanel, StepBound,
                         ::testing::Values(StepBoundCase{"LimitsLargest", kLimits, "200", ""},
                                           StepBoundCase{"LimitsLargestUp", kLimits, "-200", ""},
                                           StepBoundCase{"LimitsBeyond", kLimits, "200.5", "200"},
                                           StepBoundCase{"LimitsBeyondUp", kLimits, "-1000", "200"},
                                           StepBoundCase{"NoLimitsLargest", "", "2500", ""},
                                           StepBoundCase{"NoLimitsBeyond", "", "2501", "2500"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LiftPanel, SetOriginAndClosingDuringARunAskFirst) {
  PanelRig rig;
  rig.panel.MenuStep(Jog::DownFine);
  rig.messages.answer = false;
  rig.panel.SetOrigin();
  EXPECT_EQ(rig.Status(), "Origin not set");
  ASSERT_EQ(rig.messages.asked.size(), 1u);
  EXPECT_EQ(rig.messages.asked[0], "Make the position the lift stands at the origin (Z=0)?");
  rig.panel.ReadPosition();
  EXPECT_EQ(rig.Status(), "Z=10.00");

  EXPECT_TRUE(rig.panel.MayClose(0));  // no program runs: no question
  EXPECT_EQ(rig.messages.asked.size(), 1u);
  EXPECT_FALSE(rig.panel.MayClose(1));
  ASSERT_EQ(rig.messages.asked.size(), 2u);
  EXPECT_EQ(rig.messages.asked[1],
            "A program is running. Closing the main window stops it.\r\nClose the window?");
  rig.messages.answer = true;
  EXPECT_TRUE(rig.panel.MayClose(1));
}

}  // namespace
