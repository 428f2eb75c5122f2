// Programs run one line per tick over the whole core and the simulated controller.
#include <gtest/gtest.h>

#include <algorithm>

#include "InterpRig.h"

namespace {

bool Shown(const FakeInterpWindow& w, const std::string& text) {
  return std::find(w.messages.begin(), w.messages.end(), text) != w.messages.end();
}

struct RunCase {
  const char* name;
  LineList program;
  size_t ticks;       // lines run, including flow statements
  int64_t steps;      // where the lift ends (Z Rel 10 is 16 steps)
  const char* last;   // the interpreter's last message
  const char* line0;  // program line 0 after the run
};

TEST(InterpRun, FlowStatementsOverTheSimulatedLift) {
  const RunCase cases[] = {
      {"Repeat 3",
       {"Repeat 3 Times", "Z Rel 10", "Endrepeat", "End"},
       9,
       48,
       "PROGRAM FINISHED",
       "Repeat 3 Times"},
      {"Repeat 0 runs once",
       {"Repeat 0 Times", "Z Rel 10", "Endrepeat", "End"},
       3,
       16,
       "PROGRAM FINISHED",
       "Repeat 0 Times"},
      {"Repeat -4 runs once",
       {"Repeat -4 Times", "Z Rel 10", "Endrepeat"},
       3,
       16,
       "PROGRAM FINISHED",
       "Repeat -4 Times"},
      {"Repeat 2.5 is two",
       {"Repeat 2.5 Times", "Z Rel 10", "Endrepeat"},
       6,
       32,
       "PROGRAM FINISHED",
       "Repeat 2 Times"},
      {"nested 2 x 3",
       {"Repeat 2 Times", "Repeat 3 Times", "Z Rel 10", "Endrepeat", "Endrepeat", "End"},
       22,
       96,
       "PROGRAM FINISHED",
       "Repeat 2 Times"},
      {"Endrepeat without Repeat",
       {"Z Rel 10", "Endrepeat", "Z Rel 10", "End"},
       2,
       16,
       "PROGRAM STOPPED",
       "Z Rel 10"},
      {"no End finishes past the last line",
       {"Z Rel 10", "Z Rel 10"},
       2,
       32,
       "PROGRAM FINISHED",
       "Z Rel 10"},
      {"indented End is run",
       {"Repeat 2 Times", "End", "Endrepeat", "Z Rel 10"},
       7,
       16,
       "PROGRAM FINISHED",
       "Repeat 2 Times"},
      {"unknown command",
       {"Z Rel 10", "Bogus", "Z Rel 10", "End"},
       2,
       16,
       "PROGRAM STOPPED",
       "Z Rel 10"},
      {"failure on the last line", {"Z Rel 10", "Bogus"}, 2, 16, "PROGRAM STOPPED", "Z Rel 10"},
      {"failure just before End",
       {"Z Rel 10", "Bogus", "End"},
       2,
       16,
       "PROGRAM STOPPED",
       "Z Rel 10"},
      {"lower case repeat is unknown",
       {"repeat 2 Times", "Z Rel 10", "End"},
       1,
       0,
       "PROGRAM STOPPED",
       "repeat 2 Times"},
      {"remarks do not stop, Stop ends quietly",
       {"! going up", "Z Rel 10", "Call sub", "Stop", "Z Rel 10", "End"},
       4,
       16,
       "going up",
       "! going up"},
      {"count no number",
       {"Repeat x Times", "Z Rel 10", "Endrepeat"},
       1,
       0,
       "PROGRAM STOPPED",
       "Repeat x Times"},
      {"Times misspelt",
       {"Repeat 3 Tims", "Z Rel 10", "Endrepeat"},
       1,
       0,
       "PROGRAM STOPPED",
       "Repeat 3 Tims"},
      {"counter at the 16-bit edge",
       {"Repeat 5 Times : Rep.# 32767", "Z Rel 10", "Endrepeat", "End"},
       1,
       0,
       "PROGRAM STOPPED",
       "Repeat 5 Times : Rep.# 32767"},
      {"counter left by an interrupted run resumes",
       {"Repeat 3 Times : Rep.# 2", "Z Rel 10", "Endrepeat", "End"},
       3,
       16,
       "PROGRAM FINISHED",
       "Repeat 3 Times"},
      {"Repeat never run", {"Repeat 3 Times", "Z Rel 10", "Endrepeat", "Ver"}, 0, 0, "", ""},
  };
  for (const auto& c : cases) {
    InterpRig rig;
    ASSERT_TRUE(rig.initOk);
    rig.Load(c.program);
    if (c.ticks == 0) {  // Run from the Endrepeat: its Repeat has no counter
      rig.core.progEdit.ClickRow(2);
      rig.Run();
      EXPECT_EQ(rig.window.Message(), "PROGRAM STOPPED") << c.name;
      EXPECT_TRUE(Shown(rig.window, " SYNTAX ERROR")) << c.name;
      EXPECT_EQ(rig.core.interp.ProgLines()[0], "Repeat 3 Times") << c.name;
      continue;
    }
    const auto ran = rig.Run();
    EXPECT_EQ(ran.size(), c.ticks) << c.name;
    EXPECT_EQ(rig.Steps(), c.steps) << c.name;
    EXPECT_EQ(rig.window.Message(), c.last) << c.name;
    EXPECT_EQ(rig.core.interp.ProgLines()[0], c.line0) << c.name;
    EXPECT_EQ(rig.core.interp.RunMode(), 0) << c.name;
    EXPECT_EQ(rig.core.interp.EditEnabled(), 1) << c.name;
    EXPECT_FALSE(rig.window.runIndicator) << c.name;
  }
}

TEST(InterpRun, RepeatCounterFormsDuringAndAfterTheBlock) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Repeat 3 Times", "Z Rel 10", "Endrepeat", "End"});
  std::vector<std::string> line0, row0;
  rig.beforeTick = [&] {
    line0.push_back(rig.core.interp.ProgLines()[0]);
    row0.push_back(rig.window.texts[0]);
  };
  const auto ran = rig.Run();
  line0.push_back(rig.core.interp.ProgLines()[0]);
  row0.push_back(rig.window.texts[0]);
  const std::string r1 = "Repeat 3 Times : Rep.# 1", r2 = "Repeat 3 Times : Rep.# 2",
                    r3 = "Repeat 3 Times : Rep.# 3", done = "Repeat 3 Times";
  EXPECT_EQ(line0, (std::vector<std::string>{done, r1, r1, r1, r2, r2, r2, r3, r3, done}));
  EXPECT_EQ(row0, line0);  // the row is redrawn with every change
  EXPECT_EQ(ran, (std::vector<std::string>{done, "    Z Rel 10", "Endrepeat", r1, "    Z Rel 10",
                                           "Endrepeat", r2, "    Z Rel 10", "Endrepeat"}));
  // The run stops before "End": highlighted and in the command box.
  EXPECT_EQ(rig.window.highlighted, 3);
  EXPECT_EQ(rig.windows.commandText, "End");
  EXPECT_TRUE(Shown(rig.window, "Executing Repeat.3 Times : Rep.# 2"));
  EXPECT_TRUE(Shown(rig.window, "Executing Endrepeat."));
  EXPECT_TRUE(rig.window.controlsEnabled);
  // The controller saw three relative moves of 16 steps.
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "> /1P16R\\r"), 3);
}

