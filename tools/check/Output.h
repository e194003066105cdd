#pragma once
// Standard output that never fails silently: every write is checked, each record is flushed at
// once, and a failed write (a closed pipe, a full disk, any error) raises OutputError, so the run
// stops before it rewrites another row.

#include <cstdio>
#include <string>
#include <string_view>

#include "common/Exceptions.h"

namespace lw::check {

// A write to standard output failed; the message says why ("No space left on device").
LW_DECLARE_ERROR(OutputError, Exception);

class Output {
 public:
  explicit Output(std::FILE* out) : out_(out) {}
  void Write(std::string_view text);
  // Flushes what was written, so a reader sees each record as soon as it is complete and a
  // failure is known before the next row.
  void EndRecord();

 private:
  [[noreturn]] void Fail(int error);
  std::FILE* out_;
};

}  // namespace lw::check
