#pragma once
// The whole core as the program builds it, on the built-in simulated controller (or a
// fake port) and plain fakes of the other seams, started from a settings folder of its
// own. Time is the fake clock's: waits and motion take no real time. Every reading of the
// clock moves it on by a millisecond, as real time passes while the program works, so a
// loop that polls an instant controller (no wire time) until something happens ends.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"

namespace fuzzrig {

// The settings files the repository ships, read once.
inline const std::map<std::string, std::string>& Shipped() {
  static const std::map<std::string, std::string> files = [] {
    std::map<std::string, std::string> read;
    for (const char* name :
         {"ST_CONFIG.TXT", "ST_PARZ.TXT", "ST_SYMCONST.TXT", "ST_JOYCMDS.TXT", "ST_JOY.TXT"}) {
      std::ifstream in(std::string(KELVORIN_SOURCE_DIR) + "/settings/" + name, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      read[name] = text.str();
    }
    return read;
  }();
  return files;
}

// A private folder for the settings and whatever the commands write: under $TMPDIR when
// set, else in memory when the machine has /dev/shm (atomic replacement syncs to disk).
// Removed when the process ends normally.
class Folder {
 public:
  Folder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp                                 ? tmp
                             : std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                                         : "/tmp";
    std::string pattern = base + "/kelvorin-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    out << text;
  }
  // Every shipped file, then the given ones over them.
  void WriteSettings(const std::map<std::string, std::string>& replaced) const {
    for (const auto& [name, text] : Shipped()) {
      const auto own = replaced.find(name);
      Write(name, own == replaced.end() ? text : own->second);
    }
  }

 private:
  std::string path_;
};

inline Folder& TheFolder() {
  static Folder folder;
  return folder;
}

// The core over a port of the given kind (one that takes the fake clock).
template <class Port>
struct BasicRig {
  BasicRig() : core(port, clock, pump, messages, windows) { clock.autoAdvanceMs = 1; }
  FakeClock clock;
  Port port{clock};
  FakePump pump;
  FakeMessages messages;
  FakeWindows windows;
  CoreModules core;
};
using Rig = BasicRig<SimSerialPort>;

}  // namespace fuzzrig
