// The main window runs exactly what the operator typed: no completion from the history,
// no step size taken from half a number.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "AppRig.h"

namespace {

TEST(OperatorInput, EnterRunsTheTypedTextNotAHistoryEntryItBegins) {
  AppRig rig;
  rig.host.ShowMainWindow();  // the history completes only in a box that has the focus
  QApplication::setActiveWindow(rig.window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window));
  auto* box = rig.Find<QComboBox>("cboCommand");
  box->setFocus();
  // Keys go to the box, which hands them to its line edit, as with the keyboard focus.
  box->setEditText("Delay 100");
  QTest::keyClick(box, Qt::Key_Return);
  ASSERT_EQ(box->itemText(0), "Delay 100");
  ASSERT_EQ(box->count(), 1);
  box->lineEdit()->clear();
  QTest::keyClicks(box, "Delay 1");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(rig.Find<QLabel>("lblMsg")->text(), "1 ; ");
  EXPECT_EQ(box->itemText(0), "Delay 1");
  EXPECT_EQ(box->count(), 2);  // the history stays in the list
}

// Shipped step 10 at 0.625 units per step: 16 steps a fine jog.
TEST(OperatorInput, TheStepSizeIsTheNumberInTheBoxNeverAPrefixOfIt) {
  AppRig rig;
  auto* step = rig.Find<QLineEdit>("txtStep");
  auto* down = rig.Find<QWidget>("cmdFDF");
  const auto jog = [&] {
    const int64_t before = rig.Steps();
    QTest::mouseClick(down, Qt::LeftButton);
    return rig.Steps() - before;
  };
  step->setFocus();
  step->selectAll();
  QTest::keyClicks(step, "2,5");  // "2" on the way is no step size
  EXPECT_EQ(rig.Find<QLabel>("lblMsg")->text(), "Error in step size");
  EXPECT_EQ(jog(), 0);  // not sent: the box shows no number
  EXPECT_EQ(rig.Find<QLabel>("lblMsg")->text(), "Error in step size");

  step->selectAll();
  QTest::keyClicks(step, "2.5");  // typed, not confirmed: the jog takes it
  EXPECT_EQ(jog(), 4);
  QTest::keyClick(step, Qt::Key_Backspace);
  QTest::keyClick(step, Qt::Key_Return);  // "2." confirmed
  EXPECT_EQ(jog(), 3);
}

}  // namespace
