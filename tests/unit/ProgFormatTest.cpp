// Program text: re-indenting with the block check, the conversion before writing, and
// reading and writing program files through the interpreter window's actions.
#include <gtest/gtest.h>

#include <filesystem>

#include "interp/ProgFormat.h"
#include "support/CoreRig.h"
#include "support/InterpFakes.h"

namespace {

struct FormatCase {
  const char* name;
  LineList in, out;
  int16_t result;
};

TEST(ProgFormat, ReindentsBlocksAndChecksTheirBalance) {
  const FormatCase cases[] = {
      {"block",
       {"Repeat 2 Times", "Z Move 10", "Endrepeat", "End"},
       {"Repeat 2 Times", "    Z Move 10", "Endrepeat", "End"},
       1},
      {"old indentation goes",
       {"      Repeat 2 Times", "Z Rel 1", "   Endrepeat", "  End"},
       {"Repeat 2 Times", "    Z Rel 1", "Endrepeat", "End"},
       1},
      {"nested",
       {"Repeat 2 Times", "Repeat 3 Times", "Ver", "Endrepeat", "Endrepeat"},
       {"Repeat 2 Times", "    Repeat 3 Times", "        Ver", "    Endrepeat", "Endrepeat"},
       1},
      {"Endrepeat first leaves every line",
       {"Endrepeat", "  Z Rel 1", "Repeat 2 Times"},
       {"Endrepeat", "  Z Rel 1", "Repeat 2 Times"},
       -1},
      {"stops at the stray Endrepeat",
       {"  Ver", "Endrepeat", "  Ver", "Repeat 1 Times"},
       {"Ver", "Endrepeat", "  Ver", "Repeat 1 Times"},
       -1},
      {"Repeat left open",
       {"Repeat 2 Times", "Repeat 3 Times", "Ver", "Endrepeat", "End"},
       {"Repeat 2 Times", "    Repeat 3 Times", "        Ver", "    Endrepeat", "    End"},
       -1},
      {"blank lines kept as they are",
       {"Repeat 1 Times", "   ", "", "Endrepeat"},
       {"Repeat 1 Times", "   ", "", "Endrepeat"},
       1},
      {"lower case is no statement",
       {"  repeat 3 Times", "Ver", "endrepeat"},
       {"repeat 3 Times", "Ver", "endrepeat"},
       1},
      {"counter suffix untouched",
       {"Repeat 3 Times : Rep.# 2", "Ver", "Endrepeat x"},
       {"Repeat 3 Times : Rep.# 2", "    Ver", "Endrepeat x"},
       1},
      {"word must stand alone", {"Repeated 2 Times", "Ver"}, {"Repeated 2 Times", "Ver"}, 1},
  };
  for (const auto& c : cases) {
    LineList lines = c.in;
    EXPECT_EQ(prog::FormatProgram(lines), c.result) << c.name;
    EXPECT_EQ(lines, c.out) << c.name;
  }
}

struct ToFileCase {
  const char* line;
  const char* written;
};

TEST(ProgFormat, RepeatLinesAreNormalisedBeforeWriting) {
  const ToFileCase cases[] = {
      {"Repeat 3 Times : Rep.# 2", "Repeat 3 Times"},
      {"    Repeat 2.5 Times", "Repeat 2 Times"},  // half to even
      {"Repeat 3.5 Times", "Repeat 4 Times"},
      {"Repeat 3", "Repeat 3 Times"},
      {"Repeat 5 Times and a remark", "Repeat 5 Times"},
      {"Repeat -2 Times", "Repeat -2 Times"},  // still a Repeat line when read back
      {"Repeat 0 Tims", "Repeat 0 Times"},
      {"repeat 3 Times", "repeat 3 Times"},
      {"    Z Rel 1", "    Z Rel 1"},
      {"   ", ""},
      {"Endrepeat   ", "Endrepeat   "},
  };
  for (const auto& c : cases) {
    LineList out;
    std::string error;
    ASSERT_EQ(prog::ProgToFile({"End", c.line}, out, error), 1) << c.line;
    EXPECT_EQ(out, (LineList{"End", c.written})) << c.line;
    EXPECT_TRUE(error.empty());
  }
}

TEST(ProgFormat, RepeatWithoutValidCountBlocksWritingWithItsLineNumber) {
  const char* bad[] = {"Repeat x Times", "Repeat", "    Repeat 40000 Times", "Repeat 1,5 Times"};
  for (const char* line : bad) {
    LineList out;
    std::string error;
    EXPECT_EQ(prog::ProgToFile({"Ver", "Ver", "Ver", "Ver", line, "Repeat y"}, out, error), -1);
    EXPECT_EQ(error, std::string("Error in Command # 4\r\n") + line);
  }
}

// The window's Read and Write over a scratch folder.
struct FileRig : CoreRig {
  FileRig() {
    core.state.AppDir = dir + "/";
    core.interp.AttachWindow(&window, 29);
    window.chosenDir = dir;
  }
  FakeInterpWindow window;
};

TEST(ProgFiles, ReadSplitsAtCommasDropsQuotesAndFormats) {
  FileRig rig;
  rig.PutLines("A.PRG", {"Repeat 2 Times", "Z Move 10, 20", "  \"! note\"", "Endrepeat", "End"});
  rig.window.chosenFile = "A.PRG";
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Repeat 2 Times", "    Z Move 10", "    20",
                                                   "    ! note", "Endrepeat", "End"}));
  EXPECT_EQ(rig.window.Message(), "Program read");
  EXPECT_EQ(rig.window.caption, "Program " + rig.dir + "/A.PRG");
  EXPECT_EQ(rig.core.interp.EditEnabled(), 1);
  EXPECT_EQ(rig.window.numbers[5], "5");
  EXPECT_EQ(rig.window.texts[1], "    Z Move 10");
  const FileRequest& asked = rig.window.requests.at(0);
  EXPECT_EQ(asked.startDir, rig.dir + "/");
  EXPECT_EQ(asked.filter, "*.PRG");
  EXPECT_EQ(asked.patterns, "*.PRG *.*");
  EXPECT_EQ(asked.title, "Select a Program (*.PRG) to Load");
  EXPECT_EQ(rig.core.interp.NextLine(), 0);  // reading does not rewind or move the run
}

