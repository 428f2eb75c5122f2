// The automation endpoint in-process, against a fake host and QLocalSocket clients.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QLocalSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/AutomationHost.h"
#include "server/qt/AutomationEndpoint.h"
#include "server/qt/SocketPath.h"
#include "Programs.h"

namespace {

constexpr int kTimeoutMs = 10000;

// Lets events run until the condition holds, the way a motion wait polls.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = kTimeoutMs) {
  QElapsedTimer t;
  t.start();
  QTimer tick;  // wakes the wait below to look at the clock
  tick.start(5);
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Records every call. "sleep N" lets events run for N ms; "hold" lets events run until
// holdUntil() is true; "multi" answers with LFs inside; other lines are echoed (long
// ones as their length).
class FakeHost : public AutomationHost {
 public:
  void ClientCreated() override { log.push_back("created"); }
  void ClientReleased() override { log.push_back("released"); }
  std::string Exec(const std::string& cmd, ClientLink link) override {
    links.push_back(link);
    if (onExec) onExec();
    const std::string shown = cmd.size() > 200 ? "len " + std::to_string(cmd.size()) : cmd;
    log.push_back("begin " + shown);
    if (cmd.rfind("sleep ", 0) == 0) {
      if (onSleep) onSleep();
      QElapsedTimer t;
      t.start();
      const int ms = std::stoi(cmd.substr(6));
      RunEventsUntil([&] { return t.elapsed() >= ms; });
    } else if (cmd == "hold") {
      if (onHold) onHold();
      holdReached = RunEventsUntil(holdUntil);
    }
    log.push_back("end " + shown);
    return cmd == "multi" ? "a\nb\nc" : shown;
  }
  void DdeExecute(const std::string& text) override { dde.push_back(text); }
  bool RequestsHeld() const override { return held; }
  void Replied() override {
    if (onReplied) onReplied();
  }

  int Count(const std::string& entry) const {
    return int(std::count(log.begin(), log.end(), entry));
  }
  // Position of an entry in the log, -1 when absent.
  int At(const std::string& entry) const {
    auto it = std::find(log.begin(), log.end(), entry);
    return it == log.end() ? -1 : int(it - log.begin());
  }

  std::vector<std::string> log;
  std::vector<std::string> dde;
  std::vector<ClientLink> links;
  std::function<void()> onSleep, onHold, onExec, onReplied;
  std::function<bool()> holdUntil = [] { return false; };
  bool holdReached = false;
  bool held = false;
};

class Client {
 public:
  explicit Client(const QString& path) { socket.connectToServer(path); }
  bool Connected() {
    return RunEventsUntil([&] { return socket.state() == QLocalSocket::ConnectedState; });
  }
  void Send(const QByteArray& bytes) {
    socket.write(bytes);
    socket.flush();
  }
  bool HasAnswer() {
    Take();
    return inbox.indexOf('\n', pos) >= 0;
  }
  // The next answer line without its LF; "<none>" when none came in time.
  QByteArray Answer(int timeoutMs = kTimeoutMs) {
    if (!RunEventsUntil([&] { return HasAnswer(); }, timeoutMs)) return "<none>";
    const qsizetype lf = inbox.indexOf('\n', pos);
    QByteArray line = inbox.mid(pos, lf - pos);
    pos = lf + 1;
    return line;
  }
  bool Closed() {
    return RunEventsUntil([&] {
      Take();
      return socket.state() == QLocalSocket::UnconnectedState;
    });
  }
  QByteArray Unread() const { return inbox.mid(pos); }
  qsizetype AnswersWaiting() {
    Take();
    return Unread().count('\n');
  }

  QLocalSocket socket;

