#include <gtest/gtest.h>

#include "common/FileListText.h"

using namespace filelist;

TEST(FileListText, SizeColumnGroupsThousandsAndLeavesZeroBlank) {
  const struct {
    uint64_t value;
    const char* text;
  } cases[] = {
      {0, ""},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {12345, "12,345"},
      {123456, "123,456"},
      {1234567, "1,234,567"},
      {100000000, "100,000,000"},
  };
  for (const auto& c : cases) EXPECT_EQ(Thousands(c.value), c.text) << c.value;
}

TEST(FileListText, DateColumnUsesTwelveHourClockWithMarker) {
  const struct {
    Stamp stamp;
    const char* text;
  } cases[] = {
      {{2026, 12, 7, 0, 5, 9}, "12-07-2026 12:05AM"},
      {{2026, 12, 7, 9, 30, 0}, "12-07-2026 09:30AM"},
      {{2026, 1, 31, 12, 0, 0}, "01-31-2026 12:00PM"},
      {{1999, 6, 2, 23, 59, 59}, "06-02-1999 11:59PM"},
  };
  for (const auto& c : cases) EXPECT_EQ(ListDate(c.stamp), c.text);
}

TEST(FileListText, ListLinesHaveFixedColumnsAndLongValuesAreNotCut) {
  const std::string longName(34, 'n');
  const std::vector<FileRow> rows = {
      {"demo.prg", 1234, {2026, 12, 7, 14, 3, 0}},
      {"empty.txt", 0, {2026, 1, 2, 8, 0, 0}},
      {longName, 5, {2026, 1, 2, 8, 0, 0}},
  };
  const std::string text = ListText("/home/op/progs", "*.PRG", rows);
  const std::string expected =
      "/home/op/progs/*.PRG"
      "\r\n" +
      std::string(22, ' ') + "demo.prg" + std::string(7, ' ') + "1,234" +
      "  12-07-2026 02:03PM"
      "\r\n" +
      std::string(21, ' ') + "empty.txt" + std::string(12, ' ') +
      "  01-02-2026 08:00AM"
      "\r\n" +
      longName + std::string(11, ' ') + "5" + "  01-02-2026 08:00AM";
  EXPECT_EQ(text, expected);
  EXPECT_EQ(ListText("/", "*.*", {}), "/*.*");
}

TEST(FileListText, InfoLineShowsNameStampAndSizeWithLeadingBlank) {
  EXPECT_EQ(InfoLine({"a.txt", 42, {2026, 3, 4, 5, 6, 7}}), "a.txt 2026-03-04 05:06:07  42");
  EXPECT_EQ(InfoLine({"b", 0, {2026, 3, 4, 15, 6, 7}}), "b 2026-03-04 15:06:07  0");
}

TEST(FileListText, FolderPathsKeepOnlyTheRootSlash) {
  const struct {
    const char* in;
    const char* trimmed;
    const char* parent;
  } cases[] = {
      {"/", "/", "/"},
      {"/home/", "/home", "/"},
      {"/home/op//", "/home/op", "/home"},
      {"/home/op/progs", "/home/op/progs", "/home/op"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimFolder(c.in), c.trimmed) << c.in;
    EXPECT_EQ(ParentFolder(c.in), c.parent) << c.in;
  }
  EXPECT_EQ(JoinPath("/", "x"), "/x");
  EXPECT_EQ(JoinPath("/a", "x"), "/a/x");
}

TEST(FileListText, FiltersAndPatternLists) {
  using V = std::vector<std::string>;
  EXPECT_EQ(NameFilters("*.*"), V{"*"});
  EXPECT_EQ(NameFilters(""), V{"*"});
  EXPECT_EQ(NameFilters("ST_PARZ*.TXT"), V{"ST_PARZ*.TXT"});
  EXPECT_EQ(NameFilters("*.txt; *.prg"), (V{"*.txt", "*.prg"}));
  EXPECT_EQ(SplitPatterns("*.PRG *.*"), (V{"*.PRG", "*.*"}));
  EXPECT_EQ(SplitPatterns("  *.TXT   *.* "), (V{"*.TXT", "*.*"}));
  EXPECT_EQ(SplitPatterns(""), V{});
}

TEST(FileListText, TypedFoldersAreResolvedAgainstTheCurrentOne) {
  const struct {
    const char* typed;
    const char* folder;
  } cases[] = {
      {"/tmp/x/", "/tmp/x"}, {"sub", "/home/op/sub"}, {"../other/.", "/home/other"}, {"/", "/"},
      {"", "/home/op"},      {"/../..", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(TypedFolder("/home/op", c.typed), c.folder) << c.typed;
  EXPECT_EQ(NoSuchFolder("/nope"), "The folder /nope does not exist");
}

TEST(FileListText, DeleteQuestionNamesTheFilesAndCopyReportCountsThem) {
  EXPECT_EQ(DeleteQuestion({"a.txt"}), "Delete this file?\na.txt");
  EXPECT_EQ(DeleteQuestion({"a.txt", "b.prg"}), "Delete these 2 files?\na.txt\nb.prg");
  std::vector<std::string> many;
  for (int i = 0; i < 14; ++i) many.push_back("f" + std::to_string(i));
  const std::string asked = DeleteQuestion(many);
  EXPECT_EQ(asked.substr(asked.size() - 18), "f11\n... and 2 more") << asked;
  EXPECT_EQ(CopyReport(1, "/t", {}), "Copied 1 file into /t");
  EXPECT_EQ(CopyReport(0, "/t", {"Cannot copy /a onto itself"}),
            "Copied 0 files into /t\nCannot copy /a onto itself");
}
