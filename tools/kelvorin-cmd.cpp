// kelvorin-cmd: sends command lines to a running kelvorin and prints the answers;
// starts one, hidden, when none answers.
//
//   kelvorin-cmd [--socket PATH] [--dir DIR] [--no-start] [--execute] [COMMANDLINE ...]
//
// Each COMMANDLINE is one request and its answer is printed on its own line; with no
// COMMANDLINE every line of standard input is one request. --execute sends through the
// "Command" topic and prints nothing. Exit status 0; 1 when an answer contains "Error ";
// 2 when no server could be reached or the options are wrong.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "common/WireLimits.h"
#include "server/qt/SocketPath.h"

namespace {

constexpr int kExitErrorAnswer = 1;
constexpr int kExitNoServer = 2;
constexpr int kStartWaitMs = 30000;
constexpr int kRetryPauseMs = 50;
constexpr qsizetype kMaxLineBytes = wire::kMaxLineBytes;

struct Options {
  QString socket;
  QString dir;
  bool noStart = false;
  bool execute = false;
  bool help = false;
  std::vector<QByteArray> lines;  // empty: read standard input
};

const char kUsage[] =
    "usage: kelvorin-cmd [--socket PATH] [--dir DIR] [--no-start] [--execute] [--] "
    "[COMMANDLINE ...]\n"
    "Sends each COMMANDLINE (with none: each line of standard input) to a running kelvorin\n"
    "and prints each answer on its own line; starts a hidden kelvorin when none answers.\n"
    "  --socket PATH  the automation socket (default: $KELVORIN_SOCKET,\n"
    "                 else $XDG_RUNTIME_DIR/kelvorin.sock, else /tmp/kelvorin-UID/kelvorin.sock)\n"
    "  --dir DIR      settings folder of a kelvorin started here\n"
    "  --no-start     never start kelvorin\n"
    "  --execute      send through the \"Command\" topic; prints nothing\n"
    "  -h, --help     this text\n"
    "Exit status: 0; 1 when an answer contains \"Error \"; 2 when no server could be\n"
    "reached or an option is wrong.\n";

int Fail(const QString& message) {
  std::fprintf(stderr, "kelvorin-cmd: %s\n", qPrintable(message));
  return kExitNoServer;
}

// Options come first; "--" ends them; everything after is a command line.
bool ParseArgs(int argc, char** argv, Options& opt, QString& error) {
  int i = 1;
  for (; i < argc; ++i) {
    const QByteArray a(argv[i]);
    const bool hasValue = i + 1 < argc;
    if (a == "--") {
      ++i;
      break;
    } else if (a == "--socket" && hasValue) {
      opt.socket = QFile::decodeName(argv[++i]);
    } else if (a == "--dir" && hasValue) {
      opt.dir = QFile::decodeName(argv[++i]);
    } else if (a == "--no-start") {
      opt.noStart = true;
    } else if (a == "--execute") {
      opt.execute = true;
    } else if (a == "-h" || a == "--help") {
      opt.help = true;
      return true;
    } else if (a.startsWith("-") && a.size() > 1) {
      error = QStringLiteral("unknown or incomplete option ") + QString::fromLocal8Bit(a);
      return false;
    } else {
      break;
    }
  }
  for (; i < argc; ++i) opt.lines.emplace_back(argv[i]);
  if (opt.socket.isEmpty()) opt.socket = socketpath::DefaultSocketPath();
  return true;
}

// `kelvorin --automation` from beside this program, detached and silent.
bool StartServer(const Options& opt) {
  QStringList args{QStringLiteral("--automation")};
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    args << QStringLiteral("-platform") << QStringLiteral("offscreen");
  args << QStringLiteral("--socket") << opt.socket;
  if (!opt.dir.isEmpty()) args << QStringLiteral("--dir") << opt.dir;
  QProcess server;
  server.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/kelvorin"));
  server.setArguments(args);
  server.setStandardInputFile(QProcess::nullDevice());
  server.setStandardOutputFile(QProcess::nullDevice());
  server.setStandardErrorFile(QProcess::nullDevice());
  return server.startDetached();
}

bool TryConnect(QLocalSocket& socket, const QString& path) {
  socket.connectToServer(path);
  if (socket.waitForConnected(2000)) return true;
  socket.abort();
  return false;
}

int Connect(QLocalSocket& socket, const Options& opt) {
  const QString path = opt.execute ? socketpath::CommandSocketPath(opt.socket) : opt.socket;
  if (TryConnect(socket, path)) return 0;
  if (opt.noStart) return Fail(QStringLiteral("no server at ") + path);
  if (!StartServer(opt))
    return Fail(QStringLiteral("cannot start ") + QCoreApplication::applicationDirPath() +
                QStringLiteral("/kelvorin"));
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kStartWaitMs) {
    QThread::msleep(kRetryPauseMs);
    if (TryConnect(socket, path)) return 0;
  }
  return Fail(QStringLiteral("the started server did not answer at ") + path);
}

// One request, one answer line (without its LF). False when the connection broke.
bool Request(QLocalSocket& socket, QByteArray& inbox, QByteArray line, QByteArray& answer) {
  line.replace('\n', ' ');  // the line must stay one request
  line.append('\n');
  socket.write(line);
  while (socket.bytesToWrite() > 0)
    if (!socket.waitForBytesWritten(-1)) break;
  for (;;) {
    const qsizetype lf = inbox.indexOf('\n');
    if (lf >= 0) {
      answer = inbox.left(lf);
      inbox.remove(0, lf + 1);
      return true;
    }
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(-1)) {
      inbox += socket.readAll();
      if (inbox.contains('\n')) continue;
      return false;
    }
    inbox += socket.readAll();
  }
}

class Session {
 public:
  Session(QLocalSocket& socket, bool quiet) : socket_(socket), quiet_(quiet) {}

  bool SawError() const { return sawError_; }

  // Sends one line and prints its answer; false when the server went away.
  bool Send(const QByteArray& line) {
    QByteArray answer;
    if (line.size() > kMaxLineBytes) {
      answer = "Error Line too long";  // what the server answers, without losing it
    } else if (!Request(socket_, inbox_, line, answer)) {
      return false;
    }
    sawError_ = sawError_ || answer.contains("Error ");
    if (!quiet_) {
      std::fwrite(answer.constData(), 1, size_t(answer.size()), stdout);
      std::fputc('\n', stdout);
      std::fflush(stdout);
    }
    return true;
  }

 private:
  QLocalSocket& socket_;
  bool quiet_;
  bool sawError_ = false;
  QByteArray inbox_;
};

int Run(const Options& opt) {
  QString error;
  if (!socketpath::PrepareSocketFolder(opt.socket, error)) return Fail(error);
  QLocalSocket socket;
  if (const int failed = Connect(socket, opt)) return failed;
  Session session(socket, opt.execute);
  const auto lost = [] { return Fail(QStringLiteral("the server closed the connection")); };
  if (!opt.lines.empty()) {
    for (const QByteArray& line : opt.lines)
      if (!session.Send(line)) return lost();
  } else {
    std::string line;
    while (std::getline(std::cin, line))
      if (!session.Send(QByteArray(line.data(), qsizetype(line.size())))) return lost();
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
  return session.SawError() ? kExitErrorAnswer : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  QString error;
  const bool parsed = ParseArgs(argc, argv, opt, error);  // before Qt sees argv
  QCoreApplication app(argc, argv);
  if (!parsed) {
    std::fprintf(stderr, "kelvorin-cmd: %s\n%s", qPrintable(error), kUsage);
    return kExitNoServer;
  }
  if (opt.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Run(opt);
}
