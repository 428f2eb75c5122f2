#pragma once
// Cutting command lines into commands and words. Blanks are character 32 only.
#include <cstdint>
#include <string>

namespace cmdtext {

std::string Trim(const std::string& text);
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);

}  // namespace cmdtext

// Takes the text before the first separator as token; the text keeps what follows the
// separator (or becomes empty). Returns the token's length.
int32_t GetNextToken(std::string& text, std::string& token, const std::string& separator);
// Takes the first blank-separated word of the trimmed text; the text keeps the trimmed
// rest. Returns the word's length (0 for an empty or blank text).
int32_t GetFirstWord(std::string& text, std::string& word);
// False when the text holds a byte that no command can hold: a control character (NUL,
// CR, LF, ... and DEL), a tab excepted.
bool FitsACommand(const std::string& text);
