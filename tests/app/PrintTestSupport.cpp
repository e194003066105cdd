#include "tests/app/PrintTestSupport.h"

#include <QProcess>
#include <QStringList>
#include <sstream>

namespace lw::test {

PrinterSystem::DefaultQuery PdfPrinterSystem::DefaultPrinter() {
  DefaultQuery query;
  query.name = defaultName;
  query.failed = queryFails;
  query.error = queryError;
  return query;
}

QStringList PdfPrinterSystem::PrinterNames() {
  QStringList names;
  for (const Device& device : devices) names.append(device.name);
  return names;
}

const PdfPrinterSystem::Device* PdfPrinterSystem::Find(const QString& name) const {
  for (const Device& device : devices) {
    if (device.name == name) return &device;
  }
  return nullptr;
}

std::unique_ptr<QPrinter> PdfPrinterSystem::DefaultSettings(const QString& name) {
  const Device* device = Find(name);
  if (device == nullptr || !device->hasSettings) return nullptr;
  auto settings = std::make_unique<QPrinter>(QPrinter::HighResolution);
  Choose(*settings, name);
  return settings;
}

void PdfPrinterSystem::Choose(QPrinter& settings, const QString& name) const {
  settings.setOutputFormat(QPrinter::PdfFormat);
  settings.setOutputFileName(QString::fromStdString(Find(name)->file));
}

QString PdfPrinterSystem::DeviceName(const QPrinter& settings) {
  for (const Device& device : devices) {
    if (settings.outputFileName() == QString::fromStdString(device.file)) return device.name;
  }
  return {};
}

ScopedPrinter::ScopedPrinter(std::unique_ptr<PdfPrinterSystem> system) : system_(system.get()) {
  previous_ = SetPrinter(std::make_unique<TPrinter>(std::move(system)));
}

ScopedPrinter::~ScopedPrinter() { SetPrinter(std::move(previous_)); }

std::unique_ptr<PdfPrinterSystem> OnePdfPrinter(const std::string& file) {
  auto system = std::make_unique<PdfPrinterSystem>();
  system->devices.push_back({QStringLiteral("PDF"), file});
  system->defaultName = QStringLiteral("PDF");
  return system;
}

namespace {

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

PdfDocument ReadPdf(const std::string& file) {
  PdfDocument document;
  const QString path = QString::fromStdString(file);
  const QString info = Run(QStringLiteral("pdfinfo"), {path});
  for (const QString& line : info.split('\n')) {
    if (line.startsWith(QStringLiteral("Pages:"))) document.pages = line.mid(6).trimmed().toInt();
    if (line.startsWith(QStringLiteral("Title:"))) document.title = line.mid(6).trimmed().toStdString();
  }
  const QString text =
      Run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
  QStringList pages = text.split('\f');
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();  // after the last form feed
  for (const QString& page : pages) document.pageTexts.push_back(page.toStdString());
  return document;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace lw::test
