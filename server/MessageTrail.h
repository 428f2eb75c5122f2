#pragma once
// Message boxes that remember what they showed: passed on to the real boxes, and kept
// (the last few) so that the start-up can say why a step failed in the store's own words.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"

class MessageTrail : public MessageBoxes {
 public:
  explicit MessageTrail(MessageBoxes& boxes) : boxes_(boxes) {}

  void Show(const std::string& text, const std::string& title, MsgIcon icon) override;
  bool Ask(const std::string& text, const std::string& title) override {
    return boxes_.Ask(text, title);
  }

  // How many messages were shown so far; a mark for Since.
  uint64_t Count() const { return count_; }
  // The texts shown after the mark was taken (at most the last kKept of them).
  std::vector<std::string> Since(uint64_t mark) const;

  static constexpr size_t kKept = 16;

 private:
  MessageBoxes& boxes_;
  std::deque<std::string> kept_;
  uint64_t count_ = 0;
};