TEST(InterpRun, FailedLineStaysOneRowAboveTheHighlight) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Ver", "Bogus", "Ver", "End"});
  rig.Run();
  EXPECT_EQ(rig.window.highlighted, 2);
  EXPECT_EQ(rig.windows.commandText, "Ver");
  EXPECT_EQ(rig.windows.status.text, "Error Unknown command ; ");
  EXPECT_EQ(rig.core.interp.NextLine(), 3);
}

TEST(InterpRun, StepRunsOneLineAndLeavesTheTimeAlone) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Repeat 2 Times", "Z Rel 10", "Endrepeat", "End"});
  rig.core.interp.StartStep();
  EXPECT_EQ(rig.core.interp.EditEnabled(), 0);
  EXPECT_EQ(rig.Ticks().size(), 1u);
  EXPECT_EQ(rig.core.interp.ProgLines()[0], "Repeat 2 Times : Rep.# 1");
  EXPECT_EQ(rig.window.highlighted, 1);
  EXPECT_EQ(rig.windows.commandText, "    Z Rel 10");
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
  EXPECT_EQ(rig.core.interp.EditEnabled(), 1);
  EXPECT_TRUE(rig.window.times.empty());
  EXPECT_TRUE(rig.window.controlsEnabled);
  EXPECT_FALSE(rig.core.interp.TickProgramStep());  // idle ticks do nothing
}