 private:
  void Take() {
    if (pos > 65536) {
      inbox.remove(0, pos);
      pos = 0;
    }
    inbox += socket.readAll();
  }
  QByteArray inbox;
  qsizetype pos = 0;
};

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The endpoint runs in this thread: reading waits with events running.
QByteArray ReadToEnd(programs::RawClient& client) {
  QByteArray got;
  const bool ended = RunEventsUntil([&] { return client.TakeArrived(got); });
  return ended ? got : got + "<still open>";
}

class EndpointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    path = dir.filePath("k.sock");
    ASSERT_TRUE(endpoint.Listen(path)) << endpoint.ErrorString().toStdString();
  }
  void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  std::unique_ptr<Client> Connect(const QString& where = {}) {
    auto c = std::make_unique<Client>(where.isEmpty() ? path : where);
    EXPECT_TRUE(c->Connected());
    return c;
  }

  QTemporaryDir dir;
  QString path;
  FakeHost host;
  AutomationEndpoint endpoint{host};
};

TEST_F(EndpointTest, FramingKeepsOneRequestPerLineAndOneAnswerPerLine) {
  auto c = Connect();
  c->Send("Ver\n");
  EXPECT_EQ(c->Answer(), "Ver");
  c->Send("Ver\r\n");  // CR LF client: the CR is framing
  EXPECT_EQ(c->Answer(), "Ver");
  c->Send("a\rb\n");  // CR elsewhere is an ordinary character
  EXPECT_EQ(c->Answer(), "a\rb");
  c->Send("x\r\r\n");  // only the CR right before the LF is dropped
  EXPECT_EQ(c->Answer(), "x\r");
  c->Send("multi\n");  // LFs inside a reply go out as blanks
  EXPECT_EQ(c->Answer(), "a b c");
  c->Send("\n");
  EXPECT_EQ(c->Answer(), "");
  c->Send("sp");  // a request split over several writes
  RunEventsUntil([] { return false; }, 30);
  c->Send("lit\n");
  EXPECT_EQ(c->Answer(), "split");
  const QByteArray binary("b\0\x01\xff\x7f z", 7);
  c->Send(binary + "\n");
  EXPECT_EQ(c->Answer(), binary);
  ASSERT_EQ(host.log.size(), 17u);
  EXPECT_EQ(host.log[3], "begin Ver");  // the host saw the line without the CR
  EXPECT_EQ(host.log[15], "begin " + binary.toStdString());
  EXPECT_TRUE(c->Unread().isEmpty());
}

TEST_F(EndpointTest, PipelinedRequestsOfOneConnectionRunOneAfterAnother) {
  auto c = Connect();
  c->Send("sleep 50\nafter\nlast\n");
  EXPECT_EQ(c->Answer(), "sleep 50");
  EXPECT_EQ(c->Answer(), "after");
  EXPECT_EQ(c->Answer(), "last");
  // "after" did not start inside the long request although it arrived with it.
  EXPECT_LT(host.At("end sleep 50"), host.At("begin after"));

  // A flood while a request runs: everything is answered, in order.
  QByteArray flood;
  const int n = 30000;
  for (int i = 0; i < n; ++i) flood += QByteArray::number(i).rightJustified(99, '0') + "\n";
  c->Send("sleep 20\n" + flood);
  EXPECT_EQ(c->Answer(), "sleep 20");
  int inOrder = 0;
  for (int i = 0; i < n; ++i)
    if (c->Answer() == QByteArray::number(i).rightJustified(99, '0')) ++inOrder;
  EXPECT_EQ(inOrder, n);
}

// While the host lets nothing but the Stop run (a homing, a "Delay"), a request that is
// due waits, and runs once that has ended.
TEST_F(EndpointTest, NoRequestStartsWhileTheHostHoldsThem) {
  auto c = Connect();
  host.onSleep = [this] { host.held = true; };
  c->Send("sleep 10\nafter\n");
  EXPECT_EQ(c->Answer(), "sleep 10");
  RunEventsUntil([] { return false; }, 50);
  EXPECT_EQ(host.At("begin after"), -1);
  host.held = false;
  EXPECT_EQ(c->Answer(), "after");
}

