// Serial link costs over a pseudo-terminal: software overhead per command/reply exchange
// (COMM + QtSerialPort, a controller thread answering at once on the master side), and
// the CPU time that waiting costs (a long delay, silent-controller time-outs).
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "controller/COMM.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtSerialPort.h"

namespace {

using Clk = std::chrono::steady_clock;

double ThreadCpuMs() {
  rusage ru{};
  getrusage(RUSAGE_THREAD, &ru);
  return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

double Ms(Clk::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The controller: reads command lines ending in CR from the master side and, unless
// silent, answers each with an EZHR17-style reply at once.
class Controller {
 public:
  explicit Controller(int master) : master_(master), thread_([this] { Run(); }) {}
  ~Controller() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<bool> silent{false};

 private:
  void Run() {
    std::string line;
    char buf[256];
    while (!stop_) {
      pollfd pfd{master_, POLLIN, 0};
      if (::poll(&pfd, 1, 50) <= 0) continue;
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] != '\r') {
          line += buf[i];
          continue;
        }
        line.clear();
        static const char kReply[] = "/0`1234\x03\r\n";
        if (!silent && ::write(master_, kReply, sizeof kReply - 1) < 0) return;
      }
    }
  }
  int master_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void ExchangeOverhead(COMM& comm, int count, const char* label) {
  std::vector<double> us;
  us.reserve(count);
  std::string reply;
  int failures = 0;
  const auto all = Clk::now();
  for (int i = 0; i < count; ++i) {
    const auto t0 = Clk::now();
    failures += comm.CommOutIn2("/1?0", reply) != 1;
    us.push_back(Ms(Clk::now() - t0) * 1e3);
  }
  const double totalMs = Ms(Clk::now() - all);
  std::sort(us.begin(), us.end());
  std::printf("%s exchanges: %d (failed %d)\n", label, count, failures);
  std::printf("  per exchange: median %.1f us, p99 %.1f us, max %.1f us\n", us[us.size() / 2],
              us[us.size() * 99 / 100], us.back());
  std::printf("  exchanges per second: %.0f\n", count / (totalMs / 1e3));
}

void DelayCost(COMM& comm, int ms) {
  const double cpu0 = ThreadCpuMs();
  const auto t0 = Clk::now();
  comm.Delay().DelayMs(ms);
  std::printf("DelayMs(%d): wall %.1f ms, CPU %.2f ms\n", ms, Ms(Clk::now() - t0),
              ThreadCpuMs() - cpu0);
}

void SilentTimeOuts(COMM& comm, Controller& controller, int timeoutMs, int count) {
  controller.silent = true;
  comm.CommSetTimeout(static_cast<int16_t>(timeoutMs));
  std::string reply;
  const double cpu0 = ThreadCpuMs();
  const auto t0 = Clk::now();
  for (int i = 0; i < count; ++i) comm.CommOutIn2("/1Q", reply);
  std::printf("%d silent time-outs at %d ms: wall %.1f ms, CPU %.2f ms\n", count, timeoutMs,
              Ms(Clk::now() - t0), ThreadCpuMs() - cpu0);
  controller.silent = false;
}

constexpr const char* kUsage =
    "usage: bench_link [COUNT]\n"
    "  Times COUNT (default 5000) command/reply exchanges of the serial link over a\n"
    "  pseudo-terminal, the CPU time of a long delay and of silent-controller time-outs.\n";

// The number of exchanges; 0 after --help, -1 for anything else that is no count.
int ParseCount(int argc, char** argv) {
  if (argc < 2) return 5000;
  if (argc > 2) return -1;
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) return 0;
  char* end = nullptr;
  const long n = std::strtol(argv[1], &end, 10);
  return *end == '\0' && n >= 1 && n <= 10000000 ? int(n) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = ParseCount(argc, argv);
  if (count <= 0) {
    std::fputs(kUsage, count == 0 ? stdout : stderr);
    return count == 0 ? 0 : 2;
  }
  QCoreApplication app(argc, argv);
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    std::perror("pty");
    return 1;
  }
  termios raw{};
  ::tcgetattr(master, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(master, TCSANOW, &raw);

  SystemClock clock;
  QtSerialPort port;
  COMM comm(port, clock);
  comm.CommInit();
  comm.CommSetOutTerm(13);
  comm.CommSetInTerm(13);
  comm.CommSetInTerm2(10);
  comm.CommSetPortName(::ptsname(master));
  if (!comm.CommOpenPort(1)) {
    std::fprintf(stderr, "open failed: %s", comm.CommGetLog().c_str());
    return 1;
  }
  Controller controller(master);

  ExchangeOverhead(comm, 200, "warm-up");
  ExchangeOverhead(comm, count, "measured");
  DelayCost(comm, 3000);
  SilentTimeOuts(comm, controller, 200, 3);
  comm.CommClosePort();
  ::close(master);
  return 0;
}
