#pragma once
// What the process benchmarks share: the programs to start (KELVORIN_BENCH_BIN names
// another build's bin folder, to measure it side by side), a simulator on a pty, a
// headless kelvorin, blocking exchanges on a descriptor, and a process's CPU and memory
// as the kernel counts them.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/SimProcess.h"

namespace bench {

using Clk = std::chrono::steady_clock;

// Arguments that did not parse: the usage on standard output for --help or -h (status
// 0), else on standard error (status 2).
inline int Usage(int argc, char** argv, const char* usage) {
  const bool help = argc > 1 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"));
  std::fputs(usage, help ? stdout : stderr);
  return help ? 0 : 2;
}

inline QString BinDir() {
  const char* other = std::getenv("KELVORIN_BENCH_BIN");
  return (other && *other) ? QString::fromLocal8Bit(other) : QStringLiteral(KELVORIN_BIN_DIR);
}

// A settings folder: the shipped files, with ST_CONFIG.TXT replaced by the given lines.
inline void WriteSettings(const QString& dir, const QStringList& configLines) {
  const QString shipped = QStringLiteral(KELVORIN_BIN_DIR);
  for (const char* f : {"ST_PARZ.TXT", "ST_SYMCONST.TXT", "ST_JOYCMDS.TXT", "ST_JOY.TXT"})
    QFile::copy(shipped + "/" + f, dir + "/" + f);
  QFile config(dir + "/ST_CONFIG.TXT");
  config.open(QIODevice::WriteOnly | QIODevice::Truncate);
  for (const auto& line : configLines) config.write((line + "\r\n").toLatin1());
}

// kelvorin-sim (of the measured build) on a pty linked at `link`.
class Sim : public SimProcess {
 public:
  Sim(const QString& family, const QString& link, const QString& log, const QStringList& extra = {})
      : SimProcess(BinDir() + "/kelvorin-sim", family, link, log, extra) {}
};

// A headless kelvorin for clients on `socket` (the one of binDir when given).
class Server {
 public:
  Server(const QString& dir, const QString& socket, const QString& binDir = BinDir()) {
    proc_.setStandardOutputFile(QProcess::nullDevice());
    proc_.setStandardErrorFile(QProcess::nullDevice());
    proc_.start(binDir + "/kelvorin",
                {"-platform", "offscreen", "--automation", "--socket", socket, "--dir", dir});
    proc_.waitForStarted(10000);
  }
  ~Server() {
    proc_.kill();
    proc_.waitForFinished(5000);
  }
  qint64 Pid() const { return proc_.processId(); }

 private:
  QProcess proc_;
};

// Connects to a Unix-domain socket, retrying for up to tries × 5 ms; -1 when nothing answers.
inline int ConnectSocket(const QString& path, int tries = 4000) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const QByteArray p = path.toLocal8Bit();
  if (size_t(p.size()) >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
  for (int i = 0; i < tries; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    ::close(fd);
    QThread::usleep(5000);
  }
  return -1;
}

// A pty end in raw mode at 9600 baud.
inline int OpenTty(const QString& path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  termios tio{};
  if (fd < 0 || ::tcgetattr(fd, &tio) != 0) return -1;
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  tio.c_cflag |= CLOCAL | CREAD;
  return ::tcsetattr(fd, TCSANOW, &tio) == 0 ? fd : -1;
}

// Reads from fd until an LF has come (kept in `got`); false on time-out or error.
inline bool ReadLine(int fd, std::string& got, int timeoutMs = 2000) {
  char buf[4096];
  while (got.find('\n') == std::string::npos) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return false;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return false;
    got.append(buf, size_t(n));
  }
  return true;
}

// One exchange on fd: the bytes out, a line back. Microseconds; negative on failure.
inline double Exchange(int fd, const std::string& out, std::string* answer = nullptr,
                       int timeoutMs = 2000) {
  std::string got;
  const auto t0 = Clk::now();
  if (::write(fd, out.data(), out.size()) != ssize_t(out.size()) || !ReadLine(fd, got, timeoutMs))
    return -1;
  const double us = std::chrono::duration<double, std::micro>(Clk::now() - t0).count();
  if (answer) *answer = got;
  return us;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// User plus system CPU seconds of a running process (all its threads).
inline double CpuSeconds(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t paren = text.rfind(')');
  if (paren == std::string::npos) return -1;
  std::istringstream fields(text.substr(paren + 2));
  std::string f;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {  // fields 14 and 15: utime, stime
    if (i == 14) utime = std::atof(f.c_str());
    if (i == 15) stime = std::atof(f.c_str());
  }
  return (utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// A "Vm..." figure of /proc/PID/status in MiB (VmRSS now, VmHWM the peak).
inline double StatusMiB(qint64 pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1) / 1024.0;
  return -1;
}

// Lines of a simulator log that it received ("> " lines).
inline int ReceivedLines(const QString& log) {
  QFile f(log);
  f.open(QIODevice::ReadOnly);
  const QByteArray all = f.readAll();
  return int(all.count("\n> ") + (all.startsWith("> ") ? 1 : 0));
}

}  // namespace bench
