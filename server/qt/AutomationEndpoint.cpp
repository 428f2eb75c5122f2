#include "server/qt/AutomationEndpoint.h"

#include <QHostAddress>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstring>

#include "server/AutomationHost.h"
#include "server/qt/SocketPath.h"

namespace {

// Bytes held in our line buffer: the longest line, its LF, or one byte more than the
// longest line to know that it is too long.
constexpr qsizetype kFillCap = AutomationEndpoint::kMaxLineBytes + 1;
// What a socket reads ahead of us; beyond it the client waits (no unbounded growth
// when a client floods a connection whose request is running).
constexpr qint64 kSocketReadAhead = 64 * 1024;
// Answers not yet taken by the client; beyond it the connection pauses.
constexpr qint64 kOutCap = 1024 * 1024;
// A refused connection whose client does not read its last answer is cut after this.
constexpr int kCloseGraceMs = 5000;

const char kTooLong[] = "Error Line too long\n";

void Flush(QIODevice* io) {
  if (auto* local = qobject_cast<QLocalSocket*>(io)) local->flush();
  else if (auto* tcp = qobject_cast<QAbstractSocket*>(io)) tcp->flush();
}

}  // namespace

// One accepted socket: a KelvorinCmd object, or a "Command" topic connection.
class AutomationEndpoint::Connection : public QObject {
 public:
  Connection(QIODevice* device, bool command, QObject* parent)
      : QObject(parent), io(device), commandTopic(command) {
    io->setParent(this);
  }

  qsizetype Unconsumed() const { return pending.size() - start; }

  // Moves what the socket holds into the line buffer, up to its cap.
  void Fill() {
    const qint64 n = std::min<qint64>(io->bytesAvailable(), kFillCap - Unconsumed());
    if (n <= 0) return;
    if (start > 0 && start >= pending.size() / 2) {
      pending.remove(0, start);
      start = 0;
    }
    const qsizetype old = pending.size();
    pending.resize(old + n);
    const qint64 got = io->read(pending.data() + old, n);
    pending.resize(old + std::max<qint64>(got, 0));
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
    if (start == pending.size()) {
      pending.resize(0);
      start = 0;
    }
    return line;
  }

  bool HasInput() const { return Unconsumed() > 0 || io->bytesAvailable() > 0; }

  bool Open() const {
    if (auto* local = qobject_cast<QLocalSocket*>(io))
      return local->state() == QLocalSocket::ConnectedState;
    if (auto* tcp = qobject_cast<QAbstractSocket*>(io))
      return tcp->state() == QAbstractSocket::ConnectedState;
    return false;
  }

  // Closes once what was written has gone out.
  void Disconnect() {
    if (auto* local = qobject_cast<QLocalSocket*>(io)) local->disconnectFromServer();
    else if (auto* tcp = qobject_cast<QAbstractSocket*>(io)) tcp->disconnectFromHost();
  }

  void Abort() {
    if (auto* local = qobject_cast<QLocalSocket*>(io)) local->abort();
    else if (auto* tcp = qobject_cast<QAbstractSocket*>(io)) tcp->abort();
  }

  QIODevice* io;
  const bool commandTopic;
  QByteArray pending;    // bytes read from the socket; unconsumed from start on
  qsizetype start = 0;
  qsizetype scanned = 0;  // bytes after start known to hold no LF
  bool busy = false;       // its request is running (events may run nested)
  bool scheduled = false;  // a queued ProcessNext is on its way
  bool stalled = false;    // paused until the client takes its answers
  bool closing = false;    // refused; the rest is discarded
  bool gone = false;       // the client closed
  bool finished = false;   // released; deleted later
};

AutomationEndpoint::AutomationEndpoint(AutomationHost& host, QObject* parent)
    : QObject(parent), host_(host) {}

// Connections are children; their sockets are deleted with them. The host is not
// told about clients at teardown: it may already be gone.
AutomationEndpoint::~AutomationEndpoint() = default;

bool AutomationEndpoint::Listen(const QString& path) {
  auto listen = [this](QLocalServer*& server, const QString& name, bool commandTopic) {
    if (!server) {
      server = new QLocalServer(this);
      server->setSocketOptions(QLocalServer::UserAccessOption);
      connect(server, &QLocalServer::newConnection, this, [this, server, commandTopic] {
        while (server->hasPendingConnections())
          Accept(server->nextPendingConnection(), commandTopic);
      });
    }
    server->close();
    QLocalServer::removeServer(name);
    if (server->listen(name)) return true;
    error_ = name + QStringLiteral(": ") + server->errorString();
    return false;
  };
  if (!listen(main_, path, false)) return false;
  if (listen(command_, socketpath::CommandSocketPath(path), true)) return true;
  main_->close();
  return false;
}

