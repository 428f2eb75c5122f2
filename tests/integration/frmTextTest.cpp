// The text window: files and unsaved texts, Save and Save As (atomic, byte for byte, in
// the document's own line ends and encoding), failures, Find, and the question on close.
#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <filesystem>

#include "Modal.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "ui/frmText.h"

namespace fs = std::filesystem;

namespace {

class TextWindow : public ::testing::Test, protected ScratchDir {
 protected:
  TextWindow() : ScratchDir("text-window") {}
  FakeMessages messages;
};

TEST_F(TextWindow, SaveAsWritesTheUnsavedTextAndTakesTheNewPath) {
  frmText window(messages);
  window.OpenText("line 1\r\nline 2", "Error Log");
  window.show();
  EXPECT_EQ(window.windowTitle(), "Error Log");
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* box = window.findChild<QPlainTextEdit*>("txtText");
  EXPECT_EQ(box->toPlainText(), "line 1\nline 2");
  box->moveCursor(QTextCursor::End);
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClicks(box, "line 3");

  const std::string path = Path("log.txt");
  // The name is typed: selectFile() may lose it while the folder view is still loading.
  modal::When<QFileDialog>([&](QFileDialog* ask) {
    ask->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
    static_cast<QDialog*>(ask)->accept();
  });
  QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);  // no file yet: Save asks
  EXPECT_EQ(Get("log.txt"), "line 1\r\nline 2\r\nline 3");
  EXPECT_EQ(window.windowTitle().toStdString(), path);
  EXPECT_EQ(window.FilePath(), path);

  QTest::keyClicks(box, "!");
  window.activateWindow();  // back from the modal file dialog
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);  // now Save writes in place
  EXPECT_EQ(Get("log.txt"), "line 1\r\nline 2\r\nline 3!");
  EXPECT_TRUE(messages.shown.empty());
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename(), "log.txt");  // no temporary left behind
}

TEST_F(TextWindow, FilesKeepTheirLineEndsAndBytes) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"crlf.prg", "Z Rel 1\r\nEnd\r\n"},
      {"lf.txt", "a\nb\n"},
      {"latin1.txt",
       "\xB0"
       "C\r\n\xE9t\xE9"},
      {"utf8.txt",
       "\xC2\xB0"
       "C\n"},
  };
  for (const auto& c : cases) {
    Put(c.name, c.bytes);
    frmText window(messages);
    ASSERT_TRUE(window.OpenFile(Path(c.name)));
    EXPECT_EQ(window.windowTitle().toStdString(), Path(c.name));
    EXPECT_EQ(window.Text(), c.bytes) << c.name;
    fs::remove(Path(c.name));
    ASSERT_TRUE(window.Save());
    EXPECT_EQ(Get(c.name), c.bytes) << c.name;
  }
  EXPECT_EQ(frmText(messages).OpenFile(Path("none.txt")), true);  // a new, empty document
  EXPECT_FALSE(frmText(messages).OpenFile(Path()));               // a folder is not a text
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "File " + Path() + " cannot be read");
}

TEST_F(TextWindow, AFailedSaveSaysSoAndKeepsTheDocumentsFile) {
  Put("keep.txt", "old");
  frmText window(messages);
  window.OpenFile(Path("keep.txt"));
  window.Editor()->insertPlainText("new ");
  EXPECT_FALSE(window.SaveTo(Path("missing/keep.txt")));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(Path("missing/keep.txt")), std::string::npos);
  EXPECT_EQ(window.FilePath(), Path("keep.txt"));
  EXPECT_EQ(Get("keep.txt"), "old");
  EXPECT_TRUE(window.Editor()->document()->isModified());
}

TEST_F(TextWindow, FindSelectsTheNextMatchAndWrapsAround) {
  frmText window(messages);
  window.OpenText("Z Rel 1\r\nZ Wait\r\nZ Rel 2", "Commands");
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* box = window.Editor();
  modal::When<QInputDialog>([](QInputDialog* ask) {
    ask->setTextValue("Rel");
    ask->accept();
  });
  QTest::keyClick(box, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(box->textCursor().selectedText(), "Rel");
  EXPECT_EQ(box->textCursor().blockNumber(), 0);
  window.activateWindow();  // back from the modal question
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(box, Qt::Key_F3);
  EXPECT_EQ(box->textCursor().blockNumber(), 2);
  QTest::keyClick(box, Qt::Key_F3);
  EXPECT_EQ(box->textCursor().blockNumber(), 0);
}

TEST_F(TextWindow, ClosingWithUnsavedEditsAsks) {
  Put("a.txt", "a");
  const struct {
    QMessageBox::StandardButton answer;
    bool closed;
    const char* file;
  } cases[] = {
      {QMessageBox::Cancel, false, "a"},
      {QMessageBox::Discard, true, "a"},
      {QMessageBox::Save, true, "ab"},
  };
  for (const auto& c : cases) {
    frmText window(messages);
    window.OpenFile(Path("a.txt"));
    window.show();
    window.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(window.Editor(), "b");
    modal::When<QMessageBox>([&](QMessageBox* ask) { ask->button(c.answer)->click(); });
    EXPECT_EQ(window.close(), c.closed);
    EXPECT_EQ(Get("a.txt"), c.file);
  }
  frmText unchanged(messages);
  unchanged.OpenText("x", "Error Log");
  unchanged.show();
  EXPECT_TRUE(unchanged.close());  // nothing typed: no question
}

}  // namespace
