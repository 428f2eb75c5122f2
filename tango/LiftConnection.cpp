#include "LiftConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace kelvorintango {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

LiftConnection::LiftConnection(std::string socketPath) : path_(std::move(socketPath)) {}

LiftConnection::~LiftConnection() { Close(); }

void LiftConnection::Drop() {
  // Only shut down here: the thread of a request under way wakes from poll() and closes
  // the descriptor itself, so its number cannot be reused under it.
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
  dropped_ = true;
}

void LiftConnection::Close() {
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  dropped_ = false;
  inbox_.clear();
}

bool LiftConnection::Connect(std::string& why) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path_.size() >= sizeof(addr.sun_path)) {
    why = "socket path too long: " + path_;
    return false;
  }
  std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    why = "cannot connect to " + path_ + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  std::lock_guard<std::mutex> lock(fdMutex_);
  fd_ = fd;
  return true;
}

bool LiftConnection::SendAll(const std::string& data, std::string& why) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = std::string("the lift program closed the connection: ") + std::strerror(errno);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool LiftConnection::ReadLine(int timeoutMs, std::string& line, std::string& why) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t lf;
  while ((lf = inbox_.find('\n')) == std::string::npos) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, MsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      why = "no answer from the lift program within " + std::to_string(timeoutMs) + " ms";
      return false;
    }
    char chunk[4096];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = "the lift program closed the connection";
      return false;
    }
    inbox_.append(chunk, static_cast<std::size_t>(n));
  }
  line = inbox_.substr(0, lf);
  inbox_.erase(0, lf + 1);
  return true;
}

Answer LiftConnection::Exec(const std::string& line, int timeoutMs) {
  if (line.find('\n') != std::string::npos)
    return {false, "a command line must not contain a line feed"};
  if (line.size() > kMaxLineBytes) return {false, "command line longer than 1 MiB"};
  std::lock_guard<std::mutex> lock(requestMutex_);
  Answer answer;
  if (dropped_) Close();
  if (fd_ < 0 && !Connect(answer.text)) return answer;
  if (SendAll(line + "\n", answer.text) && ReadLine(timeoutMs, answer.text, answer.text)) {
    answer.delivered = true;
    return answer;
  }
  Close();
  return answer;
}

}  // namespace kelvorintango
