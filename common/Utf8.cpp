#include "common/Utf8.h"

#include <unicode/uchar.h>

namespace lw {

namespace {

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

}  // namespace

Utf8Character DecodeUtf8At(std::string_view text, std::size_t offset) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) return {lead, 1, true};
  // The well-formed sequences (Unicode's table of them): the lead byte fixes the length and the
  // range of the second byte; every later byte is 80..BF.
  std::size_t need = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {kReplacementCharacter, 1, false};
  }
  std::size_t length = 1;
  while (length < need && offset + length < text.size()) {
    const unsigned char byte = at(length);
    if (!(length == 1 ? IsContinuation(byte, low, high) : IsContinuation(byte))) break;
    value = (value << 6) | (byte & 0x3F);
    ++length;
  }
  if (length < need) return {kReplacementCharacter, length, false};
  return {value, length, true};
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const Utf8Character c = DecodeUtf8At(text, i);
    if (!c.valid) return false;
    i += c.length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf8ForDisplay(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string shown;
  shown.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Character c = DecodeUtf8At(text, i);
    if (c.valid) {
      shown.append(text.substr(i, c.length));
    } else {
      AppendUtf8(shown, kReplacementCharacter);
    }
    i += c.length;
  }
  return shown;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + DecodeUtf8At(text, end).length;
    if (next > maxBytes) break;
    end = next;
  }
  return text.substr(0, end);
}

std::size_t LastUtf8CharacterStart(std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); i += DecodeUtf8At(text, i).length) start = i;
  return start;
}

std::size_t ByteOffsetOfUtf16(std::string_view text, std::size_t utf16Units) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < text.size() && units < utf16Units) {
    const Utf8Character c = DecodeUtf8At(text, i);
    units += c.codePoint >= 0x10000 ? 2 : 1;
    i += c.length;
  }
  return i;
}

namespace {

// Maps each character by `map`; ASCII by table, so plain text never reaches ICU.
template <typename Map>
std::string MapCase(std::string_view text, char asciiFrom, char asciiTo, Map map) {
  std::string mapped;
  mapped.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      const bool change =
          byte >= static_cast<unsigned char>(asciiFrom) && byte <= static_cast<unsigned char>(asciiFrom + 25);
      mapped += change ? static_cast<char>(byte - asciiFrom + asciiTo) : static_cast<char>(byte);
      ++i;
      continue;
    }
    const Utf8Character c = DecodeUtf8At(text, i);
    if (c.valid) {
      AppendUtf8(mapped, static_cast<char32_t>(map(static_cast<UChar32>(c.codePoint))));
    } else {
      mapped.append(text.substr(i, c.length));
    }
    i += c.length;
  }
  return mapped;
}

}  // namespace

std::string UpperCaseUtf8(std::string_view text) { return MapCase(text, 'a', 'A', u_toupper); }

std::string LowerCaseUtf8(std::string_view text) { return MapCase(text, 'A', 'a', u_tolower); }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  // Names are nearly always ASCII: compare those in place, without building upper-case copies.
  const auto ascii = [](std::string_view t) {
    for (char c : t) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  };
  if (ascii(a) && ascii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
      const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
      if (x != y) return false;
    }
    return true;
  }
  return UpperCaseUtf8(a) == UpperCaseUtf8(b);
}

}  // namespace lw