TEST(ProgFiles, ReadFailuresKeepTheProgram) {
  FileRig rig;
  rig.PutLines("BAD.PRG", {"Endrepeat", "Ver"});
  rig.window.chosenFile = "BAD.PRG";
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.window.Message(), "Program has mistakes");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Endrepeat", "Ver"}));

  rig.window.chosenFile = "MISSING.PRG";
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.window.Message(), "Program not read");
  EXPECT_EQ(rig.messages.shown.back(), "File " + rig.dir + "/MISSING.PRG does not exist");
  rig.window.chosenFile = "";
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.window.Message(), "Program not read");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Endrepeat", "Ver"}));
  EXPECT_EQ(rig.window.caption, "Program " + rig.dir + "/BAD.PRG");
}

TEST(ProgFiles, WriteNormalisesAndAsksBeforeOverwriting) {
  FileRig rig;
  rig.core.interp.SetProgram({"Repeat 3 Times : Rep.# 2", "    Z Rel 1", "Endrepeat", "End"});
  rig.window.chosenFile = "OUT.PRG";
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.window.Message(), "Program written");
  EXPECT_EQ(rig.Get("OUT.PRG"), "Repeat 3 Times\r\n    Z Rel 1\r\nEndrepeat\r\nEnd\r\n");
  EXPECT_EQ(rig.window.requests.at(0).title, "Give a Name to the Program (*.PRG)");
  EXPECT_TRUE(rig.window.asked.empty());
  // The counter stays in memory.
  EXPECT_EQ(rig.core.interp.ProgLines()[0], "Repeat 3 Times : Rep.# 2");

  rig.core.interp.SetProgram({"Ver", "End"});
  rig.window.answerOk = false;
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.window.Message(), "Program not written");
  ASSERT_EQ(rig.window.asked.size(), 1u);
  EXPECT_EQ(rig.window.asked[0],
            "File overwrite|File " + rig.dir + "/OUT.PRG exists.\r\nOverwrite?");
  EXPECT_EQ(rig.Get("OUT.PRG"), "Repeat 3 Times\r\n    Z Rel 1\r\nEndrepeat\r\nEnd\r\n");

  rig.window.answerOk = true;
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.Get("OUT.PRG"), "Ver\r\nEnd\r\n");

  rig.core.interp.SetProgram({"Repeat x Times", "End"});
  const size_t dialogs = rig.window.requests.size();
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.window.Message(), "Program not written");
  EXPECT_EQ(rig.window.requests.size(), dialogs);  // no file dialog after the error
  EXPECT_EQ(rig.messages.shown.back(), "Error in Command # 0\r\nRepeat x Times");

  rig.core.interp.SetProgram({"End"});
  rig.window.chosenFile = "";
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.window.Message(), "Program not written");
  rig.window.chosenDir = rig.dir + "/no/such/folder";
  rig.window.chosenFile = "X.PRG";
  rig.core.progEdit.Write();
  EXPECT_EQ(rig.window.Message(), "Program not written");
}

