// The serial link over a real pseudo-terminal: COMM on QtSerialPort at the slave side,
// the test playing the controller on the master side.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "Programs.h"
#include "controller/COMM.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtSerialPort.h"

namespace {

using namespace std::chrono_literals;

// The controller's end of the line.
class PtyMaster {
 public:
  PtyMaster() {
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) return;
    termios raw{};
    ::tcgetattr(fd_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd_, TCSANOW, &raw);
    slave_ = ::ptsname(fd_);
  }
  ~PtyMaster() { Close(); }
  PtyMaster(const PtyMaster&) = delete;
  PtyMaster& operator=(const PtyMaster&) = delete;

  const std::string& SlaveName() const { return slave_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  void Write(const std::string& bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Everything up to and including the first `end`, or what came within timeoutMs.
  std::string ReadUntil(char end, int timeoutMs = 3000) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.empty() || got.back() != end) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd pfd{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
      char c;
      if (::read(fd_, &c, 1) != 1) break;
      got += c;
    }
    return got;
  }

 private:
  int fd_ = -1;
  std::string slave_;
};

std::vector<std::string> LogLines(const COMM& comm) {
  std::vector<std::string> lines;
  const std::string log = comm.CommGetLog();
  for (size_t from = 0, at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(log.substr(from, at - from));
  return lines;
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  int n = 0;
  for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

class SerialPtyTest : public ::testing::Test {
 protected:
  // The link opens the device by a name of its own, as a controller's adapter is named:
  // once the device is gone, that name names nothing, and no later try to open the device
  // again can reach a terminal that another program has been given meanwhile.
  void SetUp() override {
    ASSERT_FALSE(pty.SlaveName().empty());
    ASSERT_TRUE(dir.isValid());
    link = dir.path().toStdString() + "/tty";
    ASSERT_EQ(::symlink(pty.SlaveName().c_str(), link.c_str()), 0);
    comm.CommInit();
    comm.CommSetOutTerm(13);
    comm.CommSetInTerm(13);
    comm.CommSetInTerm2(10);
    comm.CommSetPortName(link);
    ASSERT_TRUE(comm.CommOpenPort(1)) << comm.CommGetLog();
  }
  // One exchange with a controller that answers `reply` in the given pieces.
  int16_t Exchange(const std::string& cmd, std::vector<std::string> pieces, std::string& received) {
    std::thread controller([&] {
      received = pty.ReadUntil('\r');
      for (const auto& p : pieces) {
        pty.Write(p);
        std::this_thread::sleep_for(30ms);
      }
    });
    const int16_t result = comm.CommOutIn2(cmd, reply);
    controller.join();
    return result;
  }

  // The controller's end goes away, and with it the device's name.
  void LoseDevice() {
    pty.Close();
    ::unlink(link.c_str());
  }

  PtyMaster pty;
  QTemporaryDir dir;
  std::string link;
  SystemClock clock;
  QtSerialPort port;
  COMM comm{port, clock};
  std::string reply;
};

TEST_F(SerialPtyTest, CommandIsByteExactAndReplyPiecesAreJoined) {
  std::string received;
  EXPECT_EQ(Exchange("/1?0", {"/0`", "12", "34\x03\r", "\n"}, received), 1);
  EXPECT_EQ(received, "/1?0\r");
  EXPECT_EQ(reply, "/0`1234\x03");
  EXPECT_EQ(comm.CommGetLog(), "");
}

TEST_F(SerialPtyTest, TimeOutHandsBackPartialText) {
  comm.CommSetTimeout(150);
  std::string received;
  EXPECT_EQ(Exchange("/1Q", {"/0`"}, received), -1);
  EXPECT_EQ(reply, "/0`");
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"Port TimeOut"});
}

TEST_F(SerialPtyTest, LateReplyIsDiscardedBeforeTheNextCommand) {
  pty.Write("/0`\x03\r\n");  // the answer to a command that had already timed out
  std::this_thread::sleep_for(50ms);
  std::string received;
  EXPECT_EQ(Exchange("/1Q", {"/0@\x03\r\n"}, received), 1);
  EXPECT_EQ(received, "/1Q\r");
  EXPECT_EQ(reply, "/0@\x03");
  EXPECT_EQ(LogLines(comm),
            std::vector<std::string>{"CommOut discarded stale input: /0`\\x03\\r\\n"});
}

// The port reads the descriptor itself during an exchange, while Qt's event loop takes in
// what comes between exchanges: whichever holds the older bytes hands them out first.
TEST_F(SerialPtyTest, BytesComeOutInTheOrderTheyArrivedWhoeverTookThemIn) {
  const auto runEvents = [] {
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(2ms);
      QCoreApplication::processEvents();
    }
  };
  PortError err;
  std::string got;
  pty.Write("ab");
  runEvents();  // Qt's buffer holds "ab"
  pty.Write("cd");
  std::this_thread::sleep_for(20ms);
  while (got.size() < 4 && port.WaitForData(1000)) {
    ASSERT_GT(port.Waiting(err), 0);
    port.Read(got, err);
  }
  EXPECT_EQ(got, "abcd");

  got.clear();
  pty.Write("ef");
  ASSERT_TRUE(port.WaitForData(1000));  // taken from the descriptor
  pty.Write("gh");
  runEvents();  // Qt's event loop takes in "gh"
  ASSERT_GE(port.Waiting(err), 4);
  port.Read(got, err);
  EXPECT_EQ(got, "efgh");
}

