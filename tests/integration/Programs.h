#pragma once
// Starting the built programs for end-to-end tests: a simulated controller on a
// pseudo-terminal, a headless kelvorin on a settings folder, and kelvorin-cmd.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/SimProcess.h"

namespace programs {

inline QString Bin(const char* name) { return QString(KELVORIN_BIN_DIR) + "/" + name; }

// A settings folder: the shipped files, with ST_CONFIG.TXT replaced by the given lines.
inline void WriteSettings(const QString& dir, const QStringList& configLines) {
  for (const char* f : {"ST_PARZ.TXT", "ST_SYMCONST.TXT", "ST_JOYCMDS.TXT", "ST_JOY.TXT"})
    QFile::copy(Bin(f), dir + "/" + f);
  QFile config(dir + "/ST_CONFIG.TXT");
  config.open(QIODevice::WriteOnly | QIODevice::Truncate);
  for (const auto& line : configLines) config.write((line + "\r\n").toLatin1());
}

// A kelvorin-sim process; its pty is linked at `link`.
class Sim : public SimProcess {
 public:
  Sim(const QString& family, const QString& link, const QString& log, const QStringList& extra = {})
      : SimProcess(Bin("kelvorin-sim"), family, link, log, extra) {}
};

// A headless kelvorin serving `socket` from the settings in `dir`.
class Server {
 public:
  Server(const QString& dir, const QString& socket, const QStringList& extra = {}) {
    proc_.setProcessChannelMode(QProcess::MergedChannels);
    proc_.start(Bin("kelvorin"), QStringList{"-platform", "offscreen", "--automation", "--socket",
                                             socket, "--dir", dir} +
                                     extra);
    proc_.waitForStarted(5000);
    // Served once the socket file exists.
    for (int i = 0; i < 300 && !QFile::exists(socket); ++i) QThread::msleep(20);
  }
  ~Server() {
    if (proc_.state() != QProcess::NotRunning) {
      proc_.terminate();
      if (!proc_.waitForFinished(3000)) proc_.kill();
      proc_.waitForFinished(1000);
    }
  }
  bool WaitForExit(int ms) { return proc_.waitForFinished(ms); }
  int ExitCode() const { return proc_.exitCode(); }
  QString Output() { return QString::fromLatin1(proc_.readAll()); }

 private:
  QProcess proc_;
};

// Runs kelvorin-cmd with the given command lines; returns its standard output.
inline QString Cmd(const QString& socket, const QStringList& lines, int* exitCode = nullptr) {
  QProcess p;
  p.start(Bin("kelvorin-cmd"), QStringList{"--no-start", "--socket", socket} + lines);
  p.waitForFinished(60000);
  if (exitCode) *exitCode = p.exitCode();
  return QString::fromLatin1(p.readAllStandardOutput());
}

inline QString ReadFile(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QString::fromLatin1(f.readAll());
}

// A client on a plain descriptor, for what Qt's sockets cannot do: end its sending side
// (half-close) and keep reading.
class RawClient {
 public:
  explicit RawClient(const QString& unixPath) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, QFile::encodeName(unixPath).constData(), sizeof a.sun_path - 1);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  explicit RawClient(quint16 tcpPort) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(tcpPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connected() const { return connected_; }
  bool Send(const QByteArray& bytes) {
    return ::send(fd_, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
  }
  void EndInput() { ::shutdown(fd_, SHUT_WR); }
  // Appends what has arrived, without waiting; true once the server has closed.
  bool TakeArrived(QByteArray& got) {
    char buf[65536];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) got.append(buf, n);
      else return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
  }
  // Everything until the server closes, waiting in this thread; "<still open>" is
  // appended when it did not close in time.
  QByteArray ReadToEnd(int timeoutMs = 20000) {
    QByteArray got;
    for (int waited = 0; !TakeArrived(got); waited += 5) {
      if (waited > timeoutMs) return got + "<still open>";
      QThread::msleep(5);
    }
    return got;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

}  // namespace programs
