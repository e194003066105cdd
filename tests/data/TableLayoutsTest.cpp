#include <gtest/gtest.h>

#include <span>
#include <string>

#include "data/AdsTable.h"
#include "data/Fields.h"
#include "data/TableLayouts.h"
#include "tests/data/DataFixture.h"

namespace lw {
namespace {

// The two tables as their descriptions give them, written out here on purpose instead of being
// taken from the layouts under test: every column in table order with its field type and size
// (text length; 4 and precision 20 for money; 1 for memo; else 0), every index in list order.
struct DescribedColumn {
  const char* name;
  FieldType type;
  int size;
  int precision = 0;
};

struct DescribedIndex {
  const char* name;
  const char* keys;
  bool unique;
};

const DescribedColumn kMwtrnColumns[] = {
    {"Chart Number", FieldType::ftString, 8},
    {"Case Number", FieldType::ftInteger, 0},
    {"Entry Number", FieldType::ftAutoInc, 0},
    {"Claim Number", FieldType::ftInteger, 0},
    {"Date From", FieldType::ftDate, 0},
    {"Date To", FieldType::ftDate, 0},
    {"Document Number", FieldType::ftString, 10},
    {"Description", FieldType::ftString, 30},
    {"Attending Provider", FieldType::ftString, 5},
    {"Procedure Code", FieldType::ftString, 10},
    {"Transaction Type", FieldType::ftString, 1},
    {"Insurance Category", FieldType::ftString, 1},
    {"Modifier 1", FieldType::ftString, 2},
    {"Modifier 2", FieldType::ftString, 2},
    {"Modifier 3", FieldType::ftString, 2},
    {"Modifier 4", FieldType::ftString, 2},
    {"Place of Service", FieldType::ftString, 2},
    {"Type of Service", FieldType::ftString, 3},
    {"Visit Number", FieldType::ftFloat, 0},
    {"Visit Total in Series", FieldType::ftFloat, 0},
    {"Visit Series ID", FieldType::ftString, 1},
    {"Units", FieldType::ftFloat, 0},
    {"Minutes", FieldType::ftFloat, 0},
    {"Amount", FieldType::ftFloat, 0},
    {"Price Indicator", FieldType::ftString, 1},
    {"Diagnosis 1", FieldType::ftBoolean, 0},
    {"Diagnosis 2", FieldType::ftBoolean, 0},
    {"Diagnosis 3", FieldType::ftBoolean, 0},
    {"Diagnosis 4", FieldType::ftBoolean, 0},
    {"Claim Item Rejected", FieldType::ftBoolean, 0},
    {"Accept Assignment 1", FieldType::ftBoolean, 0},
    {"Accept Assignment 2", FieldType::ftBoolean, 0},
    {"Accept Assignment 3", FieldType::ftBoolean, 0},
    {"Date Created", FieldType::ftDate, 0},
    {"Date of First Statement", FieldType::ftDate, 0},
    {"Date of Second Statement", FieldType::ftDate, 0},
    {"Date of Last Statement", FieldType::ftDate, 0},
    {"Billed to Insured 1", FieldType::ftBoolean, 0},
    {"Billed to Insured 2", FieldType::ftBoolean, 0},
    {"Billed to Insured 3", FieldType::ftBoolean, 0},
    {"Guarantor Paid", FieldType::ftBoolean, 0},
    {"Insurance 1 Paid", FieldType::ftBoolean, 0},
    {"Insurance 2 Paid", FieldType::ftBoolean, 0},
    {"Insurance 3 Paid", FieldType::ftBoolean, 0},
    {"Guarantor Amount Paid", FieldType::ftFloat, 0},
    {"Insurance 1 Amount Paid", FieldType::ftFloat, 0},
    {"Insurance 2 Amount Paid", FieldType::ftFloat, 0},
    {"Insurance 3 Amount Paid", FieldType::ftFloat, 0},
    {"Guarantor Responsible", FieldType::ftBoolean, 0},
    {"Insurance 1 Responsible", FieldType::ftBoolean, 0},
    {"Insurance 2 Responsible", FieldType::ftBoolean, 0},
    {"Insurance 3 Responsible", FieldType::ftBoolean, 0},
    {"Who Paid", FieldType::ftString, 1},
    {"Documentation Type", FieldType::ftString, 1},
    {"Documentation", FieldType::ftMemo, 1},
    {"Attorney Paid", FieldType::ftBoolean, 0},
    {"Attorney Amount Paid", FieldType::ftFloat, 0},
    {"Attorney Responsible", FieldType::ftBoolean, 0},
    {"Adjustment Amount", FieldType::ftFloat, 0},
    {"User Code", FieldType::ftString, 10},
    {"Allowed Amount", FieldType::ftFloat, 0},
    {"Diagnosis Code 1", FieldType::ftString, 10},
    {"Diagnosis Code 2", FieldType::ftString, 10},
    {"Diagnosis Code 3", FieldType::ftString, 10},
    {"Diagnosis Code 4", FieldType::ftString, 10},
    {"CC Entry Number", FieldType::ftInteger, 0},
    {"Tooth Number", FieldType::ftString, 2},
    {"Tooth Surface", FieldType::ftString, 10},
    {"Mouth Quadrant", FieldType::ftString, 12},
    {"Deposit ID", FieldType::ftInteger, 0},
    {"Check Number", FieldType::ftString, 15},
    {"Unapplied Amount", FieldType::ftCurrency, 0},
    {"Date Modified", FieldType::ftDateTime, 0},
    {"Facility", FieldType::ftString, 5},
    {"Procedure Description", FieldType::ftString, 40},
    {"Diagnosis 1 Description", FieldType::ftString, 40},
    {"Diagnosis 2 Description", FieldType::ftString, 40},
    {"Diagnosis 3 Description", FieldType::ftString, 40},
    {"Diagnosis 4 Description", FieldType::ftString, 40},
    {"Statement Number", FieldType::ftInteger, 0},
    {"Claim Rejection Code", FieldType::ftString, 6},
    {"Copay_Status_Code", FieldType::ftString, 1},
    {"Quantity_Qualifier", FieldType::ftString, 2},
    {"Quantity", FieldType::ftInteger, 0},
    {"Copayment_Required", FieldType::ftBoolean, 0},
    {"Copayment_Paid", FieldType::ftBoolean, 0},
    {"Copayment_Expected_Amount", FieldType::ftBCD, 4, 20},
    {"Copayment_Amount_Paid", FieldType::ftBCD, 4, 20},
    {"Primary_RunID", FieldType::ftString, 38},
    {"Secondary_RunID", FieldType::ftString, 38},
    {"Tertiary_RunID", FieldType::ftString, 38},
    {"Principal_Procedure", FieldType::ftBoolean, 0},
    {"Diagnosis_Code5", FieldType::ftString, 10},
    {"Diagnosis_Code6", FieldType::ftString, 10},
    {"Diagnosis_Code7", FieldType::ftString, 10},
    {"Diagnosis_Code8", FieldType::ftString, 10},
    {"Diagnosis_5", FieldType::ftBoolean, 0},
    {"Diagnosis_6", FieldType::ftBoolean, 0},
    {"Diagnosis_7", FieldType::ftBoolean, 0},
    {"Diagnosis_8", FieldType::ftBoolean, 0},
    {"UB04_Box49", FieldType::ftString, 2},
    {"Diagnosis_5_Description", FieldType::ftString, 40},
    {"Diagnosis_6_Description", FieldType::ftString, 40},
    {"Diagnosis_7_Description", FieldType::ftString, 40},
    {"Diagnosis_8_Description", FieldType::ftString, 40},
    {"Diagnosis_Code1_POA", FieldType::ftString, 1},
    {"Diagnosis_Code2_POA", FieldType::ftString, 1},
    {"Diagnosis_Code3_POA", FieldType::ftString, 1},
    {"Diagnosis_Code4_POA", FieldType::ftString, 1},
    {"Diagnosis_Code5_POA", FieldType::ftString, 1},
    {"Diagnosis_Code6_POA", FieldType::ftString, 1},
    {"Diagnosis_Code7_POA", FieldType::ftString, 1},
    {"Diagnosis_Code8_POA", FieldType::ftString, 1},
    {"Primary_UB_Not_Covered", FieldType::ftBoolean, 0},
    {"Secondary_UB_Not_Covered", FieldType::ftBoolean, 0},
    {"Tertiary_UB_Not_Covered", FieldType::ftBoolean, 0},
    {"Revenue_Code", FieldType::ftString, 10},
    {"NDCCode", FieldType::ftString, 48},
    {"NDCUnitPrice", FieldType::ftBCD, 4, 20},
    {"NDCUnitCount", FieldType::ftFloat, 0},
    {"NDCUnitMeasurement", FieldType::ftString, 2},
    {"NDCPrescriptionNumber", FieldType::ftString, 30},
};

const DescribedIndex kMwtrnIndexes[] = {
    {"IDXENTRY NUMBER", "CC ENTRY NUMBER", false},
    {"IDXPROVIDER", "ATTENDING PROVIDER", false},
    {"IDXCASENUMBER", "CASE NUMBER", false},
    {"IDXDATECREATED", "DATE CREATED", false},
    {"IDXSTATEMENT", "STATEMENT NUMBER;DATE FROM;ENTRY NUMBER", false},
    {"IDXDEPOSITID", "DEPOSIT ID", false},
    {"IDXCHARTCASEDOC", "CHART NUMBER;CASE NUMBER;DOCUMENT NUMBER;ENTRY NUMBER;TOOTH NUMBER", false},
    {"IDXENTRYNUMBER", "ENTRY NUMBER", false},
    {"PRIMARY", "CHART NUMBER;CASE NUMBER;ENTRY NUMBER;TOOTH NUMBER", true},
    {"IDXDOCUMENT", "CHART NUMBER;DOCUMENT NUMBER;TRANSACTION TYPE", false},
    {"IDXDATECHARTTYPE", "DATE FROM;CHART NUMBER;TRANSACTION TYPE", false},
    {"IDXCHARTNUMBER", "CHART NUMBER", false},
    {"IDXCHECKNUMBER", "CHECK NUMBER", false},
    {"IDXTYPE", "TRANSACTION TYPE", false},
    {"IDXPROMODIFIERS", "PROCEDURE CODE;MODIFIER 1;MODIFIER 2;MODIFIER 3;MODIFIER 4", false},
    {"IDXCHARTDATE", "CHART NUMBER;DATE FROM", false},
    {"IDXCLAIMREJECTION", "CLAIM REJECTION CODE", false},
    {"IDXCLAIM", "CLAIM NUMBER;DATE FROM;ENTRY NUMBER", false},
    {"IDXSTATEMENTID", "STATEMENT NUMBER", false},
    {"IDXDATEMODIFIED", "DATE MODIFIED", false},
    {"IDXPROCEDURE", "PROCEDURE CODE;INSURANCE CATEGORY", false},
    {"IDXCLAIMREVENUECODE", "CLAIM NUMBER;REVENUE_CODE", false},
    {"IDXCHARTCASESERVDT", "CHART NUMBER;CASE NUMBER;DATE FROM;ENTRY NUMBER", true},
    {"IDXUBGROUP", "CLAIM NUMBER;REVENUE_CODE;PROCEDURE CODE;MODIFIER 1;MODIFIER 2;MODIFIER 3;MODIFIER 4;DATE FROM",
     false},
};

const DescribedColumn kMwpaxColumns[] = {
    {"Payment Reference", FieldType::ftInteger, 0}, {"Charge Reference", FieldType::ftInteger, 0},
    {"Payment Amount", FieldType::ftFloat, 0},      {"Who Paid", FieldType::ftString, 1},
    {"Deposit ID", FieldType::ftInteger, 0},        {"Date Modified", FieldType::ftDateTime, 0},
};

const DescribedIndex kMwpaxIndexes[] = {
    {"PRIMARY", "PAYMENT REFERENCE;CHARGE REFERENCE", true},
    {"IDXCHARGEREFERENCE", "CHARGE REFERENCE", false},
    {"IDXDEPOSITID", "DEPOSIT ID", false},
    {"IDXPAYMENTREFERENCE", "PAYMENT REFERENCE", false},
};

struct DescribedTable {
  const TableLayout& layout;
  std::span<const DescribedColumn> columns;
  std::span<const DescribedIndex> indexes;
};

DescribedTable Mwtrn() { return {MwtrnLayout(), kMwtrnColumns, kMwtrnIndexes}; }
DescribedTable Mwpax() { return {MwpaxLayout(), kMwpaxColumns, kMwpaxIndexes}; }

int FieldTypeNumber(FieldType type) { return static_cast<int>(type); }

TEST(TableLayouts, EveryColumnAndIndexIsAsDescribed) {
  for (const DescribedTable& table : {Mwtrn(), Mwpax()}) {
    const TableLayout& layout = table.layout;
    ASSERT_EQ(layout.columns.size(), table.columns.size()) << layout.name;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      const DescribedColumn& want = table.columns[i];
      const ColumnLayout& got = layout.columns[i];
      SCOPED_TRACE(layout.name + " column " + std::to_string(i + 1) + " \"" + want.name + "\"");
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(FieldTypeNumber(got.fieldType), FieldTypeNumber(want.type));
      EXPECT_EQ(got.size, want.size);
      // The engine type code a practice is created with must give the described field type.
      const auto mapped = FieldTypeFromColumnType(got.typeCode, got.length, 0);
      ASSERT_TRUE(mapped.has_value()) << "type code " << got.typeCode;
      EXPECT_EQ(FieldTypeNumber(mapped->type), FieldTypeNumber(want.type)) << "type code " << got.typeCode;
      EXPECT_EQ(mapped->size, want.size) << "type code " << got.typeCode << ", length " << got.length;
      EXPECT_EQ(mapped->precision, want.precision);
    }
    ASSERT_EQ(layout.indexes.size(), table.indexes.size()) << layout.name;
    for (std::size_t i = 0; i < table.indexes.size(); ++i) {
      const DescribedIndex& want = table.indexes[i];
      const IndexLayout& got = layout.indexes[i];
      SCOPED_TRACE(layout.name + " index " + std::to_string(i + 1) + " \"" + want.name + "\"");
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.keyColumns, want.keys);
      EXPECT_EQ(got.unique, want.unique);
    }
  }
}

