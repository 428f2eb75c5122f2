#pragma once
// A folder of its own under /tmp for one test or rig, removed with everything in it when
// the object goes. Fixtures and rigs inherit it (then dir, Put and Get read as their own);
// plain tests make one on the stack.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class ScratchDir {
 public:
  // label names the folder: /tmp/<label>-XXXXXX.
  explicit ScratchDir(const std::string& label = "kelvorin-test") : dir(Make(label)) {}
  ~ScratchDir() {
    std::error_code ignored;  // a test may have taken the write permission away
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // rel inside the folder; Path() is the folder with a closing slash.
  std::string Path(const std::string& rel = {}) const { return dir + "/" + rel; }
  // Writes text byte for byte, making the folders on the way.
  void Put(const std::string& rel, const std::string& text) const {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path(), ignored);
    std::ofstream(Path(rel), std::ios::binary) << text;
  }
  // The file's bytes; empty when it cannot be read.
  std::string Get(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Writes the lines, each closed with CR LF.
  void PutLines(const std::string& rel, const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    Put(rel, text);
  }
  bool Has(const std::string& rel) const { return std::filesystem::exists(Path(rel)); }

  const std::string dir;  // without a closing slash

 private:
  static std::string Make(const std::string& label) {
    std::string pattern = "/tmp/" + label + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
    return pattern;
  }
};
