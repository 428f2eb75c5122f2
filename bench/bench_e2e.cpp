// The typical request end to end against the wire alone and against the floor of any
// socket design: "Z ?" through the automation socket to a headless kelvorin whose
// controller is a kelvorin-sim on a pseudo-terminal (9600 baud wire time on), against a
// direct exchange of the same bytes with a second, identical simulator, and against a
// bare relay (one poll loop that copies socket bytes to the port of a third simulator
// and the reply back). The three alternate; the figures are medians of the per-round
// ratios (1.00: the program adds nothing).
#include <sys/socket.h>
#include <sys/un.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_e2e [--pairs N] [--family EZHR17|IM483I]\n"
    "  Times \"Z ?\" through the socket to kelvorin on a kelvorin-sim against a direct\n"
    "  exchange of the same bytes with a second simulator and against a bare relay to a\n"
    "  third, in turn; prints the medians, the added microseconds and the medians of\n"
    "  the per-round ratios. Default: 200 rounds, EZHR17. Goal: kelvorin / relay at\n"
    "  most 1.005.\n";
constexpr int kWarmUp = 20;

struct Options {
  int pairs = 200;
  QString family = "EZHR17";
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--pairs" && i + 1 < argc) {
      o.pairs = std::atoi(argv[++i]);
      if (o.pairs < 1) return false;
    } else if (arg == "--family" && i + 1 < argc) {
      o.family = argv[++i];
      if (o.family != "EZHR17" && o.family != "IM483I") return false;
    } else {
      return false;
    }
  }
  return true;
}

// The bare relay: serves one client on a Unix-domain socket and copies whatever comes
// from it to the tty and whatever comes from the tty back, in one poll loop.
int RunRelay(const char* socketPath, const char* ttyPath) {
  const int tty = bench::OpenTty(ttyPath);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socketPath, sizeof addr.sun_path - 1);
  if (tty < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener, 1) != 0)
    return 1;
  const int client = ::accept(listener, nullptr, nullptr);
  char buf[4096];
  pollfd fds[2] = {{client, POLLIN, 0}, {tty, POLLIN, 0}};
  while (::poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n <= 0 || ::write(fds[1 - i].fd, buf, size_t(n)) != n) return 0;
    }
  }
  return 0;
}

// Alternates the three ways; each round starts with another one.
struct Rounds {
  std::vector<double> program, direct, relay;
};

bool Measure(int rounds, int sock, int tty, int relay, const std::string& request,
             const std::string& wire, Rounds& r) {
  for (int i = 0; i < rounds; ++i) {
    double t[3];
    for (int k = 0; k < 3; ++k) {
      const int way = (i + k) % 3;
      t[way] = way == 0 ? bench::Exchange(sock, request)
                        : bench::Exchange(way == 1 ? tty : relay, wire);
      if (t[way] < 0) return false;
    }
    r.program.push_back(t[0]);
    r.direct.push_back(t[1]);
    r.relay.push_back(t[2]);
  }
  return true;
}

void Report(const Options& o, const std::string& wire, const Rounds& r, int linesPerRequest) {
  const auto ratio = [](const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> q(a.size());
    for (size_t i = 0; i < a.size(); ++i) q[i] = a[i] / b[i];
    return bench::Median(q);
  };
  const auto added = [](const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> d(a.size());
    for (size_t i = 0; i < a.size(); ++i) d[i] = a[i] - b[i];
    return bench::Median(d);
  };
  std::printf("\"Z ?\" (%s, wire %s), %zu rounds\n", qPrintable(o.family),
              wire == "/1?0\r" ? "\"/1?0\\r\"" : "\"1Z\\n\"", r.program.size());
  std::printf("  through kelvorin:   median %7.0f us\n", bench::Median(r.program));
  std::printf("  through the relay:  median %7.0f us\n", bench::Median(r.relay));
  std::printf("  direct exchange:    median %7.0f us\n", bench::Median(r.direct));
  std::printf("  added by kelvorin over the relay: median %5.0f us; over the wire: %5.0f us\n",
              added(r.program, r.relay), added(r.program, r.direct));
  std::printf("  ratio kelvorin / relay:  %.3f   (goal <= 1.005)\n", ratio(r.program, r.relay));
  std::printf("  ratio kelvorin / direct: %.3f;  relay / direct: %.3f\n",
              ratio(r.program, r.direct), ratio(r.relay, r.direct));
  if (linesPerRequest != 1)
    std::printf("  note: each request sent %d command lines to the controller\n",
                linesPerRequest);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && !std::strcmp(argv[1], "--relay")) return RunRelay(argv[2], argv[3]);
  Options o;
  if (!ParseArgs(argc, argv, o)) return bench::Usage(argc, argv, kUsage);
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString ttyA = dir.filePath("ttyA"), ttyB = dir.filePath("ttyB");
  const QString ttyC = dir.filePath("ttyC"), logA = dir.filePath("simA.log");
  const QStringList limits{"--lower-limit", "-1600", "--upper-limit", "160000"};
  bench::Sim served(o.family, ttyA, logA, limits);
  bench::Sim direct(o.family, ttyB, dir.filePath("simB.log"), limits);
  bench::Sim relayed(o.family, ttyC, dir.filePath("simC.log"), limits);
  if (!served.ok() || !direct.ok() || !relayed.ok()) {
    std::fprintf(stderr, "bench_e2e: kelvorin-sim did not start\n");
    return 1;
  }
  bench::WriteSettings(dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",30",
                                    "\"WAITPOLLINGINTERVAL\",50", "\"CONTRTYPE\"," + o.family,
                                    "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + ttyA});
  const QString socketPath = dir.filePath("k.sock"), relayPath = dir.filePath("r.sock");
  bench::Server server(dir.path(), socketPath);
  QProcess relayProc;
  relayProc.start(QCoreApplication::applicationFilePath(), {"--relay", relayPath, ttyC});
  const int sock = bench::ConnectSocket(socketPath);
  const int relay = bench::ConnectSocket(relayPath);
  const int tty = bench::OpenTty(ttyB);
  const std::string request = "Z ?\n";
  const std::string wire = o.family == "EZHR17" ? "/1?0\r" : "1Z\n";
  std::string answer;
  if (sock < 0 || tty < 0 || relay < 0 || bench::Exchange(sock, request, &answer) < 0 ||
      answer.find("Error") != std::string::npos || answer.find("Off") != std::string::npos) {
    std::fprintf(stderr, "bench_e2e: no answer to \"Z ?\" (%s)\n", answer.c_str());
    relayProc.kill();
    relayProc.waitForFinished(3000);
    return 1;
  }
  for (int i = 0; i < kWarmUp; ++i)
    bench::Exchange(sock, request), bench::Exchange(tty, wire), bench::Exchange(relay, wire);

  const int linesBefore = bench::ReceivedLines(logA);
  Rounds r;
  if (!Measure(o.pairs, sock, tty, relay, request, wire, r))
    std::fprintf(stderr, "bench_e2e: an exchange failed\n");
  const int linesPerRequest =
      r.program.empty() ? 0 : (bench::ReceivedLines(logA) - linesBefore) / int(r.program.size());
  ::close(sock);
  ::close(tty);
  ::close(relay);
  relayProc.waitForFinished(3000);
  if (r.program.empty()) return 1;
  Report(o, wire, r, linesPerRequest);
  return 0;
}
