// The file dialog over real folders: filter without regard to case, results after Done,
// Cancel, double-click, the close box and Escape, multi-select delete with its confirmation,
// copy into another folder, new and deleted folders, and the texts it hands on.
#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

#include <filesystem>

#include "Modal.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "ui/frmFiles.h"
#include "ui/frmText.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

class FilesWindow : public ::testing::Test, protected ScratchDir {
 protected:
  FilesWindow() : ScratchDir("files-window") {}
  void SetUp() override {
    Put("demo.prg", "Z Rel 1\r\n");
    Put("README.TXT", "read me");
    Put("notes.txt", "");
    Put("Makefile", "all:");
  }
  void TearDown() override {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<frmText*>(window)) window->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Shows the dialog without a modal loop (its own message boxes stay modal).
  void Open(frmFiles& files, const std::string& filter, size_t expected) {
    files.SetStartDir(dir);
    files.SetFilter(filter);
    files.SetPatterns("*.PRG *.*");
    files.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&files));
    WaitForList(files, expected);
  }
  static void WaitForList(const frmFiles& files, size_t expected) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return files.ListedFiles().size() == expected; }, 5000))
        << files.ListedFiles().size() << " listed, " << expected << " expected";
  }
  static QListView* List(QWidget* files) { return files->findChild<QListView*>("File1"); }
  static void ClickFile(QWidget* files, const std::string& name, Qt::KeyboardModifiers keys = {},
                        bool twice = false) {
    QListView* list = List(files);
    const auto* model = static_cast<QFileSystemModel*>(list->model());
    const QModelIndex index = model->index(
        QString::fromStdString(fs::path(model->filePath(list->rootIndex()).toStdString()) / name));
    ASSERT_TRUE(index.isValid()) << name;
    const QPoint at = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, at);
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, keys, at);
  }
  static void Menu(QWidget* files, const char* name) {
    auto* action = files->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }
  static void Answer(QMessageBox::StandardButton button, std::string* text = nullptr) {
    modal::When<QMessageBox>([button, text](QMessageBox* box) {
      if (text) *text = box->windowTitle().toStdString() + "|" + box->text().toStdString();
      box->button(button)->click();
    });
  }

  FakeMessages messages;
};

