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
  EXPECT_EQ(Get("ST_PARZ.TXT"),
            "\"ZCONTR\",1, address\r\n\r\n\"ZJUMPSIZE\" , 2.5 , jog step\r\n");
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

}  // namespace
