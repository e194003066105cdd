#pragma once
// What the practice tool's commands share: exit codes, usage errors, the dictionary look-up, and
// the commands themselves. Each command takes its arguments (after the command name), writes its
// output to `out` and its messages to `err`, and returns the exit code.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lw::practice {

// Exit codes: success, the command failed, bad usage.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Prints the message and the command's usage line; returns kUsage.
int CommandUsage(std::ostream& err, const std::string& command, const std::string& message);
// The dictionary file (MWDDF.ADD) in the folder.
std::string DictionaryIn(const std::string& folder);
// The dictionary file in the folder, or kFailed with a message when there is none.
int RequireDictionary(std::ostream& err, const std::string& command, const std::string& folder, std::string& path);
// Creates the folder (and its parents) for a new practice, open to its owner and group only;
// kFailed, said on err, when it cannot be made.
int MakePracticeFolder(std::ostream& err, const std::string& folder);
// A whole decimal number of at most 12 digits, at least `min`.
bool ParseCount(const std::string& text, std::int64_t& value, std::int64_t min);

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Move(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int SetCurrent(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Undo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lw::practice
