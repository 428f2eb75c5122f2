// The interpreter window offscreen over the whole core: names, paging, editing rules,
// Write with its overwrite question, printing to PDF, the launcher, and a program file
// read through the window and run on the simulated lift.
#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QInputDialog>
#include <QScrollBar>
#include <QScreen>
#include <QSet>
#include <gtest/gtest.h>

#include "Modal.h"
#include "ui/InterpLauncher.h"
#include "ui/frmInterp.h"
#include "unit/InterpRig.h"

namespace {

// The interpreter window over the rig's core, with its file dialog answered by the test.
struct WindowRig : InterpRig {
  WindowRig() : form(core.interp, core.progEdit, messages) {
    form.chooseFile = [this](const FileRequest& r, std::string& d, std::string& f) {
      requests.push_back(r);
      d = dir;
      f = chosenFile;
    };
    form.show();
  }
  template <typename T>
  T* Find(const QString& name) {
    return form.findChild<T*>(name);
  }
  QLineEdit* Text(int k) { return Find<QLineEdit>(QString("txtCmd(%1)").arg(k)); }
  QString Number(int k) { return Find<QPushButton>(QString("cmdNmb(%1)").arg(k))->text(); }
  void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton); }
  void ClickRow(int k) {
    QTest::mouseClick(Find<QPushButton>(QString("cmdNmb(%1)").arg(k)), Qt::LeftButton);
  }
  void Trigger(const char* item) { Find<QAction>(item)->trigger(); }
  void Key(int key) { QTest::keyClick(Text(0), Qt::Key(key)); }
  QString Message() { return Find<QLabel>("lblMess")->text(); }
  // Answers the next modal window with `answer` once it is up.
  void WhenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
      for (int i = 0; i < 200 && !QApplication::activeModalWidget(); ++i) QTest::qWait(10);
      if (QWidget* modal = QApplication::activeModalWidget()) answer(modal);
    });
  }

  frmInterp form;
  std::string chosenFile;
  std::vector<FileRequest> requests;
};

LineList Numbered(int n) {
  LineList lines;
  for (int i = 0; i < n; ++i) lines.push_back("Ver " + std::to_string(i));
  return lines;
}

TEST(InterpWindow, ControlsMenusAndCaptions) {
  WindowRig rig;
  EXPECT_EQ(rig.form.windowTitle(), "Program Interpreter");
  EXPECT_EQ(rig.form.VisibleRows(), 29);
  EXPECT_EQ(rig.core.interp.VisibleRows(), 29);
  EXPECT_NE(rig.Text(28), nullptr);
  EXPECT_EQ(rig.Text(29), nullptr);
  EXPECT_EQ(rig.Find<QLabel>("lblTime")->text(), "time");
  EXPECT_EQ(rig.Find<QLabel>("lblNameCmd")->text(), "Command");
  EXPECT_EQ(rig.Find<QRadioButton>("optRun")->text(), "Run");
  const std::pair<const char*, const char*> buttons[] = {
      {"cmdRead", "Re&ad"},     {"cmdWrite", "&Write"}, {"cmdInsert", "&Insert"},
      {"cmdDelete", "&Delete"}, {"cmdRun", "&Run"},     {"cmdStep", "S&tep"},
      {"cmdStop", "&Stop"},     {"cmdOver", "&Over"}};
  for (const auto& [name, caption] : buttons) {
    auto* button = rig.Find<QToolButton>(name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->text(), caption);
    EXPECT_FALSE(button->icon().isNull()) << name;
  }
  const std::pair<const char*, const char*> items[] = {{"mnuFile", "&File"},
                                                       {"mnuRead", "&Read Program"},
                                                       {"mnuWrite", "&Write Program"},
                                                       {"mnuPrint", "&Print"},
                                                       {"mnuEdit", "&Edit"},
                                                       {"mnuInsert", "&Insert Command"},
                                                       {"mnuDelete", "&Delete Command"},
                                                       {"mnuFormatProg", "&Format Program"},
                                                       {"mnuView", "&View"},
                                                       {"mnuPgUp", "Page &Up"},
                                                       {"mnuPgDn", "Page &Down"},
                                                       {"mnuLnUp", "Line U&p"},
                                                       {"mnuLnDn", "Line D&own"},
                                                       {"mnuGoTo", "&Go to Line..."},
                                                       {"mnuExe", "E&xecute"},
                                                       {"mnuRun", "&Run"},
                                                       {"mnuStop", "&Stop"},
                                                       {"mnuStep", "Ste&p"},
                                                       {"mnuOver", "Start &Over"}};
  for (const auto& [name, caption] : items) {
    auto* action = rig.Find<QAction>(name);
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(action->text(), caption);
  }
}