TEST_F(FilesWindow, FilterMatchesWithoutRegardToCaseAndOffersThePatternWords) {
  frmFiles files(messages);
  Open(files, "*.PRG", 1);
  EXPECT_EQ(files.ListedFiles(), Names{"demo.prg"});
  auto* filter = files.findChild<QComboBox*>("cboFilter");
  ASSERT_EQ(filter->count(), 2);
  EXPECT_EQ(filter->itemText(0), "*.PRG");
  EXPECT_EQ(filter->itemText(1), "*.*");
  EXPECT_EQ(files.windowTitle(), "File Dialog");
  EXPECT_EQ(files.findChild<QAction*>("mnuDone")->text(), QString(13, ' ') + "Done");
  EXPECT_EQ(files.findChild<QAction*>("mnuCopyFiles")->text(), "Copy File(s)");
  EXPECT_EQ(files.findChild<QLineEdit*>("txtDir")->text().toStdString(), dir);
  EXPECT_EQ(files.GetResDir(), dir);

  const struct {
    const char* filter;
    Names names;
  } cases[] = {
      {"*.*", {"demo.prg", "Makefile", "notes.txt", "README.TXT"}},
      {"*.TXT", {"notes.txt", "README.TXT"}},
      {"read*", {"README.TXT"}},
      {"*.prg;makefile", {"demo.prg", "Makefile"}},
  };
  for (const auto& c : cases) {
    filter->setCurrentText(c.filter);
    WaitForList(files, c.names.size());
    Names listed = files.ListedFiles();
    std::sort(listed.begin(), listed.end(), [](auto& a, auto& b) {
      return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(listed, c.names) << c.filter;
  }
}

TEST_F(FilesWindow, NoStartFolderShowsTheRootVolumeAndTheCurrentFolder) {
  frmFiles files(messages);
  files.SetTitle("Select a parameter file to load");
  files.show();
  EXPECT_EQ(files.findChild<QComboBox*>("Drive1")->currentText(), "/");
  EXPECT_EQ(files.findChild<QComboBox*>("Drive1")->itemText(0), "/");
  EXPECT_EQ(QString::fromStdString(files.GetResDir()), QDir::currentPath());
  EXPECT_EQ(files.windowTitle(), "Select a parameter file to load");
  EXPECT_EQ(files.findChild<QComboBox*>("cboFilter")->currentText(), "*.*");
  files.close();
  files.show();  // closing forgot the caller's settings
  EXPECT_EQ(files.windowTitle(), "File Dialog");
  files.close();
}

TEST_F(FilesWindow, ResultsDependOnHowTheModalDialogCloses) {
  enum How { Done, Cancel, DoubleClick, CloseBox, Escape };
  const struct {
    How how;
    bool folder;
    std::string file;
  } cases[] = {{Done, true, "demo.prg"},
               {Cancel, false, ""},
               {DoubleClick, true, "demo.prg"},
               {CloseBox, false, ""},
               {Escape, false, ""}};
  for (const auto& c : cases) {
    frmFiles files(messages);
    files.SetStartDir(dir + "/");
    files.SetFilter("*.prg");
    std::string info;
    modal::When<frmFiles>([&, how = c.how](frmFiles* shown) {
      WaitForList(*shown, 1);
      ClickFile(shown, "demo.prg", {}, how == DoubleClick);
      info = shown->findChild<QLineEdit*>("txtFile")->text().toStdString();
      if (how == Done) Menu(shown, "mnuDone");
      if (how == Cancel) Menu(shown, "mnuCancel");
      if (how == CloseBox) shown->close();
      if (how == Escape) QTest::keyClick(shown, Qt::Key_Escape);
      if (shown->isVisible()) {
        ADD_FAILURE() << "still open";
        shown->reject();
      }
    });
    files.exec();
    EXPECT_FALSE(files.isVisible());
    EXPECT_EQ(files.GetResDir(), c.folder ? dir : "") << c.how;
    EXPECT_EQ(files.GetResFile(), c.file) << c.how;
    if (c.how == DoubleClick) {
      EXPECT_EQ(info, "demo.prg");
    } else {
      EXPECT_EQ(info.rfind("demo.prg 20", 0), 0u) << info;
      EXPECT_EQ(info.substr(info.size() - 3), "  9") << info;
    }
  }
}

TEST_F(FilesWindow, TypingTheFileNameSetsTheResult) {
  frmFiles files(messages);
  Open(files, "*.*", 4);
  QTest::keyClicks(files.findChild<QLineEdit*>("txtFile"), "NEW.PRG");
  Menu(&files, "mnuDone");
  EXPECT_EQ(files.GetResFile(), "NEW.PRG");
  EXPECT_EQ(files.GetResDir(), dir);
}

TEST_F(FilesWindow, DeleteSelectedFilesOnlyAfterConfirmation) {
  frmFiles files(messages);
  Open(files, "*.*", 4);
  ClickFile(&files, "notes.txt");
  ClickFile(&files, "README.TXT", Qt::ControlModifier);
  std::string asked;
  Answer(QMessageBox::Cancel, &asked);
  Menu(&files, "mnuDeleteFiles");
  EXPECT_EQ(asked, "Deleting...|Delete these 2 files?\nnotes.txt\nREADME.TXT");
  EXPECT_TRUE(Has("notes.txt") && Has("README.TXT"));
  auto* name = files.findChild<QLineEdit*>("txtFile");
  EXPECT_FALSE(name->text().isEmpty());

  Answer(QMessageBox::Ok);
  Menu(&files, "mnuDeleteFiles");
  EXPECT_FALSE(Has("notes.txt"));
  EXPECT_FALSE(Has("README.TXT"));
  EXPECT_TRUE(Has("demo.prg") && Has("Makefile"));
  EXPECT_TRUE(name->text().isEmpty());  // it named a file that is gone
  EXPECT_EQ(files.GetResFile(), "");
  WaitForList(files, 2);

  List(&files)->clearSelection();  // nothing selected: nothing asked, nothing goes
  Menu(&files, "mnuDeleteFiles");
  EXPECT_TRUE(Has("demo.prg") && Has("Makefile"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "No file is selected");
}

TEST_F(FilesWindow, CopyFilesIntoAFolderPickedInASecondDialogAsksBeforeReplacing) {
  Put("target/README.TXT", "old");
  frmFiles files(messages);
  Open(files, "*.*", 4);
  ClickFile(&files, "demo.prg");
  ClickFile(&files, "README.TXT", Qt::ControlModifier);
  const std::string target = dir + "/target";
  std::string asked;
  modal::When<frmFiles>([&](frmFiles* picker) {
    // A window of its own: it says what it is for and does not hide the dialog.
    EXPECT_NE(picker, &files);
    auto* prompt = picker->findChild<QLabel*>("lblPrompt");
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_EQ(prompt->text(), "Copy 2 files into: choose the folder, then Done");
    EXPECT_NE(picker->pos(), files.pos());
    EXPECT_FALSE(picker->findChild<QMenu*>("mnuCopy")->menuAction()->isVisible());
    auto* tree = picker->findChild<QTreeView*>("Dir1");
    tree->setCurrentIndex(
        static_cast<QFileSystemModel*>(tree->model())->index(QString::fromStdString(target)));
    EXPECT_EQ(picker->GetResDir(), target);
    Answer(QMessageBox::Cancel, &asked);  // keep the old README.TXT
    Menu(picker, "mnuDone");
  });
  Menu(&files, "mnuCopyFiles");
  EXPECT_EQ(asked, "Copying...|Replace " + target + "/README.TXT ?");
  EXPECT_EQ(Get("target/demo.prg"), "Z Rel 1\r\n");
  EXPECT_EQ(Get("target/README.TXT"), "old");
  ASSERT_EQ(messages.shown.size(), 1u);  // said when done
  EXPECT_EQ(messages.shown[0], "Copied 1 file into " + target);
  EXPECT_FALSE(files.findChild<QLabel*>("lblPrompt")->isVisible());
  EXPECT_EQ(files.GetResDir(), dir);  // the first dialog stays where it was
}

TEST_F(FilesWindow, CopyFolderCopiesTheTreeAndReportsACopyIntoItself) {
  Put("src/deep/a.txt", "a");
  fs::create_directories(dir + "/dst");
  frmFiles files(messages);
  files.SetStartDir(dir + "/src");
  files.show();
  const struct {
    std::string pick;
    bool copied;
  } cases[] = {{dir + "/dst", true}, {dir + "/src/deep", false}};
  for (const auto& c : cases) {
    modal::When<frmFiles>([&](frmFiles* picker) {
      auto* tree = picker->findChild<QTreeView*>("Dir1");
      tree->setCurrentIndex(
          static_cast<QFileSystemModel*>(tree->model())->index(QString::fromStdString(c.pick)));
      Menu(picker, "mnuDone");
    });
    Menu(&files, "mnuCopyFolder");
  }
  EXPECT_EQ(Get("dst/src/deep/a.txt"), "a");
  EXPECT_FALSE(Has("src/deep/src"));
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0], "Copied 1 file into " + dir + "/dst/src");
  EXPECT_NE(messages.shown[1].find("into itself"), std::string::npos) << messages.shown[1];
}

TEST_F(FilesWindow, TheTreeOpensScrolledToTheCurrentFolder) {
  Put("a/b/c/d/e/f/g/h/deep.txt", "");
  // Folders listed before it, loaded after the tree first showed it, push it down.
  for (int i = 10; i < 50; ++i) fs::create_directories(dir + "/a/b/c/d/e/f/g/" + std::to_string(i));
  frmFiles files(messages);
  files.SetStartDir(dir + "/a/b/c/d/e/f/g/h");
  modal::When<frmFiles>([](frmFiles* shown) {
    auto* tree = shown->findChild<QTreeView*>("Dir1");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          const QRect at = tree->visualRect(tree->currentIndex());
          return at.isValid() && tree->viewport()->rect().contains(at);
        },
        5000));
    shown->reject();
  });
  files.exec();
}

