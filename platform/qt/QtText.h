#pragma once
// One rule for text between the core and Qt:
// - texts of files and of the wire (settings values, program lines, the command box,
//   replies) are bytes, one character per byte (the settings files' 8-bit code page):
//   ToQ / FromQ go through Latin-1, so every byte survives a round trip;
// - names in the file system are its own bytes (UTF-8 here): PathToQ / PathFromQ;
// - a text that is only shown (a status line, a caption, a message) may carry both, a
//   file name inside a message: ShownText shows it as UTF-8 when its bytes are valid
//   UTF-8, else as Latin-1. A shown text is never read back: keep its bytes instead.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <optional>
#include <string>

namespace qttext {

inline QString ToQ(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQ(const QString& text) { return text.toLatin1().toStdString(); }

inline QString PathToQ(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
inline std::string PathFromQ(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The bytes as UTF-8 when they are valid UTF-8; nothing otherwise.
inline std::optional<QString> FromUtf8IfValid(const std::string& bytes) {
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) return std::nullopt;
  return text;
}

inline QString ShownText(const std::string& text) {
  if (std::optional<QString> utf8 = FromUtf8IfValid(text)) return *utf8;
  return ToQ(text);
}

// A message of several lines, only shown (a message box): lines end in LF on screen.
inline QString ShownMessage(const std::string& text) {
  return ShownText(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// A text of several lines in an edit box, read back with CrLfLines: lines end in LF on
// screen, the core's multi-line texts use CR LF; the bytes go through Latin-1.
inline QString ShownLines(const std::string& text) {
  return ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
inline std::string CrLfLines(const QString& text) {
  QString out = text;
  return FromQ(out.replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

}  // namespace qttext
