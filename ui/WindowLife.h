#pragma once
// The lifetime rule of a window whose handlers can run nested event loops.
//
//   WindowLife life_{*this};
//   connect(button, &QPushButton::clicked, this, life_.Guarded([this] { Execute(); }));
//   ... unloaded from anywhere, also from inside Execute's nested loop:
//   life_.Unload();   // hidden at once, its dialogs closed, destroyed when Execute returned
//
// Modal dialogs of the window live on the heap (modal::Exec): Unload closes them the way
// their close box does, so the handler that opened them goes on and returns.
#include <functional>
#include <type_traits>
#include <utility>

#include "common/HandlerDepth.h"

class QWidget;

class WindowLife {
 public:
  explicit WindowLife(QWidget& window) : window_(window) {}

  // Open while a handler of the window runs.
  HandlerDepth::Scope Enter() { return HandlerDepth::Scope(depth_); }
  template <typename F>
  auto Guarded(F handler) {
    // Signal arguments the handler does not take (a click's `checked`) are dropped.
    return [this, handler](auto&&... args) mutable {
      const HandlerDepth::Scope busy(depth_);
      if constexpr (std::is_invocable_v<F&, decltype(args)...>)
        handler(std::forward<decltype(args)>(args)...);
      else handler();
    };
  }

  // Hides the window, closes its open dialogs, and deletes it once no handler of it runs.
  void Unload();
  bool Unloaded() const { return unloaded_; }
  bool Busy() const { return depth_.Busy(); }

 private:
  QWidget& window_;
  HandlerDepth depth_;
  bool unloaded_ = false;
};
