#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class TraparTest : public ::testing::Test, protected ScratchDir {
 protected:
  TraparTest() : ScratchDir("trapar-test") { par.ParSetDir(Path()); }
  size_t FilesInDir() {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
  }
  std::string Text(const std::string& name) {
    ParValue v;
    if (par.ParTransferQuiet(name, v, "from") != 1) return "<missing>";
    return TRAPAR::ValueText(v);
  }

  FakeMessages messages;
  TRAPAR par{messages};
};

const ParTable kSentinel = {{"KEEP", std::string("me")}};

}  // namespace

TEST_F(TraparTest, ParameterLinesFollowTheLineRules) {
  Put("P.TXT",
      "\"ZMOTORSTEPS\" , 200\r\n"
      "  \"MPORT\",1\n"
      "\"A,B\",5\r\n"
      "\"A\",\r\n"
      "1234\r\n"
      "\"A\",1\r\n"
      "\"EMPTY\",\r\n"
      "\"\",5\r\n"  // four characters: skipped like "A",
      "\"\", 5\r\n"
      "\"REM\", 7 , remark\r\n"
      "\"TAB\",\tx \r\n"
      "\"NOCOMMA\"  \r\n"
      "\"MPORT\",2");
  par.ParSetFile("P.TXT");
  ASSERT_EQ(par.ParLoad(), 1);
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(par.ParCount(), 10);
  EXPECT_EQ(Text(""), "5");
  EXPECT_EQ(Text("ZMOTORSTEPS"), "200");
  EXPECT_EQ(Text("MPORT"), "1");  // the first of two equal names wins
  EXPECT_EQ(Text("A,B"), "B\"");
  EXPECT_EQ(Text("A"), "1");
  EXPECT_EQ(Text("EMPTY"), "");
  EXPECT_EQ(Text("REM"), "7");
  EXPECT_EQ(Text("TAB"), "\tx");
  EXPECT_EQ(Text("NOCOMMA"), "\"NOCOMMA\"");
  EXPECT_EQ(Text("mport"), "<missing>");
}

TEST_F(TraparTest, FailedLoadsLeaveTheTableAndSayWhy) {
  Put("GOOD.TXT", "\"KEEP\",me\r\n");
  par.ParSetFile("GOOD.TXT");
  ASSERT_EQ(par.ParLoad(), 1);

  for (const char* bad : {"\"A\",1\r\nZ axis\r\n\"B\",2\r\n", "", "\r\n1234\r\n\"A\",\r\n"}) {
    Put("BAD.TXT", bad);
    par.ParSetFile("BAD.TXT");
    messages = FakeMessages();
    EXPECT_EQ(par.ParLoad(), -1) << bad;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "File " + Path("BAD.TXT") + " is not a valid parameter file");
    EXPECT_EQ(messages.icons[0], MsgIcon::Critical);
    EXPECT_EQ(par.ParCount(), 1);
    EXPECT_EQ(Text("KEEP"), "me");
  }

  ParTable own = kSentinel;
  par.ParSetFile("NONE.TXT");
  messages = FakeMessages();
  EXPECT_EQ(par.ParLoadTable(own), -1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "File " + Path("NONE.TXT") + " does not exist");
  EXPECT_EQ(messages.icons[0], MsgIcon::None);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].Name, "KEEP");

  fs::create_directory(Path("SUB"));  // a directory is no file
  EXPECT_EQ(par.ParReadFile(Path("SUB"), own), -1);
  EXPECT_EQ(messages.shown.back(), "File " + Path("SUB") + " is a folder");
  LineList list;
  EXPECT_EQ(par.LinesReadFile(Path("SUB"), list), -1);
  EXPECT_EQ(messages.shown.back(), "File " + Path("SUB") + " is a folder");
  EXPECT_EQ(own[0].Name, "KEEP");
}

