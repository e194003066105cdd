#include "app/Fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace lw {

QString WindowFontFamily(const QString& tahomaFile) {
  // addApplicationFont registers a new copy on every call, so remember each file's outcome.
  static QHash<QString, QString> loaded;
  auto found = loaded.constFind(tahomaFile);
  if (found == loaded.constEnd()) {
    QString family;
    const int id = QFontDatabase::addApplicationFont(tahomaFile);
    if (id >= 0) {
      const QStringList families = QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) family = families.front();
    }
    found = loaded.insert(tahomaFile, family);
  }
  return found->isEmpty() ? QString::fromLatin1(kFallbackFontFamily) : *found;
}

QFont WindowFont() {
  QFont font(WindowFontFamily());
  font.setPixelSize(11);
  font.setBold(false);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

}  // namespace lw
