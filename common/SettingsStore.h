#pragma once
// The current-practice lookup. The practice-management product records, per user, the data
// folder of the practice last current in it: HKEY_CURRENT_USER\Software\Medisoft, value
// "Current Practice". On Linux the per-user hive is a file in the text format of a registry
// export (see RegFile.h), read through the RegistryHive interface so that a Windows build can
// read the real registry instead.

#include <string>

namespace lw {

class RegistryHive;

// The per-user store file: $XDG_CONFIG_HOME/ledgerwick/registry.reg, or
// ~/.config/ledgerwick/registry.reg when XDG_CONFIG_HOME is unset or empty.
std::string SettingsStorePath();

// Reads "Current Practice" from the current user's store, read-only.
// - Missing store, key or value, or a key that cannot be opened: empty text, no error.
// - Zero-length data of any type: empty text.
// - REG_SZ or REG_EXPAND_SZ: the text up to its first NUL, never expanded.
// - Any other type: ERegistryException "Invalid data type for 'Current Practice'".
// - The data cannot be read after its size was learnt (for example the value grew in between):
//   ERegistryException "Failed to get data for 'Current Practice'".
// - A store file that is not a well-formed registry export: ERegistryException naming the file
//   and the line.
std::string ReadCurrentPractice();
// The same lookup on a given hive (tests, other platforms).
std::string ReadCurrentPractice(RegistryHive& hive);

// Records `folder` as the current practice (REG_SZ), keeping every other key and value of the
// store. The file and its folder are created when missing; the file is replaced atomically.
// Used by the practice tool only; the checker never writes the store.
// Raises ERegistryException when the store cannot be read or written.
void WriteCurrentPractice(const std::string& folder);

}  // namespace lw
