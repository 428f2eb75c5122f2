#include "ui/frmFiles.h"

#include "ui/ModalDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QShowEvent>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

#include "common/FileListText.h"
#include "common/FileOps.h"
#include "platform/MessageBoxes.h"
#include "platform/qt/QtText.h"
#include "ui/frmText.h"

namespace {

constexpr const char* kNothingSelected = "No file is selected";

// The dialog deals in names of the file system: they cross as its bytes.
QString Q(const std::string& text) { return qttext::PathToQ(text); }
std::string S(const QString& text) { return qttext::PathFromQ(text); }

filelist::FileRow RowOf(const QFileInfo& info) {
  const QDateTime when = info.lastModified();
  filelist::FileRow row;
  row.name = S(info.fileName());
  row.size = static_cast<uint64_t>(info.size());
  row.modified = {when.date().year(), when.date().month(),  when.date().day(),
                  when.time().hour(), when.time().minute(), when.time().second()};
  return row;
}

// The mounted volumes, the root first.
QStringList Volumes() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
      roots << volume.rootPath();
  }
  roots.removeAll("/");
  roots.sort();
  roots.prepend("/");
  return roots;
}

}  // namespace

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
      txtDir_(new QLineEdit(this)),
      lblPrompt_(new QLabel(this)) {
  setObjectName("frmFiles");
  BuildControls();
  resize(640, 440);
}

frmFiles::~frmFiles() = default;

void frmFiles::BuildControls() {
  Drive1_->setObjectName("Drive1");
  Dir1_->setObjectName("Dir1");
  File1_->setObjectName("File1");
  cboFilter_->setObjectName("cboFilter");
  txtFile_->setObjectName("txtFile");
  txtDir_->setObjectName("txtDir");
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (QWidget* box :
       std::initializer_list<QWidget*>{Drive1_, Dir1_, File1_, cboFilter_, txtFile_, txtDir_})
    box->setFont(fixed);

  dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  dirModel_->setRootPath("/");
  Dir1_->setModel(dirModel_);
  for (int column = 1; column < dirModel_->columnCount(); ++column) Dir1_->hideColumn(column);
  Dir1_->header()->hide();

  fileModel_->setFilter(QDir::Files | QDir::Hidden | QDir::System);
  fileModel_->setNameFilterDisables(false);
  fileModel_->sort(0, Qt::AscendingOrder);
  File1_->setModel(fileModel_);
  File1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  File1_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  cboFilter_->setEditable(true);
  cboFilter_->setInsertPolicy(QComboBox::NoInsert);
  cboFilter_->setCompleter(nullptr);  // "*" stays "*", not the first pattern it begins
  txtDir_->setToolTip("Type a folder and press Enter");
  lblPrompt_->setObjectName("lblPrompt");
  lblPrompt_->hide();

  auto* bar = new QMenuBar(this);
  BuildMenus(bar);
  auto* grid = new QGridLayout(this);  // resizing re-lays the boxes out to fill the window
  grid->setMenuBar(bar);
  grid->addWidget(lblPrompt_, 0, 0, 1, 2);
  grid->addWidget(Drive1_, 1, 0);
  grid->addWidget(cboFilter_, 1, 1);
  grid->addWidget(Dir1_, 2, 0);
  grid->addWidget(File1_, 2, 1);
  grid->addWidget(txtDir_, 3, 0, 1, 2);
  grid->addWidget(txtFile_, 4, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(2, 1);

  connect(Drive1_, &QComboBox::activated, this, &frmFiles::ChangeDrive);
  connect(Dir1_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!loading_ && current.isValid()) ChangeFolder(dirModel_->filePath(current));
          });
  connect(cboFilter_, &QComboBox::currentTextChanged, this, &frmFiles::ApplyFilter);
  connect(File1_, &QListView::clicked, this, &frmFiles::FileClicked);
  connect(File1_, &QListView::doubleClicked, this, &frmFiles::FileDoubleClicked);
  connect(txtFile_, &QLineEdit::textEdited, this,
          [this](const QString& text) { resFile_ = S(text); });
  connect(txtDir_, &QLineEdit::returnPressed, this, &frmFiles::OpenTypedFolder);
  // The tree loads its folders in the background: once the ones above the current folder
  // are in (and sorted, a moment later), it scrolls to it; folders the operator opens
  // elsewhere leave the view where it is.
  connect(dirModel_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
    const QString folder = Q(resDir_);
    if (path != "/" && folder != path && !folder.startsWith(path + "/")) return;
    ScrollTreeToFolder();
    QTimer::singleShot(100, this, &frmFiles::ScrollTreeToFolder);
  });
  connect(fileModel_, &QFileSystemModel::rowsInserted, this, &frmFiles::HideFolders);
  connect(fileModel_, &QFileSystemModel::layoutChanged, this, &frmFiles::HideFolders);
}

