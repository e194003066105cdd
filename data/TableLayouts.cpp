#include "data/TableLayouts.h"

#include "common/Utf8.h"

namespace lw {

namespace {
namespace C = ace::ColumnType;
}  // namespace

const ColumnLayout* TableLayout::FindColumn(std::string_view columnName) const {
  for (const auto& column : columns) {
    if (EqualsIgnoringCase(column.name, columnName)) {
      return &column;
    }
  }
  return nullptr;
}

// The layouts are tables: one column a line.
// clang-format off
const TableLayout& MwtrnLayout() {
  static const TableLayout layout{
      "MWTRN",
      {
      {"Chart Number", FieldType::ftString, 8, C::kString, 8},
      {"Case Number", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Entry Number", FieldType::ftAutoInc, 0, C::kAutoInc, 4},
      {"Claim Number", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Date From", FieldType::ftDate, 0, C::kDate, 4},
      {"Date To", FieldType::ftDate, 0, C::kDate, 4},
      {"Document Number", FieldType::ftString, 10, C::kString, 10},
      {"Description", FieldType::ftString, 30, C::kString, 30},
      {"Attending Provider", FieldType::ftString, 5, C::kString, 5},
      {"Procedure Code", FieldType::ftString, 10, C::kString, 10},
      {"Transaction Type", FieldType::ftString, 1, C::kString, 1},
      {"Insurance Category", FieldType::ftString, 1, C::kString, 1},
      {"Modifier 1", FieldType::ftString, 2, C::kString, 2},
      {"Modifier 2", FieldType::ftString, 2, C::kString, 2},
      {"Modifier 3", FieldType::ftString, 2, C::kString, 2},
      {"Modifier 4", FieldType::ftString, 2, C::kString, 2},
      {"Place of Service", FieldType::ftString, 2, C::kString, 2},
      {"Type of Service", FieldType::ftString, 3, C::kString, 3},
      {"Visit Number", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Visit Total in Series", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Visit Series ID", FieldType::ftString, 1, C::kString, 1},
      {"Units", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Minutes", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Amount", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Price Indicator", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis 1", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis 2", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis 3", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis 4", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Claim Item Rejected", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Accept Assignment 1", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Accept Assignment 2", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Accept Assignment 3", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Date Created", FieldType::ftDate, 0, C::kDate, 4},
      {"Date of First Statement", FieldType::ftDate, 0, C::kDate, 4},
      {"Date of Second Statement", FieldType::ftDate, 0, C::kDate, 4},
      {"Date of Last Statement", FieldType::ftDate, 0, C::kDate, 4},
      {"Billed to Insured 1", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Billed to Insured 2", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Billed to Insured 3", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Guarantor Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 1 Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 2 Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 3 Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Guarantor Amount Paid", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Insurance 1 Amount Paid", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Insurance 2 Amount Paid", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Insurance 3 Amount Paid", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Guarantor Responsible", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 1 Responsible", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 2 Responsible", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Insurance 3 Responsible", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Who Paid", FieldType::ftString, 1, C::kString, 1},
      {"Documentation Type", FieldType::ftString, 1, C::kString, 1},
      {"Documentation", FieldType::ftMemo, 1, C::kMemo, 9},
      {"Attorney Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Attorney Amount Paid", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Attorney Responsible", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Adjustment Amount", FieldType::ftFloat, 0, C::kDouble, 8},
      {"User Code", FieldType::ftString, 10, C::kString, 10},
      {"Allowed Amount", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Diagnosis Code 1", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis Code 2", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis Code 3", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis Code 4", FieldType::ftString, 10, C::kString, 10},
      {"CC Entry Number", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Tooth Number", FieldType::ftString, 2, C::kString, 2},
      {"Tooth Surface", FieldType::ftString, 10, C::kString, 10},
      {"Mouth Quadrant", FieldType::ftString, 12, C::kString, 12},
      {"Deposit ID", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Check Number", FieldType::ftString, 15, C::kString, 15},
      {"Unapplied Amount", FieldType::ftCurrency, 0, C::kCurDouble, 8},
      {"Date Modified", FieldType::ftDateTime, 0, C::kTimestamp, 8},
      {"Facility", FieldType::ftString, 5, C::kString, 5},
      {"Procedure Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis 1 Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis 2 Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis 3 Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis 4 Description", FieldType::ftString, 40, C::kString, 40},
      {"Statement Number", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Claim Rejection Code", FieldType::ftString, 6, C::kString, 6},
      {"Copay_Status_Code", FieldType::ftString, 1, C::kString, 1},
      {"Quantity_Qualifier", FieldType::ftString, 2, C::kString, 2},
      {"Quantity", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Copayment_Required", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Copayment_Paid", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Copayment_Expected_Amount", FieldType::ftBCD, 4, C::kMoney, 8},
      {"Copayment_Amount_Paid", FieldType::ftBCD, 4, C::kMoney, 8},
      {"Primary_RunID", FieldType::ftString, 38, C::kString, 38},
      {"Secondary_RunID", FieldType::ftString, 38, C::kString, 38},
      {"Tertiary_RunID", FieldType::ftString, 38, C::kString, 38},
      {"Principal_Procedure", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis_Code5", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis_Code6", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis_Code7", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis_Code8", FieldType::ftString, 10, C::kString, 10},
      {"Diagnosis_5", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis_6", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis_7", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Diagnosis_8", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"UB04_Box49", FieldType::ftString, 2, C::kString, 2},
      {"Diagnosis_5_Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis_6_Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis_7_Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis_8_Description", FieldType::ftString, 40, C::kString, 40},
      {"Diagnosis_Code1_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code2_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code3_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code4_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code5_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code6_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code7_POA", FieldType::ftString, 1, C::kString, 1},
      {"Diagnosis_Code8_POA", FieldType::ftString, 1, C::kString, 1},
      {"Primary_UB_Not_Covered", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Secondary_UB_Not_Covered", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Tertiary_UB_Not_Covered", FieldType::ftBoolean, 0, C::kLogical, 1},
      {"Revenue_Code", FieldType::ftString, 10, C::kString, 10},
      {"NDCCode", FieldType::ftString, 48, C::kString, 48},
      {"NDCUnitPrice", FieldType::ftBCD, 4, C::kMoney, 8},
      {"NDCUnitCount", FieldType::ftFloat, 0, C::kDouble, 8},
      {"NDCUnitMeasurement", FieldType::ftString, 2, C::kString, 2},
      {"NDCPrescriptionNumber", FieldType::ftString, 30, C::kString, 30},
      },
      {
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
      {"IDXUBGROUP", "CLAIM NUMBER;REVENUE_CODE;PROCEDURE CODE;MODIFIER 1;MODIFIER 2;MODIFIER 3;MODIFIER 4;DATE FROM", false},
      }};
  return layout;
}

const TableLayout& MwpaxLayout() {
  static const TableLayout layout{
      "MWPAX",
      {
      {"Payment Reference", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Charge Reference", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Payment Amount", FieldType::ftFloat, 0, C::kDouble, 8},
      {"Who Paid", FieldType::ftString, 1, C::kString, 1},
      {"Deposit ID", FieldType::ftInteger, 0, C::kInteger, 4},
      {"Date Modified", FieldType::ftDateTime, 0, C::kTimestamp, 8},
      },
      {
      {"PRIMARY", "PAYMENT REFERENCE;CHARGE REFERENCE", true},
      {"IDXCHARGEREFERENCE", "CHARGE REFERENCE", false},
      {"IDXDEPOSITID", "DEPOSIT ID", false},
      {"IDXPAYMENTREFERENCE", "PAYMENT REFERENCE", false},
      }};
  return layout;
}

// clang-format on

}  // namespace lw
