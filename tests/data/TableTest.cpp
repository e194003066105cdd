#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "tests/data/DataFixture.h"
#include "tests/support/ScopedLocale.h"
#include "tools/practice/DemoPractice.h"

namespace lw::test {
namespace {

class TableTest : public DataTest {
 protected:
  // The search run's opens: qryChg with the chart filter, then tblChg, tblPax, tblPay.
  PracticeComponents& OpenChain(const std::string& chart = "", const PracticeOptions& options = {}) {
    PracticeComponents& c = Components();
    c.AdsConnection1.SetIsConnected(false);
    c.AdsConnection1.SetConnectPath(Practice(options));
    if (c.qryChg.SQLCount() < 6) c.qryChg.AddSQL("");
    c.qryChg.SetSQLLine(5, chart.empty() ? "" : "and \"Chart Number\" = '" + chart + "'");
    c.qryChg.Open();
    c.tblChg.Open();
    c.tblPax.Open();
    c.tblPay.Open();
    return c;
  }
  // Moves the query to the row with that Entry Number.
  void MoveQueryTo(PracticeComponents& c, int entry) {
    TField& field = c.qryChg.FieldByName("Entry Number");
    for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd(); c.qryChg.MoveNext()) {
      if (field.AsInteger() == entry) return;
    }
    FAIL() << "no query row " << entry;
  }
};

TEST_F(TableTest, ChainFollowsEveryQueryRowAsSqliteSeesIt) {
  PracticeComponents& c = OpenChain();
  TField& queryEntry = c.qryChg.FieldByName("Entry Number");
  TField& chargeEntry = c.tblChg.FieldByName("Entry Number");
  TField& paxPayment = c.tblPax.FieldByName("Payment Reference");
  TField& payEntry = c.tblPay.FieldByName("Entry Number");
  int rows = 0;
  for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd(); c.qryChg.MoveNext(), ++rows) {
    const int entry = queryEntry.AsInteger();
    EXPECT_EQ(chargeEntry.AsInteger(), entry);
    const auto expected = PracticeColumn(
        dictionary_,
        "SELECT coalesce(CAST(\"Payment Reference\" AS TEXT), 'NULL') FROM MWPAX WHERE \"Charge Reference\" = " +
            std::to_string(entry) + " ORDER BY \"Charge Reference\", rowid");
    std::vector<std::string> seen;
    for (c.tblPax.MoveFirst(); !c.tblPax.AtEnd(); c.tblPax.MoveNext()) {
      seen.push_back(paxPayment.IsNull() ? "NULL" : std::to_string(paxPayment.AsInteger()));
      const auto paying =
          PracticeColumn(dictionary_, "SELECT \"Entry Number\" FROM MWTRN WHERE \"Entry Number\" " +
                                          (paxPayment.IsNull() ? std::string("IS NULL") : "= " + seen.back()));
      if (paying.empty()) {
        EXPECT_TRUE(payEntry.IsNull()) << "application " << seen.back() << " of charge " << entry;
        EXPECT_EQ(c.tblPay.FieldByName("Transaction Type").AsString(), "");
      } else {
        EXPECT_EQ(std::to_string(payEntry.AsInteger()), paying[0]);
      }
    }
    EXPECT_EQ(seen, expected) << "charge " << entry;
  }
  EXPECT_EQ(rows, kRowsWithType);
}

