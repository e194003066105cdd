#pragma once
// The text format of a Windows registry export (.reg), as a Qt-free model, parser and writer.
//
// Accepted input: "Windows Registry Editor Version 5.00" or "REGEDIT4" as the first line; UTF-8
// (with or without a byte-order mark), plain 8-bit or UTF-16LE text with its byte-order mark;
// [KEY] and [-KEY] sections; "name"=... and @=... values with "text" (escapes \\ \" \n \r \0),
// dword:XXXXXXXX, hex:..., hex(N):... data (continued over lines ending in a backslash) and "-"
// for deletion; lines starting with ';' are comments, also between continuation lines.
// Sections and values apply in file order, as an import into an empty registry would.
//
// Values hold their data as the narrow registry functions return it: string types (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) as 8-bit text with their NULs. UTF-16LE hex data of a version 5
// file is converted to UTF-8; a REGEDIT4 file's hex string data is already 8-bit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lw {

// Registry value type codes (named so they do not clash with the platform's macros).
enum class RegType : std::uint32_t {
  None = 0,
  Sz = 1,
  ExpandSz = 2,
  Binary = 3,
  Dword = 4,
  DwordBigEndian = 5,
  Link = 6,
  MultiSz = 7,
  Qword = 11,
};

struct RegValue {
  std::string name;  // empty for the key's default value (@)
  std::uint32_t type = 0;
  std::string data;  // raw bytes, string types in 8-bit form including their NULs
};

struct RegKey {
  std::string path;  // full path with the root spelled out, e.g. HKEY_CURRENT_USER\Software
  std::vector<RegValue> values;

  // Case-insensitive, as registry value names are. nullptr when absent.
  const RegValue* FindValue(const std::string& name) const;
  void SetValue(RegValue value);
  void DeleteValue(const std::string& name);
};

// Limits that keep a hostile or damaged store from exhausting memory or time: the parser refuses
// larger files, longer key names and deeper keys with a line-numbered error.
inline constexpr std::size_t kMaxRegFileBytes = 1 << 20;
inline constexpr std::size_t kMaxRegKeyPath = 1024;
inline constexpr long kMaxRegKeyDepth = 64;

class RegFile {
 public:
  // Parses export text in time linear in its size. `fileName` only names the source in error
  // messages. Raises ERegistryException "<fileName>, line <n>: <what is wrong>" for malformed text
  // and for text past the limits above.
  static RegFile Parse(const std::string& bytes, const std::string& fileName);

  // Version 5 export text (UTF-8, no byte-order mark); string values in quoted form where the
  // format allows it, hex(N) otherwise. Parse(Serialize()) gives the same keys and values.
  std::string Serialize() const;

  // Case-insensitive key lookup by full path ("HKEY_CURRENT_USER\Software\Medisoft"; the short
  // root names HKCU, HKLM, ... are accepted). nullptr when absent.
  const RegKey* FindKey(const std::string& path) const;
  // Finds or creates the key (and, as the registry does, every missing parent key).
  RegKey& EnsureKey(const std::string& path);

  const std::vector<RegKey>& Keys() const { return keys_; }

 private:
  std::vector<RegKey> keys_;  // in first-seen order
};

// Normalises a key path: the root spelled out in full, upper case ("HKEY_CURRENT_USER"), the rest
// unchanged, no empty components. nullopt when the root is unknown or a component is empty.
std::optional<std::string> NormaliseRegKeyPath(const std::string& path);

}  // namespace lw
