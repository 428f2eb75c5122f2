#include <gtest/gtest.h>

#include <filesystem>

#include "parfiles/ParListEditor.h"
#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

class ParListEditorTest : public ::testing::Test, protected ScratchDir {
 protected:
  ParListEditorTest() : ScratchDir("parlist-test") { store.ParSetDir(Path()); }
  FakeMessages messages;
  TRAPAR store{messages};
  ParListEditor editor{store};
};

TEST_F(ParListEditorTest, RowsWhoseNameNoLongerMatchesAreSkipped) {
  Put("A.TXT", "\"A\",1\r\n\"B\",2\r\n\"C\",3\r\n");
  store.ParSetFile("A.TXT");
  ASSERT_TRUE(editor.Load());
  std::vector<ParRow> shown = {{"A", "10"}, {"b", "20"}, {"C", "30"}};
  EXPECT_EQ(editor.WriteBack(shown), 1);
  EXPECT_EQ(Get("A.TXT"), "\"A\",10\r\n\"B\",2\r\n\"C\",30\r\n");
  shown.pop_back();  // fewer rows than entries: the rest keep their values
  shown[0].Value = "11";
  EXPECT_EQ(editor.WriteBack(shown), 1);
  EXPECT_EQ(Get("A.TXT"), "\"A\",11\r\n\"B\",2\r\n\"C\",30\r\n");
}

TEST_F(ParListEditorTest, OnlyAChangeIsWrittenAndTheFileKeepsItsRemarks) {
  const std::string text = "\"ZCONTR\",1, address\r\n\r\n\"ZJUMPSIZE\" , 10 , jog step\r\n";
  Put("ST_PARZ.TXT", text);
  store.ParSetFile("ST_PARZ.TXT");
  ASSERT_TRUE(editor.Load());
  Put("ST_PARZ.TXT", text + "\"EXTRA\",1\r\n");  // to see that nothing is written
  EXPECT_EQ(editor.WriteBack({{"ZCONTR", "1"}, {"ZJUMPSIZE", "10"}}), 1);
  EXPECT_EQ(Get("ST_PARZ.TXT"), text + "\"EXTRA\",1\r\n");

  Put("ST_PARZ.TXT", text);
  EXPECT_EQ(editor.WriteBack({{"ZCONTR", "1"}, {"ZJUMPSIZE", "2.5"}}), 1);
  EXPECT_EQ(Get("ST_PARZ.TXT"), "\"ZCONTR\",1, address\r\n\r\n\"ZJUMPSIZE\" , 2.5 , jog step\r\n");
}

// While the editor is open, other requests use the store (a client's command reads the
// Z parameters): the editor still writes the file it loaded, with its own entries.
TEST_F(ParListEditorTest, WritesTheFileItLoadedWhateverTheStoreReadSince) {
  Put("ST_CONFIG.TXT", "\"MPORT\",1\r\n\"PORTTIMEOUT\",30\r\n");
  Put("ST_PARZ.TXT", "\"ZCONTR\",1\r\n");
  store.ParSetFile("ST_CONFIG.TXT");
  ASSERT_TRUE(editor.Load());
  store.ParSetFile("ST_PARZ.TXT");
  ASSERT_EQ(store.ParLoad(), 1);
  EXPECT_EQ(editor.WriteBack({{"MPORT", "1"}, {"PORTTIMEOUT", "100"}}), 1);
  EXPECT_EQ(Get("ST_CONFIG.TXT"), "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n");
  EXPECT_EQ(Get("ST_PARZ.TXT"), "\"ZCONTR\",1\r\n");
}

TEST_F(ParListEditorTest, AFileThatCannotBeLoadedShowsNothingAndWritesNothing) {
  Put("ST_CONFIG.TXT", "\"MPORT\",1\r\n\"CONTRTYPE\",EZHR17\r\n");
  Put("BAD.TXT", "Z axis settings\r\n\"A\",1\r\n");
  store.ParSetFile("ST_CONFIG.TXT");
  ASSERT_TRUE(editor.Load());
  for (const char* file : {"ST_JOY.TXT", "BAD.TXT"}) {
    store.ParSetFile(file);
    messages.shown.clear();
    EXPECT_FALSE(editor.Load()) << file;
    EXPECT_TRUE(editor.Rows().empty());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(editor.WriteBack({{"MPORT", "2"}, {"CONTRTYPE", "EZHR17"}}), 0);
  }
  EXPECT_FALSE(fs::exists(Path("ST_JOY.TXT")));
  EXPECT_EQ(Get("BAD.TXT"), "Z axis settings\r\n\"A\",1\r\n");
  EXPECT_EQ(Get("ST_CONFIG.TXT"), "\"MPORT\",1\r\n\"CONTRTYPE\",EZHR17\r\n");
}

