// A fix run on a practice whose file system fills up part-way, on a small tmpfs of its own: the
// run stops with exit 2 and says the disk is full, the dictionary stays sound, each row holds
// either its old or its fixed amounts, and once space is freed a rerun finishes the job.
// Mounting needs root; elsewhere the test is skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/support/DictionaryContents.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

namespace lw::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Writes zeros into `file` until the file system refuses even a single byte more.
void FillUp(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  static const char zeros[65536] = {};
  std::size_t chunk = sizeof zeros;
  while (chunk > 0) {
    if (::write(fd, zeros, chunk) < 0) {
      EXPECT_EQ(errno, ENOSPC) << std::strerror(errno);
      chunk /= 2;
    }
  }
  ::close(fd);
}

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ProgramBuilt("check", "ledgerwick-check"));
    ASSERT_TRUE(ProgramBuilt("practice", "ledgerwick-practice"));
    if (getenv("LEDGERWICK_TEST_SERVER") != nullptr) GTEST_SKIP() << "the server keeps a server practice's files";
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs to fill needs root";
    disk_ = dir_.Path() / "disk";
    fs::create_directory(disk_);
    if (::mount("ledgerwick-test", disk_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16m,mode=0700") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_ && ::umount2(disk_.c_str(), 0) != 0) ::umount2(disk_.c_str(), MNT_DETACH);
  }

  static ProgramRun Tool(const std::string& program, const std::string& arguments) {
    const std::string folder = program == "ledgerwick-check" ? "check" : "practice";
    return RunProgram("XDG_CONFIG_HOME=/nonexistent " + Quoted(ProgramPath(folder, program)) + " " + arguments +
                      " 2>&1");
  }

  TempDir dir_;
  fs::path disk_;
  bool mounted_ = false;
};

TEST_F(FullDisk, AFixThatRunsOutOfSpaceStopsCleanlyAndARerunFinishes) {
  // The same practice twice: one fixed on the roomy disk as the reference, one on the small one.
  const fs::path reference = dir_.Path() / "reference";
  ASSERT_EQ(Tool("ledgerwick-practice", "demo " + Quoted(reference.string()) + " --rows 3000").status, 0);
  const fs::path practice = disk_ / "practice";
  fs::create_directory(practice);
  fs::copy_file(reference / "MWDDF.ADD", practice / "MWDDF.ADD");
  const auto original = PaidAmountsOf((reference / "MWDDF.ADD").string());
  const ProgramRun referenceFix = Tool("ledgerwick-check", "--folder " + Quoted(reference.string()) + " --fix");
  ASSERT_EQ(referenceFix.status, 1) << referenceFix.out;
  const auto fixed = PaidAmountsOf((reference / "MWDDF.ADD").string());
  ASSERT_NE(original, fixed);

  // A first look sets up the lock file; then only a few pages stay free, room for the start of
  // the run and a few of its rows, never for all of them.
  ASSERT_EQ(Tool("ledgerwick-check", "--folder " + Quoted(practice.string())).status, 1);
  const fs::path filler = disk_ / "filler";
  FillUp(filler);
  fs::resize_file(filler, fs::file_size(filler) - 96 * 1024);

  const ProgramRun full = Tool("ledgerwick-check", "--folder " + Quoted(practice.string()) + " --fix");
  EXPECT_EQ(full.status, 2) << full.out;
  EXPECT_TRUE(Has(full.out, "is full")) << full.out;
  EXPECT_TRUE(Has(full.out, "ledgerwick-check: stopped at ")) << full.out;

  // Read with the space still taken: nothing may depend on freeing it first.
  EXPECT_EQ(IntegrityOf((practice / "MWDDF.ADD").string()), "ok");
  const auto afterFull = PaidAmountsOf((practice / "MWDDF.ADD").string());
  ASSERT_EQ(afterFull.size(), original.size());
  int rewritten = 0;
  for (const auto& [entry, amounts] : afterFull) {
    if (amounts == fixed.at(entry) && amounts != original.at(entry)) ++rewritten;
    EXPECT_TRUE(amounts == original.at(entry) || amounts == fixed.at(entry))
        << "row " << entry << " holds neither its old nor its fixed amounts: " << amounts;
  }
  EXPECT_GT(rewritten, 0) << "the disk filled before the first row: " << full.out;
  EXPECT_NE(afterFull, fixed) << "the disk never filled";

  fs::remove(filler);
  const ProgramRun rerun = Tool("ledgerwick-check", "--folder " + Quoted(practice.string()) + " --fix");
  EXPECT_EQ(rerun.status, 1) << rerun.out;
  EXPECT_EQ(PaidAmountsOf((practice / "MWDDF.ADD").string()), fixed);
  EXPECT_EQ(IntegrityOf((practice / "MWDDF.ADD").string()), "ok");
}

}  // namespace
}  // namespace lw::test
