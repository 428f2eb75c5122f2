#include "interp/ProgFormat.h"

#include "common/CommandText.h"
#include "common/Numbers.h"

namespace prog {

std::string FirstWord(const std::string& line) {
  std::string rest = line, word;
  GetFirstWord(rest, word);
  return word;
}

int16_t FormatProgram(LineList& lines) {
  int depth = 0;
  for (auto& line : lines) {
    const std::string trimmed = cmdtext::Trim(line);
    if (trimmed.empty()) continue;
    const std::string word = FirstWord(trimmed);
    if (word == "Endrepeat") {
      depth -= kIndentStep;
      if (depth < 0) return -1;
    }
    line = std::string(static_cast<size_t>(depth), ' ') + trimmed;
    if (word == "Repeat") depth += kIndentStep;
  }
  return depth == 0 ? 1 : -1;
}

std::optional<int16_t> CountValue(const std::string& word) { return num::ToInt16(word); }

int16_t ProgToFile(const LineList& lines, LineList& out, std::string& error) {
  out.assign(lines.size(), std::string());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string rest = cmdtext::Trim(lines[i]), word, count;
    if (rest.empty()) continue;
    GetFirstWord(rest, word);
    if (word != "Repeat") {
      out[i] = lines[i];
      continue;
    }
    GetFirstWord(rest, count);
    const auto n = CountValue(count);
    if (!n) {
      error = "Error in Command #" + num::Plain(static_cast<int64_t>(i)) + "\r\n" + lines[i];
      return -1;
    }
    out[i] = RepeatLine(0, *n);
  }
  return 1;
}

// A negative count keeps a blank after the word too, so the line stays a Repeat line.
std::string RepeatLine(int indent, int16_t count) {
  return std::string(static_cast<size_t>(indent), ' ') + (count < 0 ? "Repeat " : "Repeat") +
         num::Plain(count) + " Times";
}

std::string RepeatRunningLine(int indent, int16_t count, int16_t pass) {
  return RepeatLine(indent, count) + " : Rep.#" + num::Plain(pass);
}

}  // namespace prog
