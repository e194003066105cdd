#include "common/RegistryHive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Exceptions.h"
#include "common/RegFile.h"

namespace lw {
namespace {

constexpr const char* kCurrentUser = "HKEY_CURRENT_USER\\";

class FileRegistryKey : public RegistryKey {
 public:
  FileRegistryKey(std::string fileName, std::string keyPath)
      : fileName_(std::move(fileName)), keyPath_(std::move(keyPath)) {}

  RegQueryResult QueryValue(const std::string& name, std::uint32_t* type, char* data, std::uint32_t* size) override {
    std::string bytes;
    if (ReadWholeFile(fileName_, bytes) != 0) return RegQueryResult::ReadFault;
    RegFile file;
    try {
      file = RegFile::Parse(bytes, fileName_);
    } catch (const ERegistryException&) {
      // The file was well-formed when the key was opened; a broken rewrite since is a failed read.
      return RegQueryResult::ReadFault;
    }
    const RegKey* key = file.FindKey(keyPath_);
    const RegValue* value = key == nullptr ? nullptr : key->FindValue(name);
    if (value == nullptr) return RegQueryResult::NotFound;
    if (type != nullptr) *type = value->type;
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (data == nullptr) {
      if (size != nullptr) *size = needed;
      return RegQueryResult::Success;
    }
    if (size == nullptr || *size < needed) {
      if (size != nullptr) *size = needed;
      return RegQueryResult::MoreData;
    }
    std::memcpy(data, value->data.data(), needed);
    *size = needed;
    return RegQueryResult::Success;
  }

 private:
  std::string fileName_;
  std::string keyPath_;
};

}  // namespace

int ReadWholeFile(const std::string& fileName, std::string& bytes) {
  // Only a regular file is opened at all: a FIFO would block the open (and the program) for
  // good, a device might never end. The open itself cannot block (O_NONBLOCK), in case the
  // name changed to something else in between; fstat then judges what was opened.
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno;
  int error = 0;
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  } else if (static_cast<std::uint64_t>(info.st_size) > kMaxRegFileBytes) {
    error = EFBIG;
  }
  std::string out;
  char chunk[8192];
  while (error == 0) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
    if (out.size() > kMaxRegFileBytes) error = EFBIG;  // grew while being read
  }
  ::close(fd);
  if (error == 0) bytes = std::move(out);
  return error;
}

std::string ReadFailureText(int error) {
  if (error == EINVAL) return "not a regular file";
  if (error == EFBIG) return "larger than " + std::to_string(kMaxRegFileBytes) + " bytes";
  return std::strerror(error);
}

std::unique_ptr<RegistryKey> FileRegistryHive::OpenCurrentUserKey(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(fileName_, bytes) != 0) return nullptr;
  const RegFile file = RegFile::Parse(bytes, fileName_);
  const std::string keyPath = kCurrentUser + path;
  if (file.FindKey(keyPath) == nullptr) return nullptr;
  return std::make_unique<FileRegistryKey>(fileName_, keyPath);
}

}  // namespace lw
