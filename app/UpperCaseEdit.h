#pragma once
// A one-line edit box that turns every letter put into it (typed, pasted or set) into upper case
// and holds at most a given number of bytes of the system's 8-bit (UTF-8) text.

#include <QLineEdit>
#include <QValidator>
#include <cstddef>

namespace lw {

// Upper-cases character by character with the system's own mapping (common/Utf8.h), the one
// ledgerwick-check applies to --chart, and keeps the text within `maxBytes` UTF-8 bytes. What
// does not fit is dropped from what was just put in (the characters before the cursor), whole
// characters only: a typed character that does not fit is refused, a paste keeps what fits.
class UpperCaseValidator : public QValidator {
 public:
  UpperCaseValidator(std::size_t maxBytes, QObject* parent = nullptr) : QValidator(parent), maxBytes_(maxBytes) {}
  State validate(QString& input, int& position) const override;

 private:
  std::size_t maxBytes_;
};

class UpperCaseEdit : public QLineEdit {
 public:
  UpperCaseEdit(std::size_t maxBytes, QWidget* parent = nullptr);

 private:
  UpperCaseValidator validator_;
};

}  // namespace lw
