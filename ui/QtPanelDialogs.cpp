#include "ui/QtPanelDialogs.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
QString FromBytes(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
}  // namespace

QtPanelDialogs::QtPanelDialogs(TRAPAR& par, MessageBoxes& messages,
                               std::function<QWidget*()> parent)
    : par_(par), messages_(messages), parent_(std::move(parent)) {}

// The dialog windows come with their own change; until then the menus that use them
// find nothing chosen and nothing edited.
void QtPanelDialogs::EditParameters() {}

void QtPanelDialogs::ChooseFile(const FileRequest&, std::string& dir, std::string& file) {
  dir.clear();
  file.clear();
}

void QtPanelDialogs::SetClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(FromBytes(text));
}

void QtPanelDialogs::ShowText(const std::string&, const std::string&) {}

void QtPanelDialogs::OpenTextFile(const std::string&) {}
