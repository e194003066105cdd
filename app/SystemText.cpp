#include "app/SystemText.h"

#include "common/Utf8.h"

namespace lw {

QString FromSystemText(std::string_view text) {
  // Qt's own decoder may count replacement characters differently; replace first, then decode.
  const std::string shown = Utf8ForDisplay(text);
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::string ToSystemText(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace lw
