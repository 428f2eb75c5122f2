// kelvorin: the lift program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/Kelvorin.h"
#include "common/SettingsHome.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/SerialPortNames.h"
#include "server/STCommands.h"
#include "server/qt/InstanceLock.h"
#include "server/qt/SocketPath.h"

namespace {

// Where the settings are when --dir is not given (or is, with explicitDir).
settingshome::Choice SettingsFolder(const QString& explicitDir = {}) {
  const QByteArray configHome = qgetenv("XDG_CONFIG_HOME"), home = qgetenv("HOME");
  const QString programDir = QCoreApplication::applicationDirPath();
  return settingshome::Choose({QFile::encodeName(explicitDir).toStdString(),
                               QFile::encodeName(programDir).toStdString(),
                               configHome.toStdString(), home.toStdString()});
}

// The shipped settings that fill a user's folder: share/kelvorin/settings beside bin/.
QString ShippedSettings() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/kelvorin/settings");
}

struct Parser {
  Parser() {
    parser.setApplicationDescription(
        "Drives the lift and serves its automation socket.\n"
        "Qt's own options work too: -platform offscreen runs without a display.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({dir, automation, socket, listPorts});
  }
  QCommandLineParser parser;
  QCommandLineOption dir{"dir",
                         "Settings folder (default: the program's folder when it holds "
                         "ST_CONFIG.TXT, else the user's folder; here: " +
                             QFile::decodeName(SettingsFolder().folder.c_str()) + ").",
                         "DIR"};
  QCommandLineOption automation{"automation", "Started for a client: stay hidden."};
  QCommandLineOption socket{"socket", "Automation socket path.", "PATH"};
  QCommandLineOption listPorts{"list-ports",
                               "Print the serial ports (device, description, manufacturer, "
                               "serial number, USB vendor:product) and exit."};
};

void ListPorts() {
  const QStringList ports = serialportnames::Table();
  for (const QString& line : ports) std::printf("%s\n", qPrintable(line));
  if (ports.isEmpty()) std::fprintf(stderr, "kelvorin: this system has no serial ports\n");
}

// --help, --version and --list-ports need no display: answered before any window system
// is touched.
bool AnswerInfoOptions(int argc, char** argv) {
  bool help = false, version = false, listPorts = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    help = help || !std::strcmp(a, "-h") || !std::strcmp(a, "--help") || !std::strcmp(a, "-?") ||
           !std::strcmp(a, "--help-all");
    version = version || !std::strcmp(a, "-v") || !std::strcmp(a, "--version");
    listPorts = listPorts || !std::strcmp(a, "--list-ports");
  }
  if (!help && !version && !listPorts) return false;
  QCoreApplication app(argc, argv);
  app.setApplicationName("kelvorin");
  app.setApplicationVersion(STCommands::kVersion);
  Parser p;
  if (help) p.parser.showHelp(0);
  if (version) p.parser.showVersion();
  ListPorts();
  return true;
}

Options ParseOptions(const QApplication& app) {
  Parser p;
  p.parser.process(app);
  Options o;
  const auto settings = SettingsFolder(
      p.parser.isSet(p.dir) ? QDir(p.parser.value(p.dir)).absolutePath() : "");
  o.dir = QFile::decodeName(settings.folder.c_str());
  if (settings.userFolder)  // the first start fills it; a file already there stays
    for (const auto& why :
         settingshome::Fill(settings.folder, QFile::encodeName(ShippedSettings()).toStdString()))
      std::fprintf(stderr, "kelvorin: %s\n", why.c_str());
  o.socketPath = p.parser.isSet(p.socket) ? p.parser.value(p.socket)
                                          : socketpath::DefaultSocketPath();
  o.automation = p.parser.isSet(p.automation);
  return o;
}

int Refuse(const QString& why) {
  std::fprintf(stderr, "kelvorin: %s\n", qPrintable(why));
  return 1;
}

// A copy started for a client says it on standard error only: it ends at once, and no
// box may wait for a click there.
int RefuseSecondCopy(const Options& options) {
  const char* text =
      "Application is already running.\r\nIf user interface is not visible,\r\n"
      "restore form, or give Show command from a client.";
  if (options.automation) return Refuse(QString::fromLatin1(text).replace("\r\n", " "));
  QtMessageBoxes().Show(text, kAppTitle, MsgIcon::Critical);
  return 1;
}

// Large blocks (a request line of up to 1 MiB, its copies) are mapped on their own, so
// that freeing them gives the memory back at once; otherwise the allocator raises this
// bound after the first such block and keeps the rest in its heap for good.
void GiveLargeBlocksBack() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

// Qt's own event loop for Unix instead of GLib's: nothing here needs GLib's loop, and
// Qt's does less on each wake-up, which is on the way of every client request.
void UseQtEventLoop() {
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInfoOptions(argc, argv)) return 0;
  GiveLargeBlocksBack();
  UseQtEventLoop();
  QApplication app(argc, argv);
  app.setApplicationName("kelvorin");
  app.setApplicationVersion(STCommands::kVersion);
  app.setQuitOnLastWindowClosed(false);  // the lifetime rules decide
  const Options options = ParseOptions(app);

  QString error;
  if (!socketpath::PrepareSocketFolder(options.socketPath, error)) return Refuse(error);
  // One program per socket: a kernel lock on the file beside it decides.
  InstanceLock lock;
  switch (lock.Take(options.socketPath + ".lock")) {
    case InstanceLock::Result::Taken: break;
    case InstanceLock::Result::HeldElsewhere: return RefuseSecondCopy(options);
    case InstanceLock::Result::Failed: return Refuse("cannot lock " + lock.ErrorString());
  }

  Kelvorin kelvorin;
  if (!kelvorin.Start(options)) return 1;
  return app.exec();
}
