#pragma once
// The file dialog: a modal chooser of a folder and a file, with a few file commands
// (new folder, new text, copy, delete, view, list to text). The folder can be typed into
// its path box (Enter opens it); the file list shows files only; the filter "*" or "*.*"
// lists every file. Copy asks for the target folder in a second dialog offset from this
// one, and says what it copied; Delete names the files it is about to delete.
//
//   frmFiles dlg(messages, parent);
//   dlg.SetStartDir(appDir);             // empty: the process's current folder
//   dlg.SetTitle("Select a parameter file to load");   // empty: "File Dialog"
//   dlg.SetFilter("ST_PARZ*.TXT");       // empty: "*.*"; matched without regard to case
//   dlg.SetPatterns("*.TXT *.*");        // offered in the filter box's list
//   dlg.exec();
//   std::string dir = dlg.GetResDir(), file = dlg.GetResFile();
//   if (!dir.empty() && !file.empty()) use(dir + "/" + file);
//
// The result folder has no final "/" except at the root. "Cancel", Escape and the close
// box empty both results. Closing also empties the four settings, so the next use starts
// from the caller's new ones. Every file error is a message box.
#include <QDialog>
#include <string>
#include <vector>

#include "platform/FileRequest.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QMenuBar;
class QTreeView;
class MessageBoxes;

class frmFiles : public QDialog {
  Q_OBJECT
 public:
  explicit frmFiles(MessageBoxes& messages, QWidget* parent = nullptr);
  ~frmFiles() override;

  // Runs the dialog modally on a request and hands back its result folder and file.
  static void Choose(const FileRequest& request, MessageBoxes& messages, QWidget* parent,
                     std::string& dir, std::string& file);

  void SetStartDir(const std::string& dir);
  void SetTitle(const std::string& title);
  void SetFilter(const std::string& filter);
  void SetPatterns(const std::string& patterns);
  std::string GetResDir() const { return resDir_; }
  std::string GetResFile() const { return resFile_; }

  // The names the file list shows now, in its order (for the list text and tests).
  std::vector<std::string> ListedFiles() const;
  // The text that "File list to text" builds for the list as it stands.
  std::string FileListText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 public slots:
  void done(int result) override;
  void reject() override;

 private:
  void BuildControls();
  void BuildMenus(QMenuBar* bar);
  void LoadSettings();
  void ChangeFolder(const QString& path);
  void ScrollTreeToFolder();
  void HideFolders();
  void OpenTypedFolder();
  void AskForFolder(const std::string& prompt);
  void ClearName();
  bool AskReplace(const std::string& file);
  void ReportCopy(int copied, const std::string& target, const std::vector<std::string>& errors);
  void ChangeDrive(int index);
  void ShowDrive(const QString& root);
  void ApplyFilter(const QString& filter);
  void FileClicked();
  void FileDoubleClicked();
  void NewFolder();
  void NewText();
  void CopyFolder();
  void CopyFiles();
  void DeleteFolder();
  void DeleteFiles();
  void ViewAsText();
  void ListToText();
  std::vector<std::string> SelectedFiles() const;
  bool PickTargetFolder(const std::string& what, std::string& target);
  void Report(const std::vector<std::string>& errors);
  bool Confirm(const QString& text, const QString& title);
  void KeepTextWindowsOpen();

  MessageBoxes& messages_;
  QFileSystemModel* dirModel_;
  QFileSystemModel* fileModel_;
  QComboBox* Drive1_;
  QTreeView* Dir1_;
  QListView* File1_;
  QComboBox* cboFilter_;
  QLineEdit* txtFile_;
  QLineEdit* txtDir_;
  QLabel* lblPrompt_;
  std::string startDir_, title_, filter_, patterns_;
  std::string resDir_, resFile_;
  bool loading_ = false;
};
