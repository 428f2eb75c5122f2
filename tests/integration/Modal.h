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
template <typename T = QWidget>
void When(std::function<void(T*)> act, int triesLeft = 500) {
  QTimer::singleShot(10, qApp, [act, triesLeft] {
    QWidget* top = QApplication::activeModalWidget();
    if (auto* widget = qobject_cast<T*>(top); widget && widget->isVisible()) return act(widget);
    if (triesLeft > 0) return When<T>(act, triesLeft - 1);
    ADD_FAILURE() << "expected modal window did not come up";
    if (top) top->close();
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
