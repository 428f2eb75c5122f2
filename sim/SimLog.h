#pragma once
// The traffic log's text form of raw bytes.
#include <string>
#include <string_view>

namespace ksim {

// CR as \r, LF as \n, every other byte outside 32..126 as \xHH (upper-case hex).
std::string EscapeBytes(std::string_view bytes);

}  // namespace ksim
