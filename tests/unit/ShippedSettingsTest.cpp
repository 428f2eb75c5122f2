#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ZRig.h"
#include "support/CoreRig.h"

namespace {
// The settings folder of the source tree, which the build places beside the program.
// (__FILE__ may be relative to the build folder, so the build names the source tree.)
std::string ShippedDir() { return std::string(KELVORIN_SOURCE_DIR) + "/settings/"; }
}  // namespace

TEST(ShippedSettings, EveryFileReadsAndTheAxisInitialisesOnAnEzhr17) {
  ZRig rig("EZHR17");
  rig.par.ParSetDir(ShippedDir());
  ASSERT_EQ(rig.foc.FocInit(), 1);
  EXPECT_DOUBLE_EQ(rig.foc.FocUnitPerStep(), 0.625);
  EXPECT_EQ(rig.foc.Params().ZCONTR, '1');
  EXPECT_FALSE(rig.foc.FocLimitsOn());  // shipped as 0 and 0: off

  for (const char* file : {"ST_CONFIG.TXT", "ST_SYMCONST.TXT", "ST_JOY.TXT"}) {
    ParTable table;
    EXPECT_EQ(rig.par.ParReadFile(ShippedDir() + file, table), 1) << file;
  }
  ParTable config;
  rig.par.ParReadFile(ShippedDir() + "ST_CONFIG.TXT", config);
  ParValue type, name;
  ASSERT_EQ(TRAPAR::ParTableTransfer(config, "CONTRTYPE", type, "from"), 1);
  ASSERT_EQ(TRAPAR::ParTableTransfer(config, "MPORTNAME", name, "from"), 1);
  EXPECT_EQ(TRAPAR::ValueText(type), "EZHR17");
  EXPECT_EQ(TRAPAR::ValueText(name), "sim:EZHR17:lower=-1600:upper=160000");

  LineList joyCmds;
  EXPECT_EQ(rig.par.LinesReadFile(ShippedDir() + "ST_JOYCMDS.TXT", joyCmds), 9);
  EXPECT_EQ(joyCmds.front(), "Ver");
  EXPECT_TRUE(rig.messages.shown.empty());
}

TEST(ShippedSettings, ConfigurationReadsWithoutAnyComplaint) {
  CoreRig rig;
  rig.core.par.ParSetDir(ShippedDir());
  EXPECT_EQ(rig.core.startup.ReadConfig(), 1);
  EXPECT_TRUE(rig.messages.shown.empty());
  const Config& c = rig.core.state.config;
  EXPECT_EQ(c.CONTRTYPE, "EZHR17");
  EXPECT_GT(c.PORTTIMEOUT, 0);
  EXPECT_GT(c.MOVETIMEOUT, 0);
  EXPECT_EQ(c.Z_INSTALLED, 1);
  EXPECT_EQ(c.SERVERTCPPORT, 0);
  EXPECT_EQ(c.ZPOSPOLL, 500);
}