TEST(ProgFiles, ReadAsksBeforeReplacingAnEditedProgram) {
  FileRig rig;
  rig.PutLines("NEW.PRG", {"Z Rel 1", "End"});
  rig.window.chosenFile = "NEW.PRG";
  rig.core.interp.SetProgram({"Ver", "Ver", "End"});
  rig.core.progEdit.Read();  // nothing edited: no question
  EXPECT_TRUE(rig.window.asked.empty());
  EXPECT_EQ(rig.window.Message(), "Program read");

  ASSERT_TRUE(rig.core.interp.InsertProgLine(0));
  rig.core.interp.SetProgLine(0, "Z Rel 5");
  rig.window.answerOk = false;
  rig.core.progEdit.Read();
  ASSERT_EQ(rig.window.asked.size(), 1u);
  EXPECT_EQ(rig.window.asked[0],
            "Read Program|The program was changed and not written.\r\n"
            "Replace it with " +
                rig.dir + "/NEW.PRG?");
  EXPECT_EQ(rig.window.Message(), "Program not read");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Z Rel 5", "Z Rel 1", "End"}));

  rig.window.answerOk = true;
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.window.asked.size(), 2u);
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Z Rel 1", "End"}));
  EXPECT_EQ(rig.window.Message(), "Program read");

  rig.core.interp.SetProgLine(0, "Ver");
  rig.window.chosenFile = "SAVED.PRG";
  rig.core.progEdit.Write();  // written: no longer edited
  rig.window.chosenFile = "NEW.PRG";
  rig.core.progEdit.Read();
  EXPECT_EQ(rig.window.asked.size(), 2u);
}

// The window closes while its file dialog or a question is open: Read and Write stop
// without touching the program, the file or the gone window.
TEST(ProgFiles, WindowClosedDuringTheDialogOrAQuestionEndsReadAndWriteQuietly) {
  enum Action { Read, Write };
  const struct {
    const char* name;
    Action action;
    bool existing, edited;
    size_t dialogs, questions;
  } cases[] = {{"read, in the file dialog", Read, true, false, 1, 0},
               {"read, in the replace question", Read, true, true, 1, 1},
               {"write, in the file dialog", Write, false, false, 1, 0},
               {"write, in the overwrite question", Write, true, false, 1, 1}};
  for (const auto& c : cases) {
    FileRig rig;
    if (c.existing) rig.PutLines("P.PRG", {"Z Rel 1", "End"});
    rig.window.chosenFile = "P.PRG";
    rig.core.interp.SetProgram({"Ver", "Ver", "End"});
    if (c.edited) rig.core.interp.SetProgLine(0, "Z ?");
    const LineList before = rig.core.interp.ProgLines();
    rig.window.whileOpen = [&] {
      if (rig.window.requests.size() + rig.window.asked.size() == c.dialogs + c.questions)
        rig.core.interp.DetachWindow();
    };
    const size_t messages = rig.window.messages.size();
    c.action == Read ? rig.core.progEdit.Read() : rig.core.progEdit.Write();
    EXPECT_EQ(rig.window.requests.size(), c.dialogs) << c.name;
    EXPECT_EQ(rig.window.asked.size(), c.questions) << c.name;
    EXPECT_EQ(rig.window.messages.size(), messages) << c.name;
    EXPECT_TRUE(rig.window.caption.empty()) << c.name;
    EXPECT_EQ(rig.core.interp.ProgLines(), before) << c.name;
    EXPECT_EQ(rig.Has("P.PRG"), c.existing) << c.name;
    if (c.existing) {
      EXPECT_EQ(rig.Get("P.PRG"), "Z Rel 1\r\nEnd\r\n") << c.name;
    }
  }
}

}  // namespace