TEST_F(TableTest, ChainMatchesSqliteOnAWholeDemoPractice) {
  PracticeOptions options;
  practice::DemoSummary demo;
  // Generated as an embedded practice, then moved when the suite runs on the server.
  options.fill = [&demo](const std::string& dictionary) {
    demo = practice::GenerateDemo(dictionary, {.rows = 1500, .seed = 7});
  };
  Practice(options);
  ASSERT_GT(demo.applications, 0);
  // Independently: the query rows, each charge's applications in key order, and the paying rows.
  const auto queryRows = PracticeColumn(
      dictionary_, "SELECT \"Entry Number\" FROM MWTRN WHERE \"Transaction Type\" IS NOT NULL ORDER BY rowid");
  std::map<std::string, std::vector<std::string>> applications;
  for (const std::string& line :
       PracticeColumn(dictionary_,
                      "SELECT \"Charge Reference\" || '|' || coalesce(CAST(\"Payment Reference\" AS TEXT), 'NULL') "
                      "|| '|' || coalesce(CAST(\"Payment Amount\" AS TEXT), 'NULL') FROM MWPAX "
                      "ORDER BY \"Charge Reference\", rowid")) {
    applications[line.substr(0, line.find('|'))].push_back(line.substr(line.find('|') + 1));
  }
  std::map<std::string, std::string> payingRows;
  for (const std::string& line :
       PracticeColumn(dictionary_,
                      "SELECT \"Entry Number\" || '|' || coalesce(CAST(\"Transaction Type\" AS TEXT), '') || '|' "
                      "|| coalesce(CAST(\"Who Paid\" AS TEXT), '') FROM MWTRN")) {
    payingRows[line.substr(0, line.find('|'))] = line.substr(line.find('|') + 1);
  }

  PracticeComponents& c = OpenChain();
  TField& queryEntry = c.qryChg.FieldByName("Entry Number");
  TField& chargeEntry = c.tblChg.FieldByName("Entry Number");
  TField& payment = c.tblPax.FieldByName("Payment Reference");
  TField& amount = c.tblPax.FieldByName("Payment Amount");
  TField& payEntry = c.tblPay.FieldByName("Entry Number");
  std::vector<std::string> walked;
  for (c.qryChg.MoveFirst(); !c.qryChg.AtEnd(); c.qryChg.MoveNext()) {
    const std::string entry = std::to_string(queryEntry.AsInteger());
    walked.push_back(entry);
    ASSERT_EQ(std::to_string(chargeEntry.AsInteger()), entry);
    std::vector<std::string> seen;
    for (c.tblPax.MoveFirst(); !c.tblPax.AtEnd(); c.tblPax.MoveNext()) {
      const std::string reference = payment.IsNull() ? "NULL" : std::to_string(payment.AsInteger());
      char text[64];
      std::snprintf(text, sizeof text, "%.15g", amount.AsFloat());
      seen.push_back(reference + "|" + (amount.IsNull() ? "NULL" : text));
      const auto paying = payingRows.find(reference);
      if (paying == payingRows.end()) {
        EXPECT_TRUE(payEntry.IsNull()) << "charge " << entry << " application " << reference;
      } else {
        EXPECT_EQ(std::to_string(payEntry.AsInteger()), reference);
        EXPECT_EQ(
            c.tblPay.FieldByName("Transaction Type").AsString() + "|" + c.tblPay.FieldByName("Who Paid").AsString(),
            paying->second);
      }
    }
    std::vector<std::string> expected = applications[entry];
    for (std::string& line : expected) {
      // Either kind's text of a double, in the 15 significant digits printed above.
      const auto bar = line.find('|');
      if (line.substr(bar + 1) != "NULL") {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", std::stod(line.substr(bar + 1)));
        line = line.substr(0, bar + 1) + text;
      }
    }
    EXPECT_EQ(seen, expected) << "charge " << entry;
  }
  EXPECT_EQ(walked, queryRows);
  EXPECT_EQ(c.qryChg.RowCount(), static_cast<int>(queryRows.size()));
}

