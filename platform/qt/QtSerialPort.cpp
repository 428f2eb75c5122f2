#include "platform/qt/QtSerialPort.h"

#include "platform/qt/SerialPortNames.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <optional>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr int kWriteSlackMs = 100;

// At 9600 baud a byte takes about a millisecond on the line.
int WriteTimeoutMs(size_t bytes) { return kWriteSlackMs + 2 * static_cast<int>(bytes); }

bool MeansDeviceGone(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

}  // namespace

// Marks the time during which the adapter works with the port; events noticed meanwhile
// go out once the outermost operation is done.
class QtSerialPort::Operation {
 public:
  explicit Operation(QtSerialPort& owner) : owner_(owner) { ++owner_.depth_; }
  ~Operation() {
    if (--owner_.depth_ == 0) owner_.FlushEvents();
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

 private:
  QtSerialPort& owner_;
};

QtSerialPort::QtSerialPort() {
  QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                   [this](QSerialPort::SerialPortError error) { OnError(error); });
  // Bytes taken in by Qt's event loop while no exchange runs: look at the line counters.
  QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
    if (depth_ == 0) NoteLineErrors();
  });
}

QtSerialPort::~QtSerialPort() {
  QObject::disconnect(&port_, nullptr, nullptr, nullptr);
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::Open(const std::string& name, PortError& err) {
  Operation op(*this);
  lost_ = false;
  pending_.clear();
  taken_.clear();
  port_.setPortName(QString::fromStdString(name));
  port_.setBaudRate(QSerialPort::Baud9600);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) {
    err = CurrentError();
    Explain(name, err);
    return false;
  }
  explained_ = {};
  StartLineErrorWatch();
  return true;
}

// A missing device, or one without permission, is explained in words; a device that keeps
// failing the same way (opened again every second while it is away) is explained once.
void QtSerialPort::Explain(const std::string& name, PortError& err) {
  if (explained_.device != name || explained_.code != err.code)
    explained_ = {
        name, err.code,
        serialportnames::Explain(name, static_cast<QSerialPort::SerialPortError>(err.code))};
  if (!explained_.text.empty()) err.description = explained_.text;
}

bool QtSerialPort::Close(PortError& err) {
  Operation op(*this);
  if (port_.isOpen()) port_.close();
  // Whatever the closing itself reported belongs to the device just let go.
  lost_ = false;
  pending_.clear();
  taken_.clear();
  countersSupported_ = false;
  return true;
}

bool QtSerialPort::IsOpen() const { return port_.isOpen(); }

// Straight to the descriptor: a command is a few bytes that the tty takes at once, and
// going through QSerialPort's buffer would cost a wake-up of the event loop and a poll
// before they leave. Only a full output queue makes it wait, for the port to drain.
bool QtSerialPort::Write(std::string_view data, PortError& err) {
  Operation op(*this);
  if (!Usable(err)) return false;
  const int fd = Descriptor();
  std::optional<Clock::time_point> deadline;  // from the first wait on
  const size_t size = data.size();
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EAGAIN) {
      if (!deadline) deadline = Clock::now() + std::chrono::milliseconds(WriteTimeoutMs(size));
      if (!WaitWritable(fd, *deadline)) {
        err = {static_cast<int>(QSerialPort::TimeoutError), "Operation timed out"};
        return false;
      }
    } else if (n == 0 || errno != EINTR) {
      return WriteFailed(n == 0 ? EIO : errno, err);
    }
  }
  return true;
}

// A failed write as QSerialPort reports it; an I/O error means the device is gone.
bool QtSerialPort::WriteFailed(int error, PortError& err) {
  const bool gone = error == EIO || error == EBADF;
  const auto code = gone ? QSerialPort::ResourceError : QSerialPort::WriteError;
  const std::string text = qt_error_string(error).toStdString();
  if (gone) MarkLost(static_cast<int>(code), text);
  err = lost_ ? lostError_ : PortError{static_cast<int>(code), text};
  return false;
}

// With nothing at hand, a poll of the descriptor without waiting, so that bytes that just
// came count (and a hang-up is noticed); it is read only when there is something to see.
long QtSerialPort::Waiting(PortError& err) {
  Operation op(*this);
  if (!Usable(err)) return -1;
  if (port_.bytesAvailable() == 0 && taken_.empty()) TakeWhenReady(0);
  NoteLineErrors();
  const auto waiting = static_cast<long>(port_.bytesAvailable()) + static_cast<long>(taken_.size());
  if (waiting == 0 && !Usable(err)) return -1;
  return waiting;
}

