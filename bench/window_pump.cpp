// The window's share of a search run's per-row cost: the progress bar's position update and the
// message pump that runs once per row, with the main window shown (offscreen by default).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "app/Application.h"
#include "app/MessagePump.h"
#include "app/TfrmMain.h"
#include "data/ace/AceProvider.h"
#include "engine/Engine.h"

namespace {

lw::TfrmMain* form = nullptr;

void BM_ProgressSetPosition(benchmark::State& state) {
  lw::TcxProgressBar& bar = *form->cxProgressBar1;
  bar.SetPosition(0);
  bar.SetMaximum(1e6);
  for (auto _ : state) {
    bar.SetPosition(bar.Position() >= 1e6 ? 0 : bar.Position() + 1);
    benchmark::DoNotOptimize(bar.Percent());
  }
}
BENCHMARK(BM_ProgressSetPosition);

// One row of the search loop as the window sees it: position + 1, then the pump.
void BM_RowProgressAndPump(benchmark::State& state) {
  lw::TcxProgressBar& bar = *form->cxProgressBar1;
  lw::WindowMessagePump pump;
  bar.SetPosition(0);
  bar.SetMaximum(static_cast<double>(state.max_iterations));
  for (auto _ : state) {
    bar.SetPosition(bar.Position() + 1);
    pump.Pump();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowProgressAndPump);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const auto engine = lw::engine::CreateSqliteEngine();
  lw::ace::ScopedAce installed(*engine);
  lw::TApplication application(argc, argv);
  lw::TfrmMain frmMain;
  frmMain.show();
  lw::ProcessMessages();
  form = &frmMain;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
