#include "tools/practice/ServerCommands.h"

#include <cstdio>
#include <filesystem>

#include "tools/practice/PracticeLayouts.h"

namespace lw::practice {

namespace {

std::string DictionaryIn(const std::string& folder) {
  return (std::filesystem::path(folder) / engine::kDictionaryFileName).string();
}

}  // namespace

int CreateOnServer(const std::string& folder, const std::string& connectionString) {
  std::error_code error;
  if (!std::filesystem::exists(folder, error) && std::filesystem::create_directories(folder, error)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_all, error);
  }
  if (error) {
    std::fprintf(stderr, "ledgerwick-practice: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
    return 1;
  }
  pgengine::CreateServerPractice(DictionaryIn(folder), connectionString, practice::PracticeTables());
  std::printf("Created the practice on the server; %s names it\n", DictionaryIn(folder).c_str());
  return 0;
}

int MoveToServer(const std::string& folder, const std::string& connectionString) {
  std::int64_t rows = pgengine::MovePracticeToServer(DictionaryIn(folder), connectionString);
  std::printf("Moved %lld rows to the server; %s names it, the embedded file is kept as %s.moved\n",
              static_cast<long long>(rows), DictionaryIn(folder).c_str(), DictionaryIn(folder).c_str());
  return 0;
}

int MoveDemoToServer(const std::string& folder, const std::string& connectionString) {
  pgengine::MovePracticeToServer(DictionaryIn(folder), connectionString);
  std::error_code error;
  for (const char* suffix : {".moved", ".moved-wal", ".moved-shm", ".locks"}) {
    std::filesystem::remove(DictionaryIn(folder) + suffix, error);
  }
  return 0;
}

std::vector<std::string> ColumnNames(const std::string& dictionaryPath, const std::string& table) {
  if (pgengine::IsServerDescriptor(dictionaryPath)) return pgengine::ServerLoader(dictionaryPath).ColumnNames(table);
  return engine::DictionaryColumnNames(dictionaryPath, table);
}

PracticeLoader::PracticeLoader(const std::string& dictionaryPath) {
  if (pgengine::IsServerDescriptor(dictionaryPath)) {
    server_ = std::make_unique<pgengine::ServerLoader>(dictionaryPath);
  } else {
    embedded_ = std::make_unique<engine::DictionaryLoader>(dictionaryPath);
  }
}

}  // namespace lw::practice
