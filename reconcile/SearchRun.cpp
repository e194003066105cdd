#include "reconcile/SearchRun.h"

#include "common/Path.h"
#include "common/RegionalSettings.h"
#include "reconcile/ChargeRules.h"
#include "reconcile/CursorRows.h"

namespace lw {

namespace {

constexpr std::size_t kChartLine = 5;
constexpr const char* kDictionaryName = "MWDDF.ADD";

// Enables the Search button when the run leaves, however it leaves.
class ButtonGuard {
 public:
  explicit ButtonGuard(SearchButton& button) : button_(button) { button_.SetEnabled(false); }
  ~ButtonGuard() { button_.SetEnabled(true); }
  ButtonGuard(const ButtonGuard&) = delete;
  ButtonGuard& operator=(const ButtonGuard&) = delete;

 private:
  SearchButton& button_;
};

// Names the query's current row for a failure report; reading may itself fail.
FailedRow CurrentRow(PracticeComponents& c) {
  FailedRow row;
  try {
    row.entryNumber = c.qryChg.FieldByName("Entry Number").AsInteger();
    row.chartNumber = c.tblChg.FieldByName("Chart Number").AsString();
    row.known = true;
  } catch (...) {
    // The failure being reported is what matters.
  }
  return row;
}

}  // namespace

std::string ChartFilterLine(const std::string& chart) {
  if (chart.empty()) return {};
  std::string line = "and \"Chart Number\" = '";
  for (char c : chart) {
    line.push_back(c);
    if (c == '\'') line.push_back('\'');
  }
  line.push_back('\'');
  return line;
}

SearchOutcome RunSearch(PracticeComponents& c, SearchFrontEnd& ui) {
  SearchOutcome outcome;
  ButtonGuard button(ui.button);

  std::string folder = ui.folder.ReadCurrentPractice();
  if (!ui.folder.Execute(folder)) {
    outcome.cancelled = true;
    return outcome;
  }

  c.AdsConnection1.SetIsConnected(false);
  c.AdsConnection1.SetConnectPath(JoinPath(folder, kDictionaryName));

  ui.report.ClearReport();
  ui.report.AppendReportLine(c.AdsConnection1.ConnectPath());
  ui.report.AppendReportLine("");
  ui.pump.Pump();
  if (ui.pump.QuitRequested()) {
    outcome.stopped = true;
    return outcome;
  }

  TAdsQuery& query = c.qryChg;
  if (query.SQLCount() <= kChartLine) query.AddSQL("");
  query.SetSQLLine(kChartLine, ChartFilterLine(ui.chart.Text()));

  query.Open();
  c.tblChg.Open();
  c.tblPax.Open();
  c.tblPay.Open();

  ui.progress.SetPosition(0);
  ui.progress.SetMaximum(query.RowCount());

  CursorCharge charge(c.tblChg);
  CursorWalker applications(c.tblPax);
  CursorRow payingRow(c.tblPay);

  for (query.MoveFirst(); !query.AtEnd(); query.MoveNext()) {
    ui.progress.SetPosition(ui.progress.Position() + 1);
    ui.pump.Pump();
    // Closing the window ends the run between rows: a row is never left half-fixed.
    if (ui.pump.QuitRequested()) {
      outcome.stopped = true;
      break;
    }
    ChargeCheck check;
    if (ui.rows == nullptr) {
      check = CheckCharge(charge, applications, payingRow, ui.report, ui.fix, CurrentRegionalSettings());
    } else {
      ui.rows->RowStarting();
      try {
        check = CheckCharge(charge, applications, payingRow, ui.report, ui.fix, CurrentRegionalSettings());
      } catch (const std::exception& error) {
        if (!ui.rows->RowFailed(CurrentRow(c), error)) throw;
        ++outcome.rowsSkipped;
        continue;
      }
    }
    ++outcome.rowsChecked;
    if (check.discrepancy) ++outcome.discrepancies;
    if (check.fixed) ++outcome.rowsFixed;
    if (ui.rows != nullptr) ui.rows->RowChecked(check);
  }
  return outcome;
}

}  // namespace lw
