#pragma once
// Texts of the file dialog: the info line of a clicked file, the "File list to text"
// listing, and the path and pattern helpers it needs.
#include <cstdint>
#include <string>
#include <vector>

namespace filelist {

// A local date and time, as a file's modification time is shown.
struct Stamp {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct FileRow {
  std::string name;
  uint64_t size = 0;
  Stamp modified;
};

// "###,###": thousands grouped with ","; 0 gives an empty text.
std::string Thousands(uint64_t value);
// "mm-dd-yyyy hh:mmAM/PM" (12-hour clock, midnight and noon as 12).
std::string ListDate(const Stamp& stamp);
// Right-aligned in width characters; a longer text is left as it is.
std::string RightAlign(const std::string& text, size_t width);

// The folder and filter line, then CR LF and one line per file: name in 30, size in 12,
// date in 20 characters.
std::string ListText(const std::string& folder, const std::string& filter,
                     const std::vector<FileRow>& files);

// What the file name box shows for a clicked file: name, date and time, size.
std::string InfoLine(const FileRow& file);

// dir + "/" + name, without doubling the separator at the root.
std::string JoinPath(const std::string& dir, const std::string& name);
// The folder above; the root stays the root.
std::string ParentFolder(const std::string& path);
// Without a final "/" except for the root itself.
std::string TrimFolder(const std::string& path);
// The name patterns of a filter: ";" separates several; "*.*" means every file, as it
// does on the file systems where such filters come from.
std::vector<std::string> NameFilters(const std::string& filter);
// The blank-separated words of a pattern list.
std::vector<std::string> SplitPatterns(const std::string& patterns);

// A folder typed by the operator: an absolute path as typed, a relative one below the
// current folder; "." and ".." resolved, no final "/" except at the root.
std::string TypedFolder(const std::string& current, const std::string& typed);
// "The folder PATH does not exist".
std::string NoSuchFolder(const std::string& path);

// The question before files are deleted, naming them (the first kNamesAsked, then how
// many more).
inline constexpr size_t kNamesAsked = 12;
std::string DeleteQuestion(const std::vector<std::string>& names);
// What a copy did: how many files went where, then every error on a line of its own.
std::string CopyReport(int copied, const std::string& target,
                       const std::vector<std::string>& errors);

}  // namespace filelist
