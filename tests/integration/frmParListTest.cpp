// The parameter list editor over a real store: in-place edit, commit and drop, the
// write on close (only the changed values, byte for byte), Cancel, the descriptions, the
// marking of values the program would refuse, sizing, a file that cannot be loaded, a
// failed save, and renders of the shipped files.
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <filesystem>

#include "Modal.h"
#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"
#include "ui/Twips.h"
#include "ui/frmParList.h"

namespace fs = std::filesystem;

namespace {

class ParListWindow : public ::testing::Test, protected ScratchDir {
 protected:
  ParListWindow() : ScratchDir("parlist-window") { store.ParSetDir(Path()); }
  std::unique_ptr<frmParList> Open(const std::string& file) {
    store.ParSetFile(file);
    auto window = std::make_unique<frmParList>(store, messages);
    window->SetShowPar(-1, -1);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    grid = window->findChild<QTableWidget*>("fgrPar");
    field = window->findChild<QLineEdit*>("txtField");
    return window;
  }
  void ClickCell(int row, int column) {
    const QRect cell = grid->visualItemRect(grid->item(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  void Retype(const QString& text) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }

  FakeMessages messages;
  TRAPAR store{messages};
  QTableWidget* grid = nullptr;
  QLineEdit* field = nullptr;
};

TEST_F(ParListWindow, EnterCommitsLeavingDropsAndClosingWritesEveryRow) {
  Put("ST_PARZ.TXT", "\"ZCONTR\",1\r\n\"ZMOTORSTEPS\" , 200, remark\r\n\"ZJUMPSIZE\",.5\r\n");
  auto window = Open("ST_PARZ.TXT");
  ASSERT_EQ(grid->rowCount(), 3);
  EXPECT_EQ(window->windowTitle().toStdString(), Path("ST_PARZ.TXT"));
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Parameter");
  EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Value");
  EXPECT_TRUE(grid->horizontalHeaderItem(1)->textAlignment() & Qt::AlignRight);
  EXPECT_EQ(grid->item(1, 1)->text(), "200");

  ClickCell(1, 0);  // the name column never edits
  EXPECT_FALSE(field->isVisible());
  EXPECT_TRUE(grid->selectedItems().isEmpty());

  ClickCell(1, 1);
  ASSERT_TRUE(field->isVisible());
  EXPECT_EQ(field->text(), "200");
  EXPECT_TRUE(field->hasFocus());
  const QRect cell = grid->visualItemRect(grid->item(1, 1));
  EXPECT_EQ(field->size(), cell.size());
  EXPECT_EQ(field->pos(),
            cell.topLeft() + QPoint(twips::ToPx(20, grid), -twips::ToPx(20, grid, false)));
  Retype("400");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_FALSE(field->isVisible());
  EXPECT_EQ(grid->item(1, 1)->text(), "400");

  ClickCell(2, 1);  // typed, then another cell clicked without Enter: dropped
  Retype("9");
  ClickCell(0, 1);
  EXPECT_EQ(grid->item(2, 1)->text(), ".5");
  ASSERT_TRUE(field->isVisible());
  Retype("");
  QTest::keyClick(field, Qt::Key_Enter);  // an empty value is a value
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());

  ClickCell(2, 1);  // Escape drops the edit, not the window
  Retype("7");
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_FALSE(field->isVisible());
  EXPECT_TRUE(window->isVisible());
  QTest::keyClick(grid, Qt::Key_Escape);  // nor from the grid
  EXPECT_TRUE(window->isVisible());

  window->close();  // the changed values only; the remark stays
  EXPECT_EQ(Get("ST_PARZ.TXT"),
            "\"ZCONTR\",\r\n\"ZMOTORSTEPS\" , 400, remark\r\n\"ZJUMPSIZE\",.5\r\n");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ParListWindow, ClosingTheModalWindowUnchangedWritesNothing) {
  const std::string text = "\"JAXIS1_L\" , 12 , low end\r\n\r\n\"JAXIS1_H\",  900";
  Put("ST_JOY.TXT", text);
  store.ParSetFile("ST_JOY.TXT");
  frmParList window(store, messages);
  window.SetShowPar(-1, -1);
  modal::When<frmParList>([](frmParList* shown) { shown->close(); });
  window.exec();
  EXPECT_EQ(Get("ST_JOY.TXT"), text);

  Put("ST_JOY.TXT", "\"JAXIS1_L\",13\r\n");  // the same object used again reads afresh
  modal::When<frmParList>([](frmParList* shown) {
    EXPECT_EQ(shown->findChild<QTableWidget*>("fgrPar")->rowCount(), 1);
    shown->findChild<QTableWidget*>("fgrPar")->item(0, 1)->setText("14");
    shown->close();
  });
  window.exec();
  EXPECT_EQ(Get("ST_JOY.TXT"), "\"JAXIS1_L\",14\r\n");
}

TEST_F(ParListWindow, AFileThatCannotBeLoadedShowsAnEmptyGridAndIsNotWritten) {
  Put("ST_CONFIG.TXT", "\"MPORT\",1\r\n\"CONTRTYPE\",EZHR17\r\n");
  store.ParSetFile("ST_CONFIG.TXT");
  ASSERT_EQ(store.ParLoad(), 1);  // the store still holds the configuration
  auto window = Open("ST_JOY.TXT");
  EXPECT_EQ(grid->rowCount(), 0);
  EXPECT_FALSE(window->Loaded());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "File " + Path("ST_JOY.TXT") + " does not exist");
  window->close();
  EXPECT_FALSE(fs::exists(Path("ST_JOY.TXT")));
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(ParListWindow, AFailedSaveIsReportedAndTheOldFileStaysWhole) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "\"KEY" + std::to_string(i) + "\",value of some length\r\n";
  Put("ST_CONFIG.TXT", text);
  auto window = Open("ST_CONFIG.TXT");
  ClickCell(0, 1);
  Retype("changed");
  QTest::keyClick(field, Qt::Key_Return);

