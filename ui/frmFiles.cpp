#include "ui/frmFiles.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>

#include "platform/MessageBoxes.h"

frmFiles::frmFiles(MessageBoxes& messages, QWidget* parent)
    : QDialog(parent),
      messages_(messages),
      dirModel_(new QFileSystemModel(this)),
      fileModel_(new QFileSystemModel(this)),
      Drive1_(new QComboBox(this)),
      Dir1_(new QTreeView(this)),
      File1_(new QListView(this)),
      cboFilter_(new QComboBox(this)),
      txtFile_(new QLineEdit(this)),
      txtDir_(new QLineEdit(this)) {
  setObjectName("frmFiles");
}

frmFiles::~frmFiles() = default;

void frmFiles::SetStartDir(const std::string& dir) { startDir_ = dir; }
void frmFiles::SetTitle(const std::string& title) { title_ = title; }
void frmFiles::SetFilter(const std::string& filter) { filter_ = filter; }
void frmFiles::SetPatterns(const std::string& patterns) { patterns_ = patterns; }
std::vector<std::string> frmFiles::ListedFiles() const { return {}; }
std::string frmFiles::FileListText() const { return {}; }
void frmFiles::showEvent(QShowEvent* event) { QDialog::showEvent(event); }
void frmFiles::resizeEvent(QResizeEvent* event) { QDialog::resizeEvent(event); }
void frmFiles::done(int result) { QDialog::done(result); }
void frmFiles::BuildControls() {}
void frmFiles::BuildMenus(QMenuBar*) {}
void frmFiles::LoadSettings() {}
void frmFiles::ChangeFolder(const QString&) {}
void frmFiles::ChangeDrive(int) {}
void frmFiles::ApplyFilter(const QString&) {}
void frmFiles::FileClicked() {}
void frmFiles::FileDoubleClicked() {}
void frmFiles::NewFolder() {}
void frmFiles::NewText() {}
void frmFiles::CopyFolder() {}
void frmFiles::CopyFiles() {}
void frmFiles::DeleteFolder() {}
void frmFiles::DeleteFiles() {}
void frmFiles::ViewAsText() {}
void frmFiles::ListToText() {}
std::vector<std::string> frmFiles::SelectedFiles() const { return {}; }
bool frmFiles::PickTargetFolder(const std::string&, std::string&) { return false; }
void frmFiles::Report(const std::vector<std::string>&) {}
bool frmFiles::Confirm(const QString&, const QString&) { return false; }
void frmFiles::KeepTextWindowsOpen() {}
