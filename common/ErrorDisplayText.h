#pragma once
// The text the default error display shows for an error message.

#include <string>
#include <string_view>

namespace lw {

// The message with a period appended when its last character's code is above that of "."
// (a letter, a digit, "?"); a message ending in "." or a lower code ("!", ")", a blank), and an
// empty message, are shown as they are. Codes compare as unsigned 8-bit values.
std::string ErrorDisplayText(std::string_view message);

}  // namespace lw
