// A headless kelvorin says on stderr why each start-up step failed, and serves anyway.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Programs.h"

namespace {

TEST(StartupMessages, EveryFailedStepIsOneLineOnStderr) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString device = dir.path() + "/no-such-tty";
  programs::WriteSettings(dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\",50", "\"MOVETIMEOUT\",5",
                                       "\"WAITPOLLINGINTERVAL\",20", "\"CONTRTYPE\",FOO",
                                       "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + device});
  const QString socket = dir.path() + "/k.sock";
  programs::Server server(dir.path(), socket);
  EXPECT_EQ(programs::Cmd(socket, {"Z ?;Z Home"}), "Off  ; Off  ; \n");
  EXPECT_EQ(programs::Cmd(socket, {"Unload"}), "OK  ; \n");
  ASSERT_TRUE(server.WaitForExit(10000));
  const QStringList lines = server.Output().split('\n');
  auto has = [&](const QString& start) {
    for (const auto& line : lines)
      if (line.startsWith(start)) return true;
    return false;
  };
  EXPECT_TRUE(has("kelvorin: Unknown controller type FOO in ST_CONFIG.TXT (EZHR17 or IM483I)"))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(has("kelvorin: No port " + device + "; ports here: "))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(has("kelvorin: Z axis off: unknown controller type FOO"))
      << lines.join('\n').toStdString();
}

}  // namespace
