#include "ui/WindowLife.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

// Dialogs close innermost first (a message box over a file dialog), each as its close box
// would; the nested loops they ran return to their handlers, which then return.
static void CloseDialogs(QWidget& window) {
  const QList<QDialog*> dialogs = window.findChildren<QDialog*>();
  for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
    QPointer<QDialog> dialog(*it);
    if (dialog && dialog->isVisible()) dialog->close();
  }
}

void WindowLife::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  window_.hide();
  CloseDialogs(window_);
  QWidget* window = &window_;
  // deleteLater from here, when no handler of the window is on the stack: a nested loop
  // further out cannot run the deferred delete under one of them.
  depth_.ReleaseWhenIdle([window] { window->deleteLater(); });
}
