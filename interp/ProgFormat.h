#pragma once
// Programs as text: the re-indenting check of the Repeat blocks, the conversion done
// before a program is written, and the forms of a Repeat line.
#include <cstdint>
#include <optional>
#include <string>

#include "parfiles/TRAPAR.h"

namespace prog {

inline constexpr int kIndentStep = 4;

// The first blank-separated word of the trimmed line ("" for a blank line).
std::string FirstWord(const std::string& line);

// Re-indents every block body four blanks deeper than its Repeat line. 1 when the
// blocks balance; -1 when an Endrepeat has no Repeat (that line and all after it stay
// as they were) or a Repeat stays open. Blank lines are kept as they are.
int16_t FormatProgram(LineList& lines);

// The lines as written to a file: Repeat lines become "Repeat n Times" at the left
// margin, every other line stays as it is. 1; -1 when a Repeat line has no valid count,
// with error = "Error in Command # i" + CR LF + line (the caller shows it).
int16_t ProgToFile(const LineList& lines, LineList& out, std::string& error);

// A Repeat count or pass number: a 16-bit integer, decimals rounded half to even.
std::optional<int16_t> CountValue(const std::string& word);

// "Repeat 5 Times" and its running form "Repeat 5 Times : Rep.# 2", after indent blanks.
std::string RepeatLine(int indent, int16_t count);
std::string RepeatRunningLine(int indent, int16_t count, int16_t pass);

}  // namespace prog
