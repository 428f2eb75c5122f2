#include "server/MessageTrail.h"

#include <algorithm>

void MessageTrail::Show(const std::string& text, const std::string& title, MsgIcon icon) {
  ++count_;
  kept_.push_back(text);
  if (kept_.size() > kKept) kept_.pop_front();
  boxes_.Show(text, title, icon);
}

std::vector<std::string> MessageTrail::Since(uint64_t mark) const {
  const uint64_t wanted = count_ > mark ? count_ - mark : 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(wanted, kept_.size()));
  return {kept_.end() - static_cast<std::ptrdiff_t>(n), kept_.end()};
}
