#pragma once
// A private temporary folder for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string>

namespace lw::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder joined with a relative name, as 8-bit text.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace lw::test
