#pragma once
// Starting the built programs for end-to-end tests: a simulated controller on a
// pseudo-terminal, a headless kelvorin on a settings folder, and kelvorin-cmd.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <string>

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
class Sim {
 public:
  Sim(const QString& family, const QString& link, const QString& log,
      const QStringList& extra = {}) {
    proc_.start(Bin("kelvorin-sim"),
                QStringList{"--family", family, "--link", link, "--log", log} + extra);
    ok_ = proc_.waitForStarted(5000) && proc_.waitForReadyRead(5000) &&
          proc_.readLine().startsWith("PORT ");
  }
  ~Sim() {
    proc_.terminate();
    if (!proc_.waitForFinished(3000)) proc_.kill();
    proc_.waitForFinished(1000);
  }
  bool ok() const { return ok_; }

 private:
  QProcess proc_;
  bool ok_ = false;
};

// A headless kelvorin serving `socket` from the settings in `dir`.
class Server {
 public:
  Server(const QString& dir, const QString& socket, const QStringList& extra = {}) {
    proc_.setProcessChannelMode(QProcess::MergedChannels);
    proc_.start(Bin("kelvorin"), QStringList{"-platform", "offscreen", "--automation",
                                             "--socket", socket, "--dir", dir} + extra);
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

}  // namespace programs