TEST(InterpWindow, PagesAFortyLineProgramWhileEditingIsOn) {
  WindowRig rig;
  rig.core.interp.SetProgram(Numbered(40));
  rig.Key(Qt::Key_PageDown);  // editing is off at start-up: keys do nothing
  EXPECT_EQ(rig.core.interp.TopLine(), 0);
  rig.Trigger("mnuFormatProg");
  EXPECT_EQ(rig.Message(), "Program formatted");
  EXPECT_EQ(rig.Number(0), "0");
  EXPECT_EQ(rig.Number(28), "28");
  EXPECT_EQ(rig.Text(28)->text(), "Ver 28");
  rig.Key(Qt::Key_PageDown);
  EXPECT_EQ(rig.Number(0), "11");  // the last page is filled
  EXPECT_EQ(rig.Number(28), "39");
  rig.Key(Qt::Key_PageUp);
  EXPECT_EQ(rig.Number(0), "0");
  rig.Key(Qt::Key_Down);
  rig.Key(Qt::Key_Down);
  EXPECT_EQ(rig.Number(0), "2");
  rig.Key(Qt::Key_Up);
  EXPECT_EQ(rig.Number(0), "1");
  rig.Trigger("mnuPgDn");
  EXPECT_EQ(rig.Number(0), "11");

  rig.core.interp.SetProgram(Numbered(5));  // shorter than the window: stays at the top
  rig.Trigger("mnuFormatProg");
  rig.Key(Qt::Key_PageDown);
  rig.Key(Qt::Key_Down);
  EXPECT_EQ(rig.core.interp.TopLine(), 0);
  EXPECT_EQ(rig.Number(5), "");
}

TEST(InterpWindow, InsertAndDeleteRules) {
  WindowRig rig;
  rig.Trigger("mnuFormatProg");  // the start-up program "End"
  rig.ClickRow(0);
  rig.Click("cmdInsert");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"", "End"}));
  EXPECT_EQ(rig.Text(0)->text(), "");
  EXPECT_EQ(rig.Text(1)->text(), "End");
  EXPECT_EQ(rig.core.interp.SelectedRow(), 0);
  EXPECT_EQ(rig.core.interp.NextLine(), 1);

  const std::string before = rig.Message().toStdString();
  rig.ClickRow(5);  // a blank row
  rig.Click("cmdInsert");
  rig.Click("cmdDelete");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"", "End"}));
  EXPECT_EQ(rig.Message().toStdString(), before);

  rig.ClickRow(0);
  rig.Click("cmdDelete");
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"End"}));
  EXPECT_EQ(rig.Text(1)->text(), "");
  rig.Click("cmdDelete");  // the only line stays
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"End"}));
}

TEST(InterpWindow, EditsAreStoredExceptOnTheLastLine) {
  WindowRig rig;
  rig.core.interp.SetProgram({"Ver", "Ver", "End"});
  rig.Trigger("mnuFormatProg");
  rig.form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.form));
  QTest::mouseClick(rig.Text(1), Qt::LeftButton);
  rig.Text(1)->setText("Z Rel 5");
  QTest::mouseClick(rig.Text(2), Qt::LeftButton);  // leaves row 1: stored
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Ver", "Z Rel 5", "End"}));
  rig.Text(2)->setText("Changed");
  QTest::mouseClick(rig.Text(0), Qt::LeftButton);  // leaves the last line: not taken over
  EXPECT_EQ(rig.core.interp.ProgLines(), (LineList{"Ver", "Z Rel 5", "End"}));
  EXPECT_EQ(rig.Text(2)->text(), "End");
  EXPECT_EQ(rig.core.interp.NextLine(), 1);  // the click on row 0

  rig.core.interp.StartStep();  // editing off while a step is pending
  rig.Text(0)->setText("Bogus");
  QTest::mouseClick(rig.Text(1), Qt::LeftButton);
  EXPECT_EQ(rig.core.interp.ProgLines()[0], "Ver");
  EXPECT_EQ(rig.Text(0)->text(), "Ver");
}