TEST_F(TableTest, ChargeRowValuesReadThroughTheirConversions) {
  PracticeComponents& c = OpenChain("AAA");
  MoveQueryTo(c, 1);
  TAdsTable& charge = c.tblChg;
  EXPECT_EQ(charge.FieldByName("Chart Number").AsString(), "AAA");
  EXPECT_EQ(charge.FieldByName("chart number").AsString(), "AAA") << "names are matched without case";
  EXPECT_EQ(charge.FieldByName("Case Number").AsInteger(), 1);
  EXPECT_EQ(charge.FieldByName("Procedure Code").AsString(), "99213");
  EXPECT_EQ(charge.FieldByName("Insurance 1 Amount Paid").AsCurrency(), Currency::FromCount(199900));
  EXPECT_DOUBLE_EQ(charge.FieldByName("Insurance 1 Amount Paid").AsFloat(), 19.99);
  {
    // Values as text keep "." under a locale whose decimal separator is a comma.
    test::ScopedLocale comma(test::kCommaLocale);
    EXPECT_EQ(charge.FieldByName("Insurance 1 Amount Paid").AsString(), "19.99");
  }
  EXPECT_EQ(charge.FieldByName("Date From").AsDateTime(), 36526.0) << "1 January 2000";
  EXPECT_TRUE(charge.FieldByName("Diagnosis 1").AsBoolean());
  EXPECT_FALSE(charge.FieldByName("Guarantor Amount Paid").IsNull()) << "a stored 0 is a value";
  EXPECT_STREQ(charge.FieldByName("Entry Number").ClassName(), "TAutoIncField");
  EXPECT_STREQ(charge.FieldByName("Chart Number").ClassName(), "TAdsStringField");
  EXPECT_STREQ(charge.FieldByName("Amount").ClassName(), "TFloatField");

  // NULL reads: amounts 0, date 30 December 1899 without an error, text empty.
  MoveQueryTo(c, 7);
  EXPECT_EQ(charge.FieldByName("Entry Number").AsInteger(), 7);
  for (const char* amount : {"Insurance 1 Amount Paid", "Adjustment Amount", "Attorney Amount Paid"}) {
    EXPECT_TRUE(charge.FieldByName(amount).IsNull());
    EXPECT_EQ(charge.FieldByName(amount).AsCurrency(), Currency());
    EXPECT_EQ(charge.FieldByName(amount).AsFloat(), 0.0);
  }
  EXPECT_EQ(charge.FieldByName("Date From").AsDateTime(), 0.0);
  EXPECT_EQ(charge.FieldByName("Procedure Code").AsString(), "");
  EXPECT_TRUE(VariantIsNull(charge.FieldByName("Date From").AsVariant()));
  EXPECT_FALSE(charge.FieldByName("Diagnosis 1").AsBoolean());
}

TEST_F(TableTest, ApplicationsAndPayingRows) {
  PracticeComponents& c = OpenChain();
  MoveQueryTo(c, 1);
  TField& payment = c.tblPax.FieldByName("Payment Reference");
  TField& amount = c.tblPax.FieldByName("Payment Amount");
  std::vector<std::pair<int, std::int64_t>> seen;
  std::vector<std::string> payingTypes;
  for (c.tblPax.MoveFirst(); !c.tblPax.AtEnd(); c.tblPax.MoveNext()) {
    seen.emplace_back(payment.AsInteger(), amount.AsCurrency().Count());
    payingTypes.push_back(c.tblPay.FieldByName("Entry Number").IsNull()
                              ? "none"
                              : c.tblPay.FieldByName("Transaction Type").AsString() + "/" +
                                    c.tblPay.FieldByName("Who Paid").AsString());
  }
  EXPECT_EQ(seen, (std::vector<std::pair<int, std::int64_t>>{{2, 500000}, {6, 100000}, {99, 50000}}));
  EXPECT_EQ(payingTypes, (std::vector<std::string>{"I/1", "S/", "none"}));

  // A charge without applications: tblPax at its end at once, tblPay scoped on the NULL image.
  MoveQueryTo(c, 3);
  EXPECT_TRUE(c.tblPax.AtEnd());
  EXPECT_FALSE(c.tblPax.HasCurrentRow());
  EXPECT_TRUE(payment.IsNull());
  EXPECT_EQ(amount.AsCurrency(), Currency());
  EXPECT_TRUE(c.tblPay.FieldByName("Entry Number").IsNull());

  // A NULL Payment Reference scopes tblPay on the auto-increment NULL image: no paying row.
  MoveQueryTo(c, 7);
  c.tblPax.MoveFirst();
  c.tblPax.MoveNext();
  ASSERT_FALSE(c.tblPax.AtEnd());
  EXPECT_TRUE(payment.IsNull());
  EXPECT_TRUE(c.tblPay.FieldByName("Entry Number").IsNull());
  EXPECT_TRUE(c.tblPay.AtEnd());
}

