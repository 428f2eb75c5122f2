#pragma once
// Where the automation socket lives when no --socket is given. Shared by the
// program and by kelvorin-cmd, which must agree on it; header-only so that the
// client needs nothing but Qt Core.
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace socketpath {

// The folder under /tmp that holds the socket when nothing better is set: one per
// user, made by whichever program of that user comes first.
inline QString PrivateTmpFolder() {
  return QStringLiteral("/tmp/kelvorin-") + QString::number(::getuid());
}

// $KELVORIN_SOCKET, else $XDG_RUNTIME_DIR/kelvorin.sock, else
// /tmp/kelvorin-<uid>/kelvorin.sock.
inline QString DefaultSocketPath() {
  const QString given = qEnvironmentVariable("KELVORIN_SOCKET");
  if (!given.isEmpty()) return given;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) return runtime + QStringLiteral("/kelvorin.sock");
  return PrivateTmpFolder() + QStringLiteral("/kelvorin.sock");
}

// Makes the private /tmp folder when the socket is to live there, and checks that it
// is a real folder of this user that nobody else can enter (another user could have
// made it first). Any other socket path is the user's own choice: true.
inline bool PrepareSocketFolder(const QString& socketPath, QString& error) {
  const QString folder = PrivateTmpFolder();
  if (QFileInfo(socketPath).absolutePath() != folder) return true;
  const QByteArray name = QFile::encodeName(folder);
  if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
    error = folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 077) != 0) {
    error = folder + QStringLiteral(
                         " is not a private folder of this user (it must be a "
                         "folder owned by this user with mode 0700)");
    return false;
  }
  return true;
}

// Whether what sits at a socket path is not ours to replace: anything that is not a
// socket (a symbolic link counts), or a socket of another user. Says so in why.
inline bool NotOurs(const QString& path, QString& why) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
  if (!S_ISSOCK(st.st_mode))
    why = path + QStringLiteral(" exists and is not a socket; it is left alone");
  else if (st.st_uid != ::getuid())
    why = path +
          QStringLiteral(" is a socket of another user (uid %1); it is left alone").arg(st.st_uid);
  else return false;
  return true;
}

// The DDE-style "Command" topic sits beside the main socket.
inline QString CommandSocketPath(const QString& path) { return path + QStringLiteral(".Command"); }

}  // namespace socketpath