// Settings saved as UTF-16 are named as such, by both readers; 8-bit text is not.
struct Encoded {
  const char* name;
  std::string bytes;
  bool utf16;
  friend void PrintTo(const Encoded& c, std::ostream* os) { *os << c.name; }
};

std::string Utf16(const std::string& text, bool bigEndian, bool mark) {
  std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (const char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

const std::string kConfigText = "\"MPORT\",1\r\n\"PORTTIMEOUT\",50\r\n";

class EncodedFile : public TraparTest, public ::testing::WithParamInterface<Encoded> {};

TEST_P(EncodedFile, Utf16IsNamedAndNotRead) {
  const Encoded& c = GetParam();
  Put("E.TXT", c.bytes);
  ParTable table = kSentinel;
  LineList list{"keep"};
  const int16_t par1 = par.ParReadFile(Path("E.TXT"), table);
  const int16_t lines = par.LinesReadFile(Path("E.TXT"), list);
  const std::string named = "File " + Path("E.TXT") +
                            " is UTF-16 text: save it as Latin-1 or UTF-8";
  if (c.utf16) {
    EXPECT_EQ(par1, -1);
    EXPECT_EQ(lines, -1);
    EXPECT_EQ(messages.shown, (std::vector<std::string>{named, named}));
    EXPECT_EQ(table[0].Name, "KEEP");
    EXPECT_EQ(list, LineList{"keep"});
  } else {
    EXPECT_EQ(par1, 1);
    EXPECT_GT(lines, 0);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
  }
}

INSTANTIATE_TEST_SUITE_P(
    TraparTest, EncodedFile,
    ::testing::Values(Encoded{"LittleEndianWithMark", Utf16(kConfigText, false, true), true},
                      Encoded{"LittleEndian", Utf16(kConfigText, false, false), true},
                      Encoded{"BigEndianWithMark", Utf16(kConfigText, true, true), true},
                      Encoded{"BigEndian", Utf16(kConfigText, true, false), true},
                      Encoded{"Latin1", "\"NAME\",\xE9t\xE9\r\n", false},
                      Encoded{"StrayNuls", "\"A\",1\r\n\"B\",\0\0\r\n\"C\",3\r\n"s, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Files whose lines become commands: a line no command can hold is named, and is no
// entry; the valid entries around it are read all the same.
TEST_F(TraparTest, CommandEntriesRefuseLinesNoCommandCanHold) {
  const std::string longLine = "\"LONG\"," + std::string(TRAPAR::kMaxEntryBytes, '1');
  Put("C.TXT", "\"UP\",5\r\n\"NUL\",\0\x01\r\n"s + longLine + "\r\n\"TAB\",\t7\r\n");
  ParTable table;
  EXPECT_EQ(par.ParReadFile(Path("C.TXT"), table, TRAPAR::Entries::Commands),
            TRAPAR::kLinesRefused);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].Name, "UP");
  EXPECT_EQ(table[1].Name, "TAB");
  EXPECT_EQ(messages.shown,
            (std::vector<std::string>{"File " + Path("C.TXT") +
                                      " line 2 is not a valid entry (and 1 more lines)"}));

  messages = FakeMessages();
  Put("J.TXT", "Z Rel 5\x1B[2J\r\nVer\r\nDelay 1,\x7F\r\nZ ?\r\n");
  LineList list;
  EXPECT_EQ(par.LinesReadFile(Path("J.TXT"), list, TRAPAR::Entries::Commands),
            TRAPAR::kLinesRefused);
  EXPECT_EQ(list, (LineList{"", "Ver", "", "Z ?"}));  // the buttons keep their places
  EXPECT_EQ(messages.shown,
            (std::vector<std::string>{"File " + Path("J.TXT") +
                                      " line 1 is not a valid entry (and 1 more lines)"}));

  // Other files take their lines as they are.
  messages = FakeMessages();
  EXPECT_EQ(par.LinesReadFile(Path("J.TXT"), list), 5);
  EXPECT_EQ(par.ParReadFile(Path("C.TXT"), table), 1);
  EXPECT_EQ(table.size(), 4u);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TraparTest, TransferModes) {
  ParTable t = {{"A", std::string("1")}, {"B", std::string("2")}};
  ParValue v = std::string("old");
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "C", v, "from"), -1);
  EXPECT_EQ(std::get<std::string>(v), "old");
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "b", v, "from"), -1);
  v = 7;
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "A", v, "to"), 1);
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "C", v, "to"), 1);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].Value, ParValue(7));
  EXPECT_EQ(t[2].Name, "C");
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "D", v, "TO"), 0);
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "D", v, "From"), 0);
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(TRAPAR::ParTableTransfer(t, "X", v, "clear"), 1);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].Name, "X");

  par.ParSetFile("T.TXT");
  ParValue out;
  EXPECT_EQ(par.ParTransferQuiet("ZSPEED", out, "from"), -1);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(par.ParTransfer("ZSPEED", out, "from"), -1);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Parameter ZSPEED not found in " + Path("T.TXT"));
  EXPECT_EQ(messages.icons[0], MsgIcon::Critical);
  EXPECT_EQ(par.ParTransfer("ZSPEED", out, "bogus"), 0);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(TraparTest, SaveWritesTheFileFormAndRoundTrips) {
  Put("S.TXT", "\"CONTRTYPE\",  EZHR17 ,remark\r\nsk\r\n\"OLD\",x\r\n");
  par.ParSetFile("S.TXT");
  ASSERT_EQ(par.ParLoad(), 1);
  ParValue half = 0.5, neg = int32_t{-3}, text = std::string("-3"), one = int16_t{1},
           quarter = -0.25;
  par.ParTransfer("HALF", half, "to");
  par.ParTransfer("NEG", neg, "to");
  par.ParTransfer("TEXT", text, "to");
  par.ParTransfer("JAXIS1_Dir", one, "to");
  par.ParTransfer("Q", quarter, "to");
  ASSERT_EQ(par.ParSave(), 1);
  const std::string expected =
      "\"CONTRTYPE\",EZHR17\r\n\"OLD\",x\r\n\"HALF\", .5\r\n\"NEG\",-3\r\n\"TEXT\",-3\r\n"
      "\"JAXIS1_Dir\", 1\r\n\"Q\",-.25\r\n";
  EXPECT_EQ(Get("S.TXT"), expected);

  ASSERT_EQ(par.ParLoad(), 1);  // numbers come back as trimmed text
  EXPECT_EQ(par.ParCount(), 7);
  EXPECT_EQ(Text("HALF"), ".5");
  ASSERT_EQ(par.ParSave(), 1);
  EXPECT_EQ(Get("S.TXT"),
            "\"CONTRTYPE\",EZHR17\r\n\"OLD\",x\r\n\"HALF\",.5\r\n\"NEG\",-3\r\n"
            "\"TEXT\",-3\r\n\"JAXIS1_Dir\",1\r\n\"Q\",-.25\r\n");

  double d = 0;
  EXPECT_TRUE(TRAPAR::ValueNumber(ParValue(std::string(" .5")), d));
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_TRUE(TRAPAR::ValueNumber(ParValue(int16_t{-7}), d));
  EXPECT_DOUBLE_EQ(d, -7);
  EXPECT_FALSE(TRAPAR::ValueNumber(ParValue(std::string("EZHR17")), d));
}