TEST_F(TableTest, MasterMoveThatKeepsTheLinkValueMakesNoScopeCall) {
  PracticeComponents& c = OpenChain("BBB");
  ASSERT_FALSE(c.qryChg.AtEnd());
  trace_->Clear();
  c.qryChg.MoveNext();  // reaches the end: the link value stays 3
  EXPECT_TRUE(c.qryChg.AtEnd());
  // Besides the query's own read that meets the end, only the link value and the key column
  // ask the engine for the table type: no scope, no move, no re-read.
  for (const std::string& name : trace_->Names()) {
    EXPECT_TRUE(name == "AdsSkip" || name == "AdsGetNumFields" || name == "AdsAtEOF" || name == "AdsGetTableType")
        << name;
  }
  EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), 3);

  // A move to another Entry Number re-scopes tblChg, then tblPax, then tblPay.
  OpenChain();
  trace_->Clear();
  c.qryChg.MoveNext();
  const auto scopes = trace_->CallsOf("AdsSetScope");
  ASSERT_EQ(scopes.size(), 6u);
  const auto prefix = [](const ace::TracedCall& call) { return call.arguments.substr(0, call.arguments.find(',')); };
  EXPECT_EQ(prefix(scopes[0]), std::to_string(c.tblChg.ActiveIndexHandle()));
  EXPECT_EQ(prefix(scopes[2]), std::to_string(c.tblPax.ActiveIndexHandle()));
  EXPECT_EQ(prefix(scopes[4]), std::to_string(c.tblPay.ActiveIndexHandle()));
  EXPECT_NE(scopes[0].arguments.find(", 1, out, "), std::string::npos);
  EXPECT_NE(scopes[1].arguments.find(", 2, out, "), std::string::npos);
}

TEST_F(TableTest, IndexFieldNamesChooseTheIndexByItsKeyColumns) {
  EXPECT_EQ(Components().tblChg.AdsTableOptions.AdsIndexPageSize, 512);
  PracticeComponents& c = OpenChain();
  auto nameOf = [&](TAdsTable& table) {
    for (const auto& call : trace_->CallsOf("AdsGetIndexHandle")) {
      if (call.arguments.rfind(std::to_string(table.CursorHandle()) + ",", 0) == 0) return call.arguments;
    }
    return std::string();
  };
  EXPECT_NE(nameOf(c.tblChg).find("\"IDXENTRYNUMBER\""), std::string::npos);
  EXPECT_NE(nameOf(c.tblPax).find("\"IDXCHARGEREFERENCE\""), std::string::npos);
  EXPECT_EQ(c.tblChg.IndexDefs().Count(), 24u);
  EXPECT_EQ(c.tblChg.IndexDefs().Items()[0].fields, "CC ENTRY NUMBER");
  EXPECT_TRUE(c.tblChg.IndexDefs().Items()[8].unique);
  EXPECT_TRUE(c.tblChg.IndexDefs().Items()[8].primary);
  // The stored 512 is replaced by the page size the engine reports for the first index.
  ace::ADSHANDLE first = -1;
  std::uint16_t count = 1;
  std::uint32_t pageSize = 0;
  ace::Ace().AdsGetAllIndexes(c.tblChg.CursorHandle(), &first, &count);
  ASSERT_EQ(ace::Ace().AdsGetIndexPageSize(first, &pageSize), 0u);
  EXPECT_EQ(c.tblChg.AdsTableOptions.AdsIndexPageSize, pageSize);
  EXPECT_EQ(c.tblPax.AdsTableOptions.AdsIndexPageSize, pageSize);

  // Lower case chooses the same index; the rows follow it.
  c.AdsConnection1.SetIsConnected(false);
  c.tblChg.SetIndexFieldNames("  entry number ");
  EXPECT_EQ(c.tblChg.IndexFieldNames(), "entry number");
  trace_->Clear();
  OpenChain();
  EXPECT_NE(nameOf(c.tblChg).find("\"IDXENTRYNUMBER\""), std::string::npos);
  EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), c.qryChg.FieldByName("Entry Number").AsInteger());
}

