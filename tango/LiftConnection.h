#pragma once
// One connection to kelvorin's automation socket: one request line out, one answer line
// back. Connects on first use and again after any failure, so a lift program that was
// restarted is found again by the next request.
#include <atomic>
#include <mutex>
#include <string>

namespace kelvorintango {

// kelvorin refuses request lines longer than this (kMaxLineBytes of its automation
// endpoint, server/qt/AutomationEndpoint.h); we refuse them before sending.
constexpr std::size_t kMaxLineBytes = 1048576;

struct Answer {
  bool delivered = false;  // false: no connection, or no answer in time
  std::string text;        // the answer line without its LF, or why it did not come
};

class LiftConnection {
 public:
  explicit LiftConnection(std::string socketPath);
  ~LiftConnection();
  LiftConnection(const LiftConnection&) = delete;
  LiftConnection& operator=(const LiftConnection&) = delete;

  // Sends `line` and waits up to timeoutMs for its answer. A request whose answer did not
  // come drops the connection, so a late answer never answers a later request.
  Answer Exec(const std::string& line, int timeoutMs);
  // Closes the connection (the next Exec connects again); safe from any thread.
  void Drop();
  const std::string& Path() const { return path_; }

 private:
  bool Connect(std::string& why);
  bool SendAll(const std::string& data, std::string& why);
  bool ReadLine(int timeoutMs, std::string& line, std::string& why);
  void Close();  // only from the thread holding requestMutex_, or the destructor

  const std::string path_;
  std::mutex requestMutex_;  // one request at a time
  std::mutex fdMutex_;       // guards fd_ against Drop() from other threads
  int fd_ = -1;
  std::atomic<bool> dropped_{false};  // Drop() shut fd_ down; the next request closes it
  std::string inbox_;
};

}  // namespace kelvorintango
