#include "parfiles/TRAPAR.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/CommandText.h"
#include "common/Numbers.h"
#include "parfiles/TextFile.h"
#include "platform/MessageBoxes.h"

namespace {

constexpr const char* kEol = "\r\n";
constexpr size_t kShortestEntryLine = 5;

// Blanks only: a tab stays part of the text.
std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

enum class LineKind { Skipped, Entry, Malformed };

// `"NAME",value[,remark]`: the name between the first two double quotes; the value from
// the first comma of the line (even one inside the name) to the next comma.
LineKind ParseParLine(const std::string& line, ParEntry& entry) {
  if (line.size() < kShortestEntryLine) return LineKind::Skipped;
  const size_t open = line.find('"');
  const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  if (close == std::string::npos) return LineKind::Malformed;
  entry.Name = TrimBlanks(line.substr(open + 1, close - open - 1));
  const size_t comma = line.find(',');
  if (comma == std::string::npos) {
    entry.Value = TrimBlanks(line);
  } else {
    const size_t next = line.find(',', comma + 1);
    const size_t len = next == std::string::npos ? std::string::npos : next - comma - 1;
    entry.Value = TrimBlanks(line.substr(comma + 1, len));
  }
  return LineKind::Entry;
}

// A quoted field from just after its opening quote: up to the closing quote (npos when
// the line ends first), a doubled quote inside standing for one quote.
std::string QuotedField(const std::string& line, size_t from, size_t& close) {
  std::string field;
  for (close = from; close < line.size(); ++close) {
    if (line[close] != '"') {
      field += line[close];
    } else if (close + 1 < line.size() && line[close + 1] == '"') {
      field += '"';
      ++close;
    } else {
      return field;
    }
  }
  close = std::string::npos;
  return field;
}

// Comma-separated fields of one line. A field that starts (after blanks) with a double
// quote runs to the closing quote and may hold commas (and doubled quotes); text after
// the closing quote up to the next comma is dropped. Every comma starts a further
// field, so "a," gives "a" and "". A blank line is one empty element, so that the lines
// after it keep their places (a button's command stays on its button).
void AppendFields(const std::string& line, LineList& list) {
  size_t pos = 0;
  const size_t n = line.size();
  for (;;) {
    while (pos < n && line[pos] == ' ') ++pos;
    std::string field;
    size_t comma;
    if (pos < n && line[pos] == '"') {
      size_t close;
      field = QuotedField(line, pos + 1, close);
      comma = close == std::string::npos ? close : line.find(',', close + 1);
    } else {
      comma = line.find(',', pos);
      field = line.substr(pos, comma == std::string::npos ? comma : comma - pos);
    }
    list.push_back(TrimBlanks(field));
    if (comma == std::string::npos) return;
    pos = comma + 1;
  }
}

// An element as one file line: an element with a comma is quoted (its quotes doubled),
// so that it reads back as one element; any other element is written unchanged.
std::string LineOf(const std::string& element) {
  if (element.find(',') == std::string::npos) return element;
  std::string quoted = "\"";
  for (const char c : element) quoted += c == '"' ? std::string(2, c) : std::string(1, c);
  return quoted + '"';
}

// The text after the comma that ends the value: `"NAME",value, remark` gives "remark".
std::string RemarkOf(const std::string& line) {
  const size_t comma = line.find(',');
  const size_t next = comma == std::string::npos ? comma : line.find(',', comma + 1);
  return next == std::string::npos ? std::string() : TrimBlanks(line.substr(next + 1));
}

std::string EntryLine(const ParEntry& entry) {
  return "\"" + entry.Name + "\"," + TRAPAR::ValueText(entry.Value);
}

// A settings line with another value. The value between the first comma and the next one
// is replaced, the blanks around it and the text after it stay. A line whose value
// cannot be replaced in place (no comma, or the comma inside the name) is written anew.
std::string WithValue(const std::string& line, const ParEntry& entry) {
  const size_t open = line.find('"');
  const size_t close = line.find('"', open + 1);
  const size_t comma = line.find(',');
  if (comma == std::string::npos || comma < close) return EntryLine(entry);
  const size_t next = line.find(',', comma + 1);
  const size_t end = next == std::string::npos ? line.size() : next;
  size_t first = comma + 1;
  while (first < end && line[first] == ' ') ++first;
  size_t last = end;
  while (last > first && line[last - 1] == ' ') --last;
  return line.substr(0, first) + TRAPAR::ValueText(entry.Value) + line.substr(last);
}

// The text cut into lines, each keeping its own ending (LF, CR LF, or none at the end).
std::vector<std::string> LinesWithEnds(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t lf = text.find('\n', start);
    const size_t end = lf == std::string::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string EndingOf(const std::string& line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) return "\r\n";
  if (!line.empty() && line.back() == '\n') return "\n";
  return {};
}

int16_t ClampCount(size_t count) {
  return static_cast<int16_t>(
      std::min<size_t>(count, static_cast<size_t>(std::numeric_limits<int16_t>::max())));
}

bool InRange(int16_t index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size; }

}  // namespace