bool AutomationEndpoint::ListenTcp(quint16 port) {
  if (!tcp_) {
    tcp_ = new QTcpServer(this);
    connect(tcp_, &QTcpServer::newConnection, this, [this] {
      while (tcp_->hasPendingConnections()) Accept(tcp_->nextPendingConnection(), false);
    });
  }
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

void AutomationEndpoint::Accept(QIODevice* io, bool commandTopic) {
  if (!io) return;
  auto* conn = new Connection(io, commandTopic, this);
  connect(io, &QIODevice::readyRead, conn, [this, conn] { OnReadyRead(conn); });
  connect(io, &QIODevice::bytesWritten, conn, [this, conn] { OnBytesWritten(conn); });
  if (auto* local = qobject_cast<QLocalSocket*>(io)) {
    local->setReadBufferSize(kSocketReadAhead);
    connect(local, &QLocalSocket::disconnected, conn, [this, conn] { OnGone(conn); });
  } else if (auto* tcp = qobject_cast<QAbstractSocket*>(io)) {
    tcp->setReadBufferSize(kSocketReadAhead);
    tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(tcp, &QAbstractSocket::disconnected, conn, [this, conn] { OnGone(conn); });
  }
  if (!commandTopic) {
    ++clients_;
    host_.ClientCreated();
  }
  if (!conn->Open()) OnGone(conn);
  else if (conn->HasInput()) ScheduleNext(conn);
}

void AutomationEndpoint::OnReadyRead(Connection* conn) {
  if (conn->closing) {
    conn->io->skip(conn->io->bytesAvailable());
    return;
  }
  // While its own request runs (or its next one is queued), the bytes wait in the
  // socket: one request of a connection at a time.
  if (conn->busy || conn->scheduled || conn->stalled) return;
  ProcessNext(conn);
}

void AutomationEndpoint::OnGone(Connection* conn) {
  conn->gone = true;
  if (!conn->busy) Finish(conn);  // else RunLine finishes it when the request returns
}

void AutomationEndpoint::OnBytesWritten(Connection* conn) {
  if (conn->stalled && conn->io->bytesToWrite() <= kOutCap / 2) {
    conn->stalled = false;
    ScheduleNext(conn);
  }
}

void AutomationEndpoint::ProcessNext(Connection* conn) {
  if (conn->busy || conn->gone || conn->closing || conn->finished) return;
  if (conn->io->bytesToWrite() > kOutCap) {
    conn->stalled = true;
    return;
  }
  conn->Fill();
  const qsizetype lf = conn->FindLf();
  if (lf > kMaxLineBytes || (lf < 0 && conn->Unconsumed() > kMaxLineBytes)) {
    RefuseLongLine(conn);
    return;
  }
  if (lf >= 0) RunLine(conn, conn->TakeLine(lf));
}

void AutomationEndpoint::RunLine(Connection* conn, std::string&& line) {
  std::string reply;
  conn->busy = true;
  if (conn->commandTopic) host_.DdeExecute(line);
  else reply = host_.Exec(line);
  conn->busy = false;
  if (conn->gone) {  // closed while it ran: the answer has nowhere to go
    Finish(conn);
    return;
  }
  std::replace(reply.begin(), reply.end(), '\n', ' ');
  reply.push_back('\n');
  conn->io->write(reply.data(), qint64(reply.size()));
  Flush(conn->io);
  // The next request starts from the event loop, not from inside this one.
  if (!conn->finished && conn->HasInput()) ScheduleNext(conn);
}

void AutomationEndpoint::RefuseLongLine(Connection* conn) {
  conn->closing = true;
  conn->pending = QByteArray();
  conn->start = conn->scanned = 0;
  conn->io->write(kTooLong, qint64(sizeof(kTooLong) - 1));
  Flush(conn->io);
  QTimer::singleShot(kCloseGraceMs, conn, [conn] { conn->Abort(); });
  conn->Disconnect();
}

void AutomationEndpoint::ScheduleNext(Connection* conn) {
  if (conn->scheduled || conn->finished) return;
  conn->scheduled = true;
  QMetaObject::invokeMethod(
      conn,
      [this, conn] {
        conn->scheduled = false;
        ProcessNext(conn);
      },
      Qt::QueuedConnection);
}

void AutomationEndpoint::Finish(Connection* conn) {
  if (conn->finished) return;
  conn->finished = true;
  conn->deleteLater();
  if (!conn->commandTopic) {
    --clients_;
    host_.ClientReleased();
  }
}
