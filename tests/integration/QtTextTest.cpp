// The one rule for text between the core and Qt: file and wire bytes through Latin-1,
// file names through the file system's encoding, shown texts as UTF-8 when they are.
#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "platform/qt/QtText.h"
#include "support/ScratchDir.h"
#include "ui/frmLift.h"

using namespace qttext;

namespace {

struct ShownCase {
  const char* name;
  std::string bytes;
  QString shown;
  friend void PrintTo(const ShownCase& c, std::ostream* os) { *os << c.name; }
};

class ShownTextTest : public testing::TestWithParam<ShownCase> {};

TEST_P(ShownTextTest, ShowsTheBytesAsAnOperatorReadsThem) {
  EXPECT_EQ(ShownText(GetParam().bytes), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShownTextTest,
    testing::Values(ShownCase{"Ascii", "Z=12.50", "Z=12.50"},
                    ShownCase{"SettingsByte", "Z=1.00 \xB5m", QString::fromUtf8("Z=1.00 \u00B5m")},
                    ShownCase{"Utf8FileName",
                              "Program /home/lab/\xC3\x9C"
                              "bung/A.PRG",
                              QString::fromUtf8("Program /home/lab/\u00DCbung/A.PRG")},
                    ShownCase{"Latin1FileName",
                              "Program /home/lab/\xDC"
                              "bung/A.PRG",
                              QString::fromUtf8("Program /home/lab/\u00DCbung/A.PRG")}),
    [](const testing::TestParamInfo<ShownCase>& info) { return std::string(info.param.name); });

}  // namespace

TEST(QtText, FileBytesAndFileNamesSurviveTheirRoundTrips) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  EXPECT_EQ(FromQ(ToQ(every)), every);
  const std::string name =
      "/tmp/\xC3\x9C"
      "bung/\xE6\xB8\xAC.PRG";  // UTF-8 on disk
  EXPECT_EQ(PathToQ(name), QString::fromUtf8("/tmp/\u00DCbung/\u6E2C.PRG"));
  EXPECT_EQ(PathFromQ(PathToQ(name)), name);
}

// The main window shows a message that names a UTF-8 folder as its name reads, and hands
// the core back the bytes it was given.
TEST(QtText, TheStatusLineShowsAFileNameAndKeepsItsBytes) {
  const std::string message =
      "Parameter PORTTIMEOUT in /home/\xC3\x9C"
      "bung/ST_CONFIG.TXT";
  QLabel shown;
  shown.setText(ShownText(message));
  EXPECT_EQ(shown.text(),
            QString::fromUtf8("Parameter PORTTIMEOUT in /home/\u00DCbung/ST_CONFIG.TXT"));
  EXPECT_NE(FromQ(shown.text()), message);  // why a shown text is never read back
}
