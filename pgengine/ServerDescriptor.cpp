#include "pgengine/ServerDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace lw::pgengine {

using engine::Status;

namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

bool IsServerDescriptor(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char head[64] = {};
  in.read(head, std::strlen(kDescriptorMarker));
  return in.gcount() == static_cast<std::streamsize>(std::strlen(kDescriptorMarker)) &&
         std::memcmp(head, kDescriptorMarker, std::strlen(kDescriptorMarker)) == 0;
}

Status ReadServerDescriptor(const std::string& path, std::string& connectionString) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error(ace::kDictionaryNotFound, path);
  std::string line;
  if (!std::getline(in, line) || Trim(line) != kDescriptorMarker) return Status::Error(ace::kNotADictionary, path);
  while (std::getline(in, line)) {
    std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    std::size_t equals = text.find('=');
    if (equals != std::string::npos && Trim(text.substr(0, equals)) == "connection") {
      connectionString = Trim(text.substr(equals + 1));
      return {};
    }
  }
  return Status::Error(ace::kNotADictionary, path + " (the server practice file names no connection)");
}

Status WriteServerDescriptor(const std::string& path, const std::string& connectionString) {
  if (connectionString.find('\n') != std::string::npos || connectionString.find('\r') != std::string::npos) {
    return Status::Error(ace::kInvalidArgument, "(the connection string must be one line)");
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Status::Error(ace::kStorageError, path + ": " + std::strerror(errno));
  std::string text = std::string(kDescriptorMarker) +
                     "\n# This practice is kept on a database server; the line below is a libpq connection "
                     "string.\nconnection = " +
                     connectionString + "\n";
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  int error = errno;
  ::close(fd);
  if (!ok) {
    ::unlink(path.c_str());
    return Status::Error(ace::kStorageError, path + ": " + std::strerror(error));
  }
  return {};
}

}  // namespace lw::pgengine
