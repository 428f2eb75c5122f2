// The typical request end to end against the wire alone: "Z ?" through the automation
// socket to a headless kelvorin whose controller is a kelvorin-sim on a pseudo-terminal
// (9600 baud wire time on), against a direct exchange of the same bytes with a second,
// identical simulator. The two alternate; the figure is the median of the per-pair
// ratios (1.00: the program adds nothing to the wire time).
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "integration/Programs.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_e2e [--pairs N] [--family EZHR17|IM483I]\n"
    "  Times \"Z ?\" through the socket to kelvorin on a kelvorin-sim against a direct\n"
    "  exchange of the same bytes with a second simulator, alternating; prints the\n"
    "  medians and the median of the per-pair ratios. Default: 200 pairs, EZHR17.\n";
constexpr int kWarmUp = 20;
const QString kBinDir = QStringLiteral(KELVORIN_BIN_DIR);

using Clk = std::chrono::steady_clock;

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


// Reads from fd until an LF has come (kept in `got`); false on time-out or error.
bool ReadLine(int fd, std::string& got) {
  char buf[256];
  while (got.find('\n') == std::string::npos) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 2000) <= 0) return false;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return false;
    got.append(buf, size_t(n));
  }
  return true;
}

// One exchange on fd: the bytes out, a line back. Microseconds; negative on failure.
double Exchange(int fd, const std::string& out, std::string* answer = nullptr) {
  std::string got;
  const auto t0 = Clk::now();
  if (::write(fd, out.data(), out.size()) != ssize_t(out.size()) || !ReadLine(fd, got))
    return -1;
  const double us = std::chrono::duration<double, std::micro>(Clk::now() - t0).count();
  if (answer) *answer = got;
  return us;
}

int OpenTty(const QString& path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  termios tio{};
  if (fd < 0 || ::tcgetattr(fd, &tio) != 0) return -1;
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  tio.c_cflag |= CLOCAL | CREAD;
  return ::tcsetattr(fd, TCSANOW, &tio) == 0 ? fd : -1;
}

int ConnectSocket(const QString& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const QByteArray p = path.toLocal8Bit();
  if (size_t(p.size()) >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
  for (int i = 0; i < 400; ++i) {  // until the server listens (20 s)
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    ::close(fd);
    QThread::msleep(50);
  }
  return -1;
}

void WriteSettings(const QString& dir, const QString& family, const QString& tty) {
  programs::WriteSettings(dir, {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",30",
                                "\"WAITPOLLINGINTERVAL\",50", "\"CONTRTYPE\"," + family,
                                "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + tty});
}

int CommandLines(const QString& log) {
  QFile f(log);
  f.open(QIODevice::ReadOnly);
  return int(f.readAll().count("\n> "));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) {
    const bool help = argc > 1 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"));
    std::fputs(kUsage, help ? stdout : stderr);
    return help ? 0 : 2;
  }
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString ttyA = dir.filePath("ttyA"), ttyB = dir.filePath("ttyB");
  const QString logA = dir.filePath("simA.log");
  const QStringList limits{"--lower-limit", "-1600", "--upper-limit", "160000"};
  programs::Sim served(o.family, ttyA, logA, limits);
  programs::Sim direct(o.family, ttyB, dir.filePath("simB.log"), limits);
  if (!served.ok() || !direct.ok()) {
    std::fprintf(stderr, "bench_e2e: kelvorin-sim did not start\n");
    return 1;
  }
  WriteSettings(dir.path(), o.family, ttyA);
  const QString socketPath = dir.filePath("k.sock");
  QProcess server;
  server.setStandardOutputFile(QProcess::nullDevice());
  server.setStandardErrorFile(QProcess::nullDevice());
  server.start(kBinDir + "/kelvorin", {"-platform", "offscreen", "--automation", "--socket",
                                       socketPath, "--dir", dir.path()});
  const int sock = server.waitForStarted(10000) ? ConnectSocket(socketPath) : -1;
  const int tty = OpenTty(ttyB);
  const std::string request = "Z ?\n";
  const std::string wire = o.family == "EZHR17" ? "/1?0\r" : "1Z\n";
  std::string answer;
  if (sock < 0 || tty < 0 || Exchange(sock, request, &answer) < 0 ||
      answer.find("Error") != std::string::npos || answer.find("Off") != std::string::npos) {
    std::fprintf(stderr, "bench_e2e: no answer to \"Z ?\" (%s)\n", answer.c_str());
    server.kill();
    server.waitForFinished(5000);
    return 1;
  }
  for (int i = 0; i < kWarmUp; ++i) Exchange(sock, request), Exchange(tty, wire);

  const int linesBefore = CommandLines(logA);
  std::vector<double> viaSocket, viaWire, ratios;
  for (int i = 0; i < o.pairs; ++i) {
    const bool socketFirst = i % 2 == 0;
    const double a = socketFirst ? Exchange(sock, request) : Exchange(tty, wire);
    const double b = socketFirst ? Exchange(tty, wire) : Exchange(sock, request);
    const double s = socketFirst ? a : b, w = socketFirst ? b : a;
    if (s < 0 || w < 0) {
      std::fprintf(stderr, "bench_e2e: an exchange failed\n");
      break;
    }
    viaSocket.push_back(s);
    viaWire.push_back(w);
    ratios.push_back(s / w);
  }
  const int linesPerRequest =
      viaSocket.empty() ? 0 : (CommandLines(logA) - linesBefore) / int(viaSocket.size());
  ::close(sock);
  ::close(tty);
  server.kill();
  server.waitForFinished(5000);
  if (ratios.empty()) return 1;

  std::printf("\"Z ?\" (%s, wire %s), %zu pairs\n", qPrintable(o.family),
              wire == "/1?0\r" ? "\"/1?0\\r\"" : "\"1Z\\n\"", ratios.size());
  std::printf("  through the socket: median %7.0f us\n", Median(viaSocket));
  std::printf("  direct exchange:    median %7.0f us\n", Median(viaWire));
  std::vector<double> added(viaSocket.size());
  for (size_t i = 0; i < added.size(); ++i) added[i] = viaSocket[i] - viaWire[i];
  std::printf("  added by the program: median %5.0f us\n", Median(added));
  std::printf("  ratio (median of the pairs): %.3f\n", Median(ratios));
  if (linesPerRequest != 1)
    std::printf("  note: each request sent %d command lines to the controller\n",
                linesPerRequest);
  return 0;
}
