#pragma once
// Where the automation socket lives when no --socket is given. Shared by the
// program and by kelvorin-cmd, which must agree on it; header-only so that the
// client needs nothing but Qt Core.
#include <QString>
#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace socketpath {

// $KELVORIN_SOCKET, else $XDG_RUNTIME_DIR/kelvorin.sock, else /tmp/kelvorin-<uid>.sock.
inline QString DefaultSocketPath() {
  const QString given = qEnvironmentVariable("KELVORIN_SOCKET");
  if (!given.isEmpty()) return given;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) return runtime + QStringLiteral("/kelvorin.sock");
#if defined(Q_OS_UNIX)
  const QString user = QString::number(::getuid());
#else
  const QString user = qEnvironmentVariable("USERNAME", QStringLiteral("user"));
#endif
  return QStringLiteral("/tmp/kelvorin-") + user + QStringLiteral(".sock");
}

// The DDE-style "Command" topic sits beside the main socket.
inline QString CommandSocketPath(const QString& path) {
  return path + QStringLiteral(".Command");
}

}  // namespace socketpath
