// The settings readers: any file content as a parameter file and as a line list, what a
// save writes reads back the same, and the program starts from it in place of one of
// its settings files (on the built-in simulated controller) and then serves requests.
//
// Input: the first byte chooses the settings file the rest stands for: ST_CONFIG.TXT,
// ST_PARZ.TXT, ST_SYMCONST.TXT, ST_JOYCMDS.TXT or ST_JOY.TXT. A joystick command file
// is only read: its first line runs at start-up, and could name any file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzRig.h"

namespace {

constexpr const char* kFiles[] = {"ST_CONFIG.TXT", "ST_PARZ.TXT", "ST_SYMCONST.TXT",
                                  "ST_JOYCMDS.TXT", "ST_JOY.TXT"};

// Entries that survive a save unchanged: a name without a comma (the value starts at
// the first comma of the line) and a line long enough to count as an entry.
bool SavesUnchanged(const ParTable& table) {
  for (const auto& e : table) {
    if (e.Name.find(',') != std::string::npos) return false;
    if (e.Name.size() + 3 + TRAPAR::ValueText(e.Value).size() < 5) return false;
  }
  return true;
}

void ParameterFile(TRAPAR& par, const std::string& path, const std::string& dir) {
  ParTable table;
  if (par.ParReadFile(path, table) != 1 || !SavesUnchanged(table)) return;
  const std::string saved = dir + "/saved.txt";
  if (par.ParWriteFile(saved, table) != 1) std::abort();
  ParTable again;
  if (par.ParReadFile(saved, again) != 1 || again.size() != table.size()) std::abort();
  for (size_t i = 0; i < table.size(); ++i)
    if (again[i].Name != table[i].Name ||
        TRAPAR::ValueText(again[i].Value) != TRAPAR::ValueText(table[i].Value))
      std::abort();
}

void LineListFile(TRAPAR& par, const std::string& path) {
  LineList list;
  const int16_t count = par.LinesReadFile(path, list);
  if (count < 0) return;
  if (count == 0 || static_cast<size_t>(count) > list.size()) std::abort();
  if (TRAPAR::LinesSplit(TRAPAR::LinesJoin(list)) != list) std::abort();
}

void StartFrom(const fuzzrig::Folder& folder, const std::string& name, const std::string& text) {
  folder.WriteSettings({{name, text}});
  fuzzrig::Rig rig;
  rig.core.startup.InitAll(folder.path());
  rig.core.cmds.ExecCmdString("Ver;Z ?;Z Rel UP;Z Wait;Z ??;Obj AddCurrent;CommandCount");
  rig.core.startup.CloseAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string name = kFiles[data[0] % std::size(kFiles)];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto& folder = fuzzrig::TheFolder();
  const std::string path = folder.path() + "/read.txt";
  folder.Write("read.txt", text);

  FakeMessages messages;
  TRAPAR par(messages);
  ParameterFile(par, path, folder.path());
  LineListFile(par, path);
  if (name != "ST_JOYCMDS.TXT") StartFrom(folder, name, text);
  return 0;
}
