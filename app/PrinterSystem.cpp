#include "app/PrinterSystem.h"

#include <QPrinterInfo>

namespace lw {

namespace {

class QtPrinterSystem final : public PrinterSystem {
 public:
  DefaultQuery DefaultPrinter() override { return {QPrinterInfo::defaultPrinterName()}; }

  QStringList PrinterNames() override { return QPrinterInfo::availablePrinterNames(); }

  std::unique_ptr<QPrinter> DefaultSettings(const QString& name) override {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull()) return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }

  QString DeviceName(const QPrinter& settings) override {
    return settings.outputFormat() == QPrinter::NativeFormat ? settings.printerName() : QString();
  }
};

}  // namespace

std::unique_ptr<PrinterSystem> MakeQtPrinterSystem() { return std::make_unique<QtPrinterSystem>(); }

}  // namespace lw
