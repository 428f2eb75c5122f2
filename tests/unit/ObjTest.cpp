#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <vector>

#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "controller/MotorShared.h"
#include "parfiles/TRAPAR.h"
#include "positions/STObj.h"
#include "server/CmdObj.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"

namespace {

class ObjTest : public ::testing::Test, protected ScratchDir {
 protected:
  ObjTest() : ScratchDir("obj-test") {}
  void SetUp() override { cmds.RegisterFamily("Obj", &obj); }

  std::string Run(const std::string& command) { return cmds.ExecCmd(command); }
  std::string Get(int n) { return Run("Obj Get " + std::to_string(n)); }
  std::string Read(const std::string& file) { return ScratchDir::Get(file); }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  ProgramState state;  // CONTRTYPE empty: no controller driver
  TRAPAR par{messages};
  COMM comm{port, clock};
  MotorShared shared;
  AllMotionCntrl ezhr17{comm, comm.Delay(), pump, shared, state.config};
  IMSCNTRL im483i{comm, comm.Delay(), pump, shared, state.config};
  MotCon motor{state.config, shared, comm, ezhr17, im483i};
  STCommands cmds{state, windows, comm.Delay(), comm, motor, pump};
  STObj list{par};

  int16_t zStatus = 1;
  double zValue = 12.345;
  int16_t busyWhileReading = -1;
  CmdObj obj{cmds, state, list, [this](double& z) {
               busyWhileReading = cmds.CmdBusy();
               if (zStatus == 1) z = zValue;
               return zStatus;
             }};
};

}  // namespace

TEST_F(ObjTest, AddEditAndGet) {
  EXPECT_EQ(Run("Obj GetNum"), " 0");
  EXPECT_EQ(Run("Obj Add 1 2 3 top"), "# 1");
  EXPECT_EQ(Get(1), " 1  2  3 top");
  EXPECT_EQ(Run("Obj Add 1 2"), "Error ");
  EXPECT_EQ(Run("Obj Add 1 x 3"), "Error ");
  EXPECT_EQ(Run("Obj GetNum"), " 1");
  EXPECT_EQ(Run("Obj Add 4 5 6"), "# 2");
  EXPECT_EQ(Run("Obj Add 7 8 9"), "# 3");
  EXPECT_EQ(Run("Obj Edit 5 1 2 3"), "Error ");
  EXPECT_EQ(Run("Obj Edit 0 1 2 3"), "Error ");
  EXPECT_EQ(Run("Obj Edit 1 -1 0.5 2 a"), "OK ");
  EXPECT_EQ(Get(1), "-1  .5  2 a");
  EXPECT_EQ(Run("Obj Edit 2.5 0 0 0 even"), "OK ");  // a half goes to the even neighbour
  EXPECT_EQ(Get(2), " 0  0  0 even");
  EXPECT_EQ(Run("Obj Edit 3 1 2"), "Error ");
  EXPECT_EQ(Get(3), " 7  8  9 ");
  for (const char* bad : {"Obj Get x", "Obj Get", "Obj Get 0", "Obj Get 4", "Obj Get -1"})
    EXPECT_EQ(Run(bad), "Error ") << bad;
  EXPECT_EQ(Run("Obj"), "Error Missing Argument ");
  EXPECT_EQ(Run("Obj Jump 1"), "Error ");
  EXPECT_EQ(cmds.CmdBusy(), 0);
}

TEST_F(ObjTest, ConstantsAndOutOfRangeNumbers) {
  state.SymConst = {
      {"TOP", std::string("12.5")}, {"ONE", std::string("1")}, {"WORD", std::string("abc")}};
  EXPECT_EQ(Run("Obj Add TOP TOP TOP up"), "# 1");
  EXPECT_EQ(Get(1), " 12.5  12.5  12.5 up");
  EXPECT_EQ(Run("Obj Add WORD 1 1"), "Error ");  // a constant that holds no number
  EXPECT_EQ(Run("Obj Edit ONE 1 1 1"), "OK ");
  EXPECT_EQ(Run("Obj Get ONE"), "Error ");  // entry numbers take no constants
  EXPECT_EQ(Run("Obj Get 1.4"), " 1  1  1 ");
  for (const char* bad : {"Obj Get 4294967297", "Obj Edit 4294967297 1 1 1",
                          "Obj Edit -1e300 1 1 1", "Obj GoTo 1e10"})
    EXPECT_EQ(Run(bad), "Error ") << bad;
  EXPECT_EQ(Run("Obj GetNum"), " 1");
}

