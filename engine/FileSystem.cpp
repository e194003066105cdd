#include "engine/FileSystem.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <fstream>
#include <mutex>
#include <sstream>

namespace lw::engine {

namespace {

std::mutex probeMutex;
FileSystemTypeProbe& Probe() {
  static FileSystemTypeProbe probe;
  return probe;
}

// statfs magic numbers of network file systems, for when the mount table cannot be read.
std::string TypeFromMagic(const std::string& path) {
  struct statfs info;
  if (statfs(path.c_str(), &info) != 0) return {};
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL: return "nfs";
    case 0x517BUL: return "smbfs";
    case 0xFF534D42UL: return "cifs";
    case 0xFE534D42UL: return "smb3";
    case 0x564CUL: return "ncpfs";
    case 0x5346414FUL: return "afs";
    case 0x73757245UL: return "coda";
    case 0x00C36400UL: return "ceph";
    case 0x65735546UL: return "fuse";
    default: return "local";
  }
}

}  // namespace

std::string MountedFileSystemType(const std::string& path) {
  struct stat file;
  if (stat(path.c_str(), &file) != 0) return {};
  // /proc/self/mountinfo: "id parent major:minor root mount-point options [tags] - type source ..."
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  const std::string device = std::to_string(major(file.st_dev)) + ":" + std::to_string(minor(file.st_dev));
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, word;
    if (!(fields >> id >> parent >> numbers) || numbers != device) continue;
    while (fields >> word && word != "-") {
    }
    std::string type;
    if (fields >> type) return type;
  }
  return TypeFromMagic(path);
}

bool IsNetworkFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 12> kNetwork = {"nfs",   "nfs4", "cifs", "smb3", "smbfs", "smb2",
                                                                "ncpfs", "ncp",  "afs",  "coda", "ceph",  "glusterfs"};
  // FUSE mounts are named "fuse.<program>"; these programs reach other machines.
  static constexpr std::array<std::string_view, 12> kFuseNetwork = {"sshfs",     "rclone",    "s3fs",     "gcsfuse",
                                                                    "davfs2",    "curlftpfs", "smbnetfs", "glusterfs",
                                                                    "ceph-fuse", "ceph",      "afpfs",    "juicefs"};
  for (std::string_view known : kNetwork) {
    if (type == known) return true;
  }
  constexpr std::string_view kFuse = "fuse.";
  if (type.substr(0, kFuse.size()) == kFuse) {
    std::string_view program = type.substr(kFuse.size());
    for (std::string_view known : kFuseNetwork) {
      if (program == known) return true;
    }
  }
  return false;
}

Status RefuseNetworkFileSystem(const std::string& dictionaryPath) {
  FileSystemTypeProbe probe;
  {
    std::lock_guard lock(probeMutex);
    probe = Probe();
  }
  const std::string type = probe ? probe(dictionaryPath) : MountedFileSystemType(dictionaryPath);
  if (!IsNetworkFileSystem(type)) return {};
  return Status::Error(ace::kNetworkFileSystem, dictionaryPath + " (" + type + ")");
}

FileSystemTypeProbe SetFileSystemTypeProbe(FileSystemTypeProbe probe) {
  std::lock_guard lock(probeMutex);
  FileSystemTypeProbe previous = std::move(Probe());
  Probe() = std::move(probe);
  return previous;
}

}  // namespace lw::engine
