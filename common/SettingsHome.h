#pragma once
// Which folder holds the settings, and the first filling of the user's own folder.
#include <string>
#include <vector>

namespace settingshome {

struct Places {
  std::string explicitDir;  // given with --dir; empty: none
  std::string programDir;   // the folder of the running program
  std::string configHome;   // $XDG_CONFIG_HOME; empty or relative: not set
  std::string home;         // $HOME
};

struct Choice {
  std::string folder;
  bool userFolder = false;  // the user's own folder: filled from the shipped settings
};

// --dir, else the program's folder when it holds ST_CONFIG.TXT, else
// $XDG_CONFIG_HOME/kelvorin (~/.config/kelvorin).
Choice Choose(const Places& places);

// Creates folder and copies into it each shipped file it lacks; a file already there is
// never replaced. Returns what could not be done, one text per failure.
std::vector<std::string> Fill(const std::string& folder, const std::string& shippedDir);

}  // namespace settingshome