// A request that came alone starts with reading still on. A line its client sends while
// it runs waits for its answer, and the waiting bytes do not keep waking the event loop.
TEST_F(EndpointTest, ALineSentInsideALoneRequestWaitsWithoutWakingTheLoop) {
  auto a = Connect();
  QElapsedTimer held;
  int turns = 0;
  host.onHold = [&] {
    a->Send("a2\n");
    held.start();
  };
  host.holdUntil = [&] {
    ++turns;
    return held.elapsed() >= 100;
  };
  a->Send("hold\n");
  EXPECT_EQ(a->Answer(), "hold");
  EXPECT_EQ(a->Answer(), "a2");
  EXPECT_LT(host.At("end hold"), host.At("begin a2"));
  EXPECT_LT(turns, 200);  // the 5 ms tick wakes it about 20 times
}

TEST_F(EndpointTest, OtherConnectionsRunNestedInsideALongRequest) {
  auto a = Connect();
  auto b = Connect();
  qsizetype aAnswersWhenBDone = -1;
  host.onHold = [&] {
    b->Send("b1\n");
    a->Send("a2\n");  // must wait for a's first answer
  };
  host.holdUntil = [&] {
    if (!b->HasAnswer()) return false;
    aAnswersWhenBDone = a->AnswersWaiting();
    return true;
  };
  // "hold" starts after "first" has been answered, not from a's own read handler.
  a->Send("first\nhold\n");
  EXPECT_EQ(a->Answer(), "first");
  EXPECT_EQ(a->Answer(), "hold");
  EXPECT_TRUE(host.holdReached);
  EXPECT_EQ(aAnswersWhenBDone, 1);  // "first" only
  EXPECT_EQ(b->Answer(), "b1");
  EXPECT_EQ(a->Answer(), "a2");
  EXPECT_LT(host.At("begin hold"), host.At("begin b1"));
  EXPECT_LT(host.At("end b1"), host.At("end hold"));
  EXPECT_LT(host.At("end hold"), host.At("begin a2"));
}

TEST_F(EndpointTest, LineLimitIsOneMebibyteAndALongerLineClosesTheConnection) {
  const qsizetype max = AutomationEndpoint::kMaxLineBytes;
  auto ok = Connect();
  ok->Send(QByteArray(max, 'x') + "\n");
  EXPECT_EQ(ok->Answer(), "len 1048576");
  ok->Send("still\n");
  EXPECT_EQ(ok->Answer(), "still");

  auto tooLong = Connect();
  tooLong->Send("first\n" + QByteArray(max + 1, 'y') + "\nnever\n");
  EXPECT_EQ(tooLong->Answer(), "first");
  EXPECT_EQ(tooLong->Answer(), "Error Line too long");
  EXPECT_TRUE(tooLong->Closed());
  EXPECT_TRUE(tooLong->Unread().isEmpty());
  EXPECT_EQ(host.At("begin never"), -1);
  EXPECT_EQ(host.At("begin len 1048577"), -1);

  auto unterminated = Connect();
  unterminated->Send(QByteArray(max + 1, 'z'));
  EXPECT_EQ(unterminated->Answer(), "Error Line too long");
  EXPECT_TRUE(unterminated->Closed());
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 2; }));
  EXPECT_EQ(endpoint.ClientCount(), 1);
}

// Past a bound on the input buffered for all clients together, the others wait in their
// sockets while one line at a time completes; every line is answered, and a connection
// keeps no large buffer after its line.
TEST_F(EndpointTest, InputBufferedAcrossClientsIsBoundedAndEveryLineIsAnswered) {
  const qsizetype max = AutomationEndpoint::kMaxLineBytes;
  const int n = int(AutomationEndpoint::kInputBudget / max) + 8;
  qsizetype most = 0;
  host.onExec = [&] { most = std::max(most, endpoint.BufferedInput()); };
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < n; ++i) clients.push_back(Connect());
  // Every client's line is all there but its LF: nothing can be answered yet.
  for (auto& c : clients) c->Send(QByteArray(max, 'x'));
  RunEventsUntil(
      [&] {
        most = std::max(most, endpoint.BufferedInput());
        return false;
      },
      500);
  for (auto& c : clients) c->Send("\n");
  for (auto& c : clients) EXPECT_EQ(c->Answer(20000), "len 1048576");
  EXPECT_LE(most, AutomationEndpoint::kInputBudget + 3 * max);
  EXPECT_EQ(host.Count("begin len 1048576"), n);
  EXPECT_EQ(endpoint.BufferedInput(), 0);
  clients.front()->Send("small\n");
  EXPECT_EQ(clients.front()->Answer(), "small");
}

