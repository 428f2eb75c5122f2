#include "platform/qt/QtEventPump.h"

#include <QCoreApplication>

void QtEventPump::ProcessEvents() { QCoreApplication::processEvents(); }