TEST(TableLayouts, ColumnsAreFoundByNameWithoutRegardToCase) {
  EXPECT_EQ(MwpaxLayout().FindColumn("charge reference"), &MwpaxLayout().columns[1]);
  EXPECT_EQ(MwpaxLayout().FindColumn("Charge"), nullptr);
  EXPECT_EQ(MwtrnLayout().FindColumn("WHO PAID"), &MwtrnLayout().columns[52]);
}

// What a cursor sees of a practice created from the layouts, on either kind of practice.
class OpenedLayouts : public test::DataTest {
 protected:
  void ExpectAsDescribed(TAdsTable& table, const DescribedTable& described) {
    table.Open();
    ASSERT_TRUE(table.Active());
    ASSERT_EQ(table.Columns().size(), described.columns.size()) << table.Name();
    for (std::size_t i = 0; i < described.columns.size(); ++i) {
      const DescribedColumn& want = described.columns[i];
      const ColumnDesc& got = table.Columns()[i];
      SCOPED_TRACE(table.Name() + " column " + std::to_string(i + 1) + " \"" + want.name + "\"");
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.number, i + 1);
      EXPECT_EQ(FieldTypeNumber(got.fieldType.type), FieldTypeNumber(want.type));
      EXPECT_EQ(got.fieldType.size, want.size);
      EXPECT_EQ(got.fieldType.precision, want.precision);
      if (want.type == FieldType::ftString) {
        EXPECT_EQ(got.length, static_cast<std::uint32_t>(want.size));
      }
      EXPECT_EQ(table.Field(i).DataType(), want.type);
    }
    const auto& indexes = table.IndexDefs().Items();
    ASSERT_EQ(indexes.size(), described.indexes.size()) << table.Name();
    for (std::size_t i = 0; i < described.indexes.size(); ++i) {
      const DescribedIndex& want = described.indexes[i];
      SCOPED_TRACE(table.Name() + " index " + std::to_string(i + 1) + " \"" + want.name + "\"");
      EXPECT_EQ(indexes[i].name, want.name);
      EXPECT_EQ(indexes[i].fields, want.keys);
      EXPECT_EQ(indexes[i].unique, want.unique);
      EXPECT_FALSE(indexes[i].descending) << "no index is described as descending";
    }
  }
};

