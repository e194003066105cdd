#pragma once
// The engine's one result type: a code from data/ace/AceErrors.h and its text. Every engine call
// ends by turning its Status into the thread's last error and a result code.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "data/ace/AceErrors.h"

namespace lw::engine {

class [[nodiscard]] Status {
 public:
  Status() = default;
  // The code's own text, followed by a blank and the detail when one is given.
  static Status Error(std::uint32_t code, const std::string& detail = {}) {
    std::string text = ace::AceErrorText(code);
    if (!detail.empty()) text += (text.empty() ? "" : " ") + detail;
    return Status(code, std::move(text));
  }
  // A text written in full by the caller.
  static Status WithText(std::uint32_t code, std::string text) { return Status(code, std::move(text)); }

  Status(const Status& other)
      : code_(other.code_), text_(other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr) {}
  Status& operator=(const Status& other) {
    if (this != &other) *this = Status(other);
    return *this;
  }
  Status(Status&&) noexcept = default;
  Status& operator=(Status&&) noexcept = default;

  bool ok() const { return code_ == 0; }
  std::uint32_t code() const { return code_; }
  const std::string& text() const {
    static const std::string kNone;
    return text_ ? *text_ : kNone;
  }

 private:
  // The text lives on the heap: every engine call returns a Status, nearly always a success,
  // and a success is then two words to build, move and destroy.
  Status(std::uint32_t code, std::string text) : code_(code), text_(std::make_unique<std::string>(std::move(text))) {}
  std::uint32_t code_ = 0;
  std::unique_ptr<std::string> text_;
};

#define LW_RETURN_IF_ERROR(expr)           \
  do {                                     \
    ::lw::engine::Status status_ = (expr); \
    if (!status_.ok()) return status_;     \
  } while (false)

}  // namespace lw::engine
