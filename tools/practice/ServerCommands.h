#pragma once
// The practice tool's commands for practices kept on a database server.

#include <ostream>
#include <string>

namespace lw::practice {

// create DIR --server CONNINFO. Returns the exit code.
int CreateOnServer(const std::string& folder, const std::string& connectionString, std::ostream& out,
                   std::ostream& err);
// Moves a demo practice just generated in the folder to the server, dropping the embedded copy.
int MoveDemoToServer(const std::string& folder, const std::string& connectionString);

}  // namespace lw::practice