// Types into row 0 of the active window and stays in the row.
void TypeIntoRow0(WindowRig& rig, const char* text) {
  rig.form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.form));
  QTest::mouseClick(rig.Text(0), Qt::LeftButton);
  rig.Text(0)->selectAll();
  QTest::keyClicks(rig.Text(0), text);
}

// A row text typed and not yet left is stored before a button or menu item acts.
struct TypedRowCase {
  const char* name;
  const char* item;
  LineList program;  // after the action and leaving the row
  const char* runLine;
  friend void PrintTo(const TypedRowCase& c, std::ostream* os) { *os << c.name; }
};

class TypedRow : public ::testing::TestWithParam<TypedRowCase> {};

TEST_P(TypedRow, IsStoredBeforeTheAction) {
  const TypedRowCase& c = GetParam();
  WindowRig rig;
  rig.chosenFile = "T.PRG";
  rig.core.interp.SetProgram({"Ver", "Ver", "End"});
  rig.Trigger("mnuFormatProg");
  TypeIntoRow0(rig, "Z ?");
  rig.Trigger(c.item);
  if (c.runLine) {
    EXPECT_EQ(rig.core.interp.RunLine(), c.runLine);
  }
  QTest::mouseClick(rig.Text(1), Qt::LeftButton);  // leaves the row
  EXPECT_EQ(rig.core.interp.ProgLines(), c.program);
  if (std::string(c.item) == "mnuWrite") {
    EXPECT_EQ(rig.Get("T.PRG"), "Z ?\r\nVer\r\nEnd\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    InterpWindow, TypedRow,
    ::testing::Values(TypedRowCase{"Write", "mnuWrite", {"Z ?", "Ver", "End"}, nullptr},
                      TypedRowCase{"Format", "mnuFormatProg", {"Z ?", "Ver", "End"}, nullptr},
                      TypedRowCase{"Insert", "mnuInsert", {"", "Z ?", "Ver", "End"}, nullptr},
                      TypedRowCase{"Delete", "mnuDelete", {"Ver", "End"}, nullptr},
                      TypedRowCase{"Run", "mnuRun", {"Z ?", "Ver", "End"}, "Z ?"},
                      TypedRowCase{"Step", "mnuStep", {"Z ?", "Ver", "End"}, "Z ?"}),
    [](const auto& info) { return std::string(info.param.name); });

// A scroll key redraws the rows: the row typed into is stored first.
TEST(InterpWindow, AScrollKeyStoresTheTypedRowFirst) {
  WindowRig rig;
  rig.core.interp.SetProgram(LineList(40, "Ver"));
  rig.Trigger("mnuFormatProg");
  TypeIntoRow0(rig, "Z ?");
  QTest::keyClick(rig.Text(0), Qt::Key_PageDown);
  EXPECT_EQ(rig.core.interp.TopLine(), 11);
  EXPECT_EQ(rig.core.interp.ProgLines().at(0), "Z ?");
}

TEST(InterpWindow, WriteOverAnExistingFileCancelledWritesNothing) {
  WindowRig rig;
  const std::string path = rig.Path("OLD.PRG");
  rig.Put("OLD.PRG", "Ver\r\n");
  rig.core.interp.SetProgram({"Repeat 2 Times", "Ver", "Endrepeat", "End"});
  rig.chosenFile = "OLD.PRG";
  QString asked, title;
  rig.WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    asked = box->text();
    title = box->windowTitle();
    box->button(QMessageBox::Cancel)->click();
  });
  rig.Click("cmdWrite");
  EXPECT_EQ(title, "File overwrite");
  EXPECT_EQ(asked, QString::fromStdString("File " + path + " exists.\nOverwrite?"));
  EXPECT_EQ(rig.Message(), "Program not written");
  EXPECT_EQ(rig.form.windowTitle(), "Program Interpreter");
  EXPECT_EQ(rig.Get("OLD.PRG"), "Ver\r\n");
  EXPECT_EQ(rig.requests.at(0).title, "Give a Name to the Program (*.PRG)");

  rig.WhenModal(
      [](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click(); });
  rig.Trigger("mnuWrite");
  EXPECT_EQ(rig.Message(), "Program written");
  EXPECT_EQ(rig.form.windowTitle(), QString::fromStdString("Program " + path));
}

