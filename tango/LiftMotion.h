#pragma once
// Follows this device's motions on a connection of its own: after a move has started it
// sends "Z Wait", for homing "Z Home", and is active until that answer comes. The other
// connections stay free meanwhile, so reads and Stop get through during the motion.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "LiftConnection.h"

namespace kelvorintango {

class LiftMotion {
 public:
  // onEnd runs on the motion thread when a motion has ended (or failed).
  LiftMotion(const std::string& socketPath, int timeoutMs, std::function<void()> onEnd);
  ~LiftMotion();

  void Follow();  // a move has just been started: active at once, until it ends
  void Home();    // homes in the background: active at once, until done
  bool Active() const;
  std::string Fault() const;  // why the last motion failed; empty when it did not
  void ClearFault();
  void Abort();  // drops the connection: a wait under way ends without a fault

 private:
  enum class Job { None, Wait, Home };
  void Start(Job job);
  void Run();
  void Finish(Job job, const Answer& answer);

  LiftConnection connection_;
  const int timeoutMs_;
  const std::function<void()> onEnd_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Job job_ = Job::None;
  unsigned long started_ = 0;  // counts Follow() and Home(); a newer job keeps it active
  bool active_ = false, aborted_ = false, stop_ = false;
  std::string fault_;
  std::thread thread_;
};

}  // namespace kelvorintango