TEST_F(EndpointTest, SeveralClientsEachGetTheirOwnAnswers) {
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 6; ++i) clients.push_back(Connect());
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("created") == 6; }));
  EXPECT_EQ(endpoint.ClientCount(), 6);
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < 6; ++i) clients[i]->Send("c" + QByteArray::number(i * 10 + round) + "\n");
  for (int i = 0; i < 6; ++i)
    for (int round = 0; round < 3; ++round)
      EXPECT_EQ(clients[i]->Answer(), "c" + QByteArray::number(i * 10 + round));
  clients[1]->socket.disconnectFromServer();
  clients[4].reset();
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 2; }));
  EXPECT_EQ(endpoint.ClientCount(), 4);
  clients[0]->Send("again\n");
  EXPECT_EQ(clients[0]->Answer(), "again");
}

TEST_F(EndpointTest, ClientLeavingMidCommandIsReleasedAfterTheCommandReturns) {
  auto c = Connect();
  host.onSleep = [&] { c->socket.abort(); };
  c->Send("first\nsleep 200\nnever\n");
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 1; }));
  EXPECT_EQ(host.Count("end sleep 200"), 1);
  EXPECT_LT(host.At("end sleep 200"), host.At("released"));
  EXPECT_EQ(host.At("begin never"), -1);
  EXPECT_EQ(endpoint.ClientCount(), 0);
  c.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // Leaving while nested inside another client's request.
  auto outer = Connect();
  auto inner = Connect();
  host.onHold = [&] { inner->Send("x\nsleep 100\n"); };
  host.holdUntil = [&] { return host.Count("end sleep 100") == 1; };
  host.onSleep = [&] { inner->socket.abort(); };
  outer->Send("hold\n");
  EXPECT_EQ(outer->Answer(), "hold");
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 2; }));
  EXPECT_LT(host.At("end sleep 100"), host.At("end hold"));
  outer->Send("alive\n");
  EXPECT_EQ(outer->Answer(), "alive");
}

TEST_F(EndpointTest, CommandTopicExecutesAndAnswersAnEmptyLine) {
  auto c = Connect(socketpath::CommandSocketPath(path));
  c->Send("Z ?\r\nShow\n");
  EXPECT_EQ(c->Answer(), "");
  EXPECT_EQ(c->Answer(), "");
  EXPECT_EQ(host.dde, (std::vector<std::string>{"Z ?", "Show"}));
  EXPECT_EQ(host.Count("created"), 0);
  EXPECT_EQ(endpoint.ClientCount(), 0);
  c->socket.disconnectFromServer();
  EXPECT_TRUE(c->Closed());
  RunEventsUntil([] { return false; }, 50);
  EXPECT_EQ(host.Count("released"), 0);
  EXPECT_TRUE(host.log.empty());
}

// What a request leaves for later (the main window's display) runs once its answer is
// out; the "Command" topic's executes are not requests.
TEST_F(EndpointTest, TheHostIsToldOnceEachAnswerIsOut) {
  programs::RawClient raw(path);
  ASSERT_TRUE(raw.Connected());
  std::vector<QByteArray> arrived;
  host.onReplied = [&] {
    QByteArray got;
    raw.TakeArrived(got);
    arrived.push_back(got);
  };
  raw.Send("a\nb\n");
  EXPECT_TRUE(RunEventsUntil([&] { return arrived.size() == 2; }));
  EXPECT_EQ(arrived, (std::vector<QByteArray>{"a\n", "b\n"}));

  auto c = Connect(socketpath::CommandSocketPath(path));
  c->Send("Show\n");
  EXPECT_EQ(c->Answer(), "");
  EXPECT_EQ(arrived.size(), 2u);
}

// A socket file left at path by a server that died without removing it.
bool LeaveStaleSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, QFile::encodeName(path).constData(), sizeof a.sun_path - 1);
  const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

