#pragma once
// The file system a practice lies on. SQLite's WAL and the engine's record locks work only
// between processes of one machine: on a network file system (NFS, SMB/CIFS, FUSE network mounts
// such as sshfs) other workstations would neither see the locks nor share the WAL index, and
// their writes would silently interleave. Such a practice is refused when connecting.

#include <functional>
#include <string>
#include <string_view>

#include "engine/Status.h"

namespace lw::engine {

// The type of the file system holding `path` as the mount table names it ("ext4", "nfs4",
// "cifs", "fuse.sshfs"); empty when it cannot be told.
std::string MountedFileSystemType(const std::string& path);

// Whether a file-system type (as above) reaches other machines.
bool IsNetworkFileSystem(std::string_view type);

// kNetworkFileSystem, naming the type, when the dictionary lies on a network file system.
Status RefuseNetworkFileSystem(const std::string& dictionaryPath);

// Test seam: the probe RefuseNetworkFileSystem asks for a path's file-system type (by default
// MountedFileSystemType). Returns the previous probe; an empty probe restores the default.
using FileSystemTypeProbe = std::function<std::string(const std::string& path)>;
FileSystemTypeProbe SetFileSystemTypeProbe(FileSystemTypeProbe probe);

}  // namespace lw::engine
