// The automation socket end to end: a real kelvorin (offscreen, built-in simulated
// controller) and real clients, including the kelvorin-cmd program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QTcpServer>
#include <QHostAddress>

#include <memory>
#include <string>

#include "server/qt/SocketPath.h"
#include "Programs.h"

namespace {

constexpr int kStartMs = 20000;
constexpr int kAnswerMs = 20000;
const QString kBinDir = QStringLiteral(KELVORIN_BIN_DIR);

// A blocking client: the server is another process.
class Client {
 public:
  bool Connect(const QString& path, int timeoutMs = 2000) {
    socket.connectToServer(path);
    if (socket.waitForConnected(timeoutMs)) return true;
    socket.abort();
    return false;
  }
  void Send(const QByteArray& bytes) {
    socket.write(bytes);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kAnswerMs)) {
    }
  }
  bool HasAnswer() {
    inbox += socket.readAll();
    return inbox.contains('\n');
  }
  // The next answer without its LF; "<none>" when none came in time.
  QByteArray Answer(int timeoutMs = kAnswerMs) {
    QElapsedTimer t;
    t.start();
    while (!HasAnswer()) {
      if (t.elapsed() > timeoutMs) return "<none>";
      if (!socket.waitForReadyRead(100) && socket.state() != QLocalSocket::ConnectedState &&
          !HasAnswer())
        return "<none>";
    }
    const qsizetype lf = inbox.indexOf('\n');
    QByteArray line = inbox.left(lf);
    inbox.remove(0, lf + 1);
    return line;
  }
  QByteArray Ask(const QByteArray& line) {
    Send(line + "\n");
    return Answer();
  }
  bool ClosedByServer() {
    QElapsedTimer t;
    t.start();
    while (socket.state() == QLocalSocket::ConnectedState && t.elapsed() < kAnswerMs)
      socket.waitForReadyRead(100);
    inbox += socket.readAll();
    return socket.state() != QLocalSocket::ConnectedState;
  }
  QLocalSocket socket;
  QByteArray inbox;
};

struct CmdRun {
  int exitCode = -1;
  QByteArray out, err;
};

class SocketEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    socketPath = dir.filePath("k.sock");
    for (const QString& name : QDir(kBinDir).entryList({"ST_*.TXT"}, QDir::Files))
      QFile::copy(kBinDir + "/" + name, dir.filePath(name));
    if (!QFile::exists(dir.filePath("ST_CONFIG.TXT"))) WriteMinimalConfig();
  }

  void TearDown() override {
    if (server) {
      server->kill();
      server->waitForFinished(5000);
    }
    KillDetachedServers();
  }

  void WriteMinimalConfig() {
    QFile f(dir.filePath("ST_CONFIG.TXT"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "\"CONTRTYPE\",EZHR17\r\n\"MPORTNAME\",sim:EZHR17\r\n\"PORTTIMEOUT\",50\r\n"
        "\"MOVETIMEOUT\",10\r\n\"WAITPOLLINGINTERVAL\",20\r\n\"Z_INSTALLED\",0\r\n"
        "\"MPORT\",1\r\n");
  }

  // kelvorin -platform offscreen --automation on this test's socket and settings.
  void StartServer() {
    server = std::make_unique<QProcess>();
    server->setProgram(kBinDir + "/kelvorin");
    server->setArguments(ServerArgs());
    server->setStandardOutputFile(QProcess::nullDevice());
    server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server->start();
    ASSERT_TRUE(server->waitForStarted(kStartMs));
    ASSERT_TRUE(WaitForSocket()) << "kelvorin did not serve " << socketPath.toStdString();
  }
  QStringList ServerArgs() const {
    return {"-platform", "offscreen", "--automation", "--socket", socketPath, "--dir", dir.path()};
  }
  void WriteConfig(const QByteArray& lines) {
    QFile f(dir.filePath("ST_CONFIG.TXT"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(lines);
  }

  bool WaitForSocket() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kStartMs) {
      Client probe;
      if (probe.Connect(socketPath, 500)) return true;
      QThread::msleep(50);
    }
    return false;
  }

  CmdRun Cmd(const QStringList& args, const QByteArray& input = {}) {
    return Run("kelvorin-cmd", args, input);
  }

  // A program of the build, without a display, in the foreground.
  CmdRun Run(const QString& program, const QStringList& args, const QByteArray& input = {},
             const QStringList& unset = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "KELVORIN_SOCKET"}) env.remove(name);
    for (const QString& name : unset) env.remove(name);
    p.setProcessEnvironment(env);
    p.start(kBinDir + "/" + program, args);
    CmdRun r;
    if (!p.waitForStarted(kStartMs)) return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
      p.kill();
      p.waitForFinished(5000);
      return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
  }

  // A server that kelvorin-cmd started detached: found by this test's socket path.
  void KillDetachedServers() {
    const QByteArray needle = QFile::encodeName(socketPath);
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
      bool isPid = false;
      const int n = pid.toInt(&isPid);
      if (!isPid || n == getpid()) continue;
      QFile cmdline("/proc/" + pid + "/cmdline");
      if (!cmdline.open(QIODevice::ReadOnly)) continue;
      const QList<QByteArray> args = cmdline.readAll().split('\0');
      if (args.contains("--automation") && args.contains(needle)) ::kill(n, SIGKILL);
    }
  }

  bool ZEnabled() {
    Client c;
    return c.Connect(socketPath) && !c.Ask("Z ?").startsWith("Off");
  }

  QTemporaryDir dir;
  QString socketPath;
  std::unique_ptr<QProcess> server;
};