TEST_F(FilesWindow, ATypedFolderIsOpenedOnEnterOrSaidToBeMissing) {
  fs::create_directories(dir + "/sub");
  frmFiles files(messages);
  Open(files, "*.*", 4);
  auto* path = files.findChild<QLineEdit*>("txtDir");
  EXPECT_FALSE(path->isReadOnly());
  path->selectAll();
  QTest::keyClicks(path, "sub");  // below the current folder
  QTest::keyClick(path, Qt::Key_Return);
  EXPECT_EQ(files.GetResDir(), dir + "/sub");
  EXPECT_EQ(path->text().toStdString(), dir + "/sub");
  WaitForList(files, 0);

  path->selectAll();
  QTest::keyClicks(path, QString::fromStdString(dir + "/nope"));
  QTest::keyClick(path, Qt::Key_Return);
  EXPECT_EQ(files.GetResDir(), dir + "/sub");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "The folder " + dir + "/nope does not exist");
  EXPECT_EQ(path->text().toStdString(), dir + "/nope");  // to be corrected

  path->selectAll();
  QTest::keyClicks(path, QString::fromStdString(dir + "/"));
  QTest::keyClick(path, Qt::Key_Enter);
  EXPECT_EQ(files.GetResDir(), dir);
  WaitForList(files, 4);
}

