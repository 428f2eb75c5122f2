// Renders each dialog to a PNG under the build folder (screenshots/) for review.
#include <QApplication>
#include <QClipboard>
#include <QListView>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <filesystem>

#include "Modal.h"
#include "parfiles/TRAPAR.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "ui/frmEdit.h"
#include "ui/frmFiles.h"
#include "ui/frmParList.h"
#include "ui/frmText.h"

namespace fs = std::filesystem;

TEST(DialogScreenshots, EveryDialogRendersToAPng) {
  const ScratchDir folder("dialog-shots");
  fs::copy_file(KELVORIN_SOURCE_DIR "/settings/ST_CONFIG.TXT", folder.Path("ST_CONFIG.TXT"));
  for (const char* name : {"demo.prg", "lift.prg", "ST_PARZ.TXT", "notes.txt"})
    folder.Put(name, "Z Rel 1\r\nZ Wait\r\n");
  FakeMessages messages;

  frmEdit edit;
  edit.SetText("Z Rel 1\r\nZ Rel -1\r\nZ Home\r\nJoy Off");
  edit.show();
  EXPECT_TRUE(modal::SavePng(&edit, "frmEdit"));

  TRAPAR store(messages);
  store.ParSetDir(folder.Path());
  store.ParSetFile("ST_CONFIG.TXT");
  frmParList parList(store, messages);
  parList.SetShowPar(-1, -1);
  parList.show();
  EXPECT_GT(parList.findChild<QTableWidget*>("fgrPar")->rowCount(), 0);
  EXPECT_TRUE(modal::SavePng(&parList, "frmParList"));
  parList.hide();  // no write-back into the copy needed

  frmFiles files(messages);
  files.SetStartDir(folder.Path());
  files.SetTitle("Select a parameter file to load");
  files.SetPatterns("*.PRG *.TXT *.*");
  files.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return files.ListedFiles().size() == 5; }, 5000));
  EXPECT_TRUE(modal::SavePng(&files, "frmFiles"));

  frmText text(messages);
  text.OpenText(files.FileListText(), "File list");
  text.show();
  EXPECT_TRUE(modal::SavePng(&text, "frmText"));
  files.hide();
}
