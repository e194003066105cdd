#include "data/PracticeComponents.h"

namespace lw {

namespace {

void ConfigureTable(TAdsTable& table, TAdsConnection& connection, const char* tableName, const char* indexFields) {
  table.Loading = true;
  table.SetAdsConnection(&connection);
  table.SetTableName(tableName);
  table.SetIndexFieldNames(indexFields);
  table.AdsTableOptions.AdsIndexPageSize = 512;  // replaced by the engine's answer at every open
}

}  // namespace

const std::vector<std::string>& StoredChargeQueryLines() {
  static const std::vector<std::string> lines{
      "Select ", " \"Entry Number\"", "From MWTRN", "Where", " Position(\"Transaction Type\" in 'ABCDEFGH') > -1 ",
  };
  return lines;
}

PracticeComponents::PracticeComponents(const ComponentOwner* owner)
    : AdsConnection1("AdsConnection1", owner),
      tblChg("tblChg", owner),
      tblPax("tblPax", owner),
      tblPay("tblPay", owner),
      dsTblChg("dsTblChg", owner),
      dsPax("dsPax", owner),
      dsQryChg("dsQryChg", owner),
      qryChg("qryChg", owner) {
  AdsConnection1.AdsServerTypes = stADS_REMOTE | stADS_LOCAL;
  AdsConnection1.LoginPrompt = false;
  AdsConnection1.Username = kPracticeUserName;
  AdsConnection1.Password = kPracticePassword;

  ConfigureTable(tblChg, AdsConnection1, "MWTRN.ADT", "ENTRY NUMBER");
  ConfigureTable(tblPax, AdsConnection1, "MWPAX", "CHARGE REFERENCE");
  ConfigureTable(tblPay, AdsConnection1, "MWTRN", "ENTRY NUMBER");
  tblChg.SetMasterSource(&dsQryChg);
  tblChg.SetMasterFields("Entry Number");
  tblPax.SetMasterSource(&dsTblChg);
  tblPax.SetMasterFields("Entry Number");
  tblPay.SetMasterSource(&dsPax);
  tblPay.SetMasterFields("Payment Reference");

  dsTblChg.SetDataSet(&tblChg);
  dsPax.SetDataSet(&tblPax);
  dsQryChg.SetDataSet(&qryChg);

  qryChg.Loading = true;
  qryChg.SetSQL(StoredChargeQueryLines());
  qryChg.SetDatabaseName("AdsConnection1");
  qryChg.AdsTableOptions.AdsScopeOptions = TAdsScopeOption::RESPECT_SCOPES_WHEN_COUNTING;
  qryChg.AdsTableOptions.AdsIndexPageSize = 512;
  qryChg.Loading = false;

  tblChg.Loading = false;
  tblPax.Loading = false;
  tblPay.Loading = false;
}

}  // namespace lw