TEST_F(TableTest, SecondSearchTakesAnIndexWhoseKeyBeginsWithTheColumn) {
  PracticeOptions options;
  options.adjust = [](engine::TableSpec& mwtrn, engine::TableSpec&) {
    std::erase_if(mwtrn.indexes, [](const engine::IndexSpec& index) { return index.name == "IDXENTRYNUMBER"; });
    mwtrn.indexes.push_back({"IDXENTRYDATE", "ENTRY NUMBER;DATE FROM", false, false});
  };
  PracticeComponents& c = OpenChain("", options);
  bool chosen = false;
  for (const auto& call : trace_->CallsOf("AdsGetIndexHandle")) {
    chosen |= call.arguments == std::to_string(c.tblChg.CursorHandle()) + ", \"IDXENTRYDATE\", out";
  }
  EXPECT_TRUE(chosen);
  MoveQueryTo(c, 6);
  EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), 6);
}

TEST_F(TableTest, MissingIndexFailsTheOpenAndLeavesTheCursorClosed) {
  PracticeOptions options;
  options.adjust = [](engine::TableSpec& mwtrn, engine::TableSpec&) {
    std::erase_if(mwtrn.indexes,
                  [](const engine::IndexSpec& index) { return index.keyColumns.rfind("ENTRY NUMBER", 0) == 0; });
  };
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice(options));
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  trace_->Clear();
  try {
    c.tblChg.Open();
    FAIL();
  } catch (const EADSDatabaseError& error) {
    EXPECT_EQ(error.Message(), "tblChg: Not a valid index field name:ENTRY NUMBER");
    EXPECT_EQ(error.AceCode, 5121u);
  }
  EXPECT_FALSE(c.tblChg.Active());
  EXPECT_EQ(c.tblChg.CursorHandle(), -1);
  EXPECT_EQ(trace_->CountOf("AdsOpenTable"), trace_->CountOf("AdsCloseTable")) << "the table handle is closed again";
}

TEST_F(TableTest, DefaultIndexFromTheDictionaryDecidesTheOrder) {
  PracticeOptions options;
  options.mwtrnDefaultIndex = "IDXENTRYNUMBER";
  PracticeComponents& c = OpenChain("", options);
  EXPECT_EQ(c.tblChg.IndexName(), "ADS_DEFAULT");
  EXPECT_EQ(c.tblChg.OrderMode(), TOrderMode::defaultIndex);
  EXPECT_EQ(c.tblChg.DefaultIndexName(), "IDXENTRYNUMBER");
  EXPECT_EQ(c.tblChg.IndexFieldNames(), "ENTRY NUMBER") << "the text stays but no longer decides";
  EXPECT_EQ(c.tblPay.IndexName(), "ADS_DEFAULT");
  EXPECT_EQ(c.tblPax.OrderMode(), TOrderMode::byFieldNames) << "MWPAX reports no default index (5138)";
  MoveQueryTo(c, 6);
  EXPECT_EQ(c.tblChg.FieldByName("Entry Number").AsInteger(), 6);
}