void frmFiles::Choose(const FileRequest& request, MessageBoxes& messages, QWidget* parent,
                      std::string& dir, std::string& file) {
  auto* dialog = new frmFiles(messages, parent);
  dialog->SetStartDir(request.startDir);
  dialog->SetTitle(request.title);
  dialog->SetFilter(request.filter);
  dialog->SetPatterns(request.patterns);
  dir.clear();
  file.clear();
  modal::Exec<frmFiles>(dialog, [&](frmFiles& chosen) {
    dir = chosen.GetResDir();
    file = chosen.GetResFile();
  });
}

// The picker of a copy's target: it says what it is for, and offers no file commands.
void frmFiles::AskForFolder(const std::string& prompt) {
  lblPrompt_->setText(Q(prompt));
  lblPrompt_->show();
  for (const char* name : {"mnuCopy", "mnuDelete", "mnuView"})
    if (auto* menu = findChild<QMenu*>(name)) menu->menuAction()->setVisible(false);
}

void frmFiles::BuildMenus(QMenuBar* bar) {
  auto item = [this](QMenu* menu, const char* name, const QString& caption,
                     void (frmFiles::*slot)()) {
    menu->addAction(caption, this, slot)->setObjectName(name);
  };
  QMenu* create = bar->addMenu("New");
  create->setObjectName("mnuNew");
  item(create, "mnuNewFolder", "Folder", &frmFiles::NewFolder);
  item(create, "mnuNewText", "Text file", &frmFiles::NewText);
  QMenu* copy = bar->addMenu("Copy");
  copy->setObjectName("mnuCopy");
  item(copy, "mnuCopyFolder", "Copy Folder", &frmFiles::CopyFolder);
  item(copy, "mnuCopyFiles", "Copy File(s)", &frmFiles::CopyFiles);
  QMenu* remove = bar->addMenu("Delete");
  remove->setObjectName("mnuDelete");
  item(remove, "mnuDeleteFolder", "Delete Folder", &frmFiles::DeleteFolder);
  item(remove, "mnuDeleteFiles", "Delete File(s)", &frmFiles::DeleteFiles);
  QMenu* view = bar->addMenu("View");
  view->setObjectName("mnuView");
  item(view, "mnuViewText", "View as text", &frmFiles::ViewAsText);
  item(view, "mnuFileList", "File list to text", &frmFiles::ListToText);
  bar->addAction("             Done", this, [this] { accept(); })->setObjectName("mnuDone");
  bar->addAction("Cancel", this, &frmFiles::reject)->setObjectName("mnuCancel");
}

// "Cancel", Escape and the close box: nothing chosen.
void frmFiles::reject() {
  resDir_.clear();
  resFile_.clear();
  QDialog::reject();
}

void frmFiles::SetStartDir(const std::string& dir) { startDir_ = dir; }
void frmFiles::SetTitle(const std::string& title) { title_ = title; }
void frmFiles::SetFilter(const std::string& filter) { filter_ = filter; }
void frmFiles::SetPatterns(const std::string& patterns) { patterns_ = patterns; }

void frmFiles::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) LoadSettings();
  QDialog::showEvent(event);
}

void frmFiles::LoadSettings() {
  resDir_.clear();
  resFile_.clear();
  txtFile_->clear();
  setWindowTitle(title_.empty() ? "File Dialog" : Q(title_));
  const QString start = startDir_.empty() ? QDir::currentPath() : Q(startDir_);
  loading_ = true;
  Drive1_->clear();
  Drive1_->addItems(Volumes());
  Drive1_->setCurrentIndex(
      std::max(0, Drive1_->findText(startDir_.empty() ? "/" : QStorageInfo(start).rootPath())));
  cboFilter_->clear();
  for (const std::string& word : filelist::SplitPatterns(patterns_)) cboFilter_->addItem(Q(word));
  loading_ = false;
  ShowDrive(Drive1_->currentText());
  cboFilter_->setEditText(filter_.empty() ? "*.*" : Q(filter_));
  ApplyFilter(cboFilter_->currentText());
  ChangeFolder(start);
}

void frmFiles::ChangeFolder(const QString& path) {
  const QString folder = Q(filelist::TrimFolder(S(QDir::cleanPath(QDir(path).absolutePath()))));
  resDir_ = S(folder);
  txtDir_->setText(folder);
  fileModel_->setRootPath(folder);
  File1_->setRootIndex(fileModel_->index(folder));
  HideFolders();
  const QModelIndex inTree = dirModel_->index(folder);
  if (inTree.isValid() && Dir1_->currentIndex() != inTree) {
    loading_ = true;
    Dir1_->setCurrentIndex(inTree);
    loading_ = false;
  }
  ScrollTreeToFolder();
}

