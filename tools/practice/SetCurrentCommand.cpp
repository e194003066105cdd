// set-current: records a practice folder as the current practice in the per-user settings store.
#include <filesystem>

#include "common/SettingsStore.h"
#include "tools/practice/Commands.h"

namespace lw::practice {

int SetCurrent(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return CommandUsage(err, "set-current", "expects exactly one folder");
  std::string path;
  if (int rc = RequireDictionary(err, "set-current", args[0], path); rc != kOk) return rc;
  std::string folder = std::filesystem::absolute(args[0]).lexically_normal().string();
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  WriteCurrentPractice(folder);
  out << "Current practice: " << folder << "\n";
  return kOk;
}

}  // namespace lw::practice
