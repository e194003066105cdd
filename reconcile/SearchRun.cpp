#include "reconcile/SearchRun.h"

#include "common/RegionalSettings.h"
#include "reconcile/ChargeRules.h"
#include "reconcile/CursorRows.h"

namespace lw {

namespace {

constexpr std::size_t kChartLine = 5;

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
  c.AdsConnection1.SetConnectPath(folder + "\\MWDDF.ADD");

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
    const ChargeCheck check =
        CheckCharge(charge, applications, payingRow, ui.report, ui.fix, CurrentRegionalSettings());
    ++outcome.rowsChecked;
    if (check.discrepancy) ++outcome.discrepancies;
    if (check.fixed) ++outcome.rowsFixed;
  }
  return outcome;
}

}  // namespace lw