TEST(InterpWindow, ReadAndWriteGoThroughTheProgramsFileDialog) {
  InterpRig core;
  core.Put("TWO.PRG", "Repeat 2 Times\r\nVer\r\nEndrepeat\r\n");
  frmInterp form(core.core.interp, core.core.progEdit, core.messages);
  form.show();
  struct Seen {
    QString title, filter, typed;
  } seen;
  // Types a file name into the dialog and leaves it with Done; an empty name cancels.
  auto answer = [&seen](QString name) {
    QTimer::singleShot(0, [&seen, name] {
      for (int i = 0; i < 200 && !QApplication::activeModalWidget(); ++i) QTest::qWait(10);
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->objectName() != "frmFiles") return;
      seen.title = modal->windowTitle();
      seen.filter = modal->findChild<QComboBox*>("cboFilter")->currentText();
      if (name.isEmpty()) {
        modal->findChild<QAction*>("mnuCancel")->trigger();
        return;
      }
      QTest::keyClicks(modal->findChild<QLineEdit*>("txtFile"), name);
      modal->findChild<QAction*>("mnuDone")->trigger();
    });
  };
  answer("");
  QTest::mouseClick(form.findChild<QToolButton*>("cmdRead"), Qt::LeftButton);
  EXPECT_EQ(seen.title, "Select a Program (*.PRG) to Load");
  EXPECT_EQ(seen.filter, "*.PRG");
  EXPECT_EQ(form.findChild<QLabel*>("lblMess")->text(), "Program not read");

  answer("TWO.PRG");
  QTest::mouseClick(form.findChild<QToolButton*>("cmdRead"), Qt::LeftButton);
  EXPECT_EQ(form.findChild<QLabel*>("lblMess")->text(), "Program read");
  EXPECT_EQ(core.core.interp.ProgLines(), (LineList{"Repeat 2 Times", "    Ver", "Endrepeat"}));
  EXPECT_EQ(form.windowTitle(), QString::fromStdString("Program " + core.Path("TWO.PRG")));

  answer("COPY.PRG");
  QTest::mouseClick(form.findChild<QToolButton*>("cmdWrite"), Qt::LeftButton);
  EXPECT_EQ(seen.title, "Give a Name to the Program (*.PRG)");
  EXPECT_EQ(form.findChild<QLabel*>("lblMess")->text(), "Program written");
  EXPECT_EQ(core.Get("COPY.PRG"), "Repeat 2 Times\r\n    Ver\r\nEndrepeat\r\n");
}

TEST(InterpWindow, PrintsAnImageOfTheWindowToPdf) {
  WindowRig rig;
  rig.core.interp.SetProgram({"Repeat 2 Times", "Ver", "Endrepeat", "End"});
  rig.Trigger("mnuFormatProg");
  const QString direct = QString::fromStdString(rig.Path("direct.pdf"));
  ASSERT_TRUE(rig.form.PrintToPdf(direct));
  QFile file(direct);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  EXPECT_GT(file.size(), 1000);
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a default printer exists";
  const QString chosen = QString::fromStdString(rig.Path("menu.pdf"));
  rig.WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    // Typed, not selectFile(): that may lose the name while the folder view loads.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(chosen);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  rig.Trigger("mnuPrint");
  EXPECT_GT(QFile(chosen).size(), 1000);
  EXPECT_TRUE(rig.messages.shown.empty());
  EXPECT_EQ(rig.form.findChild<QLabel*>("lblMess")->text(),
            "No printer: the window was written to " + chosen);
}

