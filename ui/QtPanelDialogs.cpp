#include "ui/QtPanelDialogs.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/ModalDialog.h"
#include "platform/qt/QtText.h"
#include "ui/frmFiles.h"
#include "ui/frmParList.h"
#include "ui/frmText.h"

QtPanelDialogs::QtPanelDialogs(TRAPAR& par, MessageBoxes& messages,
                               std::function<QWidget*()> parent)
    : par_(par), messages_(messages), parent_(std::move(parent)) {}

void QtPanelDialogs::EditParameters() {
  auto* editor = new frmParList(par_, messages_, parent_());
  editor->SetShowPar(-1, -1);
  modal::Exec(editor);
}

void QtPanelDialogs::ChooseFile(const FileRequest& request, std::string& dir, std::string& file) {
  frmFiles::Choose(request, messages_, parent_(), dir, file);
}

void QtPanelDialogs::SetClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(qttext::ToQ(text));
}

// Text windows stand on their own, like the editor they replace: they stay open when the
// main window goes.
void QtPanelDialogs::ShowText(const std::string& title, const std::string& text) {
  frmText::ShowText(text, title, messages_);
}

void QtPanelDialogs::OpenTextFile(const std::string& path) { frmText::ShowFile(path, messages_); }