// The folders above the current one are opened here: the tree's own scrolling does not
// open them while the window is not yet on the screen.
void frmFiles::ScrollTreeToFolder() {
  const QModelIndex inTree = dirModel_->index(Q(resDir_));
  if (!inTree.isValid()) return;
  for (QModelIndex above = inTree.parent(); above.isValid(); above = above.parent())
    Dir1_->expand(above);
  Dir1_->scrollTo(inTree);  // only when it is out of view: a click never moves the tree
}

// The file list shows files only (a folder the model still knows from an earlier visit
// would otherwise appear).
void frmFiles::HideFolders() {
  const QModelIndex root = File1_->rootIndex();
  for (int row = 0; row < fileModel_->rowCount(root); ++row)
    File1_->setRowHidden(row, fileModel_->isDir(fileModel_->index(row, 0, root)));
}

void frmFiles::OpenTypedFolder() {
  const std::string folder = filelist::TypedFolder(resDir_, S(txtDir_->text()));
  if (!QFileInfo(Q(folder)).isDir()) {
    messages_.Show(filelist::NoSuchFolder(folder), kAppTitle, MsgIcon::Exclamation);
    return;
  }
  const QString root = QStorageInfo(Q(folder)).rootPath();
  if (Drive1_->findText(root) >= 0 && Drive1_->currentText() != root) {
    Drive1_->setCurrentIndex(Drive1_->findText(root));
    ShowDrive(root);
  }
  ChangeFolder(Q(folder));
}

void frmFiles::ChangeDrive(int index) {
  const QString root = Drive1_->itemText(index);
  if (!QDir(root).exists()) {  // not ready: the tree stays where it is
    Drive1_->setCurrentIndex(Drive1_->findText(QStorageInfo(Q(resDir_)).rootPath()));
    return;
  }
  ShowDrive(root);
  ChangeFolder(root);
}

void frmFiles::ShowDrive(const QString& root) {
  Dir1_->setRootIndex(root == "/" ? QModelIndex() : dirModel_->index(root));
}

void frmFiles::ApplyFilter(const QString& filter) {
  if (loading_) return;
  filter_ = S(filter);
  QStringList names;
  for (const std::string& name : filelist::NameFilters(filter_)) names << Q(name);
  fileModel_->setNameFilters(names);
}

std::vector<std::string> frmFiles::ListedFiles() const {
  std::vector<std::string> names;
  const QModelIndex root = File1_->rootIndex();
  for (int row = 0; row < fileModel_->rowCount(root); ++row)
    if (!File1_->isRowHidden(row))
      names.push_back(S(fileModel_->fileName(fileModel_->index(row, 0, root))));
  return names;
}

std::string frmFiles::FileListText() const {
  std::vector<filelist::FileRow> rows;
  const QModelIndex root = File1_->rootIndex();
  for (int row = 0; row < fileModel_->rowCount(root); ++row)
    if (!File1_->isRowHidden(row))
      rows.push_back(RowOf(fileModel_->fileInfo(fileModel_->index(row, 0, root))));
  return filelist::ListText(resDir_, S(cboFilter_->currentText()), rows);
}

void frmFiles::FileClicked() {
  const QModelIndex current = File1_->currentIndex();
  if (!current.isValid()) return;
  const filelist::FileRow row = RowOf(fileModel_->fileInfo(current));
  resFile_ = row.name;
  txtFile_->setText(Q(filelist::InfoLine(row)));
}

void frmFiles::FileDoubleClicked() {
  const QModelIndex current = File1_->currentIndex();
  if (!current.isValid()) return;
  resFile_ = S(fileModel_->fileName(current));
  txtFile_->setText(Q(resFile_));
  accept();
}

std::vector<std::string> frmFiles::SelectedFiles() const {
  std::vector<std::string> names;
  for (const QModelIndex& index : File1_->selectionModel()->selectedIndexes())
    names.push_back(S(fileModel_->fileName(index)));
  return names;
}

bool frmFiles::Confirm(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setObjectName("msgConfirm");
  return box.exec() == QMessageBox::Ok;
}

void frmFiles::Report(const std::vector<std::string>& errors) {
  if (errors.empty()) return;
  std::string text;
  for (const std::string& line : errors) text += (text.empty() ? "" : "\n") + line;
  messages_.Show(text, kAppTitle, MsgIcon::Exclamation);
}