// Writing values into an existing file replaces only the values; remarks, spacing, lines
// without a setting and each line's ending stay as they were.
TEST_F(TraparTest, UpdateReplacesOnlyTheValuesOfTheFile) {
  const struct {
    const char* name;
    const char* before;
    const char* after;
  } cases[] = {
      {"remark and spacing", "\"A\" , 1 , low end\r\n\"B\",2\r\n",
       "\"A\" , 10 , low end\r\n\"B\",2\r\n"},
      {"short and blank lines", "\r\nsk\r\n\"A\",1, x\r\n\r\n\"B\",2\r\n",
       "\r\nsk\r\n\"A\",10, x\r\n\r\n\"B\",2\r\n"},
      {"LF endings, none at the end", "\"A\",1,r\n\"B\",2", "\"A\",10,r\n\"B\",2"},
      {"mixed endings", "\"A\",1\n\"B\",2\r\n", "\"A\",10\n\"B\",2\r\n"},
      {"empty value", "\"A\", , r\r\n\"B\",2\r\n", "\"A\", 10, r\r\n\"B\",2\r\n"},
      {"no comma", "\"A\" 1\r\n\"B\",2\r\n", "\"A\",10\r\n\"B\",2\r\n"},
      {"name changed on disk", "\"X\",1, r\r\n\"B\",2\r\n", "\"X\",1, r\r\n\"B\",2\r\n"},
      {"fewer settings on disk", "\"A\",1 ,r\n", "\"A\",10 ,r\n\"B\",2\n"},
      {"no ending after the last", "\"A\",1", "\"A\",10\r\n\"B\",2\r\n"},
  };
  const ParTable table = {{"A", std::string("10")}, {"B", std::string("2")}};
  for (const auto& c : cases) {
    Put("U.TXT", c.before);
    EXPECT_EQ(par.ParUpdateFile(Path("U.TXT"), table), 1) << c.name;
    EXPECT_EQ(Get("U.TXT"), c.after) << c.name;
  }
  EXPECT_EQ(par.ParUpdateFile(Path("NEW.TXT"), table), 1);  // a missing file is made whole
  EXPECT_EQ(Get("NEW.TXT"), "\"A\",10\r\n\"B\",2\r\n");

  Put("U.TXT", "\"A\",1, remark\r\n");  // through the current table and path
  par.ParSetFile("U.TXT");
  ASSERT_EQ(par.ParLoad(), 1);
  ASSERT_EQ(par.ParSetAt(0, ParValue(std::string("7"))), 1);
  EXPECT_EQ(par.ParSaveValues(), 1);
  EXPECT_EQ(Get("U.TXT"), "\"A\",7, remark\r\n");
}

