#pragma once
// The data-layer tests: the shared practice fixture with a handful of known rows, the engine
// installed behind a tracing decorator, and the window's data components.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/PracticeComponents.h"
#include "data/ace/AceApi.h"
#include "data/ace/AceProvider.h"
#include "tests/support/PracticeFixture.h"
#include "tests/support/TestEngine.h"
#include "tests/support/ace/TracingAce.h"

namespace lw::test {

// Loads the known rows into a new dictionary file, by "Entry Number":
//   1 AAA charge "A", 2000-01-01, Ins 1 paid 19.99, applications from 2 (I/1, 50), 6 (S, 10),
//     99 (no such row, 5)
//   2 AAA payment "I" who "1";  3 BBB charge "B" without applications;  4 DDD payment "J" "G"
//   5 CCC without a transaction type (never selected);  6 AAA adjustment "S"
//   7 AAA charge "A" with NULL date and amounts; applications from 4 (20) and NULL (1)
void LoadKnownRows(const std::string& dictionary);
inline constexpr int kRowsWithType = 6;

// Runs `sql` beside the engine: with plain SQLite on the dictionary file, or on the practice's
// server when the suite runs on the test cluster, so it must be SQL both understand (rowid names
// the record number; numbers print differently). Returns the first column of every row as text
// (NULL as "NULL").
std::vector<std::string> PracticeColumn(const std::string& dictionary, const std::string& sql);

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates the practice (once) and returns its connect path "<folder>/MWDDF.ADD". Its rows are
  // the known ones unless the options fill it otherwise; on the suite's server run it is kept
  // on the test cluster.
  std::string Practice(PracticeOptions options = {});
  // The practice's folder. REQUIRES: Practice() was called.
  std::string Folder() const { return practice_->Folder(); }
  // The window's components on the installed engine.
  PracticeComponents& Components();

  std::unique_ptr<PracticeFixture> practice_;
  std::string dictionary_;
  std::unique_ptr<ace::AceApi> engine_;
  std::unique_ptr<ace::TracingAce> trace_;
  std::unique_ptr<ace::ScopedAce> installed_;
  ComponentOwner owner_{"frmMain"};
  std::unique_ptr<PracticeComponents> components_;
};

// Asserts that `statement` raises an lw::Exception whose class name and message are as given.
#define EXPECT_LW_ERROR(statement, className, message)   \
  do {                                                   \
    try {                                                \
      statement;                                         \
      ADD_FAILURE() << "no error from " #statement;      \
    } catch (const ::lw::Exception& error_) {            \
      EXPECT_STREQ(error_.ClassName(), className);       \
      EXPECT_EQ(error_.Message(), std::string(message)); \
    }                                                    \
  } while (0)

}  // namespace lw::test
