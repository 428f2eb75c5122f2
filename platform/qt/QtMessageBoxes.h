#pragma once
#include "platform/MessageBoxes.h"

// Real message boxes when there is a display; without one (offscreen or minimal
// platform) the text goes to standard error and the default button is taken, so a
// headless server never blocks on a dialog.
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(const std::string& text, const std::string& title, MsgIcon icon) override;
  static bool Headless();
};