TEST_F(SerialPtyTest, HangUpDuringExchangesClosesPortOnceAndFailsFast) {
  comm.CommSetTimeout(3000);
  std::string received;
  ASSERT_EQ(Exchange("/1Q", {"/0`\x03\r\n"}, received), 1);

  LoseDevice();  // the peer disappears
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(comm.CommOutIn2("/1Q", reply), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3000ms)
      << "four exchanges together took less than one time-out";
  EXPECT_FALSE(port.IsOpen());
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();

  const auto lines = LogLines(comm);
  ASSERT_EQ(lines.size(), 1u + 4u * 2u) << "no flood: " << comm.CommGetLog();
  EXPECT_EQ(lines[0], "CommPort device lost: Device hung up");
  EXPECT_EQ(Count(lines, "CommPort device lost: "), 1);
  EXPECT_EQ(Count(lines, "CommOut  10 Device is not open"), 4);
  EXPECT_EQ(Count(lines, "CommIn2  10 Device is not open"), 4);
}

TEST_F(SerialPtyTest, HangUpWhileIdleIsNoticedOnceAndReopenWorks) {
  LoseDevice();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  std::this_thread::sleep_for(20ms);
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(LogLines(comm), std::vector<std::string>{"CommPort device lost: Device hung up"});

  // Re-configuration onto a fresh line.
  PtyMaster other;
  comm.CommClosePort();
  comm.CommSetPortName(other.SlaveName());
  ASSERT_TRUE(comm.CommOpenPort(1));
  std::thread controller([&] {
    if (other.ReadUntil('\r') == "/1Q\r") other.Write("/0`\x03\r\n");
  });
  EXPECT_EQ(comm.CommOutIn2("/1Q", reply), 1);
  controller.join();
  EXPECT_EQ(reply, "/0`\x03");
}

// kelvorin-sim on a link path goes away and a new one comes up on the same path: the
// link notices the loss while idle, and the next exchange opens the device again.
TEST(SerialPtyReopen, LostDeviceIsOpenedAgainByTheNextExchange) {
  QTemporaryDir dir;
  const QString tty = dir.path() + "/tty";
  auto sim = std::make_unique<programs::Sim>("EZHR17", tty, dir.path() + "/sim.log");
  ASSERT_TRUE(sim->ok());
  SystemClock clock;
  QtSerialPort port;
  COMM comm{port, clock};
  comm.CommInit();
  comm.CommSetOutTerm(13);
  comm.CommSetInTerm(13);
  comm.CommSetInTerm2(10);
  comm.CommSetPortName(tty.toStdString());
  ASSERT_TRUE(comm.CommOpenPort(1));
  comm.CommSetTimeout(300);
  std::string reply;
  ASSERT_EQ(comm.CommOutIn2("/1z77R", reply), 1);

  sim.reset();
  for (int i = 0; i < 10 && port.IsOpen(); ++i) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_FALSE(port.IsOpen());
  // While the device is away, exchanges fail at once.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);

  sim = std::make_unique<programs::Sim>("EZHR17", tty, dir.path() + "/sim2.log");
  ASSERT_TRUE(sim->ok());
  std::this_thread::sleep_for(std::chrono::milliseconds(COMM::kReopenIntervalMs));
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), 1);
  EXPECT_EQ(reply, "\xFF/0`0\x03") << "a new controller, not set up again";
  const auto lines = LogLines(comm);
  EXPECT_EQ(Count(lines, "CommPort device lost: "), 1) << comm.CommGetLog();
  EXPECT_EQ(Count(lines, "CommPort reopened: " + tty.toStdString()), 1) << comm.CommGetLog();
  EXPECT_EQ(lines.back(), "CommPort reopened: " + tty.toStdString());
}

}  // namespace

namespace {

// A pty slave this process cannot open: no modes for anyone, and for root the test
// drops its effective user id to nobody's around the open.
class ClosedDevice {
 public:
  ClosedDevice() {
    ::chmod(pty_.SlaveName().c_str(), 0);
    if (::geteuid() == 0) asRoot_ = ::seteuid(kNobody) == 0;
  }
  ~ClosedDevice() {
    if (asRoot_) (void)::seteuid(0);
  }
  const std::string& Name() const { return pty_.SlaveName(); }
  std::string Group() const {
    struct stat st {};
    ::stat(Name().c_str(), &st);
    const group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : std::to_string(st.st_gid);
  }

 private:
  static constexpr uid_t kNobody = 65534;
  PtyMaster pty_;
  bool asRoot_ = false;
};

TEST(SerialPortWords, APortThatCannotBeOpenedIsExplained) {
  QtSerialPort port;
  PortError err;
  EXPECT_FALSE(port.Open("/dev/no-such-tty", err));
  EXPECT_EQ(err.description.rfind("No port /dev/no-such-tty; ports here: ", 0), 0u)
      << err.description;
  ClosedDevice closed;
  const std::string group = closed.Group();
  EXPECT_FALSE(port.Open(closed.Name(), err));
  EXPECT_EQ(err.description, "Permission denied on " + closed.Name() +
                                 ": add your user to the group '" + group + "' (sudo usermod -aG " +
                                 group + " $USER) and log in again");
}

TEST(SerialPortWords, ListPortsPrintsOneTabbedLinePerPortAndExits) {
  QTemporaryDir dir;
  programs::Sim sim("EZHR17", dir.filePath("lift-tty"), dir.filePath("sim.log"));
  ASSERT_TRUE(sim.ok());
  QProcess k;
  k.start(programs::Bin("kelvorin"), {"--list-ports"});
  ASSERT_TRUE(k.waitForFinished(10000));
  EXPECT_EQ(k.exitCode(), 0);
  for (const QByteArray& line : k.readAllStandardOutput().split('\n')) {
    if (!line.isEmpty()) {
      EXPECT_EQ(line.count('\t'), 4) << line.toStdString();
    }
  }
}

}  // namespace
