#pragma once
// The practice tool's usage text and each command's help.

#include <ostream>
#include <string>

namespace lw::practice {

// The whole tool's usage: every command with its arguments.
extern const char* const kUsageText;

struct Help {
  const char* usage;  // the command's usage line, after "ledgerwick-practice "
  const char* text;   // what it does, for COMMAND --help
};

// The command's help, or nullptr for a command the tool does not have.
const Help* FindHelp(const std::string& command);

// Prints the message and the tool's usage; returns kUsage.
int UsageError(std::ostream& err, const std::string& message);

}  // namespace lw::practice
