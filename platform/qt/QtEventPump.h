#pragma once
#include "platform/EventPump.h"

// Lets pending window events, socket requests and timer ticks run.
class QtEventPump : public EventPump {
 public:
  void ProcessEvents() override;
};