TEST_F(EndpointTest, SocketsAreUserOnlyAndAStaleSocketIsReplaced) {
  for (const QString& p : {path, socketpath::CommandSocketPath(path)}) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(p).constData(), &st), 0) << p.toStdString();
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << st.st_mode;
    EXPECT_EQ(st.st_mode & 0600, 0600u) << std::oct << st.st_mode;
  }
  // A socket left behind by a copy that died: the next one takes the path over.
  FakeHost otherHost;
  AutomationEndpoint other(otherHost);
  const QString stale = dir.filePath("stale.sock");
  ASSERT_TRUE(LeaveStaleSocket(stale));
  ASSERT_TRUE(LeaveStaleSocket(socketpath::CommandSocketPath(stale)));
  ASSERT_TRUE(other.Listen(stale)) << other.ErrorString().toStdString();
  auto c = Connect(stale);
  c->Send("Ver\n");
  EXPECT_EQ(c->Answer(), "Ver");
  other.Close();
  EXPECT_FALSE(QFile::exists(stale));
}

TEST_F(EndpointTest, APathThatIsNoSocketIsRefusedAndLeftAlone) {
  struct Case {
    const char* what;
    std::function<bool(const QString&)> make;  // puts something at the path
  };
  const QString target = dir.filePath("precious.txt");
  const std::vector<Case> cases = {
      {"regular file", [](const QString& p) { return WriteBytes(p, "data"); }},
      {"empty file", [](const QString& p) { return WriteBytes(p, ""); }},
      {"folder", [](const QString& p) { return QDir().mkdir(p); }},
      {"link to a file", [&](const QString& p) { return QFile::link(target, p); }},
  };
  ASSERT_TRUE(WriteBytes(target, "keep me"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const bool onCommandPath : {false, true}) {
      const QString p = dir.filePath(QString("x%1%2.sock").arg(c.what).arg(onCommandPath));
      const QString occupied = onCommandPath ? socketpath::CommandSocketPath(p) : p;
      ASSERT_TRUE(c.make(occupied));
      const QFileInfo before(occupied);
      FakeHost h;
      AutomationEndpoint e(h);
      EXPECT_FALSE(e.Listen(p));
      EXPECT_TRUE(e.ErrorString().contains("is not a socket")) << e.ErrorString().toStdString();
      const QFileInfo after(occupied);
      EXPECT_TRUE(after.exists() || after.isSymLink());
      EXPECT_EQ(after.isDir(), before.isDir());
      EXPECT_EQ(after.size(), before.size());
      EXPECT_FALSE(QFile::exists(onCommandPath ? p : socketpath::CommandSocketPath(p)));
    }
  }
  EXPECT_EQ(ReadAll(target), "keep me");
}

TEST_F(EndpointTest, ASocketOfAnotherUserIsRefusedInWordsAndLeftAlone) {
  constexpr uid_t kOther = 65534;
  for (const bool onCommandPath : {false, true}) {
    SCOPED_TRACE(onCommandPath ? "command path" : "main path");
    const QString p = dir.filePath(QString("theirs%1.sock").arg(onCommandPath));
    const QString theirs = onCommandPath ? socketpath::CommandSocketPath(p) : p;
    ASSERT_TRUE(LeaveStaleSocket(theirs));
    if (::chown(QFile::encodeName(theirs).constData(), kOther, kOther) != 0)
      GTEST_SKIP() << "only root can give a socket to another user";
    FakeHost h;
    AutomationEndpoint e(h);
    EXPECT_FALSE(e.Listen(p));
    EXPECT_EQ(e.ErrorString(),
              theirs + " is a socket of another user (uid 65534); it is left alone");
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(theirs).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_uid, kOther);
  }
}

