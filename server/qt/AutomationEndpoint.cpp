#include "server/qt/AutomationEndpoint.h"

#include <QFile>
#include <QHostAddress>
#include <QLocalServer>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "server/qt/ClientStream.h"
#include "server/qt/SocketPath.h"

namespace {

// Bytes held in our line buffer: the longest line, its LF, or one byte more than the
// longest line to know that it is too long.
constexpr qsizetype kFillCap = AutomationEndpoint::kMaxLineBytes + 1;
// The first read from a socket, and each one after it; a request line rarely needs a
// second.
constexpr qsizetype kFirstRead = 512;
constexpr qsizetype kReadChunk = 64 * 1024;
// Answers not yet taken by the client; beyond it the connection pauses.
constexpr qsizetype kOutCap = 1024 * 1024;
// A refused connection whose client does not read its last answer is cut after this.
constexpr int kCloseGraceMs = 5000;
// Input thrown away per wake-up of a refused connection.
constexpr int kDiscardChunks = 16;
// A connection's emptied line buffer is kept for its next request up to this size, and
// given back beyond it (after a large line).
constexpr qsizetype kKeptBuffer = 2 * kReadChunk;

const char kTooLong[] = "Error Line too long\n";

// The servers hand over the accepted descriptor itself: a Qt socket object would take
// the end of the client's input for the end of the connection.
template <typename Server, typename Descriptor>
class DescriptorListener : public Server {
 public:
  DescriptorListener(std::function<void(int)> accepted, QObject* parent)
      : Server(parent), accepted_(std::move(accepted)) {}

 protected:
  void incomingConnection(Descriptor fd) override { accepted_(int(fd)); }

 private:
  std::function<void(int)> accepted_;
};
using LocalListener = DescriptorListener<QLocalServer, quintptr>;
using TcpListener = DescriptorListener<QTcpServer, qintptr>;

}  // namespace

// One accepted socket: a KelvorinCmd object, or a "Command" topic connection.
class AutomationEndpoint::Connection : public QObject {
 public:
  Connection(int fd, Kind k, QObject* parent)
      : QObject(parent), stream(new ClientStream(fd, this)), kind(k) {}

  qsizetype Unconsumed() const { return pending.size() - start; }

  // Moves what the socket holds into the line buffer, up to its cap.
  void Fill() {
    qsizetype room = kFillCap - Unconsumed();
    if (room <= 0) return;
    if (start > 0 && start >= pending.size() / 2) {
      pending.remove(0, start);
      start = 0;
    }
    // A request is mostly a few bytes: the first read is into a small buffer.
    char first[kFirstRead];
    const qsizetype want = std::min(room, kFirstRead);
    const qsizetype firstGot = stream->Read(first, want);
    pending.append(first, firstGot);
    if (firstGot < want) return;
    room -= firstGot;
    while (room > 0) {
      const qsizetype chunk = std::min(room, kReadChunk);
      const qsizetype old = pending.size();
      pending.resize(old + chunk);
      const qsizetype got = stream->Read(pending.data() + old, chunk);
      pending.resize(old + got);
      if (got < chunk) return;
      room -= got;
    }
  }

  // Offset of the next LF after start, or -1; remembers how far it looked.
  qsizetype FindLf() {
    const char* from = pending.constData() + start + scanned;
    const void* hit = std::memchr(from, '\n', size_t(Unconsumed() - scanned));
    if (!hit) {
      scanned = Unconsumed();
      return -1;
    }
    return static_cast<const char*>(hit) - (pending.constData() + start);
  }

  // The line before the LF at offset lf, without a CR right before that LF.
  std::string TakeLine(qsizetype lf) {
    const char* p = pending.constData() + start;
    const qsizetype len = (lf > 0 && p[lf - 1] == '\r') ? lf - 1 : lf;
    std::string line(p, size_t(len));
    start += lf + 1;
    scanned = 0;
    if (start == pending.size()) ReleaseInput();
    return line;
  }

  // Empties the line buffer; a large one is given back.
  void ReleaseInput() {
    if (pending.capacity() > kKeptBuffer) pending = QByteArray();
    else pending.resize(0);
    start = scanned = 0;
  }

  ClientLink Link() const { return kind == Kind::Tcp ? ClientLink::Tcp : ClientLink::Local; }

  ClientStream* stream;
  const Kind kind;
  QByteArray pending;  // bytes read from the socket; unconsumed from start on
  qsizetype start = 0;
  qsizetype scanned = 0;   // bytes after start known to hold no LF
  bool busy = false;       // its request is running (events may run nested)
  bool scheduled = false;  // a queued ProcessNext is on its way
  bool stalled = false;    // paused until the client takes its answers
  bool closing = false;    // refused; the rest is discarded
  bool ending = false;     // input ended and all answered; closes once sent
  bool finished = false;   // released; deleted later
  bool parked = false;     // waits for the input buffered by all clients to drain
  qsizetype counted = 0;   // its buffer as counted in the endpoint's total
};