TEST_F(OpenedLayouts, TablesOpenWithEveryDescribedColumnAndIndex) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  TAdsTable transactions("tblProbeTrn", &owner_);
  transactions.SetAdsConnection(&c.AdsConnection1);
  transactions.SetTableName("MWTRN.ADT");
  ExpectAsDescribed(transactions, Mwtrn());
  TAdsTable applications("tblProbePax", &owner_);
  applications.SetAdsConnection(&c.AdsConnection1);
  applications.SetTableName("MWPAX");
  ExpectAsDescribed(applications, Mwpax());
}

TEST(FieldTypes, MapsEveryEngineCode) {
  const std::pair<std::uint16_t, FieldType> cases[] = {
      {4, FieldType::ftString},    {20, FieldType::ftString}, {11, FieldType::ftInteger},  {15, FieldType::ftAutoInc},
      {12, FieldType::ftSmallint}, {10, FieldType::ftFloat},  {17, FieldType::ftCurrency}, {18, FieldType::ftBCD},
      {3, FieldType::ftDate},      {9, FieldType::ftDate},    {13, FieldType::ftTime},     {14, FieldType::ftDateTime},
      {1, FieldType::ftBoolean},   {5, FieldType::ftMemo},    {8, FieldType::ftMemo},      {6, FieldType::ftBlob},
      {7, FieldType::ftBlob},      {16, FieldType::ftBytes},
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
  for (std::uint16_t code : {0, 19, 21, 99}) {
    EXPECT_FALSE(FieldTypeFromColumnType(code, 4, 0).has_value());
  }
  EXPECT_EQ(UnknownFieldTypeMessage(19), "Unknown field type (19) encountered.");
}

}  // namespace
}  // namespace lw
