#pragma once
// The files of the settings folder that the program itself reads, and the operator's
// command list beside them. No list or other file a client names may replace them.
#include <array>

namespace settingsfiles {

inline constexpr const char* kConfig = "ST_CONFIG.TXT";
inline constexpr const char* kParZ = "ST_PARZ.TXT";
inline constexpr const char* kJoy = "ST_JOY.TXT";
inline constexpr const char* kSymConst = "ST_SYMCONST.TXT";
inline constexpr const char* kJoyCmds = "ST_JOYCMDS.TXT";
inline constexpr const char* kCommands = "ST_COMMANDS.TXT";

inline constexpr std::array kAll = {kConfig, kParZ, kJoy, kSymConst, kJoyCmds, kCommands};

}  // namespace settingsfiles
