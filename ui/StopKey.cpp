#include "ui/StopKey.h"

#include <QShortcut>
#include <QWidget>

#include "platform/qt/QtEventPump.h"

namespace {
constexpr const char* kName = "escStop";
}

void InstallStopKey(QWidget* window, std::function<void()> stop) {
  if (window->findChild<QShortcut*>(kName, Qt::FindDirectChildrenOnly)) return;
  auto* key = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  key->setObjectName(kName);
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, window, [stop = std::move(stop)] { stop(); });
  QtEventPump::MarkStopControl(key);
  QtEventPump::MarkStopControl(window);
}
