#pragma once
// The controller link: one serial port, command lines out, reply lines in with a
// time-out, and the ring log of link messages.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "common/ScopedCount.h"
#include "controller/Delay32.h"

class SerialPort;
struct PortError;
class StatusLine;
class Clock;

class COMM {
 public:
  COMM(SerialPort& port, Clock& clock);
  ~COMM();
  COMM(const COMM&) = delete;
  COMM& operator=(const COMM&) = delete;

  // The controller dispatch's terminator set-up (MotorCommInit), run by CommInit.
  void SetTerminatorSetup(std::function<void()> setup);
  // The device to open; empty means the platform's port number MPORT
  // (/dev/ttyS0 for 1, ...). "sim:EZHR17" / "sim:IM483I" name the built-in simulator.
  void CommSetPortName(const std::string& name);
  static std::string DefaultPortName(int16_t port);

  void CommInit();
  bool CommOpenPort(int16_t port);
  // The device that the last CommOpenPort tried, and why it could not be opened (the
  // port layer's text; empty after a success).
  const std::string& CommDevice() const { return device_; }
  const std::string& CommOpenError() const { return openError_; }
  bool CommClosePort();
  // The port is not open: it never opened, was closed, or its device went away (then
  // exchanges try to open it again).
  bool CommPortLost() const;
  void CommSetTimeout(int16_t ms);
  void CommSetOutTerm(int16_t code);
  void CommSetInTerm(int16_t code);
  void CommSetInTerm2(int16_t code);
  int16_t CommOut(const std::string& text);
  int16_t CommIn(std::string& reply);
  int16_t CommIn2(std::string& reply);
  // The next reply ended by CommInTerm, within what is left of the time-out of the read
  // just done (a reply that turned out not to be the one awaited was dropped). A time-out
  // here writes no log line: the caller reports what it dropped.
  int16_t CommInNext(std::string& reply);
  int16_t CommOutIn(const std::string& text, std::string& reply);
  int16_t CommOutIn2(const std::string& text, std::string& reply);
  void CommSetMsgLabel(StatusLine* label);
  void CommLogAdd(const std::string& line);
  void CommLogMsg(const std::string& line);
  void CommLogMsgAppend(const std::string& line);
  std::string CommGetLog() const;
  // The log with the time each line was logged in front ("14:03:07  Port TimeOut").
  std::string CommGetTimedLog() const;
  // What the operator's status line shows for a log line: a sentence for the link's
  // jargon ("No controller: the port is closed"), other lines as they are.
  static std::string OperatorLine(const std::string& line);
  static constexpr const char* kPortClosed = "No controller: the port is closed";
  // Time-outs of ignored replies (IgnoredReplies) are counted here, not logged.
  int CommIgnoredTimeOuts() const { return ignoredTimeOuts_; }
  void CommExit();
  int16_t CommIsInit() const;

  int16_t CommTimeout() const;
  Delay32& Delay();

  // While one of these lives, exchanges do not wait for late replies of the ones before
  // (the start-up probe, whose replies nobody reads); the first exchange after it waits
  // for a quiet line (no byte for one time-out). With replyWithinMs above 0 such a reply
  // comes within that time if at all: a read waits no longer (nor longer than the
  // time-out), and the quiet line after them is that long.
  class IgnoredReplies : ScopedCount<int> {
   public:
    explicit IgnoredReplies(COMM& comm, int16_t replyWithinMs = 0)
        : ScopedCount(comm.ignoring_), comm_(comm), saved_(comm.ignoredWithinMs_) {
      if (replyWithinMs > 0) comm.ignoredWithinMs_ = replyWithinMs;
    }
    ~IgnoredReplies() { comm_.ignoredWithinMs_ = saved_; }

   private:
    COMM& comm_;
    int16_t saved_;
  };

  // The longest line the log keeps; a longer one is cut there.
  static constexpr size_t kMaxLogLine = 1024;
  // A reply may come this many time-outs after its read gave up; the wait before the
  // next write covers that time.
  static constexpr uint32_t kLateReplyTimeouts = 4;
  // Tries to open a lost device again are at least this far apart.
  static constexpr uint32_t kReopenIntervalMs = 1000;

 private:
  using Completion = bool (COMM::*)(std::string& reply) const;
  enum class Poll { kComplete, kPending, kClosed };
  int16_t ReadReply(std::string& reply, Completion complete, const char* failPrefix, bool fresh);
  Poll PollReply(std::string& reply, Completion complete, const char* failPrefix,
                 bool& failureLogged);
  bool EndsWithTerm(std::string& reply) const;
  bool EndsWithTerms(std::string& reply) const;
  void WaitOnPort(int64_t ms);
  // How long the read starting now may wait: the time-out, or less for ignored replies.
  int16_t ReadTimeoutMs() const;
  void NoteReadGaveUp();
  void PrepareLine();
  void WaitForQuietLine();
  bool TakeWaiting(std::string& into);
  void DiscardStaleInput();
  void LogDiscarded(const std::string& bytes);
  bool ReopenLostDevice();
  void OnPortEvent(int code);
  void OnDeviceLost();
  void LogPortError(const char* prefix, const PortError& err);
  const std::string& StoreLine(const std::string& line);

  SerialPort& port_;
  Clock& clock_;
  Delay32 delay_;
  std::function<void()> terminatorSetup_;
  std::string portName_;
  std::string device_;     // the device CommOpenPort opened last
  std::string openError_;  // why it did not open
  int16_t outTerm_ = 0, inTerm_ = 0, inTerm2_ = 0;
  int16_t timeout_ = 1000;
  StatusLine* msgLabel_ = nullptr;
  std::array<std::string, 101> log_;
  std::array<double, 101> logTimes_{};  // seconds of the day each line was logged
  int ignoredTimeOuts_ = 0;
  int16_t logPos_ = 0;
  int16_t init_ = 0;
  // The device went away under the open port (unplugged, peer hung up): the port was
  // closed and the loss logged once; cleared by CommOpenPort, CommClosePort or a reopen.
  bool deviceLost_ = false;
  bool reopenTried_ = false;  // since the loss
  uint32_t reopenTriedMs_ = 0;
  uint32_t readStartMs_ = 0;  // start of the last read: CommInNext's time-out runs from it
  // A read gave up without its reply, which may still come: the next write first waits
  // for a quiet line. gaveUpMs_ is when the read gave up, lateWindowMs_ how long after
  // that a late reply may still come.
  bool replyOutstanding_ = false;
  uint32_t gaveUpMs_ = 0;
  uint32_t lateWindowMs_ = 0;
  int ignoring_ = 0;              // IgnoredReplies scopes alive
  int16_t ignoredWithinMs_ = 0;   // their bound on a reply's time, 0: none
  int16_t readTimeoutMs_ = 1000;  // of the last read
  uint32_t quietMs_ = 0;          // how long the line must be quiet after a read that gave up
};
