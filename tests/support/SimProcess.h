#pragma once
// A kelvorin-sim process (the given program) whose pty is linked at `link`; ok() once it
// has printed its PORT line. The tests and the benchmarks each name their own program.
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
 public:
  SimProcess(const QString& program, const QString& family, const QString& link, const QString& log,
             const QStringList& extra = {}) {
    proc_.start(program, QStringList{"--family", family, "--link", link, "--log", log} + extra);
    ok_ = proc_.waitForStarted(5000) && proc_.waitForReadyRead(5000) &&
          proc_.readLine().startsWith("PORT ");
  }
  ~SimProcess() {
    proc_.terminate();
    if (!proc_.waitForFinished(3000)) proc_.kill();
    proc_.waitForFinished(1000);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  bool ok() const { return ok_; }

 private:
  QProcess proc_;
  bool ok_ = false;
};
