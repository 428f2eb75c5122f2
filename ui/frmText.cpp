#include "ui/frmText.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <filesystem>
#include <optional>

#include "parfiles/TextFile.h"
#include "platform/MessageBoxes.h"
#include "ui/FixedFont.h"
#include "platform/qt/QtText.h"

namespace {

enum class Read { Ok, Missing, Failed };

// A path where nothing is yet opens as a new, empty document; anything there that is not
// a readable file (a folder, a device) cannot be read.
Read ReadWhole(const std::string& path, std::string& bytes) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return Read::Missing;
  return textfile::ReadAll(path, bytes) == textfile::ReadStatus::Ok ? Read::Ok : Read::Failed;
}

}  // namespace

frmText::frmText(MessageBoxes& messages, QWidget* parent)
    : QMainWindow(parent), messages_(messages), txtText_(new QPlainTextEdit(this)) {
  setObjectName("frmText");
  setWindowFlag(Qt::Window);
  txtText_->setObjectName("txtText");
  txtText_->setFont(fixedfont::Font());
  txtText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  setCentralWidget(txtText_);
  BuildMenus();
  statusBar();
  resize(640, 480);
}

frmText* frmText::ShowFile(const std::string& path, MessageBoxes& messages, QWidget* parent) {
  auto* window = new frmText(messages, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (!window->OpenFile(path)) {
    delete window;
    return nullptr;
  }
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

void frmText::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  QAction* save = file->addAction("&Save", QKeySequence::Save, this, [this] { Save(); });
  save->setObjectName("mnuSave");
  QAction* saveAs = file->addAction("Save &As...", QKeySequence::SaveAs, this,
                                    [this] { SaveAs(); });
  saveAs->setObjectName("mnuSaveAs");
  file->addSeparator();
  file->addAction("&Close", QKeySequence::Close, this, &QWidget::close)->setObjectName("mnuClose");
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("mnuEdit");
  edit->addAction("&Copy", QKeySequence::Copy, txtText_, &QPlainTextEdit::copy)
      ->setObjectName("mnuCopy");
  edit->addAction("Select &All", QKeySequence::SelectAll, txtText_, &QPlainTextEdit::selectAll)
      ->setObjectName("mnuSelectAll");
  edit->addSeparator();
  edit->addAction("&Find...", QKeySequence::Find, this, &frmText::Find)->setObjectName("mnuFind");
  edit->addAction("Find &Next", QKeySequence::FindNext, this, &frmText::FindNext)
      ->setObjectName("mnuFindNext");
}

bool frmText::OpenFile(const std::string& path) {
  std::string bytes;
  const Read read = ReadWhole(path, bytes);
  if (read == Read::Failed) {
    messages_.Show("File " + path + " cannot be read", kAppTitle, MsgIcon::Exclamation);
    return false;
  }
  const std::optional<QString> utf8 = qttext::FromUtf8IfValid(bytes);
  utf8_ = utf8.has_value();
  crlf_ = bytes.find("\r\n") != std::string::npos;
  const QString text = utf8_ ? *utf8 : qttext::ToQ(bytes);
  txtText_->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
  txtText_->document()->setModified(false);
  path_ = path;
  setWindowTitle(qttext::PathToQ(path));
  return true;
}

void frmText::OpenText(const std::string& text, const std::string& caption) {
  utf8_ = false;
  crlf_ = text.find("\r\n") != std::string::npos;
  txtText_->setPlainText(qttext::ShownLines(text));
  txtText_->document()->setModified(false);
  path_.clear();
  setWindowTitle(qttext::ShownText(caption));
}

std::string frmText::Text() const {
  QString text = txtText_->toPlainText();
  if (crlf_) text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return utf8_ ? text.toUtf8().toStdString() : qttext::FromQ(text);
}

bool frmText::SaveTo(const std::string& path) {
  if (!textfile::ReplaceAtomically(path, Text())) {
    messages_.Show("The file " + path + " could not be written; it keeps its previous contents.",
                   kAppTitle, MsgIcon::Critical);
    return false;
  }
  path_ = path;
  setWindowTitle(qttext::PathToQ(path));
  txtText_->document()->setModified(false);
  statusBar()->showMessage("Saved", 3000);
  return true;
}

bool frmText::Save() { return path_.empty() ? SaveAs() : SaveTo(path_); }

bool frmText::SaveAs() {
  QFileDialog dialog(this, "Save As", qttext::PathToQ(path_));
  dialog.setObjectName("dlgSaveAs");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  return SaveTo(qttext::PathFromQ(dialog.selectedFiles().first()));
}

void frmText::Find() {
  bool ok = false;
  const QString text = QInputDialog::getText(this, "Find", "Find what:", QLineEdit::Normal,
                                             lastFind_, &ok);
  if (!ok || text.isEmpty()) return;
  lastFind_ = text;
  FindNext();
}

void frmText::FindNext() {
  if (lastFind_.isEmpty()) return Find();
  if (txtText_->find(lastFind_)) return;
  QTextCursor start = txtText_->textCursor();
  txtText_->moveCursor(QTextCursor::Start);
  if (txtText_->find(lastFind_)) return;
  txtText_->setTextCursor(start);
  statusBar()->showMessage("\"" + lastFind_ + "\" not found", 3000);
}

void frmText::closeEvent(QCloseEvent* event) {
  if (!txtText_->document()->isModified()) return event->accept();
  QMessageBox ask(QMessageBox::Question, windowTitle(), "Save the changes?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  ask.setObjectName("msgSaveChanges");
  const int answer = ask.exec();
  if (answer == QMessageBox::Discard || (answer == QMessageBox::Save && Save())) {
    event->accept();
  } else {
    event->ignore();
  }
}
