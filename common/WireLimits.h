#pragma once
// Limits of the automation protocol that the endpoint and its clients must agree on.
#include <cstddef>

namespace wire {

// The longest request line, without its LF: the endpoint answers a longer one with
// "Error Line too long" and closes the connection, so kelvorin-cmd never sends one.
inline constexpr std::size_t kMaxLineBytes = 1048576;

}  // namespace wire
