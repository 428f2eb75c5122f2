#include "platform/qt/QtBeeper.h"

#include <QApplication>

void QtBeeper::Beep() { QApplication::beep(); }
