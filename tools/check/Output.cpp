#include "tools/check/Output.h"

#include <cerrno>
#include <cstring>

namespace lw::check {

void Output::Fail(int error) {
  throw OutputError(std::string("cannot write to standard output: ") +
                    (error != 0 ? std::strerror(error) : "write error"));
}

void Output::Write(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) Fail(errno);
}

void Output::EndRecord() {
  errno = 0;
  if (std::fflush(out_) != 0 || std::ferror(out_)) Fail(errno);
}

}  // namespace lw::check