TEST_F(ObjTest, MainWindowSeesOnlyTheListCommands) {
  windows.mainLoaded = true;
  Run("Obj Add 1 2 3");
  Run("Obj Get 1");
  Run("Obj GoTo x");
  EXPECT_EQ(windows.commandText, "");
  EXPECT_EQ(Run("Obj GetNum"), " 1");
  EXPECT_EQ(windows.commandText, "Obj GetNum");
  EXPECT_EQ(windows.status.text, " 1");
  EXPECT_EQ(Run("Obj GoTo 1"), "Error ");
  EXPECT_EQ(windows.commandText, "Obj GoTo 1");
  EXPECT_EQ(windows.status.text, "Error ");
  EXPECT_EQ(Run("Obj ListClear  now"), "Object List Cleared");
  EXPECT_EQ(windows.commandText, "Obj ListClear  now");
  EXPECT_EQ(Run("Obj ListRead"), "Error ");
  EXPECT_EQ(windows.commandText, "Obj ListRead");
}

TEST_F(ObjTest, GoToLeavesNoAxisToWaitFor) {
  EXPECT_EQ(Run("Obj Add 1 2 3"), "# 1");
  EXPECT_EQ(cmds.ExecCmdString("Obj GoTo 1;Wait"), "Error  ; Error Unknown command ; ");
  EXPECT_EQ(cmds.ExecCmdString("Obj GoTo 1;Obj GetNum;Wait"), "Error  ;  1 ; 1 ; ");
  cmds.SetLastAxis("Z");
  EXPECT_EQ(Run("Obj GoTo x"), "Error ");
  EXPECT_EQ(cmds.LastAxis(), "");
  EXPECT_EQ(Run("Obj"), "Error Missing Argument ");
  EXPECT_EQ(cmds.LastAxis(), "");
}

TEST_F(ObjTest, AddCurrentWithAxisOnOffAndUnreadable) {
  state.ZEnabled = 0;
  state.ZPos = 5;
  EXPECT_EQ(Run("Obj AddCurrent"), "# 1");
  EXPECT_EQ(state.ZPos, NoCoord);
  EXPECT_EQ(Get(1), " 77777.7  77777.7  77777.7 ");
  EXPECT_EQ(busyWhileReading, -1);  // the axis is not asked

  state.ZEnabled = 1;
  EXPECT_EQ(Run("Obj AddCurrent top"), "12.35 # 2");
  EXPECT_EQ(busyWhileReading, 1);
  EXPECT_EQ(cmds.CmdBusy(), 0);
  EXPECT_DOUBLE_EQ(state.ZPos, 12.345);
  EXPECT_EQ(Get(2), " 77777.7  77777.7  12.345 top");

  zStatus = -1;
  EXPECT_EQ(Run("Obj AddCurrent low"), "Error ");
  EXPECT_EQ(state.ZPos, NoCoord);
  EXPECT_EQ(Run("Obj GetNum"), " 2");
}

TEST_F(ObjTest, ListFilesRoundTripWithTheirRounding) {
  Run("Obj Add 1.25 -0.05 12.345 top");
  Run("Obj AddCurrent");
  EXPECT_EQ(Run("Obj ListWrite " + Path("pos.txt")), " 2");
  EXPECT_EQ(Read("pos.txt"), " 1 1.3 -0.1 12.35 top\r\n 2 77777.7 77777.7 77777.70 \r\n");
  EXPECT_EQ(Run("Obj ListClear"), "Object List Cleared");
  EXPECT_EQ(Run("Obj GetNum"), " 0");
  EXPECT_EQ(Run("Obj ListRead " + Path("pos.txt")), " 2");
  EXPECT_EQ(Get(1), " 1.3 -.1  12.35 top");
  EXPECT_EQ(Get(2), " 77777.7  77777.7  77777.7 ");

  // A blank line is an entry without coordinates: the entries keep their line numbers.
  Put("odd.txt", "7 1.0 abc 3.00 n extra\n\n3 4\r\n");
  EXPECT_EQ(Run("Obj ListRead " + Path("odd.txt")), " 3");
  EXPECT_EQ(Get(1), " 1  77777.7  3 n");
  EXPECT_EQ(Get(2), " 77777.7  77777.7  77777.7 ");
  EXPECT_EQ(Get(3), " 4  77777.7  77777.7 ");
}