TEST(InterpWindow, LauncherOpensBesideTheMainWindowAndUnloads) {
  InterpRig rig;
  QWidget main;
  main.resize(300, 200);
  main.move(200, 150);
  main.show();
  InterpLauncher launcher(rig.core.interp, rig.core.progEdit, rig.messages);
  EXPECT_FALSE(launcher.IsLoaded());
  frmInterp* form = launcher.Open(&main);
  ASSERT_TRUE(launcher.IsLoaded());
  EXPECT_EQ(launcher.Open(&main), form);  // one window
  EXPECT_EQ(main.x(), 0);
  EXPECT_EQ(form->y(), 0);
  EXPECT_NEAR(form->x(), main.frameGeometry().width(), 1);
  EXPECT_EQ(rig.core.interp.Window(), form);

  rig.Load({"Ver", "Ver", "End"});
  rig.core.interp.StartRun();
  launcher.Unload();
  QTest::qWait(20);  // the window is released once its handlers have returned
  EXPECT_FALSE(launcher.IsLoaded());
  EXPECT_EQ(rig.core.interp.Window(), nullptr);
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
  EXPECT_EQ(rig.core.interp.ProgLines().size(), 3u);  // the program stays

  // Opened where the main window asks, in twips, on the program in memory.
  form = launcher.OpenAt(0, 1440);
  EXPECT_EQ(form->pos(), QPoint(form->logicalDpiX(), 0));
  EXPECT_EQ(rig.core.interp.Window(), form);
  EXPECT_EQ(form->findChild<QLineEdit*>("txtCmd(1)")->text(), "Ver");
  EXPECT_EQ(form->findChild<QPushButton*>("cmdNmb(2)")->text(), "2");
}

// A program file read through the window, started over and run on the simulated lift.
TEST(InterpWindow, ProgramFileRunsTheLiftEndToEnd) {
  WindowRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.Put("LIFT.PRG",
          "! lift test\r\nZ 100\r\nZ Wait\r\nRepeat 3 Times\r\nZ Rel -20\r\nZ Wait\r\n"
          "Endrepeat\r\nZ ?\r\nEnd\r\n");
  rig.chosenFile = "LIFT.PRG";
  rig.Click("cmdRead");
  EXPECT_EQ(rig.Message(), "Program read");
  EXPECT_EQ(rig.Text(4)->text(), "    Z Rel -20");
  rig.Click("cmdOver");
  EXPECT_EQ(rig.windows.commandText, "! lift test");
  rig.Click("cmdRun");
  EXPECT_TRUE(rig.Find<QRadioButton>("optRun")->isChecked());
  EXPECT_FALSE(rig.Find<QToolButton>("cmdRead")->isEnabled());
  EXPECT_TRUE(rig.Find<QToolButton>("cmdStop")->isEnabled());
  const auto ran = rig.Ticks();
  EXPECT_EQ(ran.size(), 16u);
  EXPECT_EQ(rig.Message(), "PROGRAM FINISHED");
  EXPECT_EQ(rig.Steps(), 160 - 3 * 32);  // 100 up, then three times 20 down
  EXPECT_EQ(rig.windows.status.text, "40.00 ; ");
  EXPECT_EQ(rig.Text(3)->text(), "Repeat 3 Times");
  EXPECT_NE(rig.Find<QLabel>("lblTime")->text(), "time");
  EXPECT_FALSE(rig.Find<QRadioButton>("optRun")->isChecked());
  EXPECT_TRUE(rig.Find<QToolButton>("cmdRead")->isEnabled());
  // What the controller was told, in order.
  std::vector<std::string> moves;
  for (const auto& line : rig.log)
    if (line.find("R\\r") != std::string::npos && line[0] == '>') moves.push_back(line);
  EXPECT_EQ(moves, (std::vector<std::string>{"> /1A160R\\r", "> /1D32R\\r", "> /1D32R\\r",
                                             "> /1D32R\\r"}));

  QDir().mkpath(KELVORIN_BIN_DIR "/../screenshots");
  EXPECT_TRUE(rig.form.grab().save(KELVORIN_BIN_DIR "/../screenshots/frmInterp.png"));
}

