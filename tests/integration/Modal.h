#pragma once
// Window-test helpers: act on a modal window once it is up (so a test never waits for a
// click), wait for asynchronous views, and keep PNG renders for review.
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

namespace modal {

// Runs act on the active modal window of type T as soon as it is shown. When none comes
// within about five seconds, whatever modal window is up is closed so the test fails
// instead of hanging.
// The shown modal window of type T: the active one, or (while the window system has not
// activated it yet) any shown modal top-level window of that type.
template <typename T = QWidget>
T* Shown() {
  if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) return w;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* w = qobject_cast<T*>(top); w && w->isVisible() && w->isModal()) return w;
  return nullptr;
}

template <typename T = QWidget>
void When(std::function<void(T*)> act, int triesLeft = 500) {
  QTimer::singleShot(10, qApp, [act, triesLeft] {
    if (T* widget = Shown<T>()) return act(widget);
    if (triesLeft > 0) return When<T>(act, triesLeft - 1);
    ADD_FAILURE() << "expected modal window did not come up";
    if (QWidget* top = Shown<QWidget>()) top->close();
  });
}

inline std::string PngPath(const std::string& name) {
  const QString dir = QStringLiteral(KELVORIN_BIN_DIR "/../screenshots");
  QDir().mkpath(dir);
  return (dir + "/" + QString::fromStdString(name) + ".png").toStdString();
}

inline bool SavePng(QWidget* window, const std::string& name) {
  return window->grab().save(QString::fromStdString(PngPath(name)));
}

}  // namespace modal
