#include "tools/check/CheckCommand.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>

#include "common/ErrorDisplayText.h"
#include "common/Exceptions.h"
#include "common/Path.h"
#include "common/RegionalSettings.h"
#include "common/RegistryHive.h"
#include "common/SettingsStore.h"
#include "common/ShellWord.h"
#include "common/Utf8.h"
#include "data/AdsErrors.h"
#include "data/Fields.h"
#include "data/ace/AceErrors.h"
#include "reconcile/SearchRun.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/ConsoleProgress.h"
#include "tools/check/Findings.h"
#include "tools/check/Interrupts.h"
#include "tools/check/Output.h"

namespace lw::check {

namespace {

// The report goes to stdout through the findings writer; unlike the window's report area it
// has no 64K limit, so a check of a whole practice lists every discrepancy.
class StreamReport : public ReportSink {
 public:
  StreamReport(FindingsWriter& writer, ConsoleProgress& progress) : writer_(writer), progress_(progress) {}
  void ClearReport() override {}
  void AppendReportLine(const std::string& line) override {
    const ConsoleProgress::Hidden bar(progress_);
    // Ill-formed UTF-8 read from the practice is shown as U+FFFD, as the window shows it.
    writer_.ReportLine(Utf8ForDisplay(line));
  }

 private:
  FindingsWriter& writer_;
  ConsoleProgress& progress_;
};

class CommandLineFolder : public FolderChooser {
 public:
  explicit CommandLineFolder(const CheckOptions& options) : options_(options) {}
  std::string ReadCurrentPractice() override {
    if (options_.folder) return *options_.folder;
    std::string folder = lw::ReadCurrentPractice();
    if (folder.empty()) {
      // The lookup takes a store it cannot read for an empty one; the user should learn why.
      const std::string store = SettingsStorePath();
      std::string bytes;
      const int error = ReadWholeFile(store, bytes);
      const std::string unreadable = error == 0 || error == ENOENT || error == ENOTDIR
                                         ? ""
                                         : " (it cannot be read: " + ReadFailureText(error) + ")";
      throw Exception("No current practice is recorded in " + store + unreadable +
                      "; name the practice folder with --folder DIR");
    }
    return folder;
  }
  bool Execute(std::string& folder) override {
    chosen = folder;
    return true;  // no dialog: the folder stands
  }
  std::string chosen;

 private:
  const CheckOptions& options_;
};

class SignalPump : public MessagePump {
 public:
  void Pump() override {}
  bool QuitRequested() const override { return StopSignal() != 0; }
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

std::string RowName(const FailedRow& row) {
  if (!row.known) return "a row that could not be read";
  return "Entry Number " + std::to_string(row.entryNumber) + ", chart " +
         (row.chartNumber.empty() ? "(none)" : row.chartNumber);
}

bool IsLockRefusal(const std::exception& error) {
  const auto* database = dynamic_cast<const EADSDatabaseError*>(&error);
  return database != nullptr && database->AceCode == ace::kRecordLocked;
}

// Keeps the counts, writes each finding, marks the rows in which a signal must wait, and
// decides about rows that fail.
class CheckRows : public RowObserver {
 public:
  CheckRows(RunCounts& counts, FindingsWriter& writer, ConsoleProgress& progress, bool skipLocked, std::FILE* err)
      : counts_(counts), writer_(writer), progress_(progress), skipLocked_(skipLocked), err_(err) {}

  void RowStarting() override { SetInsideRow(true); }
  void RowChecked(const ChargeCheck& check) override {
    counts_.checked.fetch_add(1, std::memory_order_relaxed);
    if (check.discrepancy) counts_.discrepancies.fetch_add(1, std::memory_order_relaxed);
    if (check.fixed) counts_.fixed.fetch_add(1, std::memory_order_relaxed);
    if (check.discrepancy) {
      try {
        const ConsoleProgress::Hidden bar(progress_);
        writer_.RowChecked(check);
      } catch (...) {
        failedRow = FailedRow{true, check.finding.entryNumber, check.finding.chartNumber};
        SetInsideRow(false);
        throw;
      }
    }
    SetInsideRow(false);
  }
  bool RowFailed(const FailedRow& row, const std::exception& error) override {
    SetInsideRow(false);
    if (skipLocked_ && IsLockRefusal(error)) {
      counts_.skipped.fetch_add(1, std::memory_order_relaxed);
      const ConsoleProgress::Hidden bar(progress_);
      std::fprintf(err_, "ledgerwick-check: skipped %s: %s\n", RowName(row).c_str(),
                   ErrorDisplayText(error.what()).c_str());
      return true;
    }
    failedRow = row;
    return false;
  }

  std::optional<FailedRow> failedRow;  // the row the run ended in, if it ended in one

