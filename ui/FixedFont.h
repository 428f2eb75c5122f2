#pragma once
// The fixed-pitch font of the text boxes: DejaVu Sans Mono, which the install script
// brings (fonts-dejavu-core). Named outright: the platform's generic "monospace" may
// resolve to a font that is not reported as fixed-pitch.
#include <QFont>
#include <QFontDatabase>

namespace fixedfont {

inline constexpr const char* kFamily = "DejaVu Sans Mono";

inline QFont Font() {
  QFont font(QString::fromLatin1(kFamily),
             QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSize());
  font.setStyleHint(QFont::Monospace, QFont::PreferMatch);
  font.setFixedPitch(true);
  return font;
}

}  // namespace fixedfont
