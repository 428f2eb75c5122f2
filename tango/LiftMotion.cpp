#include "LiftMotion.h"

#include "LiftReplies.h"

namespace kelvorintango {

LiftMotion::LiftMotion(const std::string& socketPath, int timeoutMs, std::function<void()> onEnd)
    : connection_(socketPath),
      timeoutMs_(timeoutMs),
      onEnd_(std::move(onEnd)),
      thread_([this] { Run(); }) {}

LiftMotion::~LiftMotion() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  connection_.Drop();
  thread_.join();
}

void LiftMotion::Follow() { Start(Job::Wait); }
void LiftMotion::Home() { Start(Job::Home); }

void LiftMotion::Start(Job job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = job;
    ++started_;
    active_ = true;
    aborted_ = false;
    fault_.clear();
  }
  wake_.notify_all();
}

bool LiftMotion::Active() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

std::string LiftMotion::Fault() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fault_;
}

void LiftMotion::ClearFault() {
  std::lock_guard<std::mutex> lock(mutex_);
  fault_.clear();
}

void LiftMotion::Abort() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = true;
  }
  connection_.Drop();
}

void LiftMotion::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || job_ != Job::None; });
    if (stop_) return;
    const Job job = job_;
    const unsigned long mine = started_;
    job_ = Job::None;
    lock.unlock();
    const Answer answer = connection_.Exec(job == Job::Home ? "Z Home" : "Z Wait", timeoutMs_);
    lock.lock();
    if (started_ != mine) continue;  // a newer motion: follow that one
    Finish(job, answer);
    lock.unlock();
    onEnd_();
    lock.lock();
  }
}

// Called with mutex_ held.
void LiftMotion::Finish(Job job, const Answer& answer) {
  active_ = false;
  const std::string what = job == Job::Home ? "Homing" : "The move";
  if (!answer.delivered && !aborted_ && !stop_)
    fault_ = what + " was not followed to its end: " + answer.text + ".";
  else if (answer.delivered && HasError(answer.text))
    fault_ = what + " failed: the lift program answered \"" + FirstReply(answer.text) + "\".";
}

}  // namespace kelvorintango
