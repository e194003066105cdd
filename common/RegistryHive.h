#pragma once
// The per-user registry as the current-practice lookup sees it: open a key, ask a value's type and
// size, then read its data. Mirrors the narrow Windows registry calls so that a Windows build can
// implement it with RegOpenKeyExA/RegQueryValueExA; FileRegistryHive implements it on the store
// file of a registry export.

#include <cstdint>
#include <memory>
#include <string>

namespace lw {

// Query results, with the Windows error codes' values.
enum class RegQueryResult : long {
  Success = 0,
  NotFound = 2,    // ERROR_FILE_NOT_FOUND: no such value (or the key vanished)
  MoreData = 234,  // ERROR_MORE_DATA: the buffer is smaller than the data
  ReadFault = 30,  // ERROR_READ_FAULT: the store could not be read
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Like RegQueryValueExA: sets *type and *size (the data size in bytes, string types in their
  // 8-bit form). With data == nullptr only type and size are asked. With a buffer, *size is its
  // capacity on entry; MoreData when the data does not fit (*size then holds the size needed).
  virtual RegQueryResult QueryValue(const std::string& name, std::uint32_t* type, char* data, std::uint32_t* size) = 0;
};

class RegistryHive {
 public:
  virtual ~RegistryHive() = default;
  // Opens a key below HKEY_CURRENT_USER for reading ("Software\\Medisoft"). nullptr when the key
  // is missing or cannot be opened. Never creates or writes anything.
  virtual std::unique_ptr<RegistryKey> OpenCurrentUserKey(const std::string& path) = 0;
};

// The hive kept in a registry export file. Every query reads the file afresh, so the key sees
// changes made by other programs between two queries, as a live registry does.
class FileRegistryHive : public RegistryHive {
 public:
  explicit FileRegistryHive(std::string fileName) : fileName_(std::move(fileName)) {}
  // A missing or unreadable file has no keys. A malformed file raises ERegistryException naming
  // the file and the line.
  std::unique_ptr<RegistryKey> OpenCurrentUserKey(const std::string& path) override;

 private:
  std::string fileName_;
};

// Reads a whole regular file into `bytes`, never blocking on what is no regular file. Returns 0,
// or the errno value when it does not exist or cannot be read (EISDIR for a folder, EINVAL for a
// FIFO, device or socket, EFBIG past kMaxRegFileBytes); `bytes` is then left alone.
int ReadWholeFile(const std::string& fileName, std::string& bytes);
// The reason for a ReadWholeFile failure, in words.
std::string ReadFailureText(int error);

}  // namespace lw
