#pragma once
// The one store through which every settings file (parameter files: "NAME",value per
// line) and every line-list file is read and written.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

class MessageBoxes;

// Everything read from a file is text; callers may store numbers, which stay numbers
// until the table is written.
using ParValue = std::variant<std::string, int16_t, int32_t, double>;

struct ParEntry {
  std::string Name;
  ParValue Value;
};
using ParTable = std::vector<ParEntry>;
using LineList = std::vector<std::string>;

class TRAPAR {
 public:
  explicit TRAPAR(MessageBoxes& messages);

  // How the lines of a file are taken. Commands: a line that holds a byte no command
  // can hold (a control character other than tab) or is longer than kMaxEntryBytes is
  // no entry. A parameter file skips it; a line list keeps one empty element in its
  // place (a button's command stays on its button). The first such line is named in
  // "File PATH line N is not a valid entry" (with how many more there are), and the
  // read answers kLinesRefused once the valid entries are in place.
  enum class Entries { Any, Commands };
  static constexpr size_t kMaxEntryBytes = 32767;
  static constexpr int16_t kLinesRefused = -2;

  void ParSetDir(const std::string& dir);  // with its trailing separator
  void ParSetFile(const std::string& file);
  std::string ParGetPath() const;

  // 1 after a read; -1 when the file does not exist (message "File PATH does not
  // exist"), is a folder ("File PATH is a folder"), is UTF-16 text ("File PATH is UTF-16
  // text: save it as Latin-1 or UTF-8"), is malformed or holds no entry ("File PATH is
  // not a valid parameter file"), or cannot be read ("File PATH cannot be read"). The
  // table is untouched on failure.
  int16_t ParReadFile(const std::string& path, ParTable& table, Entries entries = Entries::Any);
  // 1; -1 when the file cannot be written (the old file stays intact).
  int16_t ParWriteFile(const std::string& path, const ParTable& table);

  // Writes the table's values into the file at path and keeps the rest of its text: the
  // k-th line that holds a setting takes the value of entry k when their names agree,
  // keeping its spacing and the remark after the value; every other line stays byte for
  // byte, each with its own line ending. Entries past the file's settings are appended.
  // A missing file is written whole, as ParWriteFile writes it. 1; -1 when the file
  // cannot be read or written (the old file stays intact).
  int16_t ParUpdateFile(const std::string& path, const ParTable& table);
  // The remark of each setting line of the file at path, in the order of its entries:
  // the text after the value's comma, trimmed (empty when the line has none). Empty when
  // the file cannot be read; no message.
  static std::vector<std::string> ParReadRemarks(const std::string& path);

  int16_t ParLoad();
  int16_t ParLoadTable(ParTable& table, Entries entries = Entries::Any);
  int16_t ParSave();
  // ParUpdateFile of the current table to the current path.
  int16_t ParSaveValues();

  // Mode words "from", "to", "clear"; any other word: 0, nothing changes.
  static int16_t ParTableTransfer(ParTable& table, const std::string& name, ParValue& value,
                                  const std::string& mode);
  // On the current table; -1 shows "Parameter NAME not found in PATH".
  int16_t ParTransfer(const std::string& name, ParValue& value, const std::string& mode);
  int16_t ParTransferQuiet(const std::string& name, ParValue& value, const std::string& mode);

  // One numeric key of the current table, read on its own. Missing: "Parameter NAME not
  // found in PATH" unless quiet. Bad: "Parameter NAME in PATH is not a number: VALUE", or
  // for an integer whose value rounded half to even lies outside min..max "... is out of
  // range: VALUE (MIN to MAX)". out changes only when the key is Found.
  enum class NumberRead { Found, Missing, Bad };
  NumberRead ParReadNumber(const std::string& name, double& out, bool quiet = false);
  NumberRead ParReadInteger(const std::string& name, int32_t min, int32_t max, int32_t& out,
                            bool quiet = false);

  int16_t ParCount() const;
  int16_t ParGetAt(int16_t index, std::string& name, ParValue& value) const;
  int16_t ParSetAt(int16_t index, const ParValue& value);

  // Number of elements read (at most 32767 is reported; the list holds them all); -1
  // when missing, a folder, UTF-16 or unreadable (message shown, as ParReadFile), or
  // without any field. The list is
  // untouched on failure. Every line that ends in a line break gives at least one
  // element (a blank line one empty element); text after the last line break counts
  // as such a line when it is not empty.
  int16_t LinesReadFile(const std::string& path, LineList& list, Entries entries = Entries::Any);
  // One element a line; an element with a comma is written in double quotes (a quote in
  // it doubled) so that it reads back as one element. 1; -1 when the file cannot be
  // written (the old file stays intact).
  int16_t LinesWriteFile(const LineList& list, const std::string& path);
  int16_t LinesLoad(LineList& list, Entries entries = Entries::Any);
  int16_t LinesSave(const LineList& list);
  static std::string LinesJoin(const LineList& list);
  static LineList LinesSplit(const std::string& text);

  // The value as written to a file: text unchanged, numbers in the plain form.
  static std::string ValueText(const ParValue& value);
  // The value as a number: numbers as they are, text through the number recogniser.
  static bool ValueNumber(const ParValue& value, double& out);

 private:
  // The file's lines; false after the message that says why there are none.
  bool ReadFileLines(const std::string& path, std::vector<std::string>& lines);
  // Marks the lines that are no entries under the rule (true for each) and names the
  // first of them; an empty result when every line is one.
  std::vector<bool> RefusedLines(const std::string& path, const std::vector<std::string>& lines,
                                 Entries entries);
  void ShowMissing(const std::string& path);
  void ShowBadValue(const std::string& name, const std::string& what);
  NumberRead ReadNumberText(const std::string& name, bool quiet, double& number, std::string& text);

  MessageBoxes& messages_;
  std::string dir_;
  std::string file_;
  ParTable table_;
};
