#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "parfiles/ParListEditor.h"
#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"

namespace fs = std::filesystem;

namespace {

class ParListEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/parlist-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    store.ParSetDir(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  void Put(const std::string& file, const std::string& text) {
    std::ofstream(dir + file, std::ios::binary) << text;
  }
  std::string Get(const std::string& file) {
    std::ifstream in(dir + file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string dir;
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
  EXPECT_FALSE(fs::exists(dir + "ST_JOY.TXT"));
  EXPECT_EQ(Get("BAD.TXT"), "Z axis settings\r\n\"A\",1\r\n");
  EXPECT_EQ(Get("ST_CONFIG.TXT"), "\"MPORT\",1\r\n\"CONTRTYPE\",EZHR17\r\n");
}

}  // namespace
