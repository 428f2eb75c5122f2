#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileOps.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

class FileOpsTest : public ::testing::Test, protected ScratchDir {
 protected:
  FileOpsTest() : ScratchDir("fileops-test") {}
  std::vector<std::string> errors;
  std::vector<std::string> asked;
  fileops::AskOverwrite Answer(bool yes) {
    return [this, yes](const std::string& target) {
      asked.push_back(target);
      return yes;
    };
  }
};

TEST_F(FileOpsTest, DeleteSkipsMissingNamesAndRefusesFolders) {
  Put("a.txt", "a");
  Put("b.prg", "b");
  Put("sub/c", "c");
  const int deleted = fileops::DeleteFiles(dir, {"a.txt", "gone.txt", "sub", "b.prg"}, errors);
  EXPECT_EQ(deleted, 2);
  EXPECT_FALSE(Has("a.txt"));
  EXPECT_FALSE(Has("b.prg"));
  EXPECT_TRUE(Has("sub/c"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], dir + "/sub is a folder");
  EXPECT_EQ(fileops::DeleteFiles(dir, {}, errors), 0);
}

TEST_F(FileOpsTest, CopyFilesReportsMissingTargetAndSelfCopy) {
  Put("a.txt", "a");
  EXPECT_EQ(fileops::CopyFiles(dir, {"a.txt"}, dir + "/nowhere", Answer(true), errors), 0);
  EXPECT_EQ(fileops::CopyFiles(dir, {"a.txt"}, dir, Answer(true), errors), 0);
  EXPECT_EQ(Get("a.txt"), "a");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "The folder " + dir + "/nowhere does not exist");
  EXPECT_EQ(errors[1], "Cannot copy " + dir + "/a.txt onto itself");
  EXPECT_TRUE(asked.empty());
}

TEST_F(FileOpsTest, CopyFolderIntoItselfIsRefused) {
  Put("src/a.txt", "a");
  const struct {
    std::string source, target;
  } cases[] = {
      {dir + "/src", dir + "/src"},
      {dir + "/src/", dir + "/src/inner"},
  };
  fs::create_directories(dir + "/src/inner");
  for (const auto& c : cases) {
    errors.clear();
    EXPECT_EQ(fileops::CopyFolder(c.source, c.target, Answer(true), errors), 0) << c.target;
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("into itself"), std::string::npos) << errors[0];
  }
  EXPECT_FALSE(Has("src/src"));
  EXPECT_FALSE(Has("src/inner/src"));
  errors.clear();
  EXPECT_EQ(fileops::CopyFolder(dir + "/none", dir, Answer(true), errors), 0);
  EXPECT_EQ(errors, std::vector<std::string>{"The folder " + dir + "/none does not exist"});
}

}  // namespace
