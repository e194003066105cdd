// The helpers every practice tool command uses.
#include <filesystem>

#include "engine/Dictionary.h"
#include "tools/practice/Commands.h"

namespace lw::practice {

std::string DictionaryIn(const std::string& folder) {
  return (std::filesystem::path(folder) / engine::kDictionaryFileName).string();
}

int RequireDictionary(std::ostream& err, const std::string& command, const std::string& folder, std::string& path) {
  path = DictionaryIn(folder);
  if (!std::filesystem::is_regular_file(path)) {
    err << "ledgerwick-practice " << command << ": no practice dictionary at " << path << "\n";
    return kFailed;
  }
  return kOk;
}

int MakePracticeFolder(std::ostream& err, const std::string& folder) {
  std::error_code error;
  // A folder made here holds patient data: no access for other users.
  if (!std::filesystem::exists(folder, error) && std::filesystem::create_directories(folder, error)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_all, error);
  }
  if (error) {
    err << "ledgerwick-practice: cannot create " << folder << ": " << error.message() << "\n";
    return kFailed;
  }
  return kOk;
}

bool ParseCount(const std::string& text, std::int64_t& value, std::int64_t min) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
  value = std::stoll(text);
  return value >= min;
}

}  // namespace lw::practice
