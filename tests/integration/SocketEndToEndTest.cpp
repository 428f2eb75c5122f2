// The automation socket end to end: a real kelvorin (offscreen, built-in simulated
// controller) and real clients, including the kelvorin-cmd program.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <string>

#include "server/qt/SocketPath.h"

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
    f.write("\"CONTRTYPE\",EZHR17\r\n\"MPORTNAME\",sim:EZHR17\r\n\"PORTTIMEOUT\",50\r\n"
            "\"MOVETIMEOUT\",10\r\n\"WAITPOLLINGINTERVAL\",20\r\n\"Z_INSTALLED\",0\r\n"
            "\"MPORT\",1\r\n");
  }

  // kelvorin -platform offscreen --automation on this test's socket and settings.
  void StartServer() {
    server = std::make_unique<QProcess>();
    server->setProgram(kBinDir + "/kelvorin");
    server->setArguments({"-platform", "offscreen", "--automation", "--socket", socketPath,
                          "--dir", dir.path()});
    server->setStandardOutputFile(QProcess::nullDevice());
    server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server->start();
    ASSERT_TRUE(server->waitForStarted(kStartMs));
    ASSERT_TRUE(WaitForSocket()) << "kelvorin did not serve " << socketPath.toStdString();
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
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("KELVORIN_SOCKET");
    p.setProcessEnvironment(env);
    p.start(kBinDir + "/kelvorin-cmd", args);
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
  EXPECT_EQ(r.exitCode, 0);
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
  const auto count = [](const QByteArray& answer) { return answer.split(';')[0].trimmed().toInt(); };
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

}  // namespace
