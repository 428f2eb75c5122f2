#pragma once
// The operator's Stop as the waits see it. Every wait, pause and limit run that is
// under way when a Stop comes ends; one that starts after it runs normally. A wait
// notes the count of Stops when it starts (Since) and is stopped once the count moves.
//
// A Stop also owes the controller a stop command. Whoever gets to the controller first
// sends it: the Stop itself when no exchange is in progress, otherwise the waiting loop
// when it regains control (MotorStopDue / MotorStopped).
#include <cstdint>

class StopRequest {
 public:
  void Raise() { ++count_; }
  uint32_t Count() const { return count_; }

  // The stop command for the latest Stop has not gone out yet.
  bool MotorStopDue() const { return sentFor_ != count_; }
  void MotorStopped() { sentFor_ = count_; }

  class Since {
   public:
    explicit Since(const StopRequest& request) : request_(request), start_(request.count_) {}
    bool Stopped() const { return request_.count_ != start_; }

   private:
    const StopRequest& request_;
    uint32_t start_;
  };

  // Sends the stop command (send returns its status); once it went out it answers every
  // Stop made so far.
  template <typename Send>
  int16_t SendStop(Send send) {
    const int16_t result = send();
    if (result > 0) MotorStopped();
    return result;
  }
  // A waiting loop's look: true when a Stop came since `since`, after the stop command
  // still owed for it went out.
  template <typename Send>
  bool Taken(const Since& since, Send send) {
    if (!since.Stopped()) return false;
    if (MotorStopDue()) SendStop(send);
    return true;
  }

 private:
  uint32_t count_ = 0;
  uint32_t sentFor_ = 0;
};