TEST_F(SocketEndToEndTest, KelvorinCmdSendsArgumentsStdinAndExecutes) {
  StartServer();
  CmdRun r = Cmd({"--no-start", "--socket", socketPath, "Ver;Ver"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "1.0 ; 1.0 ; \n");

  r = Cmd({"--no-start", "--socket", socketPath, "Ver", "ver", "Show"});
  EXPECT_EQ(r.exitCode, 1);  // an answer holds "Error "
  EXPECT_EQ(r.out, "1.0 ; \nError Unknown command ; \nOK  ; \n");

  r = Cmd({"--no-start", "--socket", socketPath}, "Ver\r\n\nVer; Ver\nVer");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "1.0 ; \n\n1.0 ; 1.0 ; \n1.0 ; \n");

  r = Cmd({"--no-start", "--execute", "--socket", socketPath, "Ver", "Hide"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "");
}

TEST_F(SocketEndToEndTest, AnswersInOrderForSeveralClients) {
  StartServer();
  Client a, b, c;
  ASSERT_TRUE(a.Connect(socketPath));
  ASSERT_TRUE(b.Connect(socketPath));
  ASSERT_TRUE(c.Connect(socketPath));
  a.Send("Ver\nver\nDelay 20\nVer;Ver\n");  // pipelined
  b.Send("Delay 5\nShow\n");
  c.Send("Wait\n");
  EXPECT_EQ(a.Answer(), "1.0 ; ");
  EXPECT_EQ(a.Answer(), "Error Unknown command ; ");
  EXPECT_EQ(a.Answer(), "20 ; ");
  EXPECT_EQ(a.Answer(), "1.0 ; 1.0 ; ");
  EXPECT_EQ(b.Answer(), "5 ; ");
  EXPECT_EQ(b.Answer(), "OK  ; ");
  EXPECT_EQ(c.Answer(), "1 ; ");
  // The counter moves by the commands of all clients.
  const QByteArray before = a.Ask("CommandCount");
  EXPECT_EQ(b.Ask("Ver;Ver"), "1.0 ; 1.0 ; ");
  const auto count = [](const QByteArray& answer) {
    return answer.split(';')[0].trimmed().toInt();
  };
  EXPECT_GT(count(before), 0);
  EXPECT_EQ(count(c.Ask("CommandCount")), count(before) + 3);
}

TEST_F(SocketEndToEndTest, OtherClientsAreServedDuringAMotionWait) {
  StartServer();
  if (!ZEnabled()) GTEST_SKIP() << "no Z axis on the simulated controller";
  Client a, b;
  ASSERT_TRUE(a.Connect(socketPath));
  ASSERT_TRUE(b.Connect(socketPath));
  EXPECT_EQ(a.Ask("Z 0;Z Wait"), "OK  ; OK  ; ");
  a.Send("Z Rel 2000;Z Wait;Z ?\nVer\n");  // about two seconds of motion
  QThread::msleep(100);
  EXPECT_EQ(b.Ask("Ver"), "1.0 ; ");
  EXPECT_EQ(b.Ask("Z ?").right(3), " ; ");
  EXPECT_FALSE(a.HasAnswer()) << "the motion ended before the nested requests ran";
  EXPECT_EQ(a.Answer(), "OK  ; OK  ; 2000.00 ; ");
  EXPECT_EQ(a.Answer(), "1.0 ; ");
}

TEST_F(SocketEndToEndTest, LongLinesUpToOneMebibyte) {
  StartServer();
  Client a;
  ASSERT_TRUE(a.Connect(socketPath));
  QByteArray many;
  for (int i = 0; i < 20000; ++i) many += "Ver;";
  const QByteArray reply = a.Ask(many);
  EXPECT_EQ(reply.size(), 20000 * 6);
  EXPECT_TRUE(reply.startsWith("1.0 ; 1.0 ; ") && reply.endsWith("1.0 ; "));
  const qsizetype max = 1048576;
  EXPECT_EQ(a.Ask("Ver" + QByteArray(max - 3, ' ')), "1.0 ; ");
  EXPECT_EQ(a.Ask("Ver" + QByteArray(max - 2, ' ')), "Error Line too long");
  EXPECT_TRUE(a.ClosedByServer());
  Client b;  // the server goes on
  ASSERT_TRUE(b.Connect(socketPath));
  EXPECT_EQ(b.Ask("Ver"), "1.0 ; ");
}

TEST_F(SocketEndToEndTest, ClientLeavingMidCommandDoesNotDisturbTheServer) {
  StartServer();
  const bool z = ZEnabled();
  {
    Client a;
    ASSERT_TRUE(a.Connect(socketPath));
    a.Send(z ? "Z Rel 500;Z Wait\nVer\n" : "Delay 300\nVer\n");
    QThread::msleep(50);
    a.socket.abort();
  }
  Client b;
  ASSERT_TRUE(b.Connect(socketPath));
  EXPECT_EQ(b.Ask("Ver"), "1.0 ; ");
  if (z) {
    EXPECT_EQ(b.Ask("Z Wait"), "OK  ; ");
  }
  EXPECT_EQ(server->state(), QProcess::Running);
}

TEST_F(SocketEndToEndTest, KelvorinCmdStartsAHiddenServerWhenNoneRuns) {
  const CmdRun r = Cmd({"--socket", socketPath, "--dir", dir.path(), "Ver;Ver"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "1.0 ; 1.0 ; \n");
  // It keeps serving after its first client left.
  Client c;
  ASSERT_TRUE(c.Connect(socketPath));
  EXPECT_EQ(c.Ask("Ver"), "1.0 ; ");
  const CmdRun second = Cmd({"--no-start", "--socket", socketPath, "CommandCount"});
  EXPECT_EQ(second.exitCode, 0);
}

TEST_F(SocketEndToEndTest, KelvorinCmdWithoutServerAndNoStartExitsTwo) {
  const CmdRun r = Cmd({"--no-start", "--socket", socketPath, "Ver"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_FALSE(r.err.isEmpty());
  const CmdRun e = Cmd({"--no-start", "--execute", "--socket", socketPath, "Ver"});
  EXPECT_EQ(e.exitCode, 2);
  EXPECT_FALSE(QFile::exists(socketPath));
}

TEST_F(SocketEndToEndTest, KelvorinCmdOptionsAndExitStatus) {
  struct Case {
    const char* what;
    QStringList args;
    QByteArray input;
    int exitCode;
    QByteArray out;   // prefix of standard output
    const char* err;  // part of standard error
  };
  const QStringList s{"--socket", socketPath};
  const std::vector<Case> withoutServer = {
      {"-h", s + QStringList{"-h"}, {}, 0, "usage: kelvorin-cmd", ""},
      {"--help after lines", s + QStringList{"--help", "Ver"}, {}, 0, "usage: kelvorin-cmd", ""},
      {"unknown long option", s + QStringList{"--bogus", "Ver"}, {}, 2, "", "--bogus"},
      {"unknown short option", s + QStringList{"-x"}, {}, 2, "", "-x"},
      {"option without its value", {"--socket"}, {}, 2, "", "--socket"},
  };
  for (const auto& c : withoutServer) {
    SCOPED_TRACE(c.what);
    const CmdRun r = Cmd(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(c.out)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(socketPath)) << "a server was started";
  }
  StartServer();
  const QStringList n = s + QStringList{"--no-start"};
  const std::vector<Case> withServer = {
      {"all good", n + QStringList{"Ver", "Ver;Ver"}, {}, 0, "1.0 ; \n1.0 ; 1.0 ; \n", ""},
      {"one error among good", n + QStringList{"Ver", "Z Bogus;Ver"}, {}, 1, "1.0 ; \n", ""},
      {"error on standard input", n, "Ver\nver\n", 1, "1.0 ; \nError Unknown command ; \n", ""},
      {"-h after -- is a command",
       n + QStringList{"--", "-h"},
       {},
       1,
       "Error Unknown command ; \n",
       ""},
      {"--execute prints nothing", n + QStringList{"--execute", "ver"}, {}, 0, "", ""},
  };
  for (const auto& c : withServer) {
    SCOPED_TRACE(c.what);
    const CmdRun r = Cmd(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(c.out)) << r.out.toStdString();
  }
}

TEST_F(SocketEndToEndTest, KelvorinAnswersHelpAndVersionWithoutADisplayAndSaysWhereItServes) {
  const QStringList noQt{"QT_QPA_PLATFORM"};
  CmdRun r = Run("kelvorin", {"--help"}, {}, noQt);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("--socket")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QFile::encodeName(kBinDir) + ")."))
      << r.out.toStdString();  // the folder in use
  r = Run("kelvorin", {"--version"}, {}, noQt);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "kelvorin 1.0\n");
  EXPECT_FALSE(QFile::exists(socketPath));

  QProcess k;
  k.start(kBinDir + "/kelvorin", ServerArgs());
  ASSERT_TRUE(k.waitForReadyRead(kStartMs));
  EXPECT_EQ(k.readLine(), "kelvorin: serving on " + QFile::encodeName(socketPath) + "\n");
  while (!k.canReadLine() && k.waitForReadyRead(kStartMs)) {
  }
  EXPECT_EQ(k.readLine(), "kelvorin: settings in " + QFile::encodeName(dir.path()) + "\n");
  Client c;
  ASSERT_TRUE(c.Connect(socketPath));
  EXPECT_EQ(c.Ask("Unload"), "OK  ; ");
  c.socket.disconnectFromServer();
  EXPECT_TRUE(k.waitForFinished(kStartMs));
}

TEST_F(SocketEndToEndTest, ALockFileLeftBehindNeverBlocksAndASecondCopyIsRefused) {
  const QByteArray livePid = QByteArray::number(qint64(::getpid()));
  const std::vector<QByteArray> leftovers = {"", "garbage\xff\n", "999999\nkelvorin\nhost\n",
                                             livePid + "\nkelvorin\n\n"};
  for (const QByteArray& content : leftovers) {
    SCOPED_TRACE(content.toStdString());
    QFile lock(socketPath + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(content);
    lock.close();
    StartServer();
    Client c;
    ASSERT_TRUE(c.Connect(socketPath));
    EXPECT_EQ(c.Ask("Ver"), "1.0 ; ");

    // While it runs, a second copy on the same socket is refused and changes nothing.
    const CmdRun second = Run("kelvorin", ServerArgs());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains("Application is already running.")) << second.err.toStdString();
    EXPECT_EQ(c.Ask("Ver"), "1.0 ; ");

    // Killed outright: the kernel drops its lock, and its socket file is taken over.
    server->kill();
    server->waitForFinished(5000);
    server.reset();
  }
  StartServer();
  Client c;
  ASSERT_TRUE(c.Connect(socketPath));
  EXPECT_EQ(c.Ask("Ver"), "1.0 ; ");
}

TEST_F(SocketEndToEndTest, SomethingOtherThanASocketAtTheSocketPathIsLeftAlone) {
  QFile f(socketPath);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("precious");
  f.close();
  const CmdRun r = Run("kelvorin", ServerArgs());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("is not a socket")) << r.err.toStdString();
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "precious");
}

