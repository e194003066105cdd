#include "common/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/Exceptions.h"
#include "common/RegFile.h"
#include "common/RegistryHive.h"

namespace lw {
namespace {

constexpr const char* kMedisoftKey = "Software\\Medisoft";
constexpr const char* kValueName = "Current Practice";

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return "/";
}

[[noreturn]] void FailWrite(const std::string& fileName, const std::string& what, int error) {
  throw ERegistryException("Cannot write the settings store " + fileName + ": " + what + ": " + std::strerror(error));
}

// Writes the whole file beside its final name, then renames it over, so a reader never sees half
// a store and a failed write leaves the old one intact.
void ReplaceFile(const std::string& fileName, const std::string& text) {
  const std::filesystem::path target(fileName);
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  if (ec) FailWrite(fileName, "cannot create its folder", ec.value());
  std::string temp = fileName + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) FailWrite(fileName, "cannot create a temporary file", errno);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      FailWrite(fileName, "write failed", error);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fchmod(fd, 0600) != 0 || ::fsync(fd) != 0 || ::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    FailWrite(fileName, "write failed", error);
  }
  if (::rename(temp.c_str(), fileName.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    FailWrite(fileName, "cannot replace the file", error);
  }
}

}  // namespace

std::string SettingsStorePath() {
  // Relative values are ignored, as the base-directory convention asks.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string base = (config != nullptr && config[0] == '/') ? std::string(config) : HomeFolder() + "/.config";
  return base + "/ledgerwick/registry.reg";
}

std::string ReadCurrentPractice(RegistryHive& hive) {
  const std::unique_ptr<RegistryKey> key = hive.OpenCurrentUserKey(kMedisoftKey);
  if (key == nullptr) return {};
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (key->QueryValue(kValueName, &type, nullptr, &size) != RegQueryResult::Success) return {};
  if (size == 0) return {};
  std::string buffer(size, '\0');
  std::uint32_t got = size;
  if (key->QueryValue(kValueName, &type, buffer.data(), &got) != RegQueryResult::Success)
    throw ERegistryException(std::string("Failed to get data for '") + kValueName + "'");
  if (type != static_cast<std::uint32_t>(RegType::Sz) && type != static_cast<std::uint32_t>(RegType::ExpandSz))
    throw ERegistryException(std::string("Invalid data type for '") + kValueName + "'");
  buffer.resize(got);
  const std::size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  return buffer;
}

std::string ReadCurrentPractice() {
  FileRegistryHive hive(SettingsStorePath());
  return ReadCurrentPractice(hive);
}

void WriteCurrentPractice(const std::string& folder) {
  const std::string fileName = SettingsStorePath();
  RegFile file;
  std::string bytes;
  const int error = ReadWholeFile(fileName, bytes);
  if (error == 0) {
    file = RegFile::Parse(bytes, fileName);  // a malformed store is reported, never overwritten
  } else if (error != ENOENT && error != ENOTDIR) {
    throw ERegistryException("Cannot read the settings store " + fileName + ": " + ReadFailureText(error));
  }
  RegValue value;
  value.name = kValueName;
  value.type = static_cast<std::uint32_t>(RegType::Sz);
  value.data = folder.substr(0, folder.find('\0'));  // the reader stops at the first NUL anyway
  value.data += '\0';
  file.EnsureKey(std::string("HKEY_CURRENT_USER\\") + kMedisoftKey).SetValue(std::move(value));
  ReplaceFile(fileName, file.Serialize());
}

}  // namespace lw
