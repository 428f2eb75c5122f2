#pragma once
// Escape as the operator's Stop in a window: a window shortcut that also gets through
// while a homing or a "Delay" lets only the Stop act (QtEventPump::ProcessStopOnly).
#include <functional>

class QWidget;

// Installs it once per window; later calls on the same window change nothing.
void InstallStopKey(QWidget* window, std::function<void()> stop);