TEST_F(TraparTest, IndexAccessChecksTheRange) {
  std::string name;
  ParValue value;
  EXPECT_EQ(par.ParCount(), 0);
  EXPECT_EQ(par.ParGetAt(0, name, value), -1);
  EXPECT_EQ(par.ParSetAt(0, value), -1);

  Put("I.TXT", "\"A\",1\r\n\"B\",2\r\n");
  par.ParSetFile("I.TXT");
  ASSERT_EQ(par.ParLoad(), 1);
  for (int16_t bad : {int16_t{-1}, par.ParCount()}) {
    name = "x";
    value = std::string("y");
    EXPECT_EQ(par.ParGetAt(bad, name, value), -1);
    EXPECT_EQ(name, "UNDEFINED");
    EXPECT_EQ(value, ParValue(int16_t{0}));
    EXPECT_EQ(par.ParSetAt(bad, std::string("z")), -1);
  }
  EXPECT_EQ(par.ParSetAt(1, std::string("9")), 1);
  EXPECT_EQ(par.ParGetAt(1, name, value), 1);
  EXPECT_EQ(name, "B");
  EXPECT_EQ(value, ParValue(std::string("9")));
}

TEST_F(TraparTest, LineListsReadFieldsAndWriteLines) {
  Put("L.TXT", "Delay 100, 200\r\nZ Rel 5\r\n\r\n");
  LineList list;
  EXPECT_EQ(par.LinesReadFile(Path("L.TXT"), list), 4);
  EXPECT_EQ(list, (LineList{"Delay 100", "200", "Z Rel 5", ""}));

  Put("Q.TXT", "  \"a, b\" tail ,  c  \n\n   \r\nd,\n\"open, end\nlast");
  EXPECT_EQ(par.LinesReadFile(Path("Q.TXT"), list), 8);
  EXPECT_EQ(list, (LineList{"a, b", "c", "", "", "d", "", "open, end", "last"}));

  Put("E.TXT", "");
  EXPECT_EQ(par.LinesReadFile(Path("E.TXT"), list), -1);
  EXPECT_EQ(list.size(), 8u);
  Put("E.TXT", "\r\n  \r\n");
  EXPECT_EQ(par.LinesReadFile(Path("E.TXT"), list), 2);
  EXPECT_EQ(list, (LineList{"", ""}));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(par.LinesReadFile(Path("NO.TXT"), list), -1);
  EXPECT_EQ(messages.shown,
            (std::vector<std::string>{"File " + Path("NO.TXT") + " does not exist"}));
  EXPECT_EQ(list.size(), 2u);

  par.ParSetFile("ST_JOYCMDS.TXT");
  ASSERT_EQ(par.LinesSave({"Z Home"}), 1);
  EXPECT_EQ(par.LinesLoad(list), 1);
  EXPECT_EQ(list, LineList{"Z Home"});
  EXPECT_EQ(par.LinesWriteFile({}, Path("ZERO.TXT")), 1);
  EXPECT_EQ(Get("ZERO.TXT"), "");
}

