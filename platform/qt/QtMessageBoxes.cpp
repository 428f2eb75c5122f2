#include "platform/qt/QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

bool QtMessageBoxes::Headless() {
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal" || platform.isEmpty();
}

void QtMessageBoxes::Show(const std::string& text, const std::string& title, MsgIcon icon) {
  if (Headless()) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return;
  }
  QMessageBox box;
  box.setWindowTitle(QString::fromLatin1(title));
  box.setText(QString::fromLatin1(text).replace("\r\n", "\n"));
  switch (icon) {
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}