TEST_F(FilesWindow, FoldersAreNotListedAndAStarListsEveryFile) {
  Put("sub/inner.txt", "");
  frmFiles files(messages);
  Open(files, "*.PRG", 1);
  auto* tree = files.findChild<QTreeView*>("Dir1");
  const auto* folders = static_cast<QFileSystemModel*>(tree->model());
  tree->setCurrentIndex(folders->index(QString::fromStdString(dir + "/sub")));
  WaitForList(files, 0);
  tree->setCurrentIndex(folders->index(QString::fromStdString(dir)));  // back
  ASSERT_EQ(files.GetResDir(), dir);
  QTest::qWait(200);
  EXPECT_EQ(files.ListedFiles(), Names{"demo.prg"});
  auto* filter = files.findChild<QComboBox*>("cboFilter");
  files.activateWindow();
  filter->lineEdit()->setFocus();
  filter->lineEdit()->selectAll();
  QTest::keyClicks(filter->lineEdit(), "*");  // not completed to "*.PRG" from the list
  EXPECT_EQ(filter->currentText(), "*");
  WaitForList(files, 4);
  QTest::qWait(200);
  const Names listed = files.ListedFiles();
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "sub"), 0);
  EXPECT_EQ(listed.size(), 4u);
}

TEST_F(FilesWindow, NewFolderAsksTwiceAndMovesIntoIt) {
  frmFiles files(messages);
  Open(files, "*.*", 4);
  for (const char* name : {"sub", "taken"}) {  // the second one exists already
    if (std::string(name) == "taken") fs::create_directories(dir + "/sub/taken");
    std::string prompt, creating;
    modal::When<QInputDialog>([&, name](QInputDialog* input) {
      prompt = input->windowTitle().toStdString() + "|" + input->labelText().toStdString();
      Answer(QMessageBox::Ok, &creating);
      input->setTextValue(name);
      input->accept();
    });
    const std::string before = files.GetResDir();
    Menu(&files, "mnuNewFolder");
    EXPECT_EQ(prompt, "New Directory|Type new directory name.\nCurrent Path:\n" + before);
    EXPECT_EQ(creating, "Creating...|" + before + "/" + name);
  }
  EXPECT_TRUE(fs::is_directory(dir + "/sub"));
  EXPECT_EQ(files.GetResDir(), dir + "/sub");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], dir + "/sub/taken exists already");
  fs::remove(dir + "/sub/taken");

  Answer(QMessageBox::Ok);  // the empty folder goes, and the tree moves up
  Menu(&files, "mnuDeleteFolder");
  EXPECT_FALSE(fs::exists(dir + "/sub"));
  EXPECT_EQ(files.GetResDir(), dir);
  Answer(QMessageBox::Ok);  // a folder with files stays, with a message
  Menu(&files, "mnuDeleteFolder");
  EXPECT_TRUE(fs::exists(dir));
  EXPECT_EQ(files.GetResDir(), dir);
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(FilesWindow, ListAndViewOpenTextWindowsThatOutliveTheDialog) {
  frmFiles files(messages);
  Open(files, "*.prg", 1);
  Menu(&files, "mnuFileList");
  const std::string text = files.FileListText();
  const std::string head = dir + "/*.prg\r\n";
  ASSERT_EQ(text.substr(0, head.size()), head);
  const std::string line = text.substr(head.size());
  EXPECT_EQ(line.size(), 62u);
  EXPECT_EQ(line.substr(0, 30), std::string(22, ' ') + "demo.prg");
  EXPECT_EQ(line.substr(30, 12), std::string(11, ' ') + "9");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            head.substr(0, head.size() - 2) + "\n" + line);

  ClickFile(&files, "demo.prg");
  Menu(&files, "mnuViewText");
  auto windows = files.findChildren<frmText*>();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_EQ(windows[0]->windowTitle(), "File list");
  EXPECT_EQ(windows[0]->Text(), text);
  EXPECT_EQ(windows[1]->windowTitle().toStdString(), dir + "/demo.prg");
  EXPECT_EQ(windows[1]->Text(), "Z Rel 1\r\n");
  EXPECT_TRUE(windows[1]->isVisible());

  Menu(&files, "mnuDone");
  for (frmText* window : windows) {
    EXPECT_EQ(window->parent(), nullptr);
    EXPECT_TRUE(window->isVisible());
  }
}

}  // namespace