  {
    const FileSizeLimit limit(64);
    window->close();
  }

  EXPECT_EQ(Get("ST_CONFIG.TXT"), text);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find(Path("ST_CONFIG.TXT")), std::string::npos);
  EXPECT_EQ(messages.icons[0], MsgIcon::Critical);
}

TEST_F(ParListWindow, ThirtyRowsFitAndTheThirtyFirstAddsScrollBarRoom) {
  const struct {
    int count;
    int widthTwips;
    int shownRows;
  } cases[] = {{1, 8500, 2}, {30, 8500, 31}, {31, 8740, 31}};
  for (const auto& c : cases) {
    std::string text;
    for (int i = 0; i < c.count; ++i)
      text += "\"P" + std::to_string(i) + "\"," + std::to_string(i) + "\r\n";
    Put("MANY.TXT", text);
    auto window = Open("MANY.TXT");
    EXPECT_EQ(grid->rowCount(), c.count);
    EXPECT_EQ(grid->width(), twips::ToPx(c.widthTwips, grid)) << c.count;
    EXPECT_EQ(window->width(), grid->width()) << c.count;
    EXPECT_EQ(grid->height(), twips::ToPx(260 * c.shownRows + 100, grid, false)) << c.count;
    const auto* cancel = window->findChild<QPushButton*>("cmdCancel");
    EXPECT_EQ(window->height(), grid->height() + cancel->height() + 12) << c.count;
    EXPECT_EQ(grid->verticalScrollBar()->maximum() > 0, c.count > 30) << c.count;
    const QRect screen = window->screen()->geometry();
    EXPECT_NEAR(window->x() - screen.x(), (screen.width() - window->width()) / 2, 1);
    window->close();
  }
}

