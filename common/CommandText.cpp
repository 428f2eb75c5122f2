#include "common/CommandText.h"

namespace cmdtext {

std::string TrimLeft(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text) {
  const size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text) { return TrimLeft(TrimRight(text)); }

}  // namespace cmdtext

int32_t GetNextToken(std::string& text, std::string& token, const std::string& separator) {
  const size_t at = separator.empty() ? std::string::npos : text.find(separator);
  if (at == std::string::npos) {
    token = std::move(text);
    text.clear();
  } else {
    token = text.substr(0, at);
    text.erase(0, at + separator.size());
  }
  return static_cast<int32_t>(token.size());
}

int32_t GetFirstWord(std::string& text, std::string& word) {
  const std::string trimmed = cmdtext::Trim(text);
  const size_t blank = trimmed.find(' ');
  if (blank == std::string::npos) {
    word = trimmed;
    text.clear();
  } else {
    word = trimmed.substr(0, blank);
    text = cmdtext::TrimLeft(trimmed.substr(blank + 1));
  }
  return static_cast<int32_t>(word.size());
}

bool FitsACommand(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 32 && c != '\t') || byte == 127) return false;
  }
  return true;
}