TEST_F(SocketEndToEndTest, TheDefaultSocketFolderUnderTmpIsPrivate) {
  const QString folder = socketpath::PrivateTmpFolder();
  const QStringList fallback{"XDG_RUNTIME_DIR"};  // KELVORIN_SOCKET is never passed on
  CmdRun r = Run("kelvorin-cmd", {"--no-start", "Ver"}, {}, fallback);
  EXPECT_EQ(r.exitCode, 2);  // no server there, but the folder is made
  struct stat st {};
  ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, ::getuid());
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // Opened up to others, it is refused rather than used.
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
  r = Run("kelvorin-cmd", {"--no-start", "Ver"}, {}, fallback);
  const CmdRun k = Run("kelvorin", {"-platform", "offscreen", "--dir", dir.path()}, {}, fallback);
  ::chmod(QFile::encodeName(folder).constData(), 0700);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("is not a private folder")) << r.err.toStdString();
  EXPECT_EQ(k.exitCode, 1);
  EXPECT_TRUE(k.err.contains("is not a private folder")) << k.err.toStdString();
}

TEST_F(SocketEndToEndTest, AClientThatEndsItsInputGetsEveryAnswer) {
  StartServer();
  for (const QByteArray& batch :
       {QByteArray("Ver\nVer\nVer\nVer\n"), QByteArray("Delay 50\nVer\nVe")}) {
    programs::RawClient c(socketPath);
    ASSERT_TRUE(c.Connected());
    ASSERT_TRUE(c.Send(batch));
    c.EndInput();
    const QByteArray expected = batch.startsWith("Ver") ? QByteArray("1.0 ; \n").repeated(4)
                                                        : "50 ; \n1.0 ; \n";
    EXPECT_EQ(c.ReadToEnd(), expected);
  }
}

