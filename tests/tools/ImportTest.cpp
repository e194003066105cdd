// Importing CSV into a practice as its users do, through ledgerwick-practice's import (run
// in-process): what keeps the practice sound is refused with the line that is at fault, and
// nothing of the file is imported.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"
#include "tests/tools/PracticeToolRun.h"

namespace lw::test {
namespace {

using namespace std::string_literals;

class Import : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (dir_.Path() / "p").string();
    ASSERT_EQ(PracticeOutput({"create", folder_}).status, 0);
  }
  ProgramRun ImportText(const std::string& csv, const char* table = "MWTRN") {
    const std::string file = (dir_.Path() / "in.csv").string();
    std::ofstream(file, std::ios::binary) << csv;
    return RunPractice({"import", folder_, table, file});
  }
  // The lines of the table's export, counted as wc -l counts them.
  std::string Rows() {
    const std::string csv = PracticeOutput({"export", folder_, "MWTRN"}).out;
    return std::to_string(std::count(csv.begin(), csv.end(), '\n')) + "\n";
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  TempDir dir_;
  std::string folder_;
};

TEST_F(Import, AnEntryNumberIsUniqueAndFitsItsThirtyTwoBits) {
  ProgramRun run = ImportText("Entry Number,Chart Number\r\n5,A\r\n6,B\r\n5,C\r\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.out, "in.csv:4: ")) << run.out;
  EXPECT_TRUE(Has(run.out, "Entry Number 5 is already used by another row of MWTRN")) << run.out;
  EXPECT_EQ(Rows(), "1\n");  // the header only: nothing imported

  ASSERT_EQ(ImportText("Entry Number,Chart Number\n5,A\n").status, 0);
  run = ImportText("Entry Number\n7\n5\n");  // clashes with a row already in the practice
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.out, "in.csv:3: ")) << run.out;
  run = ImportText("Entry Number\n2147483648\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.out, "column \"Entry Number\": ")) << run.out;
  EXPECT_EQ(ImportText("Entry Number\n2147483647\n").status, 0);
  run = ImportText("Chart Number\nNEXT\n");  // no Entry Number is left for it
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.out, "no value below 2147483648 is left")) << run.out;
  // Any other unique key is named with its index and columns as the catalog has them.
  run = ImportText("Payment Reference,Charge Reference\n7,1\n7,2\n7,1\n", "MWPAX");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.out, "in.csv:4: ")) << run.out;
  EXPECT_TRUE(Has(run.out, "index PRIMARY of MWPAX (Payment Reference, Charge Reference)")) << run.out;
  EXPECT_FALSE(Has(run.out, "__key")) << run.out;
}

TEST_F(Import, MalformedFilesAreRefusedWithTheLineAtFault) {
  struct Case {
    std::string csv;
    std::string where;
    std::string what;
  };
  const Case cases[] = {
      {"Chart Number,Procedure Code,chart number\nA,B,C\n", "in.csv:1: ", "\"chart number\" is named twice"},
      {"Chart Number,Description\nA,x\nB,\"said \"\"hi\"\"\" later\n", "in.csv:3: ", "text after the closing quote"},
      {"Chart Number,Description\nA,\"two\nlines\"\nB,x\0y\n"s, "in.csv:4: ", "a NUL byte"},
      {"Chart Number,Description\nA,\"never closed\n", "in.csv:2: ", "a quoted field is not closed"},
      {"Chart Number,Case Number\nA," + std::string(200, '9') + "x\n", "in.csv:2: ", "(201 bytes)"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = ImportText(c.csv);
    EXPECT_EQ(run.status, 1) << c.csv;
    EXPECT_TRUE(Has(run.out, c.where + "")) << run.out;
    EXPECT_TRUE(Has(run.out, c.what)) << run.out;
    EXPECT_EQ(run.out.find("line "), std::string::npos) << "one line number per message: " << run.out;
    EXPECT_LT(run.out.size(), 400u) << run.out;
  }
  EXPECT_EQ(Rows(), "1\n");
}

TEST_F(Import, AByteOrderMarkIsAccepted) {
  const ProgramRun run = ImportText(
      "\xEF\xBB\xBF"
      "Chart Number,Procedure Code\nADAMS,99213\n");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Rows(), "2\n");
}

}  // namespace
}  // namespace lw::test
