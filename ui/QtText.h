#pragma once
// The core's texts are bytes, one character per byte (the settings files' 8-bit code
// page); the windows show them as Latin-1 so every byte survives a round trip.
#include <QString>
#include <string>

namespace qttext {

inline QString ToQ(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQ(const QString& text) { return text.toLatin1().toStdString(); }

// Lines of a shown text end in LF; the core's multi-line texts use CR LF.
inline QString ShownLines(const std::string& text) {
  return ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
inline std::string CrLfLines(const QString& text) {
  QString out = text;
  return FromQ(out.replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

}  // namespace qttext
