// Memory under large requests: N clients connect to a headless kelvorin (built-in
// simulated controller) and each sends one request line of 1 MiB at the same moment.
// Prints kelvorin's resident memory when idle, its peak while the lines are served, and
// what it keeps once every line is answered while the connections stay open.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <thread>

#include "BenchSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_memory [--clients N]\n"
    "  N clients (default 32) each send one 1 MiB request line at once to a headless\n"
    "  kelvorin; prints its resident memory idle, at the peak and after the answers\n"
    "  (connections still open). Goal: peak under 80 MiB for 32 clients; after the\n"
    "  answers within 5 MiB of idle.\n";
constexpr size_t kLineBytes = 1024 * 1024;

bool ParseArgs(int argc, char** argv, int& clients) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--clients" && i + 1 < argc) clients = std::atoi(argv[++i]);
    else return false;
  }
  return clients > 0;
}

// Sends the whole line, then reads the answer; the connection stays open.
void SendLine(int fd, const std::string& line, bool& answered) {
  size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = ::write(fd, line.data() + sent, line.size() - sent);
    if (n <= 0) return;
    sent += size_t(n);
  }
  std::string answer;
  answered = bench::ReadLine(fd, answer, 60000);
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 32;
  if (!ParseArgs(argc, argv, clients)) return bench::Usage(argc, argv, kUsage);
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  bench::WriteSettings(dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\",30", "\"MOVETIMEOUT\",30",
                                    "\"WAITPOLLINGINTERVAL\",50", "\"CONTRTYPE\",EZHR17",
                                    "\"Z_INSTALLED\",1", "\"MPORTNAME\",sim:EZHR17:nowire"});
  const QString socketPath = dir.filePath("k.sock");
  bench::Server server(dir.path(), socketPath);
  std::vector<int> fds;
  for (int i = 0; i < clients; ++i) fds.push_back(bench::ConnectSocket(socketPath));
  std::string answer;
  if (fds.front() < 0 || bench::Exchange(fds.front(), "Ver\n", &answer, 20000) < 0) {
    std::fprintf(stderr, "bench_memory: kelvorin does not answer\n");
    return 1;
  }
  QThread::msleep(300);
  const double idle = bench::StatusMiB(server.Pid(), "VmRSS");
  const double peakBefore = bench::StatusMiB(server.Pid(), "VmHWM");
  // A request of 1 MiB that the dispatcher answers briefly: "Ver" and blanks.
  std::string line = "Ver" + std::string(kLineBytes - 3, ' ');
  line += '\n';
  std::vector<std::thread> threads;
  std::vector<char> answered(fds.size(), 0);
  for (size_t i = 0; i < fds.size(); ++i)
    threads.emplace_back([&, i] {
      bool ok = false;
      SendLine(fds[i], line, ok);
      answered[i] = ok;
    });
  for (auto& t : threads) t.join();
  const int got = int(std::count(answered.begin(), answered.end(), 1));
  QThread::msleep(500);
  const double after = bench::StatusMiB(server.Pid(), "VmRSS");
  const double peak = bench::StatusMiB(server.Pid(), "VmHWM");
  for (const int fd : fds) ::close(fd);
  std::printf("%d clients x one 1 MiB line at once (%d answered)\n", clients, got);
  std::printf("  resident idle:          %6.1f MiB (peak before: %.1f)\n", idle, peakBefore);
  std::printf("  peak while serving:     %6.1f MiB   (goal < 80 MiB for 32 clients)\n", peak);
  std::printf("  after the answers:      %6.1f MiB   (%+.1f; goal within 5 MiB of idle)\n", after,
              after - idle);
  return got == clients ? 0 : 1;
}