TRAPAR::TRAPAR(MessageBoxes& messages) : messages_(messages) {}

void TRAPAR::ParSetDir(const std::string& dir) { dir_ = dir; }
void TRAPAR::ParSetFile(const std::string& file) { file_ = file; }
std::string TRAPAR::ParGetPath() const { return dir_ + file_; }

void TRAPAR::ShowMissing(const std::string& path) {
  messages_.Show("File " + path + " does not exist", kAppTitle, MsgIcon::None);
}

bool TRAPAR::ReadFileLines(const std::string& path, std::vector<std::string>& lines) {
  const auto status = textfile::ReadLines(path, lines);
  const auto fail = [&](const std::string& why) {
    messages_.Show("File " + path + why, kAppTitle, MsgIcon::Critical);
    return false;
  };
  switch (status) {
    case textfile::ReadStatus::Ok: return true;
    case textfile::ReadStatus::Missing: ShowMissing(path); return false;
    case textfile::ReadStatus::Folder: return fail(" is a folder");
    case textfile::ReadStatus::Utf16: return fail(" is UTF-16 text: save it as Latin-1 or UTF-8");
    case textfile::ReadStatus::Unreadable: break;
  }
  return fail(" cannot be read");
}

std::vector<bool> TRAPAR::RefusedLines(const std::string& path,
                                       const std::vector<std::string>& lines, Entries entries) {
  if (entries == Entries::Any) return {};
  std::vector<bool> refused(lines.size(), false);
  size_t first = 0, count = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    refused[i] = lines[i].size() > kMaxEntryBytes || !FitsACommand(lines[i]);
    if (refused[i] && count++ == 0) first = i;
  }
  if (count == 0) return {};
  std::string text = "File " + path + " line " + std::to_string(first + 1) +
                     " is not a valid entry";
  if (count > 1) text += " (and " + std::to_string(count - 1) + " more lines)";
  messages_.Show(text, kAppTitle, MsgIcon::Critical);
  return refused;
}

int16_t TRAPAR::ParReadFile(const std::string& path, ParTable& table, Entries entries) {
  std::vector<std::string> lines;
  if (!ReadFileLines(path, lines)) return -1;
  const std::vector<bool> refused = RefusedLines(path, lines, entries);
  ParTable read;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!refused.empty() && refused[i]) continue;
    const std::string& line = lines[i];
    ParEntry entry;
    const LineKind kind = ParseParLine(line, entry);
    if (kind == LineKind::Malformed) {
      read.clear();
      break;
    }
    if (kind == LineKind::Entry) read.push_back(std::move(entry));
  }
  if (read.empty()) {
    messages_.Show("File " + path + " is not a valid parameter file", kAppTitle, MsgIcon::Critical);
    return -1;
  }
  table = std::move(read);
  return refused.empty() ? 1 : kLinesRefused;
}

