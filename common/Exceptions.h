#pragma once
// The error kinds the program raises. Every failure is an error object carrying an 8-bit
// message; only the window's default error display (or a command-line front end) shows it.

#include <stdexcept>
#include <string>

namespace lw {

// Base of every error the program raises itself.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  // The class name as the program knows it ("EDatabaseError", ...), for tests and diagnostics.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 protected:
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

#define LW_DECLARE_ERROR(Name, Base)                                  \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    const char* ClassName() const noexcept override { return #Name; } \
  }

// The silent abort: the default error display shows nothing for it.
LW_DECLARE_ERROR(EAbort, Exception);
// Field machinery, cursor state and database layer errors.
LW_DECLARE_ERROR(EDatabaseError, Exception);
// A resource (such as the report area's capacity) is exhausted.
LW_DECLARE_ERROR(EOutOfResources, Exception);
// The per-user settings store.
LW_DECLARE_ERROR(ERegistryException, Exception);
// Printer selection and print jobs.
LW_DECLARE_ERROR(EPrinter, Exception);
// An operating-system call failed.
LW_DECLARE_ERROR(EOSError, Exception);
// A value that cannot be converted (text to number or date).
LW_DECLARE_ERROR(EConvertError, Exception);
// Invalid floating-point operation: NaN, overflow of a conversion or a money sum.
class EInvalidOp : public Exception {
 public:
  EInvalidOp() : Exception("Invalid floating point operation") {}
  const char* ClassName() const noexcept override { return "EInvalidOp"; }
};

}  // namespace lw
