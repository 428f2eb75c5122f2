#pragma once
// The system beep.
class Beeper {
 public:
  virtual ~Beeper() = default;
  virtual void Beep() = 0;
};

class SilentBeeper : public Beeper {
 public:
  void Beep() override {}
};
