#pragma once
// Printing tests: a printing system whose printers write real PDF files, and the PDFs read back
// with poppler's pdfinfo and pdftotext.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/Printer.h"
#include "app/PrinterSystem.h"

namespace lw::test {

class PdfPrinterSystem : public PrinterSystem {
 public:
  struct Device {
    QString name;
    std::string file;         // where this printer's jobs go
    bool hasSettings = true;  // false: the printer offers no settings block
  };

  std::vector<Device> devices;
  QString defaultName;
  bool queryFails = false;
  int queryError = 0;

  DefaultQuery DefaultPrinter() override;
  QStringList PrinterNames() override;
  std::unique_ptr<QPrinter> DefaultSettings(const QString& name) override;
  QString DeviceName(const QPrinter& settings) override;

  // Makes `settings` write to `name`'s file, as choosing that printer in a dialog would.
  void Choose(QPrinter& settings, const QString& name) const;

 private:
  const Device* Find(const QString& name) const;
};

// Puts a fresh process-wide printer object over `system` for one test and the previous one back
// afterwards. The system stays reachable through System().
class ScopedPrinter {
 public:
  explicit ScopedPrinter(std::unique_ptr<PdfPrinterSystem> system);
  ~ScopedPrinter();
  PdfPrinterSystem& System() { return *system_; }

 private:
  PdfPrinterSystem* system_;
  std::unique_ptr<TPrinter> previous_;
};

// A printing system of one default PDF printer, "PDF", writing to `file`.
std::unique_ptr<PdfPrinterSystem> OnePdfPrinter(const std::string& file);

struct PdfDocument {
  int pages = 0;
  std::string title;
  std::vector<std::string> pageTexts;  // pdftotext's text of each page
};

// Reads a PDF back; pages 0 and no text when the file is missing or unreadable.
PdfDocument ReadPdf(const std::string& file);

// The whitespace-separated words of `text`, in order.
std::vector<std::string> Words(const std::string& text);

}  // namespace lw::test
