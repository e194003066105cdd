#pragma once
// The process-wide printer object: the current printer and its settings block, and the one
// print job that can be open at a time. Created on first use, destroyed at program end (ending
// a job still open). Errors are EPrinter / EOSError with the printing system's messages.

#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/PrinterSystem.h"

namespace lw {

class TPrinter {
 public:
  explicit TPrinter(std::unique_ptr<PrinterSystem> system = MakeQtPrinterSystem());
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // The process's printer list, built once on first need.
  const QStringList& Printers();

  // The current printer's index in Printers(). On first need the system's default printer
  // becomes current: EPrinter "There is no default printer currently selected" when there is
  // none (or it is not in the list), EOSError when the system cannot be asked.
  int PrinterIndex();
  QString PrinterName();
  // The printer a settings block returned by a print dialog is set up for (empty: none).
  QString DeviceName(const QPrinter& settings) { return system_->DeviceName(settings); }

  // The current printer's settings block; nullptr when the printer has none.
  QPrinter* Settings();

  // Makes `device` current with `settings` (nullptr: the printer's default settings, if any).
  // A device missing from the list is added to it. EPrinter "Printing in progress" while a job
  // is open.
  void SetPrinter(const QString& device, std::unique_ptr<QPrinter> settings);

  // The copy count in the settings block; EPrinter "Operation not supported on selected
  // printer" when the current printer has none.
  int Copies();
  void SetCopies(int copies);

  const QString& Title() const noexcept { return title_; }
  void SetTitle(QString title) { title_ = std::move(title); }

  // Job state: the printing flag and the current page number (0 while no job is open).
  bool Printing() const noexcept { return painter_ != nullptr; }
  int PageNumber() const noexcept { return page_; }

  // Opens a job named Title() on the current printer and starts its first page. EPrinter
  // "Printing in progress" while a job is open, "Printer selected is not valid" when the printer
  // cannot take one. The painter draws in device pixels from the printable area's corner.
  QPainter& BeginDoc();
  QPrinter& Device();  // REQUIRES: Printing()
  // Ends the page and starts the next. REQUIRES: Printing()
  void NewPage();
  // Ends the last page and the job. Does nothing while no job is open.
  void EndDoc();
  // Drops the job unfinished (when producing it failed). Does nothing while no job is open.
  void Abort();

  // Called while pages are handed over, so the program's windows keep handling their messages;
  // by default it is the window message pump (ProcessMessages).
  void SetAbortProc(std::function<void()> proc) { abort_proc_ = std::move(proc); }

 private:
  void EnsureCurrent();
  void FinishJob();

  std::unique_ptr<PrinterSystem> system_;
  QStringList printers_;
  bool listed_ = false;
  int index_ = -1;
  std::unique_ptr<QPrinter> settings_;
  QString title_;
  std::unique_ptr<QPrinter> job_device_;  // only when the printer has no settings block of its own
  std::unique_ptr<QPainter> painter_;
  int page_ = 0;
  std::function<void()> abort_proc_;
};

// The process-wide printer object, created on first use.
TPrinter& Printer();
// Replaces the process-wide printer object (tests start each case afresh); returns the old one.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);

// "System Error.  Code: %d.\r\n%s" for an OS error code, or "A call to an OS function failed" for 0.
std::string OSErrorMessage(int code);

}  // namespace lw
