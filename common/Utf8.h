#pragma once
// The system's 8-bit text is UTF-8: file names, the settings store, CSV files, the practice's
// texts, the report and the messages. Widths and limits are byte counts of that stored form.
// These helpers read such text without ever changing a byte they were not asked to change, so
// an ill-formed sequence read from a practice can be shown (as U+FFFD) yet written back as it was.

#include <cstddef>
#include <string>
#include <string_view>

namespace lw {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One character of 8-bit text. A well-formed UTF-8 sequence is one character; an ill-formed one
// is split into its maximal subparts (the longest start of a well-formed sequence, or a single
// stray byte), each one character read as U+FFFD, so every byte belongs to exactly one character.
struct Utf8Character {
  char32_t codePoint = 0;  // U+FFFD for an ill-formed part
  std::size_t length = 0;  // its bytes, 1 to 4
  bool valid = false;
};

// The character that starts at byte `offset`. REQUIRES: offset < text.size().
Utf8Character DecodeUtf8At(std::string_view text, std::size_t offset);

bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of `codePoint`. REQUIRES: a Unicode scalar value.
void AppendUtf8(std::string& out, char32_t codePoint);

// The text with each ill-formed part replaced by U+FFFD: how text is shown where it cannot stay
// as bytes (a terminal, a window). Well-formed text comes back unchanged.
std::string Utf8ForDisplay(std::string_view text);

// The longest start of `text` that is at most `maxBytes` long and ends between two characters:
// a cut never splits a character.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// The start of the last character of `text`, or 0 for an empty text.
std::size_t LastUtf8CharacterStart(std::string_view text);

// The byte offset of the character boundary reached after `utf16Units` code units of the shown
// text (the end of the text when it holds fewer).
std::size_t ByteOffsetOfUtf16(std::string_view text, std::size_t utf16Units);

// Upper-cases each character by its Unicode simple upper-case mapping (one character for one,
// the same in every locale: "école" gives "ÉCOLE", "ß" stays). The byte length may change.
// Ill-formed parts are kept as they are.
std::string UpperCaseUtf8(std::string_view text);
// The same with the simple lower-case mapping.
std::string LowerCaseUtf8(std::string_view text);

// Whether `a` and `b` are the same once both are upper-cased as UpperCaseUtf8 does: how names
// (tables, columns, indexes) are compared without regard to case, whatever the locale.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace lw
