#include "app/UpperCaseEdit.h"

#include <string>

#include "app/SystemText.h"
#include "common/Utf8.h"

namespace lw {

QValidator::State UpperCaseValidator::validate(QString& input, int& position) const {
  std::string before = UpperCaseUtf8(ToSystemText(input.left(position)));
  std::string after = UpperCaseUtf8(ToSystemText(input.mid(position)));
  while (before.size() + after.size() > maxBytes_) {
    std::string& cut = before.empty() ? after : before;
    cut.resize(LastUtf8CharacterStart(cut));
  }
  input = FromSystemText(before);
  position = static_cast<int>(input.size());
  input += FromSystemText(after);
  return Acceptable;
}

UpperCaseEdit::UpperCaseEdit(std::size_t maxBytes, QWidget* parent) : QLineEdit(parent), validator_(maxBytes) {
  // A UTF-8 byte limit is never looser than the same limit in UTF-16 units.
  setMaxLength(static_cast<int>(maxBytes));
  setValidator(&validator_);
}

}  // namespace lw
