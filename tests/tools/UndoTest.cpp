// A support person's round trip on a real demo practice (of either kind): fix, review the run in
// the history, undo it, and find the practice exactly as it was. Both tools run in-process.
#include <gtest/gtest.h>

#include "tests/support/TestServer.h"
#include "tests/tools/CheckFixture.h"
#include "tests/tools/PracticeToolRun.h"

namespace lw::check {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Undo : public CheckCommandTest {
 protected:
  void TearDown() override {
    for (const std::string& database : databases_) test::DropTestDatabase(database);
  }
  // On the suite's server run, the practice just made in the folder moves to the test cluster.
  void MoveWhenOnServer(const std::string& folder) {
    if (test::ServerMode()) databases_.push_back(test::MoveToTestServer(folder + "/MWDDF.ADD"));
  }
  // The practice tool's output and messages together.
  static test::ProgramRun Tool(const std::vector<std::string>& args) { return test::RunPractice(args); }
  std::string Export(const std::string& folder, const char* table) {
    const test::ProgramRun run = test::PracticeOutput({"export", folder, table});
    EXPECT_EQ(run.status, 0);
    return run.out;
  }
  test::TempDir dir_;
  std::vector<std::string> databases_;
};

TEST_F(Undo, FixHistoryUndoGivesBackTheOriginalPractice) {
  const std::string folder = (dir_.Path() / "demo").string();
  ASSERT_EQ(Tool({"demo", folder, "--rows", "400"}).status, 0);
  MoveWhenOnServer(folder);
  const std::string mwtrn = Export(folder, "MWTRN");
  const std::string mwpax = Export(folder, "MWPAX");

  ASSERT_EQ(Check({"--folder", folder, "--fix"}), kDiscrepancies);
  const std::string hint = "recorded as run 1; undo with: ledgerwick-practice undo " + folder + " --run 1\n";
  EXPECT_TRUE(Has(stderr_, hint)) << stderr_;
  const std::string fixed = Export(folder, "MWTRN");
  EXPECT_NE(fixed, mwtrn);

  const test::ProgramRun history = Tool({"history", folder, "--run", "1"});
  EXPECT_EQ(history.status, 0);
  EXPECT_EQ(history.out.find("Run 1, "), 0u) << history.out;
  EXPECT_TRUE(Has(history.out, ", dictionary user user:\n")) << history.out;
  EXPECT_TRUE(Has(history.out, "  MWTRN Entry Number ")) << history.out;
  EXPECT_TRUE(Has(history.out, " -> ")) << history.out;

  // A rerun rewrites the rows whose applications fit no bucket with the same six values: it
  // records nothing and so offers nothing to undo.
  const std::string historyBefore = Tool({"history", folder}).out;
  EXPECT_NE(Check({"--folder", folder, "--fix"}), kError);
  EXPECT_FALSE(Has(stderr_, "undo with")) << stderr_;
  EXPECT_EQ(Tool({"history", folder}).out, historyBefore);

  const test::ProgramRun undo = Tool({"undo", folder, "--run", "1"});
  EXPECT_EQ(undo.status, 0) << undo.out;
  EXPECT_EQ(undo.out.find("Run 1 undone as run 2 (undo with: ledgerwick-practice undo " + folder + " --run 2)\n"), 0u)
      << undo.out;
  EXPECT_EQ(Export(folder, "MWTRN"), mwtrn);
  EXPECT_EQ(Export(folder, "MWPAX"), mwpax);

  // The undo is a run like any other: undoing it brings the fix back.
  EXPECT_EQ(Tool({"undo", folder, "--run", "2"}).status, 0);
  EXPECT_EQ(Export(folder, "MWTRN"), fixed);

  // One Entry Number's changes: the fix, its undo and the undo of the undo.
  const std::size_t at = history.out.find("  MWTRN Entry Number ") + 21;
  const std::string entry = history.out.substr(at, history.out.find(',', at) - at);
  const test::ProgramRun one = Tool({"history", folder, "--entry", entry});
  EXPECT_EQ(one.status, 0);
  std::size_t rows = 0;
  for (std::size_t p = one.out.find("  MWTRN Entry Number "); p != std::string::npos;
       p = one.out.find("  MWTRN Entry Number ", p + 1)) {
    EXPECT_EQ(one.out.compare(p + 21, entry.size() + 1, entry + ","), 0) << one.out;
    ++rows;
  }
  EXPECT_EQ(rows, 3u) << one.out;
}

TEST_F(Undo, UsageAndRefusalsAreClear) {
  const std::string folder = (dir_.Path() / "p").string();
  ASSERT_EQ(Tool({"create", folder}).status, 0);
  MoveWhenOnServer(folder);
  EXPECT_EQ(Tool({"undo", folder}).status, 2);
  EXPECT_TRUE(Has(Tool({"undo", folder}).out, "expects --run N"));
  EXPECT_EQ(Tool({"history", folder, "--run", "x"}).status, 2);
  const test::ProgramRun none = Tool({"undo", folder, "--run", "7"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(Has(none.out, "the history holds no run 7")) << none.out;
  EXPECT_EQ(Tool({"history", folder}).out, "No changes recorded.\n");
  const test::ProgramRun version = Tool({"--version"});
  EXPECT_EQ(version.out, "ledgerwick-practice " LEDGERWICK_VERSION "\n");
}

}  // namespace
}  // namespace lw::check
