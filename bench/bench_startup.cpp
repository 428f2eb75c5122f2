// How soon a client gets its first answer from a kelvorin that it starts: from the start
// of the process to the answer to "Ver" through the socket, with the controller a
// kelvorin-sim on a pseudo-terminal (9600-baud wire time on) at address 1, so that the
// start-up probe of the EZHR17 meets 14 silent addresses. Repeated for several
// PORTTIMEOUT settings.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

#include "BenchSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_startup [--runs N] [--family EZHR17|IM483I] [--timeouts MS,MS,...]\n"
    "  Times a kelvorin start to the first answer on its socket, on a kelvorin-sim over a\n"
    "  pty, for each PORTTIMEOUT given (default 30,100,300); prints the median of N runs\n"
    "  (default 3). Goal: under 1 s for every PORTTIMEOUT up to 300 ms.\n";

struct Options {
  int runs = 3;
  QString family = "EZHR17";
  std::vector<int> timeouts{30, 100, 300};
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      o.runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--family" && i + 1 < argc) {
      o.family = argv[++i];
    } else if (arg == "--timeouts" && i + 1 < argc) {
      o.timeouts.clear();
      for (const auto& t : QString(argv[++i]).split(',')) o.timeouts.push_back(t.toInt());
    } else {
      return false;
    }
  }
  return o.family == "EZHR17" || o.family == "IM483I";
}

// Seconds from the start of kelvorin to its first answer; negative on failure.
double FirstAnswer(const Options& o, int timeoutMs) {
  QTemporaryDir dir;
  const QString tty = dir.filePath("tty");
  bench::Sim sim(o.family, tty, dir.filePath("sim.log"));
  if (!sim.ok()) return -1;
  bench::WriteSettings(
      dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\"," + QString::number(timeoutMs),
                   "\"MOVETIMEOUT\",30", "\"WAITPOLLINGINTERVAL\",50", "\"CONTRTYPE\"," + o.family,
                   "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + tty});
  const QString socketPath = dir.filePath("k.sock");
  const auto t0 = bench::Clk::now();
  bench::Server server(dir.path(), socketPath);
  const int sock = bench::ConnectSocket(socketPath);
  std::string answer;
  const bool ok = sock >= 0 && bench::Exchange(sock, "Ver\n", &answer, 20000) >= 0;
  const auto t1 = bench::Clk::now();
  if (sock >= 0) ::close(sock);
  return ok ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return bench::Usage(argc, argv, kUsage);
  QCoreApplication app(argc, argv);
  std::printf("start to first answer (%s on a pty, 9600 baud), %d runs, medians\n",
              qPrintable(o.family), o.runs);
  for (const int timeout : o.timeouts) {
    std::vector<double> seconds;
    for (int i = 0; i < o.runs; ++i) {
      const double s = FirstAnswer(o, timeout);
      if (s < 0) {
        std::fprintf(stderr, "bench_startup: no answer (PORTTIMEOUT %d)\n", timeout);
        return 1;
      }
      seconds.push_back(s);
    }
    std::printf("  PORTTIMEOUT %4d ms: %5.2f s   (goal < 1 s)\n", timeout, bench::Median(seconds));
  }
  return 0;
}
