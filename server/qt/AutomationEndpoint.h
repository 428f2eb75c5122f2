#pragma once
// The automation endpoint: KelvorinCmd.Exec over a local stream socket.
//
// One connection is one KelvorinCmd object. A request is one line ending in LF (a CR
// right before the LF is dropped); the answer is the host's reply plus LF, with any
// LF inside the reply sent as a blank. Requests of one connection are answered in
// order; requests of other connections may run nested inside a long one, because the
// host lets window events run while it waits for a motion. When a client's input ends,
// the complete requests already received are still answered, then the connection
// closes. The "Command" topic socket (PATH.Command) takes DDE-style executes and
// answers each with an empty line.
#include <QObject>
#include <QString>

#include <deque>
#include <string>
#include <vector>

#include "common/WireLimits.h"
#include "server/AutomationHost.h"

class QLocalServer;
class QTcpServer;

class AutomationEndpoint : public QObject {
  Q_OBJECT

 public:
  // The longest request line, without its LF.
  static constexpr qsizetype kMaxLineBytes = wire::kMaxLineBytes;
  // Request input buffered across all clients; past it, reading pauses (one connection
  // at a time goes on) until answered lines have freed room.
  static constexpr qsizetype kInputBudget = 16 * kMaxLineBytes;

  explicit AutomationEndpoint(AutomationHost& host, QObject* parent = nullptr);
  ~AutomationEndpoint() override;

  // Serves PATH and PATH.Command, readable and writable by the owning user only. A
  // socket left at either path is removed first (the caller has already made sure that
  // no other instance serves it); any other kind of file there is left alone and
  // refused.
  bool Listen(const QString& path);
  // Also serves the main protocol on TCP, 127.0.0.1 only; port 0 picks a free port.
  bool ListenTcp(quint16 port);
  quint16 TcpPort() const;
  // Stops accepting connections and removes the socket files; open connections stay.
  void Close();
  QString ErrorString() const { return error_; }

  // While held, clients can connect and send, but their connections are taken up only
  // when released (the program is still starting).
  void Hold();
  void Release();

  // Open connections that count as KelvorinCmd objects.
  int ClientCount() const { return clients_; }
  // Bytes held in the connections' line buffers, all together.
  qsizetype BufferedInput() const { return buffered_; }

 private:
  class Connection;
  enum class Kind { Local, Tcp, Command };

  bool ListenLocal(QLocalServer*& server, const QString& path, Kind kind);
  void Incoming(int fd, Kind kind);
  void Accept(int fd, Kind kind);
  void UpdateInput(Connection* conn);
  void OnReadable(Connection* conn);
  void OnWritten(Connection* conn);
  void ProcessNext(Connection* conn);
  void RunLine(Connection* conn, std::string&& line);
  void Answer(Connection* conn, std::string& reply);
  void RefuseLongLine(Connection* conn);
  void EndWhenSent(Connection* conn);
  void ScheduleNext(Connection* conn);
  void Finish(Connection* conn);
  bool MayRead(Connection* conn);
  void Park(Connection* conn);
  void Count(Connection* conn);

  AutomationHost& host_;
  QLocalServer* main_ = nullptr;
  QLocalServer* command_ = nullptr;
  QTcpServer* tcp_ = nullptr;
  QString error_;
  int clients_ = 0;
  bool held_ = false;
  std::vector<std::pair<int, Kind>> waiting_;  // accepted while held
  qsizetype buffered_ = 0;                     // capacity of all connections' line buffers
  // Connections that asked to read while the total was past kInputBudget, first first.
  std::deque<Connection*> overBudget_;
};
