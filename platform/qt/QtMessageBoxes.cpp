#include "platform/qt/QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/qt/QtText.h"

namespace {

void Print(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

bool QtMessageBoxes::Headless() {
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal" || platform.isEmpty();
}

void QtMessageBoxes::Show(const std::string& text, const std::string& title, MsgIcon icon) {
  if (!display_ || clientDepth_ > 0) Print(text, title);
  if (!display_) return;
  auto* box = new QMessageBox(BoxIcon(icon), qttext::ShownText(title), qttext::ShownMessage(text),
                              QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (clientDepth_ > 0) {
    box->setWindowModality(Qt::NonModal);
    box->show();
    return;
  }
  box->exec();
}

bool QtMessageBoxes::Ask(const std::string& text, const std::string& title) {
  if (!display_) {
    Print(text + " (Cancel)", title);
    return false;
  }
  QMessageBox box(QMessageBox::Question, qttext::ShownText(title), qttext::ShownMessage(text),
                  QMessageBox::Ok | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}