TEST_F(ParListEditorTest, EachRowCarriesTheRemarkOfItsLine) {
  Put("ST_PARZ.TXT",
      "\"ZCONTR\",1, address, one character\r\nZ\r\n\"ZJUMPSIZE\" , 10\r\n"
      "\"ZMIN\",0 ,  lowest  \r\n");
  store.ParSetFile("ST_PARZ.TXT");
  ASSERT_TRUE(editor.Load());
  ASSERT_EQ(editor.Rows().size(), 3u);
  EXPECT_EQ(editor.Rows()[0].Remark, "address, one character");
  EXPECT_EQ(editor.Rows()[1].Remark, "");
  EXPECT_EQ(editor.Rows()[2].Remark, "lowest");
  EXPECT_EQ(editor.Rows()[2].Value, "0");
}

struct ValueCase {
  const char* label;
  const char* name;
  const char* value;
  const char* problem;
};

class ValueProblemTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueProblemTest, SaysWhatTheReaderOfTheKeyRefuses) {
  const ValueCase& c = GetParam();
  EXPECT_EQ(ParListEditor::ValueProblem(c.name, c.value), c.problem);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ValueProblemTest,
    ::testing::Values(
        ValueCase{"Integer", "ZMOTORSTEPS", " 200 ", ""},
        ValueCase{"IntegerRoundsLikeTheReader", "PORTTIMEOUT", "0.5", "Out of range: 1 to 32767"},
        ValueCase{"Word", "ZMOTORSTEPS", "two hundred", "Not a number"},
        ValueCase{"Empty", "MOVETIMEOUT", "", "Not a number"},
        ValueCase{"Zero", "ZSTROKEPERROT", "0", "Must not be 0"},
        ValueCase{"Fraction", "ZSTROKEPERROT", ".5", ""},
        ValueCase{"TooLarge16", "ZSTEPDIVIDE", "40000", "Out of range: -32768 to 32767"},
        ValueCase{"Large32", "ZHOMESPEED", "-40000", ""},
        ValueCase{"PortRange", "SERVERTCPPORT", "65536", "Out of range: 0 to 65535"},
        ValueCase{"Controller", "CONTRTYPE", "IM483I", ""},
        ValueCase{"ControllerCase", "CONTRTYPE", "ezhr17", "Must be EZHR17 or IM483I"},
        ValueCase{"Address", "ZCONTR", " ", "Must not be empty"},
        ValueCase{"AnyText", "MPORTNAME", "", ""},
        ValueCase{"UnknownKey", "SOMETHING", "anything", ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ParListEditorChecks, AValueWithACommaIsRefused) {
  EXPECT_EQ(ParListEditor::CommaProblem("sim:EZHR17"), "");
  EXPECT_EQ(ParListEditor::CommaProblem("1,5"),
            "A value cannot hold a comma: the file would cut it at the comma (1,5)");
}

TEST(ParListEditorChecks, TheGridFitsItsValuesAndTheScreen) {
  const struct {
    int count, value, rows, width, shown, valueWidth, remarkWidth;
  } cases[] = {
      {10, 900, 31, 1 << 30, 11, 1400, 4800},   // narrow values: the least value column
      {10, 3000, 31, 1 << 30, 11, 3000, 4800},  // a long value widens its column
      {10, 9000, 31, 1 << 30, 11, 4000, 4800},  // up to a bound; the tooltip shows the rest
      {40, 1400, 20, 6000, 20, 1400, 2060},     // few rows and a narrow screen
      {10, 3000, 31, 6000, 11, 2200, 1500},     // then the value column gives way
      {10, 1400, 31, 1000, 11, 1400, 1500},     // both keep a least width
  };
  for (const auto& c : cases) {
    const ParGridSize size = ParListEditor::GridSize(c.count, c.value, c.rows, c.width);
    EXPECT_EQ(size.shownRows, c.shown) << c.count << " " << c.width;
    EXPECT_EQ(size.valueWidth, c.valueWidth) << c.value;
    EXPECT_EQ(size.remarkWidth, c.remarkWidth) << c.width;
    EXPECT_EQ(size.width, 2200 + c.valueWidth + c.remarkWidth + 100 + (size.scrollBar ? 240 : 0));
    EXPECT_EQ(size.height, 260 * c.shown + 100);
  }
}

}  // namespace
