#include <gtest/gtest.h>

#include "data/IndexDefs.h"
#include "data/TableLayouts.h"

namespace lw {
namespace {

TIndexDefs FromLayout(const TableLayout& layout) {
  TIndexDefs defs;
  for (const auto& index : layout.indexes) defs.Add({index.name, index.keyColumns, false, index.unique, false});
  return defs;
}

TEST(IndexChoice, WholeKeyMatchBeatsNamesAndLongerKeys) {
  const TIndexDefs mwtrn = FromLayout(MwtrnLayout());
  const TIndexDef* entry = mwtrn.FindForFields("ENTRY NUMBER");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->name, "IDXENTRYNUMBER");
  EXPECT_EQ(mwtrn.FindForFields("entry number"), entry) << "case is ignored";
  const TIndexDefs mwpax = FromLayout(MwpaxLayout());
  ASSERT_NE(mwpax.FindForFields("CHARGE REFERENCE"), nullptr);
  EXPECT_EQ(mwpax.FindForFields("CHARGE REFERENCE")->name, "IDXCHARGEREFERENCE");
}

TEST(IndexChoice, SecondSearchTakesAKeyThatBeginsWithTheColumns) {
  TIndexDefs defs;
  defs.Add({"IDXCC", "CC ENTRY NUMBER", false, false, false});
  defs.Add({"IDXENTRYDATE", "ENTRY NUMBER;DATE FROM", false, false, false});
  defs.Add({"IDXENTRYNUMBERX", "ENTRY NUMBERX", false, false, false});
  const TIndexDef* chosen = defs.FindForFields("ENTRY NUMBER");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->name, "IDXENTRYDATE");
  EXPECT_EQ(defs.FindForFields("DATE FROM"), nullptr) << "a key that merely contains the column does not do";
}

TEST(IndexChoice, DescendingIndexesArePassedOver) {
  TIndexDefs defs;
  defs.Add({"DOWN", "ENTRY NUMBER", true, false, false});
  EXPECT_EQ(defs.FindForFields("ENTRY NUMBER"), nullptr);
  defs.Add({"UPWITHDATE", "ENTRY NUMBER;DATE FROM", false, false, false});
  ASSERT_NE(defs.FindForFields("ENTRY NUMBER"), nullptr);
  EXPECT_EQ(defs.FindForFields("ENTRY NUMBER")->name, "UPWITHDATE");
}

TEST(IndexChoice, DuplicateNamesAreRefused) {
  TIndexDefs defs;
  EXPECT_TRUE(defs.Add({"PRIMARY", "A", false, true, true}));
  EXPECT_FALSE(defs.Add({"primary", "B", false, false, false}));
  EXPECT_EQ(defs.Count(), 1u);
}

}  // namespace
}  // namespace lw