TEST(InterpRun, ClientStopEndsTheRunAfterTheCurrentLine) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Z Rel 100", "Z Wait", "Z Rel 10", "End"});
  std::string clientReply;
  rig.pump.onEvents = [&] {
    if (rig.windows.commandText == "Z Wait" && clientReply.empty())
      clientReply = rig.core.cmds.ExecCmdString("Stop");
  };
  const auto ran = rig.Run();
  EXPECT_EQ(clientReply, "OK  ; ");
  EXPECT_EQ(ran, (std::vector<std::string>{"Z Rel 100", "Z Wait"}));
  EXPECT_EQ(rig.Steps(), 160);
  EXPECT_EQ(rig.window.Message(), "PROGRAM (RE)STARTED");  // a Stop shows nothing
  EXPECT_FALSE(rig.window.controlsEnabled);                // until the operator presses Stop
  EXPECT_EQ(rig.core.interp.EditEnabled(), 1);
  rig.core.interp.InterruptRun();
  EXPECT_TRUE(rig.window.controlsEnabled);
  EXPECT_EQ(rig.window.Message(), "PROGRAM INTERRUPTED");
}

TEST(InterpRun, BlockStatementsFromOtherSourcesChangeNothing) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  const LineList program{"Repeat 2 Times", "Z Rel 10", "Z Wait", "Endrepeat", "End"};
  // Before any run: nothing above line 0 to rewrite.
  rig.core.interp.SetProgram(program);
  EXPECT_EQ(rig.Exec("Repeat 3 Times"), "Error  ; ");
  EXPECT_EQ(rig.Exec("Endrepeat"), "Error  ; ");
  EXPECT_EQ(rig.Exec("Ver;Stop;Call x;End"), "1.0 ; OK  ; OK  ; OK  ; ");
  EXPECT_EQ(rig.core.interp.ProgLines(), program);

  // A client during a program's wait.
  rig.Load(program);
  std::vector<std::string> replies;
  rig.pump.onEvents = [&] {
    if (rig.windows.commandText == "    Z Wait" && replies.size() < 2) {
      replies.push_back(rig.core.cmds.ExecCmdString("Repeat 9 Times"));
      replies.push_back(rig.core.cmds.ExecCmdString("Endrepeat"));
    }
  };
  rig.Run();
  EXPECT_EQ(replies, (std::vector<std::string>{"Error  ; ", "Error  ; "}));
  EXPECT_EQ(rig.window.Message(), "PROGRAM FINISHED");
  EXPECT_EQ(rig.Steps(), 32);
  EXPECT_EQ(rig.core.interp.ProgLines()[0], "Repeat 2 Times");

  // Behind another command on the program's own line.
  rig.Load({"Ver;Repeat 2 Times", "Ver", "End"});
  rig.Run();
  EXPECT_EQ(rig.window.Message(), "PROGRAM STOPPED");
  EXPECT_EQ(rig.core.interp.ProgLines()[0], "Ver;Repeat 2 Times");

  // Typed into the command box over a line that is no Repeat line.
  rig.Load({"Ver", "Ver", "End"});
  rig.windows.commandText = "Repeat 9 Times";
  rig.core.interp.StartStep();
  rig.Ticks();
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Ver", "Ver", "End"}));
}

