#include "server/qt/InstanceLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

InstanceLock::Result InstanceLock::Take(const QString& path) {
  if (fd_ >= 0) return Result::Taken;
  const int fd = ::open(QFile::encodeName(path).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return Result::Failed;
  }
  int rc;
  do rc = ::flock(fd, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Result::HeldElsewhere;
    error_ = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
    return Result::Failed;
  }
  fd_ = fd;
  return Result::Taken;
}
