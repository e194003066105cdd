#pragma once
// The search run without a window, on whichever engine is installed: its report lines, outcome,
// and the time from the first row on (after connecting and opening the query).

#include <chrono>
#include <string>
#include <vector>

#include "data/PracticeComponents.h"
#include "reconcile/SearchRun.h"

namespace lw::bench {

struct HeadlessRun {
  std::vector<std::string> lines;
  SearchOutcome outcome;
  double afterConnectSeconds = 0;
};

inline HeadlessRun SearchHeadless(const std::string& folder, const std::string& chartText) {
  using Clock = std::chrono::steady_clock;
  struct Lines : ReportSink {
    void ClearReport() override { lines.clear(); }
    void AppendReportLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
  } report;
  struct Progress : ProgressPort {
    double Position() const override { return position; }
    void SetPosition(double p) override { position = p; }
    void SetMaximum(double) override {}
    double position = 0;
  } progress;
  struct Folder : FolderChooser {
    std::string folder;
    std::string ReadCurrentPractice() override { return folder; }
    bool Execute(std::string&) override { return true; }
  } chooser;
  chooser.folder = folder;
  struct RowPump : MessagePump {
    void Pump() override {
      if (++pumps == 2) firstRow = Clock::now();  // the query and the tables are open by now
    }
    int pumps = 0;
    Clock::time_point firstRow;
  } pump;
  struct Button : SearchButton {
    void SetEnabled(bool) override {}
  } button;
  struct Chart : ChartBox {
    std::string text;
    std::string Text() const override { return text; }
  } chart;
  chart.text = chartText;
  struct NoFix : FixFlag {
    bool IsSet() const override { return false; }
  } fix;
  PracticeComponents components(nullptr);
  SearchFrontEnd frontEnd{button, chooser, report, pump, chart, progress, fix};
  HeadlessRun run;
  run.outcome = RunSearch(components, frontEnd);
  const auto end = Clock::now();
  if (pump.pumps >= 2) run.afterConnectSeconds = std::chrono::duration<double>(end - pump.firstRow).count();
  run.lines = std::move(report.lines);
  return run;
}

}  // namespace lw::bench
