#include "ui/frmText.h"

#include <QPlainTextEdit>

#include "platform/MessageBoxes.h"

frmText::frmText(MessageBoxes& messages, QWidget* parent)
    : QMainWindow(parent), messages_(messages), txtText_(new QPlainTextEdit(this)) {
  setObjectName("frmText");
  txtText_->setObjectName("txtText");
  setCentralWidget(txtText_);
}

frmText* frmText::ShowFile(const std::string& path, MessageBoxes& messages, QWidget* parent) {
  auto* window = new frmText(messages, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->OpenFile(path);
  window->show();
  return window;
}

frmText* frmText::ShowText(const std::string& text, const std::string& caption,
                           MessageBoxes& messages, QWidget* parent) {
  auto* window = new frmText(messages, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->OpenText(text, caption);
  window->show();
  return window;
}

bool frmText::OpenFile(const std::string& path) {
  path_ = path;
  return true;
}
void frmText::OpenText(const std::string& text, const std::string& caption) {}
bool frmText::SaveTo(const std::string& path) { return false; }
bool frmText::Save() { return false; }
bool frmText::SaveAs() { return false; }
std::string frmText::Text() const { return {}; }
void frmText::BuildMenus() {}
void frmText::Find() {}
void frmText::FindNext() {}
