#pragma once
// The boundary between the system's 8-bit text (UTF-8, see common/Utf8.h) and the toolkit's
// QString. Every control that shows or takes such text converts it here.

#include <QString>
#include <string>
#include <string_view>

namespace lw {

// The text as the window shows it: each ill-formed part of it as U+FFFD, one per part, exactly
// as common/Utf8.h counts them, so positions in the shown text map back to bytes.
QString FromSystemText(std::string_view text);

// The UTF-8 form of what the user typed or the toolkit supplied.
std::string ToSystemText(const QString& text);

}  // namespace lw
