#pragma once
// What the practice tool's commands share: exit codes, usage errors, the dictionary look-up,
// and the commands kept in files of their own.

#include <cstdint>
#include <string>
#include <vector>

namespace lw::practice {

// Exit codes: success, the command failed, bad usage.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Prints the message and the command's usage line; returns kUsage.
int CommandUsage(const std::string& command, const std::string& message);
// The dictionary file in the folder, or kFailed with a message when there is none.
int RequireDictionary(const std::string& command, const std::string& folder, std::string& path);
// A whole decimal number of at most 12 digits, at least `min`.
bool ParseCount(const std::string& text, std::int64_t& value, std::int64_t min);

int History(const std::vector<std::string>& args);
int Undo(const std::vector<std::string>& args);

}  // namespace lw::practice
