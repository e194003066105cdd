#pragma once
// The platform printing system as the printer object sees it: which printers exist, which one
// is the default, and each printer's default settings. Production uses Qt's print support;
// tests put a printing system of their own behind the same interface.

#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>

namespace lw {

class PrinterSystem {
 public:
  // The outcome of asking for the default printer.
  struct DefaultQuery {
    QString name;         // empty when no default printer is selected
    bool failed = false;  // the query itself failed, with OS error code `error` (errno; 0 if unknown)
    int error = 0;
  };

  virtual ~PrinterSystem() = default;
  virtual DefaultQuery DefaultPrinter() = 0;
  // The printers this process can print to, by device name.
  virtual QStringList PrinterNames() = 0;
  // A settings block for `name` holding its defaults, set up to print to that printer;
  // nullptr when the printer offers no settings.
  virtual std::unique_ptr<QPrinter> DefaultSettings(const QString& name) = 0;
  // The printer a settings block (as a print dialog returns it) is set up for; empty when it
  // names none.
  virtual QString DeviceName(const QPrinter& settings) = 0;
};

// The system's printers through Qt's print support (CUPS on Linux).
std::unique_ptr<PrinterSystem> MakeQtPrinterSystem();

}  // namespace lw
