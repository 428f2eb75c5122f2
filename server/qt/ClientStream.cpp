#include "server/qt/ClientStream.h"

#include <QEvent>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

// Readiness goes straight to its handler, without a signal emission on the way.
class Notifier : public QSocketNotifier {
 public:
  Notifier(int fd, Type type, QObject* parent, std::function<void()> ready)
      : QSocketNotifier(fd, type, parent), ready_(std::move(ready)) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::SockAct) return QSocketNotifier::event(e);
    ready_();
    return true;
  }

 private:
  std::function<void()> ready_;
};
}  // namespace

ClientStream::ClientStream(int fd, QObject* parent)
    : QObject(parent),
      fd_(fd),
      readable_(new Notifier(fd, QSocketNotifier::Read, this,
                             [this] {
                               if (onReadable) onReadable();
                             })),
      writable_(new Notifier(fd, QSocketNotifier::Write, this, [this] {
        Flush();
        if (onWritten) onWritten();
      })) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
  writable_->setEnabled(false);
  readable_->setEnabled(false);
}

ClientStream::~ClientStream() { Close(); }

qsizetype ClientStream::Read(char* dst, qsizetype max) {
  if (fd_ < 0 || inputEnded_ || broken_ || max <= 0) return 0;
  for (;;) {
    const ssize_t n = ::recv(fd_, dst, size_t(max), 0);
    if (n > 0) return n;
    if (n == 0) {
      inputEnded_ = true;
      readable_->setEnabled(false);
    } else if (errno == EINTR) {
      continue;
    } else if (!WouldBlock()) {
      broken_ = true;
      readable_->setEnabled(false);
    }
    return 0;
  }
}

void ClientStream::Write(const char* data, qsizetype size) {
  if (fd_ < 0 || broken_) return;
  out_.append(data, size);
  Flush();
}

void ClientStream::Flush() {
  while (fd_ >= 0 && !broken_ && outStart_ < out_.size()) {
    const ssize_t n = ::send(fd_, out_.constData() + outStart_, size_t(out_.size() - outStart_),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      outStart_ += n;
    } else if (n < 0 && WouldBlock()) {
      if (errno == EINTR) continue;
      break;
    } else {
      broken_ = true;
    }
  }
  if (broken_ || outStart_ == out_.size()) {
    out_.clear();
    outStart_ = 0;
  } else if (outStart_ > out_.size() / 2 && outStart_ > 65536) {
    out_.remove(0, outStart_);
    outStart_ = 0;
  }
  writable_->setEnabled(fd_ >= 0 && !broken_ && Unsent() > 0);
}

void ClientStream::WantInput(bool want) {
  readable_->setEnabled(want && fd_ >= 0 && !inputEnded_ && !broken_);
}

void ClientStream::EndOutput() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

bool ClientStream::PeerClosed() const {
  if (fd_ < 0 || broken_) return true;
  pollfd p{fd_, POLLOUT, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

void ClientStream::Close() {
  if (fd_ < 0) return;
  readable_->setEnabled(false);
  writable_->setEnabled(false);
  ::close(fd_);
  fd_ = -1;
  out_.clear();
  outStart_ = 0;
}
