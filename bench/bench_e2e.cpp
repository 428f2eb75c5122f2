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
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_e2e [--pairs N] [--family EZHR17|IM483I] [--compare BINDIR]\n"
    "  Times \"Z ?\" through the socket to kelvorin on a kelvorin-sim against a direct\n"
    "  exchange of the same bytes with a second simulator and against a bare relay to a\n"
    "  third, in turn; prints the medians, the added microseconds and the medians of\n"
    "  the per-round ratios. --compare adds the kelvorin of another build's bin folder\n"
    "  (on a fourth simulator) to the same rounds. Default: 200 rounds, EZHR17. Goal:\n"
    "  kelvorin / relay at most 1.005.\n";
constexpr int kWarmUp = 20;

struct Options {
  int pairs = 200;
  QString family = "EZHR17";
  QString compare;  // another build's bin folder, or empty
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
    } else if (arg == "--compare" && i + 1 < argc) {
      o.compare = argv[++i];
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

// One way of sending the request: a descriptor, the bytes for it, its times.
struct Way {
  int fd;
  std::string request;
  std::vector<double> us;
};

// Alternates the ways; each round starts with another one.
bool Measure(int rounds, std::vector<Way>& ways) {
  const size_t n = ways.size();
  for (int i = 0; i < rounds; ++i) {
    for (size_t k = 0; k < n; ++k) {
      Way& way = ways[(size_t(i) + k) % n];
      const double t = bench::Exchange(way.fd, way.request);
      if (t < 0) return false;
      way.us.push_back(t);
    }
  }
  return true;
}

double MedianRatio(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> q(a.size());
  for (size_t i = 0; i < a.size(); ++i) q[i] = a[i] / b[i];
  return bench::Median(q);
}

double MedianAdded(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> d(a.size());
  for (size_t i = 0; i < a.size(); ++i) d[i] = a[i] - b[i];
  return bench::Median(d);
}

// A kelvorin's figures against the relay and the wire.
void ReportProgram(const char* name, const Way& program, const Way& direct, const Way& relay) {
  std::printf("  %s: median %7.0f us\n", name, bench::Median(program.us));
  std::printf("    added over the relay: median %5.0f us; over the wire: %5.0f us\n",
              MedianAdded(program.us, relay.us), MedianAdded(program.us, direct.us));
  std::printf("    ratio kelvorin / relay:  %.3f   (goal <= 1.005)\n",
              MedianRatio(program.us, relay.us));
  std::printf("    ratio kelvorin / direct: %.3f\n", MedianRatio(program.us, direct.us));
}

// ways: kelvorin, direct, relay, and the compared kelvorin when there is one.
void Report(const Options& o, const std::vector<Way>& ways, int linesPerRequest) {
  const Way &program = ways[0], &direct = ways[1], &relay = ways[2];
  std::printf("\"Z ?\" (%s, wire %s), %zu rounds\n", qPrintable(o.family),
              direct.request == "/1?0\r" ? "\"/1?0\\r\"" : "\"1Z\\n\"", program.us.size());
  std::printf("  through the relay:  median %7.0f us\n", bench::Median(relay.us));
  std::printf("  direct exchange:    median %7.0f us\n", bench::Median(direct.us));
  std::printf("  ratio relay / direct: %.3f\n", MedianRatio(relay.us, direct.us));
  ReportProgram("through kelvorin", program, direct, relay);
  if (ways.size() > 3) {
    ReportProgram(qPrintable("through " + o.compare + "/kelvorin"), ways[3], direct, relay);
    std::printf("  ratio kelvorin / %s/kelvorin: %.3f\n", qPrintable(o.compare),
                MedianRatio(program.us, ways[3].us));
  }
  if (linesPerRequest != 1)
    std::printf("  note: each request sent %d command lines to the controller\n", linesPerRequest);
}

}  // namespace