// An element written to a line-list file reads back as that one element: one with a
// comma is quoted, every other one is written as it is.
struct WrittenElement {
  const char* name;
  std::string element, line, readBack;
  friend void PrintTo(const WrittenElement& c, std::ostream* os) { *os << c.name; }
};

class LineListElement : public TraparTest, public ::testing::WithParamInterface<WrittenElement> {};

TEST_P(LineListElement, IsWrittenAsOneLineAndReadsBackAsOneElement) {
  const WrittenElement& c = GetParam();
  ASSERT_EQ(par.LinesWriteFile({c.element, "End"}, Path("W.TXT")), 1);
  EXPECT_EQ(Get("W.TXT"), c.line + "\r\nEnd\r\n");
  LineList read;
  EXPECT_EQ(par.LinesReadFile(Path("W.TXT"), read), 2);
  EXPECT_EQ(read, (LineList{c.readBack, "End"}));
}

INSTANTIATE_TEST_SUITE_P(
    TraparTest, LineListElement,
    ::testing::Values(WrittenElement{"Plain", "Z Rel 5", "Z Rel 5", "Z Rel 5"},
                      WrittenElement{"Empty", "", "", ""},
                      WrittenElement{"QuoteWithoutComma", "! say \"hi\"", "! say \"hi\"",
                                     "! say \"hi\""},
                      WrittenElement{"Comma", "! check the stage, Z Rel 10 if needed",
                                     "\"! check the stage, Z Rel 10 if needed\"",
                                     "! check the stage, Z Rel 10 if needed"},
                      WrittenElement{"CommaAndQuotes", "! \"a, b\" and \"",
                                     "\"! \"\"a, b\"\" and \"\"\"", "! \"a, b\" and \""},
                      WrittenElement{"IndentedComma", "    Delay 100, 200",
                                     "\"    Delay 100, 200\"", "Delay 100, 200"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TraparTest, SplitAndJoinAtCrLf) {
  EXPECT_EQ(TRAPAR::LinesSplit("a\r\nb\r\n"), (LineList{"a", "b", ""}));
  EXPECT_EQ(TRAPAR::LinesSplit("a\nb\r"), (LineList{"a\nb\r"}));
  EXPECT_EQ(TRAPAR::LinesSplit(""), (LineList{""}));
  EXPECT_EQ(TRAPAR::LinesJoin({"a", "b", ""}), "a\r\nb\r\n");
  EXPECT_EQ(TRAPAR::LinesJoin({}), "");
}

// A list edited as text, saved and read back keeps every entry in its place: blank
// entries included (a blank button command must not shift the buttons after it).
TEST_F(TraparTest, LineListsKeepBlankEntriesThroughSplitSaveAndLoad) {
  const struct {
    const char* text;
    LineList list;
  } cases[] = {
      {"Ver\r\n\r\nZ ?", {"Ver", "", "Z ?"}},
      {"\r\nZ Home", {"", "Z Home"}},
      {"a\r\n\r\n", {"a", "", ""}},
      {"", {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const LineList split = TRAPAR::LinesSplit(c.text);
    EXPECT_EQ(split, c.list);
    EXPECT_EQ(TRAPAR::LinesJoin(split), c.text);
    ASSERT_EQ(par.LinesWriteFile(split, Path("RT.TXT")), 1);
    LineList read{"old"};
    EXPECT_EQ(par.LinesReadFile(Path("RT.TXT"), read), static_cast<int16_t>(c.list.size()));
    EXPECT_EQ(read, c.list);
  }
  // Text after the last line break is an element only when there is some.
  Put("T.TXT", "a\r\nb");
  LineList read;
  EXPECT_EQ(par.LinesReadFile(Path("T.TXT"), read), 2);
  Put("T.TXT", "a\nb\n");
  EXPECT_EQ(par.LinesReadFile(Path("T.TXT"), read), 2);
  EXPECT_EQ(read, (LineList{"a", "b"}));
}

TEST_F(TraparTest, FailedWritesKeepTheOldFileAndLeaveNoTemporary) {
  Put("OLD.TXT", "\"A\",1\r\n");
  const ParTable table = {{"A", 2.5}, {"LONG", std::string(4096, 'x')}};

  EXPECT_EQ(par.ParWriteFile(Path("missing/OLD.TXT"), table), -1);
  EXPECT_EQ(par.LinesWriteFile({"x"}, Path("OLD.TXT/child")), -1);  // parent is a file
  EXPECT_FALSE(fs::exists(Path("missing")));

  // A file-size limit makes the write fail halfway, as a full disk would.
  int16_t result = 0;
  {
    const FileSizeLimit limit(1024);
    result = par.ParWriteFile(Path("OLD.TXT"), table);
  }
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Get("OLD.TXT"), "\"A\",1\r\n");
  EXPECT_EQ(FilesInDir(), 1u);

  if (geteuid() != 0) {  // root writes into read-only directories anyway
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(par.ParWriteFile(Path("OLD.TXT"), table), -1);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Get("OLD.TXT"), "\"A\",1\r\n");
  }

  chmod(Path("OLD.TXT").c_str(), 0640);
  ASSERT_EQ(par.ParWriteFile(Path("OLD.TXT"), table), 1);
  struct stat st {};
  stat(Path("OLD.TXT").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FilesInDir(), 1u);
}

// What a write killed before its rename leaves behind goes with the next write of that
// file; temporaries of a running writer, of other files, and look-alikes stay.
TEST_F(TraparTest, NextWriteRemovesTemporariesOfInterruptedWrites) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);  // a writer that has gone
  const std::string dead = std::to_string(child), self = std::to_string(getpid());
  const std::string running = std::to_string(getppid());
  const struct {
    std::string name;
    bool stays;
  } files[] = {
      {".LIST.TXT." + dead + ".17.tmp", false},
      {".LIST.TXT." + self + ".18.tmp", false},  // this process writes nothing meanwhile
      {".LIST.TXT." + running + ".19.tmp", true},
      {".OTHER.TXT." + dead + ".17.tmp", true},
      {".LIST.TXT." + dead + ".tmp", true},
      {".LIST.TXT.x" + dead + ".17.tmp", true},
      {".LIST.TXT." + dead + ".17.tmp.bak", true},
      {"LIST.TXT." + dead + ".17.tmp", true},
  };
  for (const auto& f : files) Put(f.name, "half a write");
  ASSERT_EQ(par.LinesWriteFile({"a"}, Path("LIST.TXT")), 1);
  for (const auto& f : files) EXPECT_EQ(fs::exists(Path(f.name)), f.stays) << f.name;
  EXPECT_EQ(Get("LIST.TXT"), "a\r\n");
}
