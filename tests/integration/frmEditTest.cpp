// The text dialog driven modally: Done, Cancel and the close box, with real key input.
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "Modal.h"
#include "ui/Twips.h"
#include "ui/FixedFont.h"
#include "ui/frmEdit.h"

namespace {

enum class Close { Done, Cancel, CloseBox };

struct Outcome {
  int16_t accept;
  std::string text;
};

Outcome EditModally(const std::string& start, const QString& typed, Close how) {
  frmEdit dlg;
  dlg.SetText(start);
  modal::When<frmEdit>([typed, how](frmEdit* shown) {
    auto* box = shown->findChild<QPlainTextEdit*>("txtText");
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    const QStringList lines = typed.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClicks(box, lines[i]);
    }
    if (how == Close::Done)
      QTest::mouseClick(shown->findChild<QPushButton*>("cmdDone"), Qt::LeftButton);
    if (how == Close::Cancel)
      QTest::mouseClick(shown->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    if (how == Close::CloseBox) shown->close();
  });
  dlg.exec();
  return {dlg.GetAccept(), dlg.GetTextRes()};  // the object outlives its window
}

TEST(frmEdit, ResultsDependOnHowTheDialogCloses) {
  const struct {
    std::string start;
    QString typed;
    Close how;
    int16_t accept;
    std::string text;
  } cases[] = {
      {"Z Rel 1\r\nZ Rel -1", "", Close::Done, 1, "Z Rel 1\r\nZ Rel -1"},
      {"Z Rel 1", "\n;Ver", Close::Done, 1, "Z Rel 1\r\n;Ver"},
      {"", "", Close::Done, 1, ""},
      {"Z Rel 1", "0", Close::Cancel, 0, ""},
      {"Z Rel 1", "0", Close::CloseBox, 0, ""},
  };
  for (const auto& c : cases) {
    const Outcome run = EditModally(c.start, c.typed, c.how);
    EXPECT_EQ(run.accept, c.accept) << c.start << " / " << c.typed.toStdString();
    EXPECT_EQ(run.text, c.text) << c.start << " / " << c.typed.toStdString();
  }
}

TEST(frmEdit, ReopeningStartsUnacceptedAndTheWindowFollowsItsTwips) {
  frmEdit dlg;
  modal::When<frmEdit>([](frmEdit* shown) { shown->findChild<QPushButton*>("cmdDone")->click(); });
  dlg.exec();
  EXPECT_EQ(dlg.GetAccept(), 1);
  modal::When<frmEdit>([](frmEdit* shown) { shown->close(); });
  dlg.exec();
  EXPECT_EQ(dlg.GetAccept(), 0);
  EXPECT_EQ(dlg.GetTextRes(), "");

  EXPECT_EQ(dlg.windowTitle(), "Edit");
  EXPECT_EQ(dlg.size(), QSize(twips::ToPx(4728, &dlg), twips::ToPx(5664, &dlg, false)));
  auto* box = dlg.findChild<QPlainTextEdit*>("txtText");
  EXPECT_EQ(box->geometry(), twips::Rect(120, 120, 4455, 4935, &dlg));
  // The font the install script brings, whatever else the machine has.
  EXPECT_EQ(QFontInfo(box->font()).family(), fixedfont::kFamily);
  EXPECT_TRUE(QFontInfo(box->font()).fixedPitch());
  EXPECT_EQ(dlg.findChild<QPushButton*>("cmdDone")->text(), "Done");
  EXPECT_EQ(dlg.findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
  EXPECT_EQ(dlg.txtText(), box);
}

}  // namespace