TEST_F(ObjTest, ListFileFailuresKeepListAndFile) {
  Run("Obj Add 1 2 3 a");
  EXPECT_EQ(Run("Obj ListRead " + Path("none.txt")), "Error ");
  EXPECT_EQ(messages.shown.back(), "File " + Path("none.txt") + " does not exist");
  EXPECT_EQ(Get(1), " 1  2  3 a");

  EXPECT_EQ(Run("Obj ListWrite " + Path("no/dir.txt")), "Error ");
  EXPECT_EQ(Run("Obj ListWrite"), "Error ");
  std::filesystem::create_directory(Path("taken"));  // cannot be replaced by a file
  EXPECT_EQ(Run("Obj ListWrite " + Path("taken")), "Error ");
  EXPECT_TRUE(std::filesystem::is_directory(Path("taken")));

  Put("old.txt", "keep\r\n");
  Run("Obj ListClear");
  EXPECT_EQ(Run("Obj ListWrite " + Path("old.txt")), " 0");
  EXPECT_EQ(Read("old.txt"), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // no temporaries left
}

TEST_F(ObjTest, ListsComeBackAsTheyWereWritten) {
  state.AppDir = Path();
  // A name with a comma (or a quote) stays one entry, and the entries after it keep
  // their numbers.
  EXPECT_EQ(cmds.ExecCmdString("Obj Add 1 2 3 a,b;Obj Add 4 5 6 \"q,\"r;Obj Add 7 8 9 c"),
            "# 1 ; # 2 ; # 3 ; ");
  EXPECT_EQ(cmds.ExecCmdString("Obj ListWrite pos.txt;Obj ListClear;Obj ListRead pos.txt"),
            " 3 ; Object List Cleared ;  3 ; ");
  EXPECT_EQ(Get(1), " 1  2  3 a,b");
  EXPECT_EQ(Get(2), " 4  5  6 \"q,\"r");
  EXPECT_EQ(Get(3), " 7  8  9 c");

  // An empty list reads back as an empty list.
  EXPECT_EQ(cmds.ExecCmdString("Obj ListClear;Obj ListWrite none.txt;Obj Add 1 1 1 old"),
            "Object List Cleared ;  0 ; # 1 ; ");
  EXPECT_EQ(cmds.ExecCmdString("Obj ListRead none.txt;Obj GetNum"), " 0 ;  0 ; ");
}

// Files that a list must never replace, and names that reach them.
struct OwnFile {
  const char* label;
  const char* file;   // the settings file
  const char* given;  // the name in the request; "link" and "hardlink" are made to it
  friend void PrintTo(const OwnFile& c, std::ostream* os) { *os << c.label; }
};

class ObjOwnFileTest : public ObjTest, public ::testing::WithParamInterface<OwnFile> {};

TEST_P(ObjOwnFileTest, ListWriteRefusesTheProgramsOwnFiles) {
  const OwnFile& c = GetParam();
  state.AppDir = Path("settings/");
  Put(std::string("settings/") + c.file, "\"MPORT\",1\r\n");
  std::filesystem::create_symlink(Path("settings/") + c.file, Path("settings/link"));
  std::filesystem::create_hard_link(Path("settings/") + c.file, Path("settings/hardlink"));
  Run("Obj Add 0 0 0 x");
  for (const bool confined : {false, true}) {
    CmdObj::ConfinedFiles scope(obj, confined);
    EXPECT_EQ(Run(std::string("Obj ListWrite ") + c.given),
              std::string("Error ") + c.file + " is a settings file of the program");
  }
  EXPECT_EQ(Read(std::string("settings/") + c.file), "\"MPORT\",1\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ObjOwnFileTest,
    ::testing::Values(OwnFile{"Config", "ST_CONFIG.TXT", "ST_CONFIG.TXT"},
                      OwnFile{"ParZ", "ST_PARZ.TXT", "ST_PARZ.TXT"},
                      OwnFile{"Joy", "ST_JOY.TXT", "ST_JOY.TXT"},
                      OwnFile{"SymConst", "ST_SYMCONST.TXT", "ST_SYMCONST.TXT"},
                      OwnFile{"JoyCmds", "ST_JOYCMDS.TXT", "./ST_JOYCMDS.TXT"},
                      OwnFile{"Commands", "ST_COMMANDS.TXT", "ST_COMMANDS.TXT"},
                      OwnFile{"Detour", "ST_CONFIG.TXT", "sub/../ST_CONFIG.TXT"},
                      OwnFile{"SymbolicLink", "ST_PARZ.TXT", "link"},
                      OwnFile{"HardLink", "ST_JOYCMDS.TXT", "hardlink"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ObjTest, ListWriteDoesNotCreateAMissingSettingsFile) {
  state.AppDir = Path();
  Run("Obj Add 0 0 0 x");
  EXPECT_EQ(Run("Obj ListWrite ST_SYMCONST.TXT"),
            "Error ST_SYMCONST.TXT is a settings file of the program");
  EXPECT_FALSE(Has("ST_SYMCONST.TXT"));
  EXPECT_EQ(Run("Obj ListWrite ST_OTHER.TXT"), " 1");  // other names are lists like any
}

TEST_F(ObjTest, RelativeListFileNamesLieInTheSettingsFolder) {
  state.AppDir = Path();
  Run("Obj Add 1 2 3 a");
  EXPECT_EQ(Run("Obj ListWrite rel.txt"), " 1");
  EXPECT_EQ(Read("rel.txt"), " 1 1.0 2.0 3.00 a\r\n");
  EXPECT_FALSE(std::filesystem::exists("rel.txt"));  // not in the working folder
  std::filesystem::create_directory(Path("sub"));
  EXPECT_EQ(Run("Obj ListWrite sub/in.txt"), " 1");
  Run("Obj ListClear");
  EXPECT_EQ(Run("Obj ListRead sub/in.txt"), " 1");
  EXPECT_EQ(Run("Obj ListRead " + Path("rel.txt")), " 1");  // absolute names as given
  EXPECT_EQ(Run("Obj ListRead gone.txt"), "Error ");
  EXPECT_EQ(messages.shown.back(), "File " + Path("gone.txt") + " does not exist");
}

TEST_F(ObjTest, ListReadRefusesFilesOverSixteenMebibytes) {
  state.AppDir = Path();
  Run("Obj Add 1 2 3 keep");
  const std::string line = " 1 1.0 2.0 3.00 x\r\n";
  std::string limit(STObj::kMaxListFileBytes - line.size(), ' ');
  limit += line;
  Put("limit.txt", limit);
  EXPECT_EQ(Run("Obj ListRead limit.txt"), " 1");
  EXPECT_EQ(Get(1), " 1  2  3 x");
  Put("big.txt", limit + "\n");
  EXPECT_EQ(Run("Obj ListRead big.txt"), "Error File too large");
  EXPECT_EQ(Get(1), " 1  2  3 x");  // the list stays as it was
}

TEST_F(ObjTest, ConfinedRequestsReachOnlyFilesInsideTheSettingsFolder) {
  state.AppDir = Path("settings/");
  std::filesystem::create_directories(Path("settings/sub"));
  std::filesystem::create_symlink(Path(), Path("settings/up"));  // a link out of the folder
  Put("outside.txt", " 1 1.0 1.0 1.00 o\r\n");
  Put("settings/inside.txt", " 1 2.0 2.0 2.00 i\r\n");
  const std::string outside = "Error File outside the settings folder";
  struct Case {
    std::string name;
    bool inside;
  };
  const std::vector<Case> cases = {
      {"inside.txt", true},
      {"sub/../inside.txt", true},
      {Path("settings/inside.txt"), true},
      {"sub/new.txt", true},
      {"../outside.txt", false},
      {Path("outside.txt"), false},
      {"/etc/passwd", false},
      {"up/outside.txt", false},
      {"sub/../../outside.txt", false},
      {".", false},
      {"", false},
  };
  Run("Obj Add 5 5 5 e");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      CmdObj::ConfinedFiles confined(obj, true);
      const std::string read = Run("Obj ListRead " + c.name);
      const std::string wrote = Run("Obj ListWrite " + c.name);
      if (c.inside) {
        EXPECT_NE(read, outside);
        EXPECT_NE(wrote, outside);
      } else {
        EXPECT_EQ(read, c.name.empty() ? "Error " : outside);
        EXPECT_EQ(wrote, c.name.empty() ? "Error " : outside);
      }
      {
        CmdObj::ConfinedFiles local(obj, false);  // nested: still confined
        EXPECT_EQ(Run("Obj ListRead ../outside.txt"), outside);
      }
    }
    EXPECT_EQ(Read("outside.txt"), " 1 1.0 1.0 1.00 o\r\n");
    Run("Obj ListClear");
    Run("Obj Add 5 5 5 e");
  }
  // Unconfined, the same names work.
  EXPECT_EQ(Run("Obj ListRead ../outside.txt"), " 1");
  EXPECT_EQ(Run("Obj ListRead up/outside.txt"), " 1");
}

TEST_F(ObjTest, GrowsPastFiftyEntries) {
  list.ObjListClear();
  for (int i = 1; i <= 50; ++i) EXPECT_EQ(list.ObjAdd(i, -i, i / 4.0, "p" + std::to_string(i)), i);
  EXPECT_EQ(Run("Obj Add 51 52 53 last"), "# 51");
  double x = 0, y = 0, z = 0;
  std::string name;
  for (int i = 1; i <= 50; ++i) {
    ASSERT_EQ(list.ObjGet(i, x, y, z, name), 1);
    EXPECT_EQ(x, i);
    EXPECT_EQ(name, "p" + std::to_string(i));
  }
  EXPECT_EQ(Get(51), " 51  52  53 last");
  LineList lines;
  list.ObjListToLines(lines);
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[50], " 51 51.0 52.0 53.00 last");
}

TEST_F(ObjTest, SubCommandsAreCaseSensitive) {
  Run("Obj Add 1 2 3");
  for (const char* wrong : {"Obj listclear", "Obj getnum", "Obj ADD 1 2 3", "obj GetNum"})
    EXPECT_NE(Run(wrong).find("Error "), std::string::npos) << wrong;
  EXPECT_EQ(Run("Obj GetNum"), " 1");
}
