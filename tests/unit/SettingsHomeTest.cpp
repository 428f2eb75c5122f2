#include <gtest/gtest.h>

#include "common/SettingsHome.h"
#include "support/ScratchDir.h"

using settingshome::Choice;
using settingshome::Places;

namespace {

struct ChooseRow {
  const char* name;
  bool dirGiven;
  bool configBesideProgram;
  const char* configHome;  // relative to the scratch folder; "" unset, "rel" relative
  const char* expected;    // relative to the scratch folder
  bool userFolder;
};

class SettingsFolderChoice : public ::testing::TestWithParam<ChooseRow>, protected ScratchDir {};

TEST_P(SettingsFolderChoice, FollowsDirThenProgramFolderThenUserFolder) {
  const ChooseRow& row = GetParam();
  if (row.configBesideProgram) Put("bin/ST_CONFIG.TXT", "\"CONTRTYPE\",EZHR17\r\n");
  Places places{row.dirGiven ? Path("given") : "", Path("bin"), "", Path("home")};
  const std::string configHome = row.configHome;
  places.configHome = configHome == "rel" ? "rel/cfg" : configHome.empty() ? "" : Path(configHome);
  const Choice choice = settingshome::Choose(places);
  EXPECT_EQ(choice.folder, Path(row.expected));
  EXPECT_EQ(choice.userFolder, row.userFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsFolderChoice,
    ::testing::Values(
        ChooseRow{"DirWinsOverEverything", true, true, "cfg", "given", false},
        ChooseRow{"ProgramFolderWithConfig", false, true, "cfg", "bin", false},
        ChooseRow{"XdgConfigHome", false, false, "cfg", "cfg/kelvorin", true},
        ChooseRow{"HomeConfigWhenXdgUnset", false, false, "", "home/.config/kelvorin", true},
        ChooseRow{"HomeConfigWhenXdgRelative", false, false, "rel", "home/.config/kelvorin", true}),
    [](const auto& info) { return std::string(info.param.name); });

class SettingsFill : public ::testing::Test, protected ScratchDir {};

TEST_F(SettingsFill, CopiesMissingFilesAndKeepsEditedOnes) {
  Put("shipped/ST_CONFIG.TXT", "shipped config");
  Put("shipped/DEMO.PRG", "shipped demo");
  Put("shipped/sub/ignored", "a folder is not copied");
  EXPECT_TRUE(settingshome::Fill(Path("user/kelvorin"), Path("shipped")).empty());
  EXPECT_EQ(Get("user/kelvorin/DEMO.PRG"), "shipped demo");
  EXPECT_FALSE(std::filesystem::exists(Path("user/kelvorin/sub")));

  Put("user/kelvorin/ST_CONFIG.TXT", "edited");
  std::filesystem::remove(Path("user/kelvorin/DEMO.PRG"));
  EXPECT_TRUE(settingshome::Fill(Path("user/kelvorin"), Path("shipped")).empty());
  EXPECT_EQ(Get("user/kelvorin/ST_CONFIG.TXT"), "edited");
  EXPECT_EQ(Get("user/kelvorin/DEMO.PRG"), "shipped demo");
}

TEST_F(SettingsFill, NamesAMissingShippedFolder) {
  const auto failures = settingshome::Fill(Path("user"), Path("nowhere"));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].rfind("cannot read " + Path("nowhere"), 0), 0u) << failures[0];
}

}  // namespace
