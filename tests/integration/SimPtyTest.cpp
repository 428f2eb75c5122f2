// kelvorin-sim as a process: its PORT line, its frames over the pseudo-terminal, the
// link, the traffic log, the end on SIGTERM, and its refusal of bad options.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchDir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Bytes from fd until the text ends with `end`, the stream ends, or timeoutMs passes.
std::string ReadUntil(int fd, const std::string& end, int timeoutMs = 3000) {
  std::string got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
    pollfd pfd{fd, POLLIN, 0};
    if (MsLeft(deadline) == 0 || ::poll(&pfd, 1, MsLeft(deadline)) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

// One kelvorin-sim process with its standard output on a pipe.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string program = KELVORIN_BIN_DIR "/kelvorin-sim";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    stdout_ = out[0];
  }
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdout_ >= 0) ::close(stdout_);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The first line of standard output.
  std::string FirstLine() { return ReadUntil(stdout_, "\n", 5000); }

  // Exit status after waiting up to timeoutMs (SIGKILL after that); -1 when killed.
  int Wait(int timeoutMs = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0) {
      if (MsLeft(deadline) == 0) ::kill(pid_, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Terminate() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
};

// The client's end of the pseudo-terminal, raw.
class Device {
 public:
  explicit Device(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0) return;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
  }
  ~Device() {
    if (fd_ >= 0) ::close(fd_);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool ok() const { return fd_ >= 0; }
  std::string Ask(const std::string& line, const std::string& end, int timeoutMs = 3000) {
    if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return {};
    return ReadUntil(fd_, end, timeoutMs);
  }

 private:
  int fd_ = -1;
};

std::string DeviceOf(const std::string& portLine) {
  if (portLine.rfind("PORT ", 0) != 0 || portLine.back() != '\n') return {};
  return portLine.substr(5, portLine.size() - 6);
}

}  // namespace

TEST(SimPty, EZHR17AnswersOnTheTerminalUntilTerminated) {
  const ScratchDir folder("kelvorin-simpty");
  const std::string link = folder.Path("ttySIM");
  const std::string log = folder.Path("traffic.log");
  SimProcess sim({"--family", "EZHR17", "--no-wire-time", "--link", link, "--log", log});
  const std::string device = DeviceOf(sim.FirstLine());
  ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;

  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), device);
  {
    Device port(link);
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(port.Ask("/1?0\r", "\r\n"), std::string("\xFF/0`0\x03\r\n"));
    EXPECT_EQ(port.Ask("/2?0\r", "\r\n", 200), "");  // not its address
  }
  {
    Device again(device);  // a second client after the first closed
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.Ask("/1z-12R\r", "\r\n"), std::string("\xFF/0`\x03\r\n"));
    EXPECT_EQ(again.Ask("/1?0\r", "\r\n"), std::string("\xFF/0`-12\x03\r\n"));
  }
  sim.Terminate();
  EXPECT_EQ(sim.Wait(), 0);
  struct stat st {};
  EXPECT_NE(::lstat(link.c_str(), &st), 0);  // the link went with it
  EXPECT_EQ(folder.Get("traffic.log"),
            "> /1?0\\r\n"
            "< \\xFF/0`0\\x03\\r\\n\n"
            "> /2?0\\r\n"
            "> /1z-12R\\r\n"
            "< \\xFF/0`\\x03\\r\\n\n"
            "> /1?0\\r\n"
            "< \\xFF/0`-12\\x03\\r\\n\n");
}

TEST(SimPty, IM483IEchoesAndAnswers) {
  SimProcess sim({"--family", "IM483I", "--no-wire-time", "--address", "3"});
  const std::string device = DeviceOf(sim.FirstLine());
  ASSERT_FALSE(device.empty());
  Device port(device);
  ASSERT_TRUE(port.ok());
  EXPECT_EQ(port.Ask("3Z\n", "\n"), "3Z0\n");
  EXPECT_EQ(port.Ask("3Y 10 50\n", "\n"), "3Y 10 50\n");
  EXPECT_EQ(port.Ask("3] 0\n", "\n"), "3] 00\n");
  sim.Terminate();
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimPty, SplitRepliesWithWireTimeArriveWhole) {
  SimProcess sim({"--family", "EZHR17", "--fault", "split", "--fault", "delay=50"});
  const std::string device = DeviceOf(sim.FirstLine());
  ASSERT_FALSE(device.empty());
  Device port(device);
  ASSERT_TRUE(port.ok());
  EXPECT_EQ(port.Ask("/1Q\r", "\r\n"), std::string("\xFF/0`\x03\r\n"));
  sim.Terminate();
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimPty, BadOptionsExitWithStatusTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--family", "EZHR18"},
      {"--family", "EZHR17", "--fault", "bogus"},
      {"--family", "EZHR17", "--address", "12"},
      {"--family", "IM483I", "--lower-limit", "low"},
      {"--family", "IM483I", "--speed", "3"},
      {"--family"},
  };
  for (const auto& args : bad) {
    SimProcess sim(args);
    EXPECT_EQ(sim.FirstLine(), "");  // no PORT line
    EXPECT_EQ(sim.Wait(), 2) << (args.empty() ? "" : args.back());
  }
}
