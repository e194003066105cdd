#include "common/RegFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "common/Exceptions.h"
#include "common/Utf8.h"

namespace lw {
namespace {

constexpr const char* kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr const char* kVersion4Header = "REGEDIT4";

// Key and value names and value kinds match without regard to case, as the registry matches them.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// UTF-16LE to UTF-8; unpaired surrogates become U+FFFD, an odd last byte is dropped.
std::string Utf16LeToUtf8(const std::string& bytes, std::size_t start = 0) {
  std::string out;
  std::vector<char16_t> units;
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
    units.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// UTF-8 to UTF-16LE; a byte that does not start a valid sequence stands for itself (Latin-1),
// so arbitrary 8-bit text never fails to convert.
std::string Utf8ToUtf16Le(const std::string& text) {
  std::string out;
  auto put = [&out](char16_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t cp = b;
    std::size_t len = 1;
    if (b >= 0xC2 && b <= 0xF4) {
      const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      char32_t acc = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      bool ok = i + need <= text.size();
      for (std::size_t k = 1; ok && k < need; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) ok = false;
        acc = (acc << 6) | (c & 0x3F);
      }
      const char32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
      if (ok && acc >= minimum && acc <= 0x10FFFF && !(acc >= 0xD800 && acc <= 0xDFFF)) {
        cp = acc;
        len = need;
      }
    }
    if (cp >= 0x10000) {
      put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      put(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

bool IsStringType(std::uint32_t type) {
  return type == static_cast<std::uint32_t>(RegType::Sz) || type == static_cast<std::uint32_t>(RegType::ExpandSz) ||
         type == static_cast<std::uint32_t>(RegType::MultiSz);
}

struct RootName {
  const char* full;
  const char* abbreviation;
};
constexpr std::array<RootName, 6> kRoots{{{"HKEY_CLASSES_ROOT", "HKCR"},
                                          {"HKEY_CURRENT_USER", "HKCU"},
                                          {"HKEY_LOCAL_MACHINE", "HKLM"},
                                          {"HKEY_USERS", "HKU"},
                                          {"HKEY_CURRENT_CONFIG", "HKCC"},
                                          {"HKEY_DYN_DATA", "HKDD"}}};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The keys as a file builds them, indexed by upper-case path and value name, so each section and
// value costs a lookup rather than a scan of everything before it: parsing stays linear in the
// input however many keys or values it holds. Invariant: every key's parents exist.
class KeyTable {
 public:
  // `path` is normalised. Creates the key and its missing parents (the root itself is no key).
  void Ensure(const std::string& path) {
    const std::string upper = UpperCaseUtf8(path);
    if (keys_.count(upper) != 0) return;
    // Parents end at each separator after the root's; the path itself ends the list. The
    // separators are found in the path itself, as upper case can differ in length, and each
    // parent's upper case grows by its last name (the separator is ASCII: no character spans it).
    std::size_t sep = path.find('\\');
    std::size_t done = 0;
    std::string upperSoFar;
    while (true) {
      sep = sep == std::string::npos ? sep : path.find('\\', sep + 1);
      const std::size_t end = sep == std::string::npos ? path.size() : sep;
      upperSoFar += UpperCaseUtf8(std::string_view(path).substr(done, end - done));
      done = end;
      auto [it, added] = keys_.try_emplace(upperSoFar);
      if (added) {
        it->second.order = next_++;
        it->second.path = path.substr(0, end);
      }
      if (end == path.size()) return;
    }
  }

  // Removes the key and every key below it; ordered keys put those next to each other.
  void Delete(const std::string& path) {
    const std::string upper = UpperCaseUtf8(path);
    keys_.erase(upper);
    const std::string prefix = upper + '\\';
    auto it = keys_.lower_bound(prefix);
    while (it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0) it = keys_.erase(it);
  }

  void SetValue(const std::string& path, RegValue value) {
    Ensure(path);
    Entry& key = keys_.find(UpperCaseUtf8(path))->second;
    auto [it, added] = key.values.try_emplace(UpperCaseUtf8(value.name));
    if (added) it->second.first = next_++;
    it->second.second = std::move(value);
  }

  void DeleteValue(const std::string& path, const std::string& name) {
    auto key = keys_.find(UpperCaseUtf8(path));
    if (key != keys_.end()) key->second.values.erase(UpperCaseUtf8(name));
  }

  // Keys in first-seen order, each with its values in first-set order.
  std::vector<RegKey> Take() {
    std::vector<Entry*> entries;
    entries.reserve(keys_.size());
    for (auto& [upper, entry] : keys_) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](const Entry* a, const Entry* b) { return a->order < b->order; });
    std::vector<RegKey> keys;
    keys.reserve(entries.size());
    for (Entry* entry : entries) {
      std::vector<std::pair<std::uint64_t, RegValue>*> values;
      for (auto& [name, value] : entry->values) values.push_back(&value);
      std::sort(values.begin(), values.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
      RegKey key{std::move(entry->path), {}};
      key.values.reserve(values.size());
      for (auto* value : values) key.values.push_back(std::move(value->second));
      keys.push_back(std::move(key));
    }
    keys_.clear();
    return keys;
  }

 private:
  struct Entry {
    std::uint64_t order = 0;
    std::string path;
    std::unordered_map<std::string, std::pair<std::uint64_t, RegValue>> values;
  };
  std::map<std::string, Entry> keys_;
  std::uint64_t next_ = 0;
};

// Reads export lines one by one, keeping the number of the line last read.
class Parser {
 public:
  Parser(const std::string& text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  // The keys the text leaves behind, in first-seen order.
  std::vector<RegKey> Run();

 private:
  bool NextLine(std::string& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++lineNumber_;
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ERegistryException(fileName_ + ", line " + std::to_string(lineNumber_) + ": " + what);
  }

  static std::size_t SkipBlanks(const std::string& s, std::size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return i;
  }

  // Nothing but blanks or a comment may follow the item ending at `i`.
  void ExpectEnd(const std::string& line, std::size_t i) const {
    i = SkipBlanks(line, i);
    if (i < line.size() && line[i] != ';') Fail("unexpected text after the entry: \"" + line.substr(i) + "\"");
  }

  // A quoted string starting at line[i] == '"'; returns the unescaped text, `i` past the quote.
  std::string ParseQuoted(const std::string& line, std::size_t& i) const {
    std::string out;
    ++i;
    while (i < line.size()) {
      char c = line[i++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i >= line.size()) break;
      char e = line[i++];
      switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '0': out += '\0'; break;
        default: Fail(std::string("unknown escape \\") + e + " in a quoted text");
      }
    }
    Fail("quoted text without its closing quote");
  }

  std::string ParseHexData(std::string line, std::size_t i);
  void ParseValue(const std::string& line, std::size_t i);
  void ParseSection(const std::string& line, std::size_t i);

  const std::string& text_;
  const std::string& fileName_;
  std::size_t pos_ = 0;
  int lineNumber_ = 0;
  bool version4_ = false;
  std::string currentKey_;  // empty: no section yet, or inside a deletion section
  bool inDeletion_ = false;
  KeyTable keys_;
};

std::string Parser::ParseHexData(std::string line, std::size_t i) {
  std::string data;
  for (;;) {
    i = SkipBlanks(line, i);
    if (i >= line.size() || line[i] == ';') return data;
    if (line[i] == '\\') {
      ExpectEnd(line, i + 1);
      // Continued on the next line that is not a comment.
      std::string next;
      do {
        if (!NextLine(next)) Fail("hex data continued past the end of the file");
        i = SkipBlanks(next, 0);
      } while (i < next.size() && next[i] == ';');
      line = next;
      if (i >= line.size()) Fail("hex data continued onto an empty line");
      continue;
    }
    const int hi = HexDigit(line[i]);
    if (hi < 0) Fail("invalid hex byte \"" + line.substr(i, 2) + "\"");
    int value = hi;
    ++i;
    if (i < line.size() && HexDigit(line[i]) >= 0) value = value * 16 + HexDigit(line[i++]);
    data += static_cast<char>(value);
    i = SkipBlanks(line, i);
    if (i < line.size() && line[i] == ',') {
      ++i;
    } else if (i < line.size() && line[i] != '\\' && line[i] != ';') {
      Fail("expected ',' between hex bytes");
    }
  }
}

void Parser::ParseValue(const std::string& line, std::size_t i) {
  std::string name;
  if (line[i] == '@') {
    ++i;
  } else {
    name = ParseQuoted(line, i);
  }
  i = SkipBlanks(line, i);
  if (i >= line.size() || line[i] != '=') Fail("expected '=' after the value name");
  i = SkipBlanks(line, i + 1);
  const std::string rest = line.substr(i);

  RegValue value;
  value.name = name;
  bool remove = false;
  if (!rest.empty() && rest[0] == '-') {
    remove = true;
    ExpectEnd(line, i + 1);
  } else if (!rest.empty() && rest[0] == '"') {
    value.type = static_cast<std::uint32_t>(RegType::Sz);
    value.data = ParseQuoted(line, i);
    value.data += '\0';
    ExpectEnd(line, i);
  } else if (StartsWithNoCase(rest, "dword:")) {
    i += 6;
    std::uint32_t number = 0;
    int digits = 0;
    while (i < line.size() && HexDigit(line[i]) >= 0) {
      if (++digits > 8) Fail("dword data longer than 8 hex digits");
      number = number * 16 + static_cast<std::uint32_t>(HexDigit(line[i++]));
    }
    if (digits == 0) Fail("dword data without hex digits");
    ExpectEnd(line, i);
    value.type = static_cast<std::uint32_t>(RegType::Dword);
    for (int b = 0; b < 4; ++b) value.data += static_cast<char>((number >> (8 * b)) & 0xFF);
  } else if (StartsWithNoCase(rest, "hex:") || StartsWithNoCase(rest, "hex(")) {
    i += 3;
    std::uint32_t type = static_cast<std::uint32_t>(RegType::Binary);
    if (line[i] == '(') {
      ++i;
      std::uint64_t number = 0;
      int digits = 0;
      while (i < line.size() && HexDigit(line[i]) >= 0) {
        number = number * 16 + static_cast<std::uint32_t>(HexDigit(line[i++]));
        if (++digits > 8) Fail("value type number too long");
      }
      if (digits == 0 || i >= line.size() || line[i] != ')') Fail("malformed hex(type) prefix");
      ++i;
      type = static_cast<std::uint32_t>(number);
    }
    if (i >= line.size() || line[i] != ':') Fail("expected ':' after hex");
    value.type = type;
    value.data = ParseHexData(line, i + 1);
    if (IsStringType(type) && !version4_) value.data = Utf16LeToUtf8(value.data);
  } else {
    Fail("unrecognised value data \"" + rest + "\"");
  }
  if (inDeletion_) return;  // inside a deletion section: parsed, then ignored
  if (remove) {
    keys_.DeleteValue(currentKey_, name);
  } else {
    keys_.SetValue(currentKey_, std::move(value));
  }
}

void Parser::ParseSection(const std::string& line, std::size_t i) {
  const std::size_t close = line.rfind(']');
  if (close == std::string::npos || close < i) Fail("key name without its closing ']'");
  ExpectEnd(line, close + 1);
  std::string path = line.substr(i + 1, close - i - 1);
  const bool deletion = !path.empty() && path[0] == '-';
  if (deletion) path.erase(0, 1);
  if (path.size() > kMaxRegKeyPath) Fail("key name longer than " + std::to_string(kMaxRegKeyPath) + " bytes");
  if (std::count(path.begin(), path.end(), '\\') > kMaxRegKeyDepth) {
    Fail("key nested deeper than " + std::to_string(kMaxRegKeyDepth) + " levels");
  }
  auto normal = NormaliseRegKeyPath(path);
  if (!normal) Fail("invalid key name \"" + path + "\"");
  // A short root name (HKCU) grows into the full one: the limit holds for the name as written back.
  if (normal->size() > kMaxRegKeyPath) Fail("key name longer than " + std::to_string(kMaxRegKeyPath) + " bytes");
  if (deletion) {
    keys_.Delete(*normal);
    inDeletion_ = true;
    currentKey_.clear();
  } else {
    keys_.Ensure(*normal);
    inDeletion_ = false;
    currentKey_ = *normal;
  }
}

std::vector<RegKey> Parser::Run() {
  std::string line;
  bool headerSeen = false;
  while (NextLine(line)) {
    std::size_t i = SkipBlanks(line, 0);
    if (i >= line.size()) continue;
    if (!headerSeen) {
      std::string header = line.substr(i);
      while (!header.empty() && (header.back() == ' ' || header.back() == '\t')) header.pop_back();
      if (header == kVersion5Header) {
        version4_ = false;
      } else if (header == kVersion4Header) {
        version4_ = true;
      } else {
        Fail("not a registry export: expected \"" + std::string(kVersion5Header) + "\"");
      }
      headerSeen = true;
      continue;
    }
    switch (line[i]) {
      case ';': break;
      case '[': ParseSection(line, i); break;
      case '"':
      case '@':
        if (currentKey_.empty() && !inDeletion_) Fail("value outside of a key section");
        ParseValue(line, i);
        break;
      default: Fail("unexpected line \"" + line.substr(i) + "\"");
    }
  }
  if (!headerSeen) {
    lineNumber_ = lineNumber_ == 0 ? 1 : lineNumber_;
    Fail("not a registry export: the file is empty");
  }
  return keys_.Take();
}

std::string QuoteRegText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

void AppendHexData(std::string& out, std::string prefix, const std::string& bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string lineText = std::move(prefix);
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    const auto b = static_cast<unsigned char>(bytes[k]);
    lineText += kDigits[b >> 4];
    lineText += kDigits[b & 0xF];
    if (k + 1 < bytes.size()) {
      lineText += ',';
      if (lineText.size() > 76) {
        out += lineText + "\\\n";
        lineText = "  ";
      }
    }
  }
  out += lineText + "\n";
}

}  // namespace

std::optional<std::string> NormaliseRegKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t sep = path.find('\\', start);
    parts.push_back(path.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  // A single trailing backslash is tolerated, as regedit does.
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  std::string out;
  for (const RootName& root : kRoots)
    if (EqualsIgnoringCase(parts[0], root.full) || EqualsIgnoringCase(parts[0], root.abbreviation)) out = root.full;
  if (out.empty()) return std::nullopt;
  for (std::size_t k = 1; k < parts.size(); ++k) {
    if (parts[k].empty()) return std::nullopt;
    out += '\\';
    out += parts[k];
  }
  return out;
}

const RegValue* RegKey::FindValue(const std::string& name) const {
  for (const RegValue& v : values)
    if (EqualsIgnoringCase(v.name, name)) return &v;
  return nullptr;
}

void RegKey::SetValue(RegValue value) {
  for (RegValue& v : values) {
    if (EqualsIgnoringCase(v.name, value.name)) {
      v = std::move(value);
      return;
    }
  }
  values.push_back(std::move(value));
}

void RegKey::DeleteValue(const std::string& name) {
  std::erase_if(values, [&name](const RegValue& v) { return EqualsIgnoringCase(v.name, name); });
}

RegFile RegFile::Parse(const std::string& bytes, const std::string& fileName) {
  if (bytes.size() > kMaxRegFileBytes) {
    throw ERegistryException(fileName + ": larger than " + std::to_string(kMaxRegFileBytes) +
                             " bytes, too large for a settings store");
  }
  std::string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text = Utf16LeToUtf8(bytes, 2);
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = bytes.substr(3);
  } else {
    text = bytes;
  }
  RegFile file;
  Parser parser(text, fileName);
  file.keys_ = parser.Run();
  return file;
}

std::string RegFile::Serialize() const {
  std::string out = std::string(kVersion5Header) + "\n\n";
  for (const RegKey& key : keys_) {
    out += "[" + key.path + "]\n";
    for (const RegValue& v : key.values) {
      const std::string name = v.name.empty() ? "@" : QuoteRegText(v.name);
      const bool plainText = v.type == static_cast<std::uint32_t>(RegType::Sz) && !v.data.empty() &&
                             v.data.back() == '\0' && v.data.find('\0') == v.data.size() - 1;
      if (plainText) {
        out += name + "=" + QuoteRegText(v.data.substr(0, v.data.size() - 1)) + "\n";
      } else if (v.type == static_cast<std::uint32_t>(RegType::Dword) && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int b = 3; b >= 0; --b) n = (n << 8) | static_cast<unsigned char>(v.data[b]);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%08x", n);
        out += name + "=dword:" + buffer + "\n";
      } else {
        std::string prefix = name + "=hex";
        if (v.type != static_cast<std::uint32_t>(RegType::Binary)) {
          char buffer[16];
          std::snprintf(buffer, sizeof buffer, "(%x)", v.type);
          prefix += buffer;
        }
        prefix += ":";
        AppendHexData(out, prefix, IsStringType(v.type) ? Utf8ToUtf16Le(v.data) : v.data);
      }
    }
    out += "\n";
  }
  return out;
}

const RegKey* RegFile::FindKey(const std::string& path) const {
  const auto normal = NormaliseRegKeyPath(path);
  if (!normal) return nullptr;
  for (const RegKey& key : keys_)
    if (EqualsIgnoringCase(key.path, *normal)) return &key;
  return nullptr;
}

RegKey& RegFile::EnsureKey(const std::string& path) {
  const auto normal = NormaliseRegKeyPath(path);
  if (!normal) throw ERegistryException("Invalid key name '" + path + "'");
  // Parents first, so the written file lists them in tree order; the root itself is no key.
  std::size_t sep = normal->find('\\');
  while (true) {
    sep = sep == std::string::npos ? sep : normal->find('\\', sep + 1);
    const std::string prefix = normal->substr(0, sep);
    RegKey* found = nullptr;
    for (RegKey& key : keys_)
      if (EqualsIgnoringCase(key.path, prefix)) found = &key;
    if (found == nullptr) {
      keys_.push_back(RegKey{prefix, {}});
      found = &keys_.back();
    }
    if (sep == std::string::npos) return *found;
  }
}

}  // namespace lw
