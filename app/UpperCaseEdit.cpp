#include "app/UpperCaseEdit.h"

namespace lw {

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
  for (QChar& c : input) c = c.toUpper();
  return Acceptable;
}

UpperCaseEdit::UpperCaseEdit(QWidget* parent) : QLineEdit(parent) { setValidator(&validator_); }

}  // namespace lw