// A kelvorin (of binDir) serving a simulator on its own tty, in its own settings folder.
struct Served {
  Served(const Options& o, const QString& binDir, const QString& dir, const QStringList& limits)
      : sim(o.family, dir + "/tty", dir + "/sim.log", limits) {
    bench::WriteSettings(dir, {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",30",
                               "\"WAITPOLLINGINTERVAL\",50", "\"CONTRTYPE\"," + o.family,
                               "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + dir + "/tty"});
    if (sim.ok()) server = std::make_unique<bench::Server>(dir, dir + "/k.sock", binDir);
    sock = sim.ok() ? bench::ConnectSocket(dir + "/k.sock") : -1;
  }
  ~Served() {
    if (sock >= 0) ::close(sock);
  }
  // The first answer: a position, neither an error nor "Off".
  bool Answers(const std::string& request) const {
    std::string answer;
    return sock >= 0 && bench::Exchange(sock, request, &answer) >= 0 &&
           answer.find("Error") == std::string::npos && answer.find("Off") == std::string::npos;
  }
  bench::Sim sim;
  std::unique_ptr<bench::Server> server;
  int sock = -1;
};

int main(int argc, char** argv) {
  if (argc == 4 && !std::strcmp(argv[1], "--relay")) return RunRelay(argv[2], argv[3]);
  Options o;
  if (!ParseArgs(argc, argv, o)) return bench::Usage(argc, argv, kUsage);
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString ttyB = dir.filePath("ttyB"), ttyC = dir.filePath("ttyC");
  const QStringList limits{"--lower-limit", "-1600", "--upper-limit", "160000"};
  QDir(dir.path()).mkdir("a");
  QDir(dir.path()).mkdir("d");
  Served served(o, bench::BinDir(), dir.filePath("a"), limits);
  std::unique_ptr<Served> compared;
  if (!o.compare.isEmpty())
    compared = std::make_unique<Served>(o, o.compare, dir.filePath("d"), limits);
  bench::Sim direct(o.family, ttyB, dir.filePath("simB.log"), limits);
  bench::Sim relayed(o.family, ttyC, dir.filePath("simC.log"), limits);
  if (!served.sim.ok() || !direct.ok() || !relayed.ok() || (compared && !compared->sim.ok())) {
    std::fprintf(stderr, "bench_e2e: kelvorin-sim did not start\n");
    return 1;
  }
  const QString relayPath = dir.filePath("r.sock");
  QProcess relayProc;
  relayProc.start(QCoreApplication::applicationFilePath(), {"--relay", relayPath, ttyC});
  const int relay = bench::ConnectSocket(relayPath);
  const int tty = bench::OpenTty(ttyB);
  const std::string request = "Z ?\n";
  const std::string wire = o.family == "EZHR17" ? "/1?0\r" : "1Z\n";
  if (tty < 0 || relay < 0 || !served.Answers(request) ||
      (compared && !compared->Answers(request))) {
    std::fprintf(stderr, "bench_e2e: no answer to \"Z ?\"\n");
    relayProc.kill();
    relayProc.waitForFinished(3000);
    return 1;
  }
  std::vector<Way> ways{{served.sock, request, {}}, {tty, wire, {}}, {relay, wire, {}}};
  if (compared) ways.push_back({compared->sock, request, {}});
  for (int i = 0; i < kWarmUp; ++i)
    for (const Way& way : ways) bench::Exchange(way.fd, way.request);

  const QString logA = dir.filePath("a/sim.log");
  const int linesBefore = bench::ReceivedLines(logA);
  if (!Measure(o.pairs, ways)) std::fprintf(stderr, "bench_e2e: an exchange failed\n");
  const size_t done = ways.back().us.size();
  for (Way& way : ways) way.us.resize(done);  // whole rounds only
  const int linesPerRequest = done == 0 ? 0
                                        : (bench::ReceivedLines(logA) - linesBefore) /
                                              int(ways[0].us.size());
  ::close(tty);
  ::close(relay);
  relayProc.waitForFinished(3000);
  if (done == 0) return 1;
  Report(o, ways, linesPerRequest);
  return 0;
}
