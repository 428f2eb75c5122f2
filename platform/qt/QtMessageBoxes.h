#pragma once
#include "common/ScopedCount.h"
#include "platform/MessageBoxes.h"

// Real message boxes when there is a display; without one (offscreen or minimal
// platform) the text goes to standard error and the default button is taken, so a
// headless server never blocks on a dialog. While a client is being served (a
// ClientScope exists) a box is shown without blocking and its text also goes to
// standard error: the request answers at once.
class QtMessageBoxes : public MessageBoxes {
 public:
  QtMessageBoxes() : QtMessageBoxes(!Headless()) {}
  explicit QtMessageBoxes(bool display) : display_(display) {}

  void Show(const std::string& text, const std::string& title, MsgIcon icon) override;
  // Always modal: only the operator's own actions ask.
  bool Ask(const std::string& text, const std::string& title) override;
  static bool Headless();

  // Marks the time a client request (or a start-up for a client) runs; nests.
  class ClientScope : ScopedCount<int> {
   public:
    explicit ClientScope(QtMessageBoxes& boxes) : ScopedCount(boxes.clientDepth_) {}
  };

 private:
  const bool display_;
  int clientDepth_ = 0;
};