int16_t TRAPAR::ParWriteFile(const std::string& path, const ParTable& table) {
  std::string text;
  for (const auto& entry : table) text += EntryLine(entry) + kEol;
  return textfile::ReplaceAtomically(path, text) ? 1 : -1;
}

int16_t TRAPAR::ParUpdateFile(const std::string& path, const ParTable& table) {
  std::string old;
  const auto status = textfile::ReadAll(path, old);
  if (status == textfile::ReadStatus::Missing) return ParWriteFile(path, table);
  if (status != textfile::ReadStatus::Ok) return -1;
  std::string text, eol;
  size_t k = 0;
  for (const std::string& line : LinesWithEnds(old)) {
    const std::string ending = EndingOf(line);
    if (eol.empty()) eol = ending;
    const std::string body = line.substr(0, line.size() - ending.size());
    ParEntry read;
    if (ParseParLine(body, read) != LineKind::Entry || k >= table.size()) {
      text += line;
      continue;
    }
    const ParEntry& entry = table[k++];
    const bool keep = entry.Name != read.Name || ValueText(entry.Value) == ValueText(read.Value);
    text += (keep ? body : WithValue(body, entry)) + ending;
  }
  if (eol.empty()) eol = kEol;
  if (k < table.size() && !text.empty() && text.back() != '\n') text += eol;
  for (; k < table.size(); ++k) text += EntryLine(table[k]) + eol;
  return textfile::ReplaceAtomically(path, text) ? 1 : -1;
}

std::vector<std::string> TRAPAR::ParReadRemarks(const std::string& path) {
  std::vector<std::string> lines, remarks;
  if (textfile::ReadLines(path, lines) != textfile::ReadStatus::Ok) return remarks;
  for (const std::string& line : lines) {
    ParEntry entry;
    if (ParseParLine(line, entry) == LineKind::Entry) remarks.push_back(RemarkOf(line));
  }
  return remarks;
}

int16_t TRAPAR::ParLoad() { return ParReadFile(ParGetPath(), table_); }
int16_t TRAPAR::ParLoadTable(ParTable& table, Entries entries) {
  return ParReadFile(ParGetPath(), table, entries);
}
int16_t TRAPAR::ParSave() { return ParWriteFile(ParGetPath(), table_); }
int16_t TRAPAR::ParSaveValues() { return ParUpdateFile(ParGetPath(), table_); }

int16_t TRAPAR::ParTableTransfer(ParTable& table, const std::string& name, ParValue& value,
                                 const std::string& mode) {
  auto found = std::find_if(table.begin(), table.end(),
                            [&](const ParEntry& e) { return e.Name == name; });
  if (mode == "to") {
    if (found != table.end()) found->Value = value;
    else table.push_back({name, value});
    return 1;
  }
  if (mode == "from") {
    if (found == table.end()) return -1;
    value = found->Value;
    return 1;
  }
  if (mode == "clear") {
    table.assign(1, ParEntry{name, value});
    return 1;
  }
  return 0;
}

int16_t TRAPAR::ParTransfer(const std::string& name, ParValue& value, const std::string& mode) {
  const int16_t result = ParTableTransfer(table_, name, value, mode);
  if (result == -1)
    messages_.Show("Parameter " + name + " not found in " + ParGetPath(), kAppTitle,
                   MsgIcon::Critical);
  return result;
}

int16_t TRAPAR::ParTransferQuiet(const std::string& name, ParValue& value,
                                 const std::string& mode) {
  return ParTableTransfer(table_, name, value, mode);
}

void TRAPAR::ShowBadValue(const std::string& name, const std::string& what) {
  messages_.Show("Parameter " + name + " in " + ParGetPath() + " " + what, kAppTitle,
                 MsgIcon::Critical);
}

TRAPAR::NumberRead TRAPAR::ReadNumberText(const std::string& name, bool quiet, double& number,
                                          std::string& text) {
  ParValue value;
  const int16_t found = quiet ? ParTransferQuiet(name, value, "from")
                              : ParTransfer(name, value, "from");
  if (found != 1) return NumberRead::Missing;
  text = ValueText(value);
  if (ValueNumber(value, number) && std::isfinite(number)) return NumberRead::Found;
  ShowBadValue(name, "is not a number: " + text);
  return NumberRead::Bad;
}

