// A practice the support person may read but not write: its folder and files belong to someone
// else. The check works; --fix and undo say at once that the practice is read-only; a dictionary
// that cannot even be read says so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

namespace lw::test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ReadOnlyPractice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ProgramBuilt("check", "ledgerwick-check"));
    ASSERT_TRUE(ProgramBuilt("practice", "ledgerwick-practice"));
    folder_ = (dir_.Path() / "practice").string();
    ASSERT_EQ(RunProgram(Quoted(ProgramPath("practice", "ledgerwick-practice")) + " demo " + Quoted(folder_) +
                         " --rows 400 >/dev/null")
                  .status,
              0);
    // Root may write anywhere: as root the programs run as "nobody", a user with no claim on the files.
    user_ = UserWithoutPrivileges();
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms(0444));
    }
    std::filesystem::permissions(folder_, std::filesystem::perms(0555));
    std::filesystem::permissions(dir_.Path(), std::filesystem::perms(0755));
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::permissions(folder_, std::filesystem::perms(0755), ignored);
  }
  ProgramRun Run(const std::string& program, const std::string& arguments) {
    const std::string folder = program == "ledgerwick-check" ? "check" : "practice";
    return RunProgramAs(
        user_, "XDG_CONFIG_HOME=/nonexistent " + Quoted(ProgramPath(folder, program)) + " " + arguments + " 2>&1");
  }
  TempDir dir_;
  std::string folder_;
  std::optional<OtherUser> user_;
};

TEST_F(ReadOnlyPractice, IsCheckedButNotFixed) {
  const ProgramRun check = Run("ledgerwick-check", "--folder " + Quoted(folder_));
  EXPECT_EQ(check.status, 1) << check.out;
  EXPECT_TRUE(Has(check.out, "Chart: ")) << check.out;
  EXPECT_TRUE(Has(check.out, "rows checked")) << check.out;

  const ProgramRun fix = Run("ledgerwick-check", "--folder " + Quoted(folder_) + " --fix");
  EXPECT_EQ(fix.status, 2) << fix.out;
  EXPECT_TRUE(Has(fix.out, "is read-only")) << fix.out;
  EXPECT_FALSE(Has(fix.out, "Chart: ")) << fix.out;

  const ProgramRun history = Run("ledgerwick-practice", "history " + Quoted(folder_));
  EXPECT_EQ(history.status, 0) << history.out;
  const ProgramRun exported = Run("ledgerwick-practice", "export " + Quoted(folder_) + " MWPAX");
  EXPECT_EQ(exported.status, 0) << exported.out;
  const ProgramRun undo = Run("ledgerwick-practice", "undo " + Quoted(folder_) + " --run 1");
  EXPECT_EQ(undo.status, 1) << undo.out;
  EXPECT_TRUE(Has(undo.out, "read-only")) << undo.out;
}

TEST_F(ReadOnlyPractice, AnUnreadableDictionarySaysPermissionDenied) {
  std::filesystem::permissions(folder_, std::filesystem::perms(0755));
  std::filesystem::permissions(std::filesystem::path(folder_) / "MWDDF.ADD", std::filesystem::perms(0));
  const ProgramRun check = Run("ledgerwick-check", "--folder " + Quoted(folder_));
  EXPECT_EQ(check.status, 2) << check.out;
  EXPECT_TRUE(Has(check.out, "could not be opened")) << check.out;
  EXPECT_TRUE(Has(check.out, "(permission denied)")) << check.out;
  EXPECT_FALSE(Has(check.out, "not a data dictionary")) << check.out;
}

}  // namespace
}  // namespace lw::test
