#pragma once
// A one-line edit box that turns every letter put into it (typed, pasted or set) into upper case.

#include <QLineEdit>
#include <QValidator>

namespace lw {

// Upper-cases the text character by character, so the length never changes.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

class UpperCaseEdit : public QLineEdit {
 public:
  explicit UpperCaseEdit(QWidget* parent = nullptr);

 private:
  UpperCaseValidator validator_;
};

}  // namespace lw