TEST_F(TableTest, LaterNoDefaultIndexAnswerEmptiesTheOrderOfASwitchedCursor) {
  TAdsTable& table = Components().tblChg;
  table.ApplyDefaultIndexAnswer(0, "IDXCHARTNUMBER");
  EXPECT_EQ(table.IndexName(), "ADS_DEFAULT");
  table.ApplyDefaultIndexAnswer(ace::kInternalError, "");
  EXPECT_EQ(table.IndexName(), "ADS_DEFAULT") << "other answers change nothing";
  table.ApplyDefaultIndexAnswer(ace::kNoDefaultIndex, "");
  EXPECT_EQ(table.IndexName(), "");
  EXPECT_EQ(table.IndexFieldNames(), "");
  EXPECT_EQ(table.OrderMode(), TOrderMode::natural);
  TAdsTable& pax = Components().tblPax;
  pax.ApplyDefaultIndexAnswer(ace::kNoDefaultIndex, "");
  EXPECT_EQ(pax.IndexFieldNames(), "CHARGE REFERENCE");
}

TEST_F(TableTest, NotInDictionaryRetriesOnceWithThePathQualifiedName) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.tblPax.SetTableName("MWPAXX");
  trace_->Clear();
  EXPECT_THROW(c.tblPax.Open(), EADSDatabaseError);
  const auto opens = trace_->CallsOf("AdsOpenTable");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_NE(opens[0].arguments.find("\"MWPAXX\", null, 0, 1, 1, 1, 0"), std::string::npos) << opens[0].arguments;
  EXPECT_NE(opens[1].arguments.find("\"" + c.AdsConnection1.DataFolder() + "/MWPAXX\", null, 3, 1, 1, 1, 0"),
            std::string::npos)
      << opens[1].arguments;

  trace_->Clear();
  trace_->FailNth("AdsOpenTable", 1, ace::kInternalError);
  c.tblPax.SetTableName("MWPAX");
  EXPECT_THROW(c.tblPax.Open(), EADSDatabaseError);
  EXPECT_EQ(trace_->CountOf("AdsOpenTable"), 1) << "other failures are not retried";
}

TEST_F(TableTest, TableRefusalsBeforeTheEngine) {
  PracticeComponents& c = Components();
  TAdsTable bare("tblBare", &owner_);
  EXPECT_LW_ERROR(bare.Open(), "EADSDatabaseError", "tblBare: Missing TableName property");
  bare.SetTableName("MWTRN");
  EXPECT_LW_ERROR(bare.Open(), "EADSDatabaseError",
                  "tblBare: One of the DatabaseName property or the AdsConnection property must have a value.");
  EXPECT_LW_ERROR(c.tblChg.FieldByName("Entry Number"), "EDatabaseError", "tblChg: Field 'Entry Number' not found");
  EXPECT_LW_ERROR(c.tblChg.RowCount(), "EDatabaseError", "tblChg: Cannot perform this operation on a closed dataset");
}

TEST_F(TableTest, MissingLinkColumnFailsWhileTheMasterOpensAndTheMasterStaysOpen) {
  PracticeComponents& c = Components();
  c.AdsConnection1.SetConnectPath(Practice());
  c.qryChg.AddSQL("");
  c.qryChg.Open();
  c.tblPax.SetMasterFields("Entry Nmbr");
  EXPECT_LW_ERROR(c.tblChg.Open(), "EDatabaseError", "tblChg: Field 'Entry Nmbr' not found");
  EXPECT_TRUE(c.tblChg.Active());
}

TEST_F(TableTest, CircularLinksAreRefused) {
  PracticeComponents& c = Components();
  EXPECT_LW_ERROR(c.tblChg.SetMasterSource(&c.dsPax), "EDatabaseError", "Circular Data Link");
  EXPECT_LW_ERROR(c.tblChg.SetMasterSource(&c.dsTblChg), "EDatabaseError", "Circular Data Link");
  EXPECT_LW_ERROR(c.dsQryChg.SetDataSet(&c.tblPay), "EDatabaseError", "Circular datalinks are not allowed");
  EXPECT_EQ(c.dsQryChg.DataSet(), &c.qryChg);
}

}  // namespace
}  // namespace lw::test