 private:
  RunCounts& counts_;
  FindingsWriter& writer_;
  ConsoleProgress& progress_;
  bool skipLocked_;
  std::FILE* err_;
};

// After a chart selected no row: a stored chart that equals it when case and trailing blanks
// are ignored, if there is one (the chart box upper-cases, so a lower-case chart is never
// selected). Empty when there is none or the look-up fails.
std::string SimilarStoredChart(PracticeComponents& components, const std::string& chart) {
  std::string wanted;
  for (char c : chart.substr(0, chart.find_last_not_of(' ') + 1)) {
    wanted.push_back(c);
    if (c == '\'') wanted.push_back('\'');
  }
  try {
    // A query of its own on the run's connection: qryChg is the master of the table cursors.
    TAdsQuery query("qryChart", nullptr);
    query.SetDatabaseName("AdsConnection1");
    query.SetSQL({"Select Distinct \"Chart Number\" From MWTRN",
                  "Where Upper(RTrim(\"Chart Number\")) = Upper('" + wanted + "')"});
    query.Open();
    query.MoveFirst();
    if (query.AtEnd()) return {};
    return query.FieldByName("Chart Number").AsString();
  } catch (const std::exception&) {
    return {};
  }
}

// A fix needs write access: say so before the run rather than at the first discrepancy.
void RequireWritablePractice(const std::string& folder) {
  const std::string dictionary = JoinPath(folder, "MWDDF.ADD");
  if (::access(dictionary.c_str(), F_OK) != 0) return;  // the run reports a missing dictionary
  if (::access(dictionary.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0) {
    throw Exception("The practice in " + folder +
                    " is read-only (no write access to its folder or MWDDF.ADD); it can be checked, but --fix "
                    "cannot rewrite it");
  }
}

void PrintSummary(std::FILE* err, const RunCounts& counts, double seconds) {
  char summary[256];
  FormatSummary(counts, summary, sizeof summary);
  std::fprintf(err, "%s in %.1f s\n", summary, seconds);
}

// After a run that rewrote rows: the run number the practice's history keeps them under.
void PrintUndoHint(std::FILE* err, const RunCounts& counts, PracticeComponents* components, const std::string& folder) {
  if (counts.fixed.load() == 0 || components == nullptr) return;
  try {
    const std::uint32_t run = components->AdsConnection1.RunNumber();
    if (run == 0) return;
    std::fprintf(err, "The rewritten rows are recorded as run %u; undo with: ledgerwick-practice undo %s --run %u\n",
                 run, ShellQuoted(folder).c_str(), run);
  } catch (const std::exception&) {
    // The summary stands without the hint.
  }
}

}  // namespace

int RunCheckCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal,
                    RunCounts& counts) {
  CheckOptions options;
  try {
    options = ParseCheckOptions(arguments);
  } catch (const Exception& e) {
    std::fprintf(err, "ledgerwick-check: %s\n%s", e.Message().c_str(), kCheckUsage);
    return kError;
  }
  if (options.help || options.version) {
    std::fputs(options.help ? kCheckUsage : "ledgerwick-check " LEDGERWICK_VERSION "\n", out);
    return std::fflush(out) == 0 ? kNoDiscrepancy : kError;
  }
  if (options.chart != options.chartAsGiven) {
    std::fprintf(err, "ledgerwick-check: chart number \"%s\" used as \"%s\" (upper case, at most 8 bytes)\n",
                 options.chartAsGiven.c_str(), options.chart.c_str());
  }
  // The report line takes the locale's separators, as the window reads them.
  SetCurrentRegionalSettings(ReadRegionalSettings());

  ConsoleProgress progress(err, errIsTerminal);
  Output output(out);
  const std::unique_ptr<FindingsWriter> writer =
      MakeFindingsWriter(options.format, options.detail, output, CurrentRegionalSettings());
  CheckRows rows(counts, *writer, progress, options.skipLocked, err);
  CommandLineFolder folder(options);
  int status = kError;
  std::optional<PracticeComponents> components;
  try {
    components.emplace(nullptr);
    if (options.fix) RequireWritablePractice(folder.ReadCurrentPractice());
    StreamReport report(*writer, progress);
    SignalPump pump;
    NoButton button;
    FixedChart chart(options.chart);
    FixedFlag fix(options.fix);
    SearchFrontEnd frontEnd{button, folder, report, pump, chart, progress, fix, &rows};
    const SearchOutcome outcome = RunSearch(*components, frontEnd);
    writer->Finish();
    progress.Finish();
    PrintSummary(err, counts, progress.Elapsed());
    PrintUndoHint(err, counts, &*components, folder.chosen);
    if (outcome.stopped) {
      std::fprintf(err, "ledgerwick-check: %s; the rows after the last one checked were not checked\n",
                   StopSignal() == SIGINT ? "interrupted" : "terminated");
      return InterruptedStatus(StopSignal());
    }
    if (!options.chart.empty() && outcome.rowsChecked == 0 && outcome.rowsSkipped == 0) {
      std::fprintf(err, "ledgerwick-check: no transaction row has the chart number \"%s\"\n", options.chart.c_str());
      const std::string similar = SimilarStoredChart(*components, options.chart);
      if (!similar.empty()) {
        std::fprintf(err,
                     "ledgerwick-check: the practice holds the chart number \"%s\", which differs only in case or "
                     "trailing blanks\n",
                     similar.c_str());
      }
    }
    if (outcome.rowsSkipped > 0) {
      std::fprintf(err, "ledgerwick-check: %lld locked %s skipped; check again when the other users are done\n",
                   outcome.rowsSkipped, outcome.rowsSkipped == 1 ? "row was" : "rows were");
      return kError;
    }
    status = outcome.discrepancies > 0 ? kDiscrepancies : kNoDiscrepancy;
  } catch (const std::exception& e) {
    try {
      writer->Finish();
    } catch (const std::exception&) {
      // The output already failed; that failure is reported below if it is the one that ended the run.
    }
    progress.Finish();
    PrintSummary(err, counts, progress.Elapsed());
    PrintUndoHint(err, counts, components ? &*components : nullptr, folder.chosen);
    if (rows.failedRow) std::fprintf(err, "ledgerwick-check: stopped at %s\n", RowName(*rows.failedRow).c_str());
    if (dynamic_cast<const EAbort*>(&e) == nullptr) {
      std::fprintf(err, "ledgerwick-check: %s\n", Utf8ForDisplay(ErrorDisplayText(e.what())).c_str());
    }
    return kError;
  }
  return status;
}

}  // namespace lw::check
