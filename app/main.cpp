// kelvorin: the lift program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <cstdio>

#include "app/Kelvorin.h"
#include "platform/qt/QtMessageBoxes.h"
#include "server/qt/SocketPath.h"

namespace {

Options ParseOptions(const QApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Drives the lift and serves its automation socket.");
  parser.addHelpOption();
  QCommandLineOption dir("dir", "Settings folder (default: the program's folder).", "DIR");
  QCommandLineOption automation("automation", "Started for a client: stay hidden.");
  QCommandLineOption socket("socket", "Automation socket path.", "PATH");
  parser.addOptions({dir, automation, socket});
  parser.process(app);
  Options o;
  o.dir = parser.isSet(dir) ? QDir(parser.value(dir)).absolutePath()
                            : QCoreApplication::applicationDirPath();
  o.socketPath = parser.isSet(socket) ? parser.value(socket) : socketpath::DefaultSocketPath();
  o.automation = parser.isSet(automation);
  return o;
}

void RefuseSecondCopy() {
  QtMessageBoxes().Show(
      "Application is already running.\r\nIf user interface is not visible,\r\n"
      "restore form, or give Show command from a client.",
      kAppTitle, MsgIcon::Critical);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("kelvorin");
  app.setQuitOnLastWindowClosed(false);  // the lifetime rules decide
  const Options options = ParseOptions(app);

  // One program per socket: the lock file beside it decides; a stale lock of a dead
  // process is taken over.
  QLockFile lock(options.socketPath + ".lock");
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0)) {
    if (lock.error() == QLockFile::LockFailedError) {
      RefuseSecondCopy();
    } else {
      std::fprintf(stderr, "kelvorin: cannot create the lock file %s.lock\n",
                   qPrintable(options.socketPath));
    }
    return 1;
  }

  Kelvorin kelvorin;
  if (!kelvorin.Start(options)) return 1;
  return app.exec();
}