TEST_F(SocketEndToEndTest, RequestsWaitForNobodyDuringAStartUp) {
  // A silent controller: the first command of the axis set-up waits out the port time-out.
  WriteConfig(
      "\"CONTRTYPE\",EZHR17\r\n\"MPORTNAME\",sim:EZHR17:silent\r\n\"PORTTIMEOUT\",1500\r\n"
      "\"MOVETIMEOUT\",10\r\n\"WAITPOLLINGINTERVAL\",20\r\n\"Z_INSTALLED\",1\r\n"
      "\"MPORT\",1\r\n");
  QElapsedTimer t;
  t.start();
  StartServer();
  const qint64 connected = t.elapsed();
  Client c;
  ASSERT_TRUE(c.Connect(socketPath));
  EXPECT_EQ(c.Ask("Ver;Z ?"), "1.0 ; Off  ; ");
  const qint64 answered = t.elapsed();
  // The socket was there long before the start-up ended (after that 1.5 s time-out).
  EXPECT_LT(connected + 1000, answered) << connected << " ms, " << answered << " ms";
}

TEST_F(SocketEndToEndTest, OverTcpListFilesStayInsideTheSettingsFolder) {
  // A free port for the server, below the ephemeral range.
  quint16 port = 0;
  for (quint16 candidate = quint16(20000 + ::getpid() % 9000); port == 0; ++candidate) {
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, candidate)) port = candidate;
  }
  ASSERT_TRUE(QDir(dir.path()).mkdir("settings"));
  for (const QString& name : QDir(dir.path()).entryList({"ST_*.TXT"}, QDir::Files))
    QFile::rename(dir.filePath(name), dir.filePath("settings/" + name));
  QFile config(dir.filePath("settings/ST_CONFIG.TXT"));
  ASSERT_TRUE(config.open(QIODevice::ReadOnly));
  QByteArray lines;
  for (const QByteArray& line : config.readAll().split('\n'))
    if (!line.startsWith("\"SERVERTCPPORT\"") && !line.isEmpty()) lines += line + "\n";
  config.close();
  ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
  config.write(lines + "\"SERVERTCPPORT\"," + QByteArray::number(port) + "\r\n");
  config.close();
  server = std::make_unique<QProcess>();
  server->setProcessChannelMode(QProcess::ForwardedChannels);
  server->start(kBinDir + "/kelvorin", {"-platform", "offscreen", "--automation", "--socket",
                                        socketPath, "--dir", dir.filePath("settings")});
  ASSERT_TRUE(WaitForSocket());
  Client local;
  ASSERT_TRUE(local.Connect(socketPath));
  ASSERT_EQ(local.Ask("Obj Add 1 2 3 p"), "# 1 ; ");  // start-up has ended: TCP is served

  const auto tcp = [&](const QByteArray& request) {
    programs::RawClient c(port);
    EXPECT_TRUE(c.Connected());
    c.Send(request + "\n");
    c.EndInput();
    return c.ReadToEnd();
  };
  const QByteArray outside = "Error File outside the settings folder ; \n";
  EXPECT_EQ(tcp("Obj ListWrite ../out.txt"), outside);
  EXPECT_EQ(tcp("Obj ListWrite " + QFile::encodeName(dir.filePath("out.txt"))), outside);
  EXPECT_EQ(tcp("Obj ListRead ../settings/../ST_CONFIG.TXT"), outside);
  EXPECT_FALSE(QFile::exists(dir.filePath("out.txt")));
  EXPECT_EQ(tcp("Obj ListWrite pos.txt"), " 1 ; \n");
  EXPECT_TRUE(QFile::exists(dir.filePath("settings/pos.txt")));
  EXPECT_EQ(tcp("Obj ListRead pos.txt"), " 1 ; \n");
  // The local socket belongs to this user alone: names may point anywhere.
  EXPECT_EQ(local.Ask("Obj ListWrite ../out.txt"), " 1 ; ");
  EXPECT_TRUE(QFile::exists(dir.filePath("out.txt")));
}

}  // namespace
