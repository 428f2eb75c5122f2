#pragma once
// Keeps a window alive while any of its handlers is on the stack.
//
// A handler of the window opens a Scope for as long as it runs. A handler may run a nested
// event loop (a motion wait pumps events, a dialog runs exec()), and in there the window
// can be unloaded (a client's "Unload", "Quit"). Its release is then held back and runs
// when the outermost scope closes, so the window is never destroyed under a handler.
//
//   HandlerDepth depth;
//   void OnClick() { const HandlerDepth::Scope busy(depth); ... }
//   void Unload() { hide(); depth.ReleaseWhenIdle([this] { deleteLater(); }); }
#include <functional>
#include <utility>

class HandlerDepth {
 public:
  class Scope {
   public:
    explicit Scope(HandlerDepth& depth) : depth_(depth) { ++depth_.depth_; }
    ~Scope() {
      if (--depth_.depth_ == 0) depth_.RunPending();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    HandlerDepth& depth_;
  };

  bool Busy() const { return depth_ > 0; }
  bool ReleasePending() const { return static_cast<bool>(pending_); }

  // Runs release now when no handler runs, else when the outermost one returns. Release
  // runs once; it may destroy the object that holds this counter.
  void ReleaseWhenIdle(std::function<void()> release) {
    pending_ = std::move(release);
    if (depth_ == 0) RunPending();
  }

 private:
  void RunPending() {
    if (!pending_) return;
    const auto release = std::move(pending_);
    pending_ = nullptr;
    release();
  }

  int depth_ = 0;
  std::function<void()> pending_;
};