TEST(InterpRun, RunTimeInTenthsOnlyWhenItChanges) {
  InterpRig rig;
  struct {
    uint32_t ms;
    const char* shown;  // nullptr: label not written
  } const cases[] = {{0, "0"},        {40, nullptr},     {1249, "1.2"},
                     {1250, nullptr}, {1350, "1.4"},     {5000, "5"},
                     {5049, nullptr}, {123456, "123.5"}, {4294967295u, "4294967.3"}};
  for (const auto& c : cases) {
    const size_t before = rig.window.times.size();
    rig.core.interp.ShowRunTime(c.ms);
    if (!c.shown) {
      EXPECT_EQ(rig.window.times.size(), before) << c.ms;
    } else {
      ASSERT_EQ(rig.window.times.size(), before + 1) << c.ms;
      EXPECT_EQ(rig.window.times.back(), c.shown) << c.ms;
    }
  }
  rig.core.interp.SetDecimalSeparator(',');
  rig.core.interp.ShowRunTime(2500);
  EXPECT_EQ(rig.window.times.back(), "2,5");
}

TEST(InterpRun, ClosingTheWindowStopsTheRun) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Z Rel 10", "Z Rel 10", "End"});
  rig.core.interp.StartRun();
  rig.Ticks(1);
  rig.core.interp.DetachWindow();
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
  EXPECT_FALSE(rig.core.interp.TickProgramStep());
  EXPECT_EQ(rig.Steps(), 16);
  rig.Exec("! nobody listens");  // no window: nothing to show, nothing breaks
}

TEST(InterpRun, ClickedRowIsTheNextLineRun) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load({"Z Rel 10", "Z Rel 10", "Z Rel 100", "Z Rel 10"});
  rig.core.interp.StartRun();
  rig.Ticks(1);
  rig.core.progEdit.ClickRow(2);  // row 2 is line 2: its text goes to the box
  EXPECT_EQ(rig.core.interp.NextLine(), 3);
  rig.Ticks();
  EXPECT_EQ(rig.Steps(), 16 + 160 + 16);
  // A blank row sends the run to line 0.
  rig.Load({"Ver", "Ver", "Ver"});
  rig.core.progEdit.ClickRow(20);
  EXPECT_EQ(rig.core.interp.NextLine(), 0);
  EXPECT_EQ(rig.core.interp.FetchNextLine(), "Ver");
  EXPECT_EQ(rig.window.highlighted, 0);
}

// A client's command shows in the command box but never takes the place of the program
// line that runs next, whether it comes between ticks or between two Step presses.
struct ClientCase {
  const char* name;
  LineList program;
  bool step;           // Step line by line instead of one Run
  const char* client;  // sent before every tick and every Step press
  int clientTimes;
  int64_t steps;
  friend void PrintTo(const ClientCase& c, std::ostream* os) { *os << c.name; }
};

class ClientDuringRun : public ::testing::TestWithParam<ClientCase> {};

TEST_P(ClientDuringRun, RunsTheProgramsOwnLines) {
  const ClientCase& c = GetParam();
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Load(c.program);
  int sent = 0;
  auto client = [&] {
    if (sent++ < c.clientTimes) rig.Exec(c.client);
    EXPECT_EQ(rig.windows.commandText,
              sent <= c.clientTimes ? c.client : rig.core.interp.RunLine());
  };
  rig.beforeTick = client;
  std::vector<std::string> ran;
  do {
    if (c.step) client();
    c.step ? rig.core.interp.StartStep() : rig.core.interp.StartRun();
    for (const auto& line : rig.Ticks()) ran.push_back(line);
  } while (c.step && rig.window.Message() != "PROGRAM FINISHED" && ran.size() < c.program.size());
  EXPECT_EQ(ran, LineList(c.program.begin(), c.program.end() - 1));
  EXPECT_EQ(rig.window.Message(), "PROGRAM FINISHED");
  EXPECT_EQ(rig.Steps(), c.steps);
}