TEST_F(ParListWindow, DescriptionsShowBesideTheValuesWhichAreShownWhole) {
  const std::string path = "sim:EZHR17:lower=-1600:upper=160000";  // as shipped
  Put("ST_CONFIG.TXT", "\"MPORTNAME\"," + path + ", port device\r\n\"MPORT\",1\r\n");
  auto window = Open("ST_CONFIG.TXT");
  EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Description");
  EXPECT_EQ(grid->item(0, 2)->text(), "port device");
  EXPECT_EQ(grid->item(1, 2)->text(), "");
  EXPECT_EQ(grid->item(0, 1)->toolTip().toStdString(), path);
  EXPECT_GE(grid->columnWidth(1),
            grid->fontMetrics().horizontalAdvance(QString::fromStdString(path)));
  ClickCell(0, 2);  // read-only
  EXPECT_FALSE(field->isVisible());
  EXPECT_TRUE(grid->selectedItems().isEmpty());
  window->close();
  EXPECT_EQ(Get("ST_CONFIG.TXT"), "\"MPORTNAME\"," + path + ", port device\r\n\"MPORT\",1\r\n");
}

TEST_F(ParListWindow, AValueTheProgramWouldRefuseIsMarkedAtOnceAndACommaIsRefused) {
  Put("ST_PARZ.TXT", "\"ZMOTORSTEPS\",two hundred\r\n\"ZJUMPSIZE\",10\r\n");
  auto window = Open("ST_PARZ.TXT");
  const auto marked = [&](int row) {
    return grid->item(row, 1)->background().style() != Qt::NoBrush;
  };
  EXPECT_TRUE(marked(0));  // as loaded
  EXPECT_EQ(grid->item(0, 1)->toolTip(), "two hundred\nNot a number");
  EXPECT_FALSE(marked(1));

  ClickCell(1, 1);
  Retype("ten");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_TRUE(marked(1));  // at once, not on close
  ClickCell(0, 1);
  Retype("200");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_FALSE(marked(0));
  EXPECT_EQ(grid->item(0, 1)->toolTip(), "200");

  ClickCell(1, 1);
  Retype("1,5");
  QTest::keyClick(field, Qt::Key_Return);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0],
            "A value cannot hold a comma: the file would cut it at the comma (1,5)");
  EXPECT_TRUE(field->isVisible());  // to be corrected
  EXPECT_EQ(grid->item(1, 1)->text(), "ten");
  Retype("1.5");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_FALSE(marked(1));
  window->close();
  EXPECT_EQ(Get("ST_PARZ.TXT"), "\"ZMOTORSTEPS\",200\r\n\"ZJUMPSIZE\",1.5\r\n");
}

TEST_F(ParListWindow, CancelClosesWithoutWritingAndEnterNeverPressesIt) {
  const std::string text = "\"ZCONTR\",1\r\n";
  Put("ST_PARZ.TXT", text);
  store.ParSetFile("ST_PARZ.TXT");
  frmParList window(store, messages);
  window.SetShowPar(-1, -1);
  modal::When<frmParList>([this](frmParList* shown) {
    grid = shown->findChild<QTableWidget*>("fgrPar");
    field = shown->findChild<QLineEdit*>("txtField");
    ClickCell(0, 1);
    Retype("2");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(grid->item(0, 1)->text(), "2");
    auto* cancel = shown->findChild<QPushButton*>("cmdCancel");
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
  });
  window.exec();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Get("ST_PARZ.TXT"), text);
}

// Run again under QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt): the window then fits a
// screen of half the size.
TEST_F(ParListWindow, TheShippedFilesRenderToPngsAndFitTheScreen) {
  for (const char* file : {"ST_PARZ.TXT", "ST_CONFIG.TXT"}) {
    fs::copy_file(std::string(KELVORIN_SOURCE_DIR "/settings/") + file, Path(file));
    auto window = Open(file);
    EXPECT_EQ(grid->item(0, 2)->text().isEmpty(), false) << file;
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), screen.width()) << file;
    EXPECT_LE(window->height(), screen.height()) << file;
    const int dpi = qRound(window->logicalDpiY() * window->devicePixelRatioF());
    const std::string name = "frmParList-" + fs::path(file).stem().string() + "-" +
                             std::to_string(dpi) + "dpi";
    EXPECT_TRUE(modal::SavePng(window.get(), name)) << name;
    window->hide();  // nothing to write back
  }
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
