#include "tools/check/CheckCommand.h"

#include <atomic>
#include <cstdio>

#include "common/ErrorDisplayText.h"
#include "common/Exceptions.h"
#include "common/SettingsStore.h"
#include "reconcile/SearchRun.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/ConsoleProgress.h"

namespace lw::check {

namespace {

std::atomic<bool> stopRequested{false};

// The report goes straight to stdout, line by line; unlike the window's report area it has no
// 64K limit, so a check of a whole practice lists every discrepancy.
class StreamReport : public ReportSink {
 public:
  explicit StreamReport(std::FILE* out) : out_(out) {}
  void ClearReport() override {}
  void AppendReportLine(const std::string& line) override {
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fputc('\n', out_);
  }

 private:
  std::FILE* out_;
};

class CommandLineFolder : public FolderChooser {
 public:
  explicit CommandLineFolder(const CheckOptions& options) : options_(options) {}
  std::string ReadCurrentPractice() override {
    if (options_.folder) return *options_.folder;
    std::string folder = lw::ReadCurrentPractice();
    if (folder.empty()) {
      throw Exception("No current practice is recorded in " + SettingsStorePath() +
                      "; name the practice folder with --folder DIR");
    }
    return folder;
  }
  bool Execute(std::string&) override { return true; }  // no dialog: the folder stands

 private:
  const CheckOptions& options_;
};

class SignalPump : public MessagePump {
 public:
  void Pump() override {}
  bool QuitRequested() const override { return stopRequested.load(std::memory_order_relaxed); }
};

struct NoButton : SearchButton {
  void SetEnabled(bool) override {}
};

struct FixedChart : ChartBox {
  explicit FixedChart(std::string text) : text_(std::move(text)) {}
  std::string Text() const override { return text_; }
  std::string text_;
};

struct FixedFlag : FixFlag {
  explicit FixedFlag(bool set) : set_(set) {}
  bool IsSet() const override { return set_; }
  bool set_;
};

}  // namespace

void RequestStop() { stopRequested.store(true, std::memory_order_relaxed); }

int RunCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal) {
  CheckOptions options;
  try {
    options = ParseCheckOptions(arguments);
  } catch (const Exception& e) {
    std::fprintf(err, "ledgerwick-check: %s\n%s", e.Message().c_str(), kCheckUsage);
    return kError;
  }
  if (options.help) {
    std::fputs(kCheckUsage, out);
    return kNoDiscrepancy;
  }
  if (options.chart != options.chartAsGiven) {
    std::fprintf(err, "ledgerwick-check: chart number \"%s\" used as \"%s\" (upper case, at most 8 characters)\n",
                 options.chartAsGiven.c_str(), options.chart.c_str());
  }

  ConsoleProgress progress(err, errIsTerminal);
  try {
    PracticeComponents components(nullptr);
    StreamReport report(out);
    CommandLineFolder folder(options);
    SignalPump pump;
    NoButton button;
    FixedChart chart(options.chart);
    FixedFlag fix(options.fix);
    SearchFrontEnd frontEnd{button, folder, report, pump, chart, progress, fix};
    const SearchOutcome outcome = RunSearch(components, frontEnd);
    std::fflush(out);
    progress.Finish();
    std::fprintf(err, "%s rows checked, %s discrepancies, %s rows fixed in %.1f s\n",
                 GroupThousands(outcome.rowsChecked).c_str(), GroupThousands(outcome.discrepancies).c_str(),
                 GroupThousands(outcome.rowsFixed).c_str(), progress.Elapsed());
    if (outcome.stopped) {
      std::fprintf(err, "ledgerwick-check: interrupted; the rows after the last one checked were not checked\n");
      return kInterrupted;
    }
    return outcome.discrepancies > 0 ? kDiscrepancies : kNoDiscrepancy;
  } catch (const EAbort&) {
    std::fflush(out);
    progress.Finish();
    return kError;
  } catch (const std::exception& e) {
    std::fflush(out);
    progress.Finish();
    std::fprintf(err, "%s\n", ErrorDisplayText(e.what()).c_str());
    return kError;
  }
}

}  // namespace lw::check