void frmFiles::NewFolder() {
  QInputDialog input(this);
  input.setObjectName("inputNewDirectory");
  input.setWindowTitle("New Directory");
  input.setLabelText("Type new directory name.\nCurrent Path:\n" + Q(resDir_));
  if (input.exec() != QDialog::Accepted || input.textValue().isEmpty()) return;
  const std::string path = filelist::JoinPath(resDir_, S(input.textValue()));
  if (!Confirm(Q(path), "Creating...")) return;
  std::string error;
  if (!fileops::MakeFolder(path, error)) return Report({error});
  ChangeFolder(Q(path));
}

void frmFiles::NewText() { frmText::ShowText("", "Untitled", messages_, this); }

void frmFiles::ClearName() {
  resFile_.clear();
  txtFile_->clear();
}

void frmFiles::DeleteFolder() {
  if (!Confirm("Delete " + Q(resDir_) + " ?", "Deleting...")) return;
  std::string error;
  if (!fileops::RemoveFolder(resDir_, error)) return Report({error});
  ClearName();
  ChangeFolder(Q(filelist::ParentFolder(resDir_)));
}

void frmFiles::DeleteFiles() {
  const std::vector<std::string> names = SelectedFiles();
  if (names.empty()) return messages_.Show(kNothingSelected, kAppTitle, MsgIcon::Information);
  if (!Confirm(Q(filelist::DeleteQuestion(names)), "Deleting...")) return;
  std::vector<std::string> errors;
  fileops::DeleteFiles(resDir_, names, errors);
  ClearName();
  Report(errors);
}

// The target of a copy, chosen in a second dialog that says what it is for and stands
// apart from this one (one just like it, right over it, looked as if nothing happened).
bool frmFiles::PickTargetFolder(const std::string& what, std::string& target) {
  frmFiles picker(messages_, this);
  picker.SetStartDir(resDir_);
  picker.SetTitle(what);
  picker.SetFilter(filter_);
  picker.AskForFolder(what + ": choose the folder, then Done");
  picker.resize(size());
  picker.move(pos() + QPoint(40, 40));
  if (picker.exec() != QDialog::Accepted || picker.GetResDir().empty()) return false;
  target = picker.GetResDir();
  return true;
}

bool frmFiles::AskReplace(const std::string& file) {
  return Confirm("Replace " + Q(file) + " ?", "Copying...");
}

void frmFiles::ReportCopy(int copied, const std::string& target,
                          const std::vector<std::string>& errors) {
  messages_.Show(filelist::CopyReport(copied, target, errors), kAppTitle,
                 errors.empty() ? MsgIcon::Information : MsgIcon::Exclamation);
}

void frmFiles::CopyFolder() {
  std::string target;
  if (!PickTargetFolder("Copy " + resDir_ + " into", target)) return;
  std::vector<std::string> errors;
  const int copied = fileops::CopyFolder(
      resDir_, target, [this](const std::string& file) { return AskReplace(file); }, errors);
  const std::string name = resDir_.substr(resDir_.find_last_of('/') + 1);
  ReportCopy(copied, filelist::JoinPath(target, name), errors);
}

void frmFiles::CopyFiles() {
  const std::vector<std::string> names = SelectedFiles();
  if (names.empty()) return messages_.Show(kNothingSelected, kAppTitle, MsgIcon::Information);
  const std::string what = names.size() == 1 ? "1 file" : std::to_string(names.size()) + " files";
  std::string target;
  if (!PickTargetFolder("Copy " + what + " into", target)) return;
  std::vector<std::string> errors;
  const int copied = fileops::CopyFiles(
      resDir_, names, target, [this](const std::string& file) { return AskReplace(file); }, errors);
  ReportCopy(copied, target, errors);
}

void frmFiles::ViewAsText() {
  const QModelIndex current = File1_->currentIndex();
  if (!current.isValid() || !File1_->selectionModel()->isSelected(current)) return;
  frmText::ShowFile(filelist::JoinPath(resDir_, S(fileModel_->fileName(current))), messages_, this);
}

void frmFiles::ListToText() {
  const std::string text = FileListText();
  QApplication::clipboard()->setText(QString::fromStdString(text).replace("\r\n", "\n"));
  frmText::ShowText(text, "File list", messages_, this);
}

void frmFiles::done(int result) {
  startDir_.clear();
  title_.clear();
  filter_.clear();
  patterns_.clear();
  KeepTextWindowsOpen();
  QDialog::done(result);
}

// Text windows opened from here are children while the dialog runs, so they take input
// beside the modal dialog; they outlive it as windows of their own.
void frmFiles::KeepTextWindowsOpen() {
  for (frmText* window : findChildren<frmText*>(QString(), Qt::FindDirectChildrenOnly)) {
    window->setParent(nullptr, Qt::Window);
    window->show();
  }
}