AutomationEndpoint::AutomationEndpoint(AutomationHost& host, QObject* parent)
    : QObject(parent), host_(host) {}

// Connections are children; their sockets are closed with them. The host is not told
// about clients at teardown: it may already be gone.
AutomationEndpoint::~AutomationEndpoint() {
  for (const auto& [fd, kind] : waiting_) ::close(fd);
}

bool AutomationEndpoint::ListenLocal(QLocalServer*& server, const QString& path, Kind kind) {
  if (socketpath::NotOurs(path, error_)) return false;
  if (!server) {
    server = new LocalListener([this, kind](int fd) { Incoming(fd, kind); }, this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
  }
  server->close();
  QLocalServer::removeServer(path);
  if (server->listen(path)) return true;
  error_ = path + QStringLiteral(": ") + server->errorString();
  return false;
}

bool AutomationEndpoint::Listen(const QString& path) {
  const QString command = socketpath::CommandSocketPath(path);
  if (socketpath::NotOurs(command, error_)) return false;  // first: nothing served half-way
  if (!ListenLocal(main_, path, Kind::Local)) return false;
  if (ListenLocal(command_, command, Kind::Command)) return true;
  main_->close();
  return false;
}

bool AutomationEndpoint::ListenTcp(quint16 port) {
  if (!tcp_) tcp_ = new TcpListener([this](int fd) { Incoming(fd, Kind::Tcp); }, this);
  tcp_->close();
  if (tcp_->listen(QHostAddress::LocalHost, port)) return true;
  error_ = QStringLiteral("127.0.0.1:") + QString::number(port) + QStringLiteral(": ") +
           tcp_->errorString();
  return false;
}

quint16 AutomationEndpoint::TcpPort() const {
  return tcp_ && tcp_->isListening() ? tcp_->serverPort() : 0;
}

void AutomationEndpoint::Close() {
  if (main_) main_->close();
  if (command_) command_->close();
  if (tcp_) tcp_->close();
}

void AutomationEndpoint::Hold() { held_ = true; }

void AutomationEndpoint::Release() {
  held_ = false;
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (const auto& [fd, kind] : waiting) Accept(fd, kind);
}

void AutomationEndpoint::Incoming(int fd, Kind kind) {
  if (held_) waiting_.emplace_back(fd, kind);
  else Accept(fd, kind);
}

void AutomationEndpoint::Accept(int fd, Kind kind) {
  if (fd < 0) return;
  if (kind == Kind::Tcp) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  auto* conn = new Connection(fd, kind, this);
  conn->stream->onReadable = [this, conn] { OnReadable(conn); };
  conn->stream->onWritten = [this, conn] { OnWritten(conn); };
  if (kind != Kind::Command) {
    ++clients_;
    host_.ClientCreated();
  }
  UpdateInput(conn);
}

// Reading is on only while the connection can take its next request, so the bytes of
// a busy connection wait in the socket (one request of a connection at a time). A
// running request leaves the notifier as it is: only when events run nested inside it
// and the socket turns readable is reading switched off (OnReadable), which spares the
// typical short request two changes of the event loop's descriptor set.
void AutomationEndpoint::UpdateInput(Connection* conn) {
  const bool ready = !conn->busy && !conn->scheduled && !conn->stalled && !conn->ending &&
                     !conn->parked;
  conn->stream->WantInput(!conn->finished && (conn->closing || ready));
}

void AutomationEndpoint::OnReadable(Connection* conn) {
  if (conn->busy) {  // woken inside its own request: the bytes wait until it returns
    UpdateInput(conn);
    return;
  }
  if (!conn->closing) {
    ProcessNext(conn);
    return;
  }
  char sink[4096];
  for (int i = 0; i < kDiscardChunks && conn->stream->Read(sink, sizeof sink) > 0; ++i) {
  }
  if (conn->stream->InputEnded() || conn->stream->Broken()) Finish(conn);
}

void AutomationEndpoint::OnWritten(Connection* conn) {
  if (conn->finished) return;
  if (conn->stream->Broken()) {
    if (!conn->busy) Finish(conn);  // else RunLine finishes it when the request returns
    return;
  }
  const qsizetype unsent = conn->stream->Unsent();
  if (conn->stalled && unsent <= kOutCap / 2) {
    conn->stalled = false;
    ScheduleNext(conn);
  }
  if (unsent > 0) return;
  if (conn->ending) Finish(conn);
  else if (conn->closing) conn->stream->EndOutput();
}

void AutomationEndpoint::ProcessNext(Connection* conn) {
  if (conn->busy || conn->finished || conn->closing || conn->ending) return;
  if (conn->stream->Unsent() > kOutCap) {
    conn->stalled = true;
    UpdateInput(conn);
    return;
  }
  if (conn->FindLf() < 0) {  // no whole line buffered yet: more input is needed
    if (!MayRead(conn)) {
      Park(conn);
      return;
    }
    conn->Fill();
    Count(conn);
  }
  if (conn->stream->Broken()) {
    Finish(conn);
    return;
  }
  const qsizetype lf = conn->FindLf();
  if (lf > kMaxLineBytes || (lf < 0 && conn->Unconsumed() > kMaxLineBytes)) {
    RefuseLongLine(conn);
  } else if (lf >= 0) {
    // After the end of input, a client that has closed altogether gets nothing more.
    if (conn->stream->InputEnded() && conn->stream->PeerClosed()) {
      Finish(conn);
    } else {
      std::string line = conn->TakeLine(lf);
      Count(conn);
      RunLine(conn, std::move(line));
    }
  } else if (conn->stream->InputEnded()) {
    EndWhenSent(conn);  // every complete request is answered; a partial one is dropped
  } else {
    UpdateInput(conn);
  }
}

void AutomationEndpoint::RunLine(Connection* conn, std::string&& line) {
  std::string reply;
  conn->busy = true;
  const bool request = conn->kind != Kind::Command;
  if (request) reply = host_.Exec(line, conn->Link());
  else host_.DdeExecute(line);
  conn->busy = false;
  Answer(conn, reply);
  if (request) host_.Replied();
}

void AutomationEndpoint::Answer(Connection* conn, std::string& reply) {
  if (conn->finished) return;
  std::replace(reply.begin(), reply.end(), '\n', ' ');
  reply.push_back('\n');
  if (!conn->stream->Broken()) conn->stream->Write(reply.data(), qsizetype(reply.size()));
  if (conn->stream->Broken()) {  // the client is gone: the answer has nowhere to go
    Finish(conn);
    return;
  }
  // The next request starts from the event loop, not from inside this one.
  if (conn->Unconsumed() > 0 || conn->stream->InputEnded()) ScheduleNext(conn);
  else UpdateInput(conn);
}

void AutomationEndpoint::RefuseLongLine(Connection* conn) {
  conn->closing = true;
  conn->pending = QByteArray();
  conn->start = conn->scanned = 0;
  Count(conn);
  conn->stream->Write(kTooLong, qsizetype(sizeof(kTooLong) - 1));
  if (conn->stream->Unsent() == 0) conn->stream->EndOutput();
  QTimer::singleShot(kCloseGraceMs, conn, [this, conn] { Finish(conn); });
  UpdateInput(conn);
}

void AutomationEndpoint::EndWhenSent(Connection* conn) {
  conn->ending = true;
  UpdateInput(conn);
  if (conn->stream->Unsent() == 0 || conn->stream->Broken()) Finish(conn);
}

void AutomationEndpoint::ScheduleNext(Connection* conn) {
  if (conn->scheduled || conn->finished) return;
  conn->scheduled = true;
  UpdateInput(conn);
  QMetaObject::invokeMethod(
      conn,
      [this, conn] {
        conn->scheduled = false;
        if (host_.RequestsHeld()) ScheduleNext(conn);  // once per pass of the event loop
        else ProcessNext(conn);
      },
      Qt::QueuedConnection);
}

void AutomationEndpoint::Finish(Connection* conn) {
  if (conn->finished) return;
  conn->finished = true;
  conn->pending = QByteArray();
  Count(conn);
  conn->stream->Close();
  conn->deleteLater();
  if (conn->kind != Kind::Command) {
    --clients_;
    host_.ClientReleased();
  }
}

// Input buffered by all clients is bounded: past the bound, one connection at a time (the
// first that asked) goes on reading, so its line can complete and be answered, and the
// others wait with their bytes in their sockets until the total has drained.
bool AutomationEndpoint::MayRead(Connection* conn) {
  const auto queued = std::find(overBudget_.begin(), overBudget_.end(), conn);
  if (buffered_ < kInputBudget && queued == overBudget_.end()) return true;
  if (queued == overBudget_.end()) overBudget_.push_back(conn);
  return buffered_ < kInputBudget || overBudget_.front() == conn;
}

void AutomationEndpoint::Park(Connection* conn) {
  conn->parked = true;
  UpdateInput(conn);
}

// Keeps the total of buffered input up to date after a connection's buffer changed. A
// connection whose buffer is empty (its line taken) leaves the queue; when the total
// went down or another connection is first in the queue, the parked ones look again.
void AutomationEndpoint::Count(Connection* conn) {
  const qsizetype now = conn->pending.capacity();
  const qsizetype change = now - conn->counted;
  buffered_ += change;
  conn->counted = now;
  const Connection* first = overBudget_.empty() ? nullptr : overBudget_.front();
  if (conn->finished || conn->Unconsumed() == 0)
    overBudget_.erase(std::remove(overBudget_.begin(), overBudget_.end(), conn), overBudget_.end());
  const bool firstChanged = !overBudget_.empty() && overBudget_.front() != first;
  if (change >= 0 && !firstChanged) return;
  for (Connection* waiting : overBudget_) {
    if (!waiting->parked) continue;
    waiting->parked = false;
    ScheduleNext(waiting);
  }
}
