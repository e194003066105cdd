#pragma once
// The window's font: Tahoma at 8 points for 96 pixels per inch, i.e. a character height of
// 11 pixels, used by every control.

#include <QFont>
#include <QString>

namespace lw {

// Where the Tahoma face is looked for (Wine's copy, which fontconfig does not index).
inline constexpr const char* kTahomaFontFile = "/usr/share/wine/fonts/tahoma.ttf";
// The face used when Tahoma cannot be loaded.
inline constexpr const char* kFallbackFontFamily = "DejaVu Sans";

// The family to use: Tahoma once loaded from `tahomaFile` (loaded at most once per process and
// file), otherwise the fallback family. Needs a QGuiApplication.
QString WindowFontFamily(const QString& tahomaFile = QString::fromLatin1(kTahomaFontFile));

// The window font: WindowFontFamily() at a pixel size of 11, no style.
QFont WindowFont();

}  // namespace lw
