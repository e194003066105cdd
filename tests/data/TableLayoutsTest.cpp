#include "data/TableLayouts.h"

#include <gtest/gtest.h>

#include <set>
#include <strings.h>

namespace lw {
namespace {

TEST(TableLayouts, MwtrnHasTheStoredColumnsAndIndexes) {
  const TableLayout& trn = MwtrnLayout();
  ASSERT_EQ(trn.columns.size(), 122u);
  ASSERT_EQ(trn.indexes.size(), 24u);
  EXPECT_EQ(trn.columns[0].name, "Chart Number");
  EXPECT_EQ(trn.columns[2].name, "Entry Number");
  EXPECT_EQ(trn.columns[2].fieldType, FieldType::ftAutoInc);
  EXPECT_EQ(trn.columns[54].name, "Documentation");
  EXPECT_EQ(trn.columns[54].fieldType, FieldType::ftMemo);
  EXPECT_EQ(trn.columns[71].fieldType, FieldType::ftCurrency);
  EXPECT_EQ(trn.columns[86].name, "Copayment_Expected_Amount");
  EXPECT_EQ(trn.columns[86].fieldType, FieldType::ftBCD);
  EXPECT_EQ(trn.columns[121].name, "NDCPrescriptionNumber");
  EXPECT_EQ(trn.columns[121].size, 30);
  // The index named after entry numbers keys on CC ENTRY NUMBER; the real one is IDXENTRYNUMBER.
  EXPECT_EQ(trn.indexes[0].name, "IDXENTRY NUMBER");
  EXPECT_EQ(trn.indexes[0].keyColumns, "CC ENTRY NUMBER");
  EXPECT_EQ(trn.indexes[7].name, "IDXENTRYNUMBER");
  EXPECT_EQ(trn.indexes[7].keyColumns, "ENTRY NUMBER");
  EXPECT_TRUE(trn.indexes[8].unique);
  EXPECT_TRUE(trn.indexes[22].unique);
  EXPECT_EQ(trn.indexes[23].keyColumns,
            "CLAIM NUMBER;REVENUE_CODE;PROCEDURE CODE;MODIFIER 1;MODIFIER 2;MODIFIER 3;MODIFIER 4;DATE FROM");
}

TEST(TableLayouts, EveryIndexKeyNamesAColumnAndTypesAgreeWithTheirCodes) {
  for (const TableLayout* layout : {&MwtrnLayout(), &MwpaxLayout()}) {
    std::set<std::string> names;
    for (const auto& column : layout->columns) {
      EXPECT_TRUE(names.insert(column.name).second) << column.name;
      const auto mapped = FieldTypeFromColumnType(column.typeCode, column.length, 0);
      ASSERT_TRUE(mapped.has_value()) << column.name;
      EXPECT_EQ(mapped->type, column.fieldType) << column.name;
    }
    for (const auto& index : layout->indexes) {
      std::string keys = index.keyColumns;
      std::size_t start = 0;
      while (start <= keys.size()) {
        const std::size_t end = std::min(keys.find(';', start), keys.size());
        const std::string key = keys.substr(start, end - start);
        EXPECT_NE(layout->FindColumn(key), nullptr) << index.name << ": " << key;
        start = end + 1;
      }
    }
  }
}

TEST(TableLayouts, MwpaxHasTheStoredColumnsAndIndexes) {
  const TableLayout& pax = MwpaxLayout();
  ASSERT_EQ(pax.columns.size(), 6u);
  ASSERT_EQ(pax.indexes.size(), 4u);
  EXPECT_EQ(pax.columns[2].name, "Payment Amount");
  EXPECT_EQ(pax.columns[2].fieldType, FieldType::ftFloat);
  EXPECT_EQ(pax.indexes[0].keyColumns, "PAYMENT REFERENCE;CHARGE REFERENCE");
  EXPECT_TRUE(pax.indexes[0].unique);
  EXPECT_EQ(pax.indexes[1].name, "IDXCHARGEREFERENCE");
  EXPECT_NE(pax.FindColumn("charge reference"), nullptr);
  EXPECT_EQ(pax.FindColumn("Charge"), nullptr);
}

TEST(FieldTypes, MapsEveryEngineCode) {
  const std::pair<std::uint16_t, FieldType> cases[] = {
      {4, FieldType::ftString},   {20, FieldType::ftString},   {11, FieldType::ftInteger},
      {15, FieldType::ftAutoInc}, {12, FieldType::ftSmallint}, {10, FieldType::ftFloat},
      {17, FieldType::ftCurrency}, {18, FieldType::ftBCD},     {3, FieldType::ftDate},
      {9, FieldType::ftDate},     {13, FieldType::ftTime},     {14, FieldType::ftDateTime},
      {1, FieldType::ftBoolean},  {5, FieldType::ftMemo},      {8, FieldType::ftMemo},
      {6, FieldType::ftBlob},     {7, FieldType::ftBlob},      {16, FieldType::ftBytes},
  };
  for (const auto& [code, type] : cases) {
    const auto mapped = FieldTypeFromColumnType(code, 10, 0);
    ASSERT_TRUE(mapped.has_value()) << code;
    EXPECT_EQ(mapped->type, type) << code;
  }
  EXPECT_EQ(FieldTypeFromColumnType(4, 38, 0)->size, 38);
  EXPECT_EQ(FieldTypeFromColumnType(18, 8, 0)->precision, 20);
}

TEST(FieldTypes, NumericIsSmallintOnlyWithoutDecimalsAndAtMostFourLong) {
  EXPECT_EQ(FieldTypeFromColumnType(2, 4, 0)->type, FieldType::ftSmallint);
  EXPECT_EQ(FieldTypeFromColumnType(2, 5, 0)->type, FieldType::ftFloat);
  EXPECT_EQ(FieldTypeFromColumnType(2, 4, 1)->type, FieldType::ftFloat);
}

TEST(FieldTypes, UnknownCodesAreRefused) {
  for (std::uint16_t code : {0, 19, 21, 99}) EXPECT_FALSE(FieldTypeFromColumnType(code, 4, 0).has_value());
  EXPECT_EQ(UnknownFieldTypeMessage(19), "Unknown field type (19) encountered.");
}

}  // namespace
}  // namespace lw
