// create --server, move and demo --server: practices kept on a database server.
#include "tools/practice/ServerCommands.h"

#include <filesystem>

#include "pgengine/ServerPractice.h"
#include "tools/practice/Commands.h"
#include "tools/practice/PracticeLayouts.h"

namespace lw::practice {

int CreateOnServer(const std::string& folder, const std::string& connectionString, std::ostream& out,
                   std::ostream& err) {
  if (MakePracticeFolder(err, folder) != kOk) return kFailed;
  pgengine::CreateServerPractice(DictionaryIn(folder), connectionString, PracticeTables());
  out << "Created the practice on the server; " << DictionaryIn(folder) << " names it\n";
  return kOk;
}

int Move(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3 || args[1] != "--to-server") {
    return CommandUsage(err, "move", "expects a folder, --to-server and a connection string");
  }
  const std::string& folder = args[0];
  std::int64_t rows = pgengine::MovePracticeToServer(DictionaryIn(folder), args[2]);
  out << "Moved " << rows << " rows to the server; " << DictionaryIn(folder)
      << " names it, the embedded file is kept as " << DictionaryIn(folder) << ".moved\n";
  return kOk;
}

int MoveDemoToServer(const std::string& folder, const std::string& connectionString) {
  pgengine::MovePracticeToServer(DictionaryIn(folder), connectionString);
  std::error_code error;
  for (const char* suffix : {".moved", ".moved-wal", ".moved-shm", ".locks"}) {
    std::filesystem::remove(DictionaryIn(folder) + suffix, error);
  }
  return kOk;
}

}  // namespace lw::practice
