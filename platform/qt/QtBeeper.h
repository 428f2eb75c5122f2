#pragma once
// The system beep through Qt.
#include "platform/Beeper.h"

class QtBeeper : public Beeper {
 public:
  void Beep() override;
};