// Alt+letter reaches one control: the buttons and the menu bar's menus have distinct
// access keys.
TEST(InterpWindow, AccessKeysAreUnique) {
  WindowRig rig;
  QStringList captions;
  for (auto* button : rig.form.findChildren<QToolButton*>())
    if (button->objectName().startsWith("cmd")) captions << button->text();
  for (auto* menu : rig.form.findChildren<QMenuBar*>().at(0)->actions()) captions << menu->text();
  QSet<QChar> keys;
  for (const QString& caption : captions) {
    const int amp = caption.indexOf('&');
    ASSERT_GE(amp, 0) << caption.toStdString();
    const QChar key = caption.at(amp + 1).toLower();
    EXPECT_FALSE(keys.contains(key)) << caption.toStdString();
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 12);
}

// A long program: the scroll bar spans it and moves it, the wheel turns it, and Go to
// Line shows a line selected; during a run the bar is off like the View menu.
TEST(InterpWindow, ScrollBarAndGoToLineReachEveryLineOfALongProgram) {
  WindowRig rig;
  rig.core.interp.SetProgram(Numbered(10000));
  rig.Trigger("mnuFormatProg");
  auto* bar = rig.Find<QScrollBar>("scrProgram");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->maximum(), 10000 - 29);
  EXPECT_EQ(bar->pageStep(), 29);
  bar->setValue(9000);
  EXPECT_EQ(rig.Number(0), "9000");
  rig.Key(Qt::Key_PageDown);
  EXPECT_EQ(bar->value(), 9029);
  QWheelEvent wheel(QPointF(5, 5), QPointF(), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(rig.Text(3), &wheel);
  EXPECT_GT(rig.core.interp.TopLine(), 9029);

  modal::When<QInputDialog>([](QInputDialog* dialog) {
    dialog->setIntValue(5000);
    dialog->accept();
  });
  rig.Trigger("mnuGoTo");
  EXPECT_EQ(rig.Number(0), "5000");
  EXPECT_EQ(bar->value(), 5000);
  EXPECT_EQ(rig.core.interp.SelectedRow(), 0);
  EXPECT_EQ(rig.core.interp.NextLine(), 5001);

  rig.Click("cmdRun");
  EXPECT_FALSE(bar->isEnabled());
  rig.Click("cmdStop");
  EXPECT_TRUE(bar->isEnabled());
}

// Taller: more rows, the controls below them follow; smaller: down to kMinRows.
TEST(InterpWindow, RowsFollowTheWindowsHeight) {
  WindowRig rig;
  rig.core.interp.SetProgram(Numbered(100));
  rig.Trigger("mnuFormatProg");
  const int row = rig.Text(1)->y() - rig.Text(0)->y();
  rig.form.resize(rig.form.width(), rig.form.height() + 10 * row);
  QApplication::processEvents();
  EXPECT_EQ(rig.form.VisibleRows(), 39);
  EXPECT_EQ(rig.core.interp.VisibleRows(), 39);
  EXPECT_EQ(rig.Text(38)->text(), "Ver 38");
  auto* over = rig.Find<QToolButton>("cmdOver");
  EXPECT_LE(over->mapTo(&rig.form, QPoint(0, over->height())).y(), rig.form.height());
  EXPECT_GT(rig.Find<QLabel>("lblMess")->y(), rig.Text(38)->y());
  rig.form.resize(rig.form.width(), 50);
  QApplication::processEvents();
  EXPECT_EQ(rig.form.VisibleRows(), frmInterp::kMinRows);
  EXPECT_EQ(rig.Text(frmInterp::kMinRows), nullptr);
  rig.Key(Qt::Key_PageDown);
  EXPECT_EQ(rig.Number(0), QString::number(frmInterp::kMinRows));
}