TEST_F(EndpointTest, TcpOnLoopbackSpeaksTheSameProtocol) {
  ASSERT_TRUE(endpoint.ListenTcp(0)) << endpoint.ErrorString().toStdString();
  ASSERT_NE(endpoint.TcpPort(), 0);
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, endpoint.TcpPort());
  ASSERT_TRUE(RunEventsUntil([&] { return s.state() == QAbstractSocket::ConnectedState; }));
  s.write("Ver\r\nmulti\n");
  QByteArray got;
  EXPECT_TRUE(RunEventsUntil([&] {
    got += s.readAll();
    return got.count('\n') == 2;
  }));
  EXPECT_EQ(got, "Ver\na b c\n");
  EXPECT_EQ(host.Count("created"), 1);
}

TEST_F(EndpointTest, AtTheEndOfInputEveryCompleteRequestIsAnsweredThenTheConnectionCloses) {
  ASSERT_TRUE(endpoint.ListenTcp(0));
  struct Case {
    const char* what;
    bool tcp;
    QByteArray sent;
    QByteArray answers;
    std::vector<std::string> ran;
  };
  const std::vector<Case> cases = {
      {"four at once",
       false,
       "Ver\nVer\nVer\nVer\n",
       "Ver\nVer\nVer\nVer\n",
       {"Ver", "Ver", "Ver", "Ver"}},
      {"over TCP", true, "a\r\nb\nc\n", "a\nb\nc\n", {"a", "b", "c"}},
      {"a long first request", false, "sleep 60\nnext\n", "sleep 60\nnext\n", {"sleep 60", "next"}},
      {"a partial last line is dropped", false, "one\ntwo", "one\n", {"one"}},
      {"nothing sent", true, "", "", {}},
      {"flood over TCP", true, QByteArray("x\n").repeated(3000), QByteArray("x\n").repeated(3000),
       std::vector<std::string>(3000, "x")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host.log.clear();
    auto client = c.tcp ? std::make_unique<programs::RawClient>(endpoint.TcpPort())
                        : std::make_unique<programs::RawClient>(path);
    ASSERT_TRUE(client->Connected());
    client->Send(c.sent);
    client->EndInput();
    EXPECT_EQ(ReadToEnd(*client), c.answers);
    std::vector<std::string> ran;
    for (const auto& entry : host.log)
      if (entry.rfind("begin ", 0) == 0) ran.push_back(entry.substr(6));
    EXPECT_EQ(ran, c.ran);
    EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 1; }));
    EXPECT_EQ(endpoint.ClientCount(), 0);
  }
}

TEST_F(EndpointTest, AClientThatClosedAltogetherGetsNoFurtherRequestsRun) {
  auto c = std::make_unique<programs::RawClient>(path);
  ASSERT_TRUE(c->Connected());
  host.onSleep = [&] { c.reset(); };  // killed while its first request runs
  programs::RawClient* raw = c.get();
  raw->Send("sleep 50\nsecond\nthird\n");
  EXPECT_TRUE(RunEventsUntil([&] { return host.Count("released") == 1; }));
  EXPECT_EQ(host.At("begin second"), -1);
  EXPECT_EQ(host.At("begin third"), -1);
}

TEST_F(EndpointTest, HeldConnectionsAreTakenUpOnRelease) {
  FakeHost h;
  AutomationEndpoint e(h);
  const QString p = dir.filePath("held.sock");
  e.Hold();
  ASSERT_TRUE(e.Listen(p));
  auto c = Connect(p);  // the connect itself succeeds at once
  c->Send("early\n");
  EXPECT_EQ(c->Answer(200), "<none>");
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(e.ClientCount(), 0);
  e.Release();
  EXPECT_EQ(c->Answer(), "early");
  EXPECT_EQ(h.log, (std::vector<std::string>{"created", "begin early", "end early"}));
}

TEST_F(EndpointTest, TheHostLearnsWhichLinkARequestCameThrough) {
  ASSERT_TRUE(endpoint.ListenTcp(0));
  programs::RawClient tcp(endpoint.TcpPort());
  tcp.Send("t\n");
  tcp.EndInput();
  EXPECT_EQ(ReadToEnd(tcp), "t\n");
  auto local = Connect();
  local->Send("l\n");
  EXPECT_EQ(local->Answer(), "l");
  EXPECT_EQ(host.links, (std::vector<ClientLink>{ClientLink::Tcp, ClientLink::Local}));
}

}  // namespace
