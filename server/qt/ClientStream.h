#pragma once
// One accepted stream socket (Unix-domain or TCP), read and written directly on its
// descriptor. The end of the client's input (a half-close) is only an event here; the
// way back stays open, so requests already received can still be answered. Readiness
// is reported through the callbacks; reading is enabled only when the owner wants
// more input, so unread bytes never wake the event loop in vain.
#include <QByteArray>
#include <QObject>
#include <QtGlobal>

#include <functional>

class QSocketNotifier;

class ClientStream : public QObject {
 public:
  // Takes ownership of fd and makes it non-blocking.
  ClientStream(int fd, QObject* parent);
  ~ClientStream() override;

  std::function<void()> onReadable;  // bytes or the end of input are waiting
  std::function<void()> onWritten;   // some queued output went out (or failed)

  // Reads up to max bytes into dst; returns the count (0 when nothing waits). Sets
  // InputEnded() at the end of the client's input and Broken() on an error.
  qsizetype Read(char* dst, qsizetype max);
  // Queues bytes and sends what the socket takes now.
  void Write(const char* data, qsizetype size);
  qsizetype Unsent() const { return out_.size() - outStart_; }

  void WantInput(bool want);
  // No more output from us; the client still may send (and we may read).
  void EndOutput();
  // True when the client has closed its socket altogether (not just its sending side);
  // only a Unix-domain socket can tell before a write fails.
  bool PeerClosed() const;
  void Close();

  bool InputEnded() const { return inputEnded_; }
  bool Broken() const { return broken_; }

 private:
  void Flush();

  int fd_;
  QSocketNotifier* readable_;
  QSocketNotifier* writable_;
  QByteArray out_;
  qsizetype outStart_ = 0;
  bool inputEnded_ = false;
  bool broken_ = false;
};
