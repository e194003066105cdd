// The report area and its printout: appending lines to the report view, and printing long
// reports to a PDF file through PrintReport. Run with QT_QPA_PLATFORM=offscreen on a headless
// machine (set here when unset).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <cstdlib>
#include <string>

#include "app/PrintReport.h"
#include "app/Printer.h"
#include "app/RichEdit.h"
#include "common/Exceptions.h"
#include "common/RegionalSettings.h"
#include "reconcile/ChargeRules.h"

namespace {

// One PDF printer, the default, writing every job to one file.
class PdfFilePrinter final : public lw::PrinterSystem {
 public:
  explicit PdfFilePrinter(QString file) : file_(std::move(file)) {}
  DefaultQuery DefaultPrinter() override { return {QStringLiteral("PDF")}; }
  QStringList PrinterNames() override { return {QStringLiteral("PDF")}; }
  std::unique_ptr<QPrinter> DefaultSettings(const QString&) override {
    auto settings = std::make_unique<QPrinter>(QPrinter::HighResolution);
    settings->setOutputFormat(QPrinter::PdfFormat);
    settings->setOutputFileName(file_);
    return settings;
  }
  QString DeviceName(const QPrinter&) override { return QStringLiteral("PDF"); }

 private:
  QString file_;
};

const QString kPdf = QStringLiteral("/tmp/ledgerwick_bench_report.pdf");

std::string DiscrepancyLine(int i) {
  static const lw::RegionalSettings settings{};
  return lw::FormatDiscrepancyLine("C" + std::to_string(10000 + i % 5000), i % 7, 45000 + i % 900, "99213",
                                   lw::Currency::FromCount(1250000 + i), lw::Currency::FromCount(1000000), settings);
}

std::string ReportText(int lines) {
  std::string text = "/practice/MWDDF.ADD\r\n\r\n";
  for (int i = 0; i < lines; ++i) text += DiscrepancyLine(i) + "\r\n";
  return text;
}

QFont ReportFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  return font;
}

int PdfPages() {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {kPdf});
  info.waitForFinished(60000);
  for (const QByteArray& line : info.readAllStandardOutput().split('\n')) {
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

// Discrepancy lines appended to the report view until the report is full, as a long search run does.
void BM_AppendUntilFull(benchmark::State& state) {
  int appended = 0;
  for (auto _ : state) {
    lw::TRichEdit view;
    view.resize(907, 329);
    view.ClearReport();
    appended = 0;
    try {
      for (int i = 0;; ++i, ++appended) view.AppendReportLine(DiscrepancyLine(i));
    } catch (const lw::EOutOfResources&) {
    }
  }
  state.counters["lines"] = appended;
}
BENCHMARK(BM_AppendUntilFull)->Unit(benchmark::kMillisecond);

void BM_PrintReportToPdf(benchmark::State& state) {
  auto previous = lw::SetPrinter(std::make_unique<lw::TPrinter>(std::make_unique<PdfFilePrinter>(kPdf)));
  const std::string text = ReportText(static_cast<int>(state.range(0)));
  for (auto _ : state) lw::PrintReport(lw::Printer(), text, ReportFont(), QStringLiteral("Ledgerwick"));
  state.counters["pages"] = PdfPages();
  state.counters["chars"] = static_cast<double>(text.size());
  lw::SetPrinter(std::move(previous));
  QFile::remove(kPdf);
}
BENCHMARK(BM_PrintReportToPdf)->Arg(650)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
