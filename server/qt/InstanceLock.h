#pragma once
// One program per socket: an exclusive kernel lock on a file beside it. The kernel
// drops the lock when its process ends however it ends, so whatever a file left
// behind holds (nothing, another program's text) never blocks a start.
#include <QString>

class InstanceLock {
 public:
  enum class Result { Taken, HeldElsewhere, Failed };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Opens (or makes, user-only) the lock file and tries to lock it without waiting.
  Result Take(const QString& path);
  QString ErrorString() const { return error_; }

 private:
  int fd_ = -1;
  QString error_;
};
