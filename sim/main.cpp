// kelvorin-sim: a simulated EZHR17 or IM483I controller on a pseudo-terminal.
//
//   kelvorin-sim --family EZHR17|IM483I [--address C] [--link PATH] [--log FILE]
//                [--lower-limit STEPS] [--upper-limit STEPS] [--fault SPEC]...
//                [--no-wire-time]
//
// Prints "PORT <device>" as the first line of standard output, then serves the device
// until SIGINT or SIGTERM. Exit status 0; 1 when the terminal cannot be set up; 2 for
// bad options.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "sim/ControllerSim.h"
#include "sim/SimAxis.h"

namespace {

constexpr const char* kUsage =
    "usage: kelvorin-sim --family EZHR17|IM483I [--address C] [--link PATH] [--log FILE]\n"
    "                    [--lower-limit STEPS] [--upper-limit STEPS] [--fault SPEC]...\n"
    "                    [--no-wire-time]\n"
    "faults: silent, delay=MS, split, noise, error=CODE, badecho\n";
constexpr size_t kMaxPendingOut = 64 * 1024;

struct CliOptions {
  ksim::Options sim;
  bool haveFamily = false;
  std::string link;
  std::string logPath;
};

bool ParseOption(std::string_view opt, std::string_view value, CliOptions& cli,
                 std::string& error) {
  if (opt == "--family") {
    const auto family = ksim::ParseFamily(value);
    if (family) cli.sim.family = *family;
    cli.haveFamily = family.has_value();
    if (!family) error = "unknown family '" + std::string(value) + "' (EZHR17 or IM483I)";
    return family.has_value();
  }
  if (opt == "--address") {
    if (value.size() == 1) cli.sim.address = value[0];
    else error = "--address takes one character";
    return value.size() == 1;
  }
  if (opt == "--link" || opt == "--log") {
    (opt == "--link" ? cli.link : cli.logPath) = value;
    return true;
  }
  if (opt == "--lower-limit" || opt == "--upper-limit") {
    auto& limit = opt == "--lower-limit" ? cli.sim.lowerLimit : cli.sim.upperLimit;
    if (ksim::ParseSteps(value, limit)) return true;
    error = std::string(opt) + " takes a whole number of steps";
    return false;
  }
  if (opt == "--fault") return ksim::ParseFault(value, cli.sim.faults, error);
  error = "unknown option '" + std::string(opt) + "'";
  return false;
}

bool ParseArgs(int argc, char** argv, CliOptions& cli, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view opt = argv[i];
    if (opt == "--no-wire-time") {
      cli.sim.wireTime = false;
      continue;
    }
    if (opt.rfind("--", 0) != 0) {
      error = "unexpected argument '" + std::string(opt) + "'";
      return false;
    }
    if (i + 1 >= argc) {
      error = std::string(opt) + " needs a value";
      return false;
    }
    if (!ParseOption(opt, argv[++i], cli, error)) return false;
  }
  if (!cli.haveFamily) error = "--family is required";
  return cli.haveFamily;
}

bool MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// The master side, plus one descriptor of the slave that stays open: it keeps the
// slave's settings (raw: no CR/LF translation, no echo) and spares the master a hang-up
// whenever a client closes the device.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string device;

  bool Open(std::string& error) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
      error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
      return false;
    }
    const char* name = ptsname(master);
    if (name) device = name;
    slave = name ? open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || !MakeRaw(slave) || !MakeRaw(master)) {
      error = "cannot set up " + device + ": " + std::strerror(errno);
      return false;
    }
    return fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) == 0;
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
};

int64_t NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Writes what it can of pending without blocking; the rest waits for the next pass.
void Flush(int master, std::string& pending) {
  while (!pending.empty()) {
    const ssize_t n = write(master, pending.data(), pending.size());
    if (n <= 0) break;
    pending.erase(0, static_cast<size_t>(n));
  }
  // A client that never reads must not make the simulator hoard its replies.
  if (pending.size() > kMaxPendingOut) pending.erase(0, pending.size() - kMaxPendingOut);
}

void ReadInput(int master, ksim::ControllerSim& sim) {
  char buf[512];
  for (;;) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    sim.Receive(std::string_view(buf, static_cast<size_t>(n)), NowUs());
  }
}

// Serves the terminal until a signal arrives on sigFd.
int Serve(int master, int sigFd, ksim::ControllerSim& sim) {
  std::string pending;
  for (;;) {
    const int64_t now = NowUs();
    pending += sim.TakeDue(now);
    Flush(master, pending);
    const auto next = sim.NextDueUs();
    timespec wait{};
    const int64_t waitUs = next ? std::max<int64_t>(0, *next - now) : 0;
    wait.tv_sec = waitUs / 1'000'000;
    wait.tv_nsec = (waitUs % 1'000'000) * 1000;
    pollfd fds[2] = {{master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0},
                     {sigFd, POLLIN, 0}};
    const bool sleepForever = !next && pending.empty();
    const int r = ppoll(fds, 2, sleepForever ? nullptr : &wait, nullptr);
    if (r < 0 && errno != EINTR) {
      std::perror("kelvorin-sim: poll");
      return 1;
    }
    if (fds[1].revents & POLLIN) return 0;
    if (fds[0].revents & POLLIN) ReadInput(master, sim);
    if (fds[0].revents & (POLLERR | POLLNVAL)) {
      std::fprintf(stderr, "kelvorin-sim: the terminal failed\n");
      return 1;
    }
  }
}

bool MakeLink(const std::string& link, const std::string& device, std::string& error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(link.c_str());
  if (symlink(device.c_str(), link.c_str()) == 0) return true;
  error = "cannot make the link " + link + ": " + std::strerror(errno);
  return false;
}

void RemoveLink(const std::string& link, const std::string& device) {
  char target[4096];
  const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n > 0 && std::string_view(target, static_cast<size_t>(n)) == device) unlink(link.c_str());
}

int SignalFd() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
  return signalfd(-1, &set, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
  CliOptions cli;
  std::string error;
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!ParseArgs(argc, argv, cli, error)) {
    std::fprintf(stderr, "kelvorin-sim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  std::FILE* log = nullptr;
  if (!cli.logPath.empty() && !(log = std::fopen(cli.logPath.c_str(), "w"))) {
    std::fprintf(stderr, "kelvorin-sim: cannot write %s: %s\n", cli.logPath.c_str(),
                 std::strerror(errno));
    return 1;
  }
  const int sigFd = SignalFd();
  Pty pty;
  if (sigFd < 0 || !pty.Open(error)) {
    std::fprintf(stderr, "kelvorin-sim: %s\n", sigFd < 0 ? std::strerror(errno) : error.c_str());
    return 1;
  }
  if (!cli.link.empty() && !MakeLink(cli.link, pty.device, error)) {
    std::fprintf(stderr, "kelvorin-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("PORT %s\n", pty.device.c_str());
  std::fflush(stdout);

  ksim::ControllerSim sim(cli.sim);
  if (log) {
    sim.SetLogSink([log](const std::string& line) {
      std::fprintf(log, "%s\n", line.c_str());
      std::fflush(log);
    });
  }
  const int rc = Serve(pty.master, sigFd, sim);
  if (!cli.link.empty()) RemoveLink(cli.link, pty.device);
  if (log) std::fclose(log);
  close(sigFd);
  return rc;
}
