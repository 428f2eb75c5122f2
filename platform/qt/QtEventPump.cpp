#include "platform/qt/QtEventPump.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace {

constexpr const char* kStopProperty = "kelvorinStop";
constexpr const char* kHeldProperty = "kelvorinHeld";

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut: return true;
    default: return false;
  }
}

bool IsKey(QEvent::Type type) {
  return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
}

}  // namespace

// Input reaches a window first and then the widget it is for: the window passes, so its
// bookkeeping of presses and focus stays whole, and the widget decides. Only the Stop
// controls and Escape in a window that has a Stop get input; timer ticks are dropped
// (a timer fires again at its next interval).
class QtEventPump::StopOnlyFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::Timer) return true;
    if (!IsInput(type) || watched->isWindowType() || IsStopControl(watched)) return false;
    if (IsKey(type) && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      const auto* widget = qobject_cast<const QWidget*>(watched);
      if (widget && IsStopControl(widget->window())) return false;
    }
    if (type == QEvent::MouseButtonRelease) {
      // A held control's release ends what its press started: kept for later.
      if (watched->property(kHeldProperty).toBool()) {
        QCoreApplication::postEvent(watched, event->clone());
        return true;
      }
      // A button whose press got through before keeps no stale pressed look.
      if (auto* button = qobject_cast<QAbstractButton*>(watched)) button->setDown(false);
    }
    return true;
  }
};

QtEventPump::QtEventPump() : filter_(new StopOnlyFilter) {}

QtEventPump::~QtEventPump() { delete filter_; }

// Runs fn between beforeEvents and afterEvents.
template <typename Fn>
void QtEventPump::Around(Fn&& fn) {
  if (beforeEvents) beforeEvents();
  fn();
  if (afterEvents) afterEvents();
}

void QtEventPump::ProcessEvents() {
  Around([] { QCoreApplication::processEvents(); });
}

// Socket notifiers and timers are not even looked at (their events stay pending or come
// again); what is already queued passes the filter. Nested calls share one filter.
void QtEventPump::ProcessStopOnly() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  if (depth_++ == 0) app->installEventFilter(filter_);
  Around([] {
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
  });
  if (--depth_ == 0) app->removeEventFilter(filter_);
}

void QtEventPump::MarkStopControl(QObject* control) { control->setProperty(kStopProperty, true); }

void QtEventPump::MarkHeldControl(QObject* control) { control->setProperty(kHeldProperty, true); }

bool QtEventPump::IsStopControl(const QObject* object) {
  return object && object->property(kStopProperty).toBool();
}
