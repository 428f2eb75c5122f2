#pragma once
// Whole-file text access for the settings store: read a file as lines, and replace a
// file atomically so that a crash or a full disk never leaves it half written.
#include <string>
#include <vector>

namespace textfile {

// Folder: a folder (or a link to one) lives at the path. Utf16: the text is UTF-16 (a
// byte order mark, or every other byte NUL), not 8-bit text.
enum class ReadStatus { Ok, Missing, Unreadable, Folder, Utf16 };

// The lines of the 8-bit text file, each without its LF or CR LF ending. A final line
// without an ending is a line; the empty piece after a final LF is not. Missing:
// nothing that is a regular file (or a link to one) lives at the path.
ReadStatus ReadLines(const std::string& path, std::vector<std::string>& lines);
// The whole file as bytes, by the same rules (any bytes: never Utf16).
ReadStatus ReadAll(const std::string& path, std::string& bytes);
// True when the bytes begin with a UTF-16 byte order mark, or when in their first 256
// bytes nearly every byte at even (or at odd) places is NUL and hardly any other.
bool LooksUtf16(const std::string& bytes);

// Writes the text to a new file beside the target, flushes it to disk and renames it
// over the target (a symbolic link keeps pointing at the replaced file). False when any
// step fails; the temporary is then removed and the old file stays as it was. An
// existing file's permission bits carry over to its replacement. Temporaries of this
// file left by an interrupted write of a process that no longer runs are removed first.
bool ReplaceAtomically(const std::string& path, const std::string& text);

}  // namespace textfile
