#include "common/FileListText.h"

#include <cstdio>
#include <sstream>

#include "common/Numbers.h"

namespace filelist {

std::string Thousands(uint64_t value) {
  if (value == 0) return {};
  std::string digits = std::to_string(value);
  std::string out;
  const size_t lead = digits.size() % 3;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (i + 3 - lead) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string ListDate(const Stamp& s) {
  const int hour12 = s.hour % 12 == 0 ? 12 : s.hour % 12;
  char text[40];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d%s", s.month, s.day, s.year, hour12,
                s.minute, s.hour < 12 ? "AM" : "PM");
  return text;
}

std::string RightAlign(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string ListText(const std::string& folder, const std::string& filter,
                     const std::vector<FileRow>& files) {
  std::string text = JoinPath(folder, filter);
  for (const FileRow& file : files) {
    text += "\r\n";
    text += RightAlign(file.name, 30);
    text += RightAlign(Thousands(file.size), 12);
    text += RightAlign(ListDate(file.modified), 20);
  }
  return text;
}

std::string InfoLine(const FileRow& file) {
  const Stamp& s = file.modified;
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", s.year, s.month, s.day,
                s.hour, s.minute, s.second);
  return file.name + " " + stamp + " " + num::Plain(static_cast<int64_t>(file.size));
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string TrimFolder(const std::string& path) {
  std::string out = path;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string ParentFolder(const std::string& path) {
  const std::string folder = TrimFolder(path);
  const size_t cut = folder.find_last_of('/');
  if (cut == std::string::npos) return folder;
  return cut == 0 ? "/" : folder.substr(0, cut);
}

std::vector<std::string> NameFilters(const std::string& filter) {
  std::vector<std::string> names;
  std::istringstream in(filter);
  for (std::string part; std::getline(in, part, ';');) {
    const size_t first = part.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    part = part.substr(first, part.find_last_not_of(' ') - first + 1);
    names.push_back(part == "*.*" ? "*" : part);
  }
  if (names.empty()) names.push_back("*");
  return names;
}

std::vector<std::string> SplitPatterns(const std::string& patterns) {
  std::vector<std::string> words;
  std::istringstream in(patterns);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string TypedFolder(const std::string& current, const std::string& typed) {
  const std::string path = !typed.empty() && typed.front() == '/' ? typed
                                                                  : JoinPath(current, typed);
  std::vector<std::string> parts;
  std::istringstream in(path);
  for (std::string part; std::getline(in, part, '/');) {
    if (part.empty() || part == ".") continue;
    if (part != "..") parts.push_back(part);
    else if (!parts.empty()) parts.pop_back();
  }
  std::string folder;
  for (const std::string& part : parts) folder += "/" + part;
  return folder.empty() ? "/" : folder;
}

std::string NoSuchFolder(const std::string& path) {
  return "The folder " + path + " does not exist";
}

std::string DeleteQuestion(const std::vector<std::string>& names) {
  std::string text = names.size() == 1 ? "Delete this file?"
                                       : "Delete these " + std::to_string(names.size()) + " files?";
  for (size_t i = 0; i < names.size() && i < kNamesAsked; ++i) text += "\n" + names[i];
  if (names.size() > kNamesAsked)
    text += "\n... and " + std::to_string(names.size() - kNamesAsked) + " more";
  return text;
}

std::string CopyReport(int copied, const std::string& target,
                       const std::vector<std::string>& errors) {
  std::string text = "Copied " + std::to_string(copied) + (copied == 1 ? " file" : " files") +
                     " into " + target;
  for (const std::string& error : errors) text += "\n" + error;
  return text;
}

}  // namespace filelist