INSTANTIATE_TEST_SUITE_P(
    InterpRun, ClientDuringRun,
    ::testing::Values(
        ClientCase{"PollingDuringTenMoves",
                   {"Z Rel 10", "Z Rel 10", "Z Rel 10", "Z Rel 10", "Z Rel 10", "Z Rel 10",
                    "Z Rel 10", "Z Rel 10", "Z Rel 10", "Z Rel 10", "End"},
                   false,
                   "Z ?",
                   1000,
                   160},
        ClientCase{"OneMoveDuringDelays",
                   {"Delay 100", "Delay 100", "Delay 100", "End"},
                   false,
                   "Z Rel 10",
                   1,
                   16},
        ClientCase{
            "PollingBetweenSteps", {"Z Rel 10", "Z Wait", "Z 0", "End"}, true, "Z ?", 1000, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InterpRun, AReopenedWindowShowsTheProgramInMemory) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  LineList program;
  for (int i = 0; i < 40; ++i) program.push_back("Z Rel " + std::to_string(i));
  rig.Load(program);
  rig.core.interp.ScrollProgram(20);
  rig.core.progEdit.ClickRow(3);
  rig.core.interp.DetachWindow();
  FakeInterpWindow reopened;
  rig.core.interp.AttachWindow(&reopened, 29);
  EXPECT_EQ(reopened.numbers[0], "11");  // where it stood, the last page filled
  EXPECT_EQ(reopened.texts[0], "Z Rel 11");
  EXPECT_EQ(reopened.texts[28], "Z Rel 39");
  EXPECT_EQ(reopened.highlighted, 3);
  EXPECT_EQ(rig.core.interp.RowLine(3), 14);
}

// Rows that come or go with the window's height: the top line stays where the program
// allows, the highlight stays on its row.
TEST(InterpRows, FollowTheWindowsHeight) {
  InterpRig rig;
  LineList program;
  for (int i = 0; i < 40; ++i) program.push_back("Ver " + std::to_string(i));
  rig.Load(program);
  rig.core.interp.ScrollProgram(20);  // lines 11 to 39
  rig.core.progEdit.ClickRow(2);
  rig.window.numbers.resize(35);
  rig.window.texts.resize(35);
  rig.core.interp.SetVisibleRows(35);
  EXPECT_EQ(rig.core.interp.TopLine(), 5);  // the last page is filled
  EXPECT_EQ(rig.window.numbers[34], "39");
  EXPECT_EQ(rig.window.highlighted, 2);
  rig.core.interp.SetVisibleRows(10);
  EXPECT_EQ(rig.core.interp.TopLine(), 5);
  EXPECT_EQ(rig.core.interp.RowLine(9), 14);
  rig.core.interp.ScrollProgram(10);
  EXPECT_EQ(rig.core.interp.TopLine(), 15);  // a page is now 10 rows
}

TEST(InterpRows, GoToLineShowsAndSelectsTheLine) {
  InterpRig rig;
  LineList program;
  for (int i = 0; i < 40; ++i) program.push_back("Ver " + std::to_string(i));
  rig.Load(program);
  const struct {
    int line;
    bool found;
    int16_t top, row;
  } cases[] = {{35, true, 11, 24},
               {3, true, 3, 0},
               {39, true, 11, 28},
               {40, false, 11, 28},
               {-1, false, 11, 28}};
  for (const auto& c : cases) {
    EXPECT_EQ(rig.core.progEdit.GoToLine(c.line), c.found) << c.line;
    EXPECT_EQ(rig.core.interp.TopLine(), c.top) << c.line;
    EXPECT_EQ(rig.window.highlighted, c.row) << c.line;
    if (c.found) {
      EXPECT_EQ(rig.core.interp.NextLine(), c.line + 1) << c.line;
    }
  }
}

TEST(InterpRows, ClosingDuringARunAsksFirst) {
  InterpRig rig;
  ASSERT_TRUE(rig.initOk);
  EXPECT_TRUE(rig.core.progEdit.MayClose());  // idle: no question
  EXPECT_TRUE(rig.window.asked.empty());
  rig.Load({"Delay 10", "Delay 10", "End"});
  rig.core.interp.StartRun();
  rig.window.answerOk = false;
  EXPECT_FALSE(rig.core.progEdit.MayClose());
  ASSERT_EQ(rig.window.asked.size(), 1u);
  EXPECT_EQ(rig.window.asked[0],
            "Program Interpreter|A program is running. Closing the "
            "window stops it.\r\nClose the window?");
  rig.window.answerOk = true;
  EXPECT_TRUE(rig.core.progEdit.MayClose());
}

}  // namespace