TRAPAR::NumberRead TRAPAR::ParReadNumber(const std::string& name, double& out, bool quiet) {
  double number = 0;
  std::string text;
  const NumberRead read = ReadNumberText(name, quiet, number, text);
  if (read == NumberRead::Found) out = number;
  return read;
}

TRAPAR::NumberRead TRAPAR::ParReadInteger(const std::string& name, int32_t min, int32_t max,
                                          int32_t& out, bool quiet) {
  double number = 0;
  std::string text;
  const NumberRead read = ReadNumberText(name, quiet, number, text);
  if (read != NumberRead::Found) return read;
  const auto rounded = num::RoundToInt32(number);
  if (!rounded || *rounded < min || *rounded > max) {
    ShowBadValue(name, "is out of range: " + text + " (" + std::to_string(min) + " to " +
                           std::to_string(max) + ")");
    return NumberRead::Bad;
  }
  out = *rounded;
  return NumberRead::Found;
}

int16_t TRAPAR::ParCount() const { return ClampCount(table_.size()); }

int16_t TRAPAR::ParGetAt(int16_t index, std::string& name, ParValue& value) const {
  if (!InRange(index, table_.size())) {
    name = "UNDEFINED";
    value = int16_t{0};
    return -1;
  }
  name = table_[static_cast<size_t>(index)].Name;
  value = table_[static_cast<size_t>(index)].Value;
  return 1;
}

int16_t TRAPAR::ParSetAt(int16_t index, const ParValue& value) {
  if (!InRange(index, table_.size())) return -1;
  table_[static_cast<size_t>(index)].Value = value;
  return 1;
}

int16_t TRAPAR::LinesReadFile(const std::string& path, LineList& list, Entries entries) {
  std::vector<std::string> lines;
  if (!ReadFileLines(path, lines)) return -1;
  const std::vector<bool> refused = RefusedLines(path, lines, entries);
  LineList read;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!refused.empty() && refused[i]) read.emplace_back();
    else AppendFields(lines[i], read);
  }
  if (read.empty()) return -1;
  list = std::move(read);
  return refused.empty() ? ClampCount(list.size()) : kLinesRefused;
}

int16_t TRAPAR::LinesWriteFile(const LineList& list, const std::string& path) {
  std::string text;
  for (const auto& element : list) text += LineOf(element) + kEol;
  return textfile::ReplaceAtomically(path, text) ? 1 : -1;
}

int16_t TRAPAR::LinesLoad(LineList& list, Entries entries) {
  return LinesReadFile(ParGetPath(), list, entries);
}
int16_t TRAPAR::LinesSave(const LineList& list) { return LinesWriteFile(list, ParGetPath()); }

std::string TRAPAR::LinesJoin(const LineList& list) {
  std::string text;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) text += kEol;
    text += list[i];
  }
  return text;
}

LineList TRAPAR::LinesSplit(const std::string& text) {
  LineList list;
  size_t start = 0;
  for (size_t at; (at = text.find(kEol, start)) != std::string::npos; start = at + 2)
    list.push_back(text.substr(start, at - start));
  list.push_back(text.substr(start));
  return list;
}

std::string TRAPAR::ValueText(const ParValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* d = std::get_if<double>(&value)) return num::Plain(*d);
  if (const auto* i = std::get_if<int32_t>(&value)) return num::Plain(*i);
  return num::Plain(std::get<int16_t>(value));
}

bool TRAPAR::ValueNumber(const ParValue& value, double& out) {
  if (const auto* text = std::get_if<std::string>(&value)) return num::Parse(*text, out);
  if (const auto* d = std::get_if<double>(&value)) {
    out = *d;
    return true;
  }
  if (const auto* i = std::get_if<int32_t>(&value)) {
    out = *i;
    return true;
  }
  out = std::get<int16_t>(value);
  return true;
}