// Closing during a run asks; Cancel keeps the window and the run. Read asks before an
// edited program is replaced.
TEST(InterpWindow, ClosingDuringARunAndReadingOverAnEditAsk) {
  WindowRig rig;
  rig.Load({"Delay 10", "Delay 10", "End"});
  rig.core.interp.StartRun();
  QString asked;
  auto answer = [&asked](QMessageBox::StandardButton button) {
    modal::When<QMessageBox>([&asked, button](QMessageBox* box) {
      asked = box->text();
      box->button(button)->click();
    });
  };
  answer(QMessageBox::Cancel);
  rig.form.close();
  EXPECT_EQ(asked, "A program is running. Closing the window stops it.\nClose the window?");
  EXPECT_FALSE(rig.form.Released());
  EXPECT_EQ(rig.core.interp.RunMode(), 1);
  rig.Click("cmdStop");

  rig.Put("NEW.PRG", "Ver\r\n");
  rig.chosenFile = "NEW.PRG";
  TypeIntoRow0(rig, "Ver 1");
  answer(QMessageBox::Cancel);
  rig.Click("cmdRead");
  EXPECT_TRUE(asked.startsWith("The program was changed and not written.")) << asked.toStdString();
  EXPECT_EQ(rig.Message(), "Program not read");
}

TEST(InterpWindow, LauncherFitsTheWindowOnItsScreen) {
  InterpRig rig;
  InterpLauncher launcher(rig.core.interp, rig.core.progEdit, rig.messages);
  frmInterp* form = launcher.OpenAt(0, 0);
  const QRect screen = form->screen()->availableGeometry();
  EXPECT_LE(form->height(), screen.height());
  auto* over = form->findChild<QToolButton*>("cmdOver");
  EXPECT_LE(over->mapTo(form, QPoint(0, over->height())).y(), form->height());
  EXPECT_EQ(rig.core.interp.VisibleRows(), form->VisibleRows());

  rig.Load({"Delay 10", "End"});  // closed during a run: OK stops it
  rig.core.interp.StartRun();
  modal::When<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
  form->close();
  EXPECT_FALSE(launcher.IsLoaded());
  EXPECT_EQ(rig.core.interp.RunMode(), 0);
}

// Run again with QT_SCALE_FACTOR=2 (a CTest entry): the same window, twice the pixels.
TEST(InterpWindow, RendersToAPngForAReviewer) {
  WindowRig rig;
  LineList program{"Repeat 3 Times", "Z Rel 10", "Z Wait", "Endrepeat", "Z ?", "End"};
  rig.core.interp.SetProgram(program);
  rig.Trigger("mnuFormatProg");
  rig.ClickRow(1);
  const double scale = rig.form.devicePixelRatioF();
  const std::string name = scale > 1.5 ? "frmInterp-scale2" : "frmInterp-96dpi";
  ASSERT_TRUE(modal::SavePng(&rig.form, name)) << modal::PngPath(name);
  EXPECT_EQ(rig.form.grab().width(), qRound(rig.form.width() * scale));
}

}  // namespace

namespace {

// The example program shipped in the settings folder runs on the simulated lift.
TEST(InterpWindow, ShippedExampleProgramRuns) {
  WindowRig rig;
  ASSERT_TRUE(rig.initOk);
  rig.chosenFile = "DEMO.PRG";
  rig.form.chooseFile = [&](const FileRequest&, std::string& d, std::string& f) {
    d = KELVORIN_SOURCE_DIR "/settings";
    f = rig.chosenFile;
  };
  rig.Trigger("mnuRead");
  ASSERT_EQ(rig.Message(), "Program read");
  rig.Trigger("mnuOver");
  rig.Trigger("mnuRun");
  const auto ran = rig.Ticks(500);
  EXPECT_EQ(rig.Message(), "PROGRAM FINISHED");
  EXPECT_EQ(ran.back(), "! Demo done");
  EXPECT_EQ(rig.Steps(), 0);
  EXPECT_NE(std::find(rig.log.begin(), rig.log.end(), "> /1A3200R\\r"), rig.log.end());
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "> /1D800R\\r"), 3);
  EXPECT_EQ(rig.Find<QLabel>("lblMess")->text(), "PROGRAM FINISHED");
}

}  // namespace