// What was read from the descriptor came before anything Qt's event loop took in since:
// the descriptor is read only while Qt's buffer is empty.
bool QtSerialPort::Read(std::string& out, PortError& err) {
  Operation op(*this);
  if (!port_.isOpen()) return Usable(err);
  const size_t before = out.size();
  out += taken_;
  taken_.clear();
  if (port_.bytesAvailable() > 0) {
    const QByteArray bytes = port_.readAll();
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  return out.size() > before || Usable(err);
}

bool QtSerialPort::WaitForData(int timeoutMs) {
  Operation op(*this);
  PortError ignored;
  if (!Usable(ignored)) return false;
  if (port_.bytesAvailable() > 0 || !taken_.empty()) return true;
  TakeWhenReady(std::max(timeoutMs, 0));
  NoteLineErrors();
  return !taken_.empty();
}

// Waits up to timeoutMs for the descriptor to stir, then takes what it holds. When it
// stirred but gives nothing (a hang-up) or fails, the device is gone, as when Qt's own
// read finds that.
void QtSerialPort::TakeWhenReady(int timeoutMs) {
  pollfd pfd{Descriptor(), POLLIN, 0};
  if (::poll(&pfd, 1, timeoutMs) <= 0) return;
  char buf[512];
  bool first = true;
  for (;;) {
    const ssize_t n = ::read(pfd.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) taken_.append(buf, static_cast<size_t>(n));
    if (n <= 0 && first && !(n < 0 && errno == EAGAIN)) {
      const int error = n == 0 ? EIO : errno;
      const bool resource = error == EIO || error == EBADF;
      MarkLost(static_cast<int>(resource ? QSerialPort::ResourceError : QSerialPort::ReadError),
               qt_error_string(error).toStdString());
    }
    if (n < static_cast<ssize_t>(sizeof buf)) return;
    first = false;
  }
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  if (MeansDeviceGone(error)) MarkLost(static_cast<int>(error), port_.errorString().toStdString());
}

void QtSerialPort::MarkLost(int code, const std::string& text) {
  if (lost_ || !port_.isOpen()) return;
  lost_ = true;
  lostError_ = {code, LossDescription(text)};
  Queue(kEventDeviceLost);
}

// False (and err) when the port is closed or its device is gone.
bool QtSerialPort::Usable(PortError& err) const {
  if (!port_.isOpen()) {
    err = {static_cast<int>(QSerialPort::NotOpenError), "Device is not open"};
    return false;
  }
  if (lost_) {
    err = lostError_;
    return false;
  }
  return true;
}

PortError QtSerialPort::CurrentError() const {
  return {static_cast<int>(port_.error()), port_.errorString().toStdString()};
}

// After a hang-up the error text Qt reports may stem from an unrelated call; the
// descriptor's own state says what happened.
std::string QtSerialPort::LossDescription(const std::string& reported) const {
  pollfd pfd{static_cast<int>(port_.handle()), POLLIN, 0};
  if (pfd.fd >= 0 && ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLHUP)) return "Device hung up";
  return reported;
}

bool QtSerialPort::WaitWritable(int fd, Clock::time_point deadline) {
  for (;;) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd pfd{fd, POLLOUT, 0};
    const int r = ::poll(&pfd, 1, static_cast<int>(left));
    if (r > 0) return true;  // writable, or an error the next write reports
    if (r < 0 && errno != EINTR) return true;
  }
}

bool QtSerialPort::ReadCounters(Counters& out) const {
  serial_icounter_struct icount{};
  if (::ioctl(static_cast<int>(port_.handle()), TIOCGICOUNT, &icount) != 0) return false;
  out = {icount.frame, icount.parity, icount.overrun, icount.brk, icount.buf_overrun};
  return true;
}

// Real UARTs count framing, parity, overrun and break conditions in the kernel; ptys and
// some USB adapters do not, and then there is nothing to watch.
void QtSerialPort::StartLineErrorWatch() { countersSupported_ = ReadCounters(counters_); }

void QtSerialPort::NoteLineErrors() {
  Counters now{};
  if (!countersSupported_ || lost_ || !port_.isOpen() || !ReadCounters(now)) return;
  static constexpr std::array<int, kCounters> kEvents = {kEventFrame, kEventParity, kEventOverrun,
                                                         kEventBreak, kEventRxOverflow};
  for (int i = 0; i < kCounters; ++i)
    if (now[i] != counters_[i]) Queue(kEvents[i]);
  counters_ = now;
}

void QtSerialPort::Queue(int code) {
  pending_.push_back(code);
  if (depth_ == 0) FlushEvents();
}

void QtSerialPort::FlushEvents() {
  if (flushing_) return;  // the outer flush picks up what its handlers add
  flushing_ = true;
  while (!pending_.empty() && depth_ == 0) {
    const int code = pending_.front();
    pending_.pop_front();
    RaiseEvent(code);
  }
  flushing_ = false;
}
