#pragma once
// Counts a scope: the count goes up when it is entered and down when it is left, however
// it is left. Scopes nest.
template <typename Count>
class ScopedCount {
 public:
  explicit ScopedCount(Count& count) : count_(count) { ++count_; }
  ~ScopedCount() { --count_; }
  ScopedCount(const ScopedCount&) = delete;
  ScopedCount& operator=(const ScopedCount&) = delete;

 private:
  Count& count_;
};
