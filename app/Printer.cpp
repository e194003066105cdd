#include "app/Printer.h"

#include <QCoreApplication>
#include <cstring>

#include "app/MessagePump.h"
#include "common/Exceptions.h"

namespace lw {

namespace {

constexpr const char* kNoDefaultPrinter = "There is no default printer currently selected";
constexpr const char* kPrinterNotValid = "Printer selected is not valid";
constexpr const char* kPrintingInProgress = "Printing in progress";
constexpr const char* kNotSupported = "Operation not supported on selected printer";

}  // namespace

std::string OSErrorMessage(int code) {
  if (code == 0) return "A call to an OS function failed";
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + std::strerror(code);
}

TPrinter::TPrinter(std::unique_ptr<PrinterSystem> system) : system_(std::move(system)), abort_proc_(ProcessMessages) {}

TPrinter::~TPrinter() {
  // Program end: the open job is ended as it stands, without handling further messages.
  if (Printing()) {
    painter_->end();
    FinishJob();
  }
}

const QStringList& TPrinter::Printers() {
  if (!listed_) {
    printers_ = system_->PrinterNames();
    listed_ = true;
  }
  return printers_;
}

void TPrinter::EnsureCurrent() {
  if (index_ >= 0) return;
  const PrinterSystem::DefaultQuery query = system_->DefaultPrinter();
  if (query.failed) throw EOSError(OSErrorMessage(query.error));
  if (query.name.isEmpty()) throw EPrinter(kNoDefaultPrinter);
  const QStringList& list = Printers();
  for (int i = 0; i < list.size(); ++i) {
    if (list[i].compare(query.name, Qt::CaseInsensitive) == 0) {
      settings_ = system_->DefaultSettings(list[i]);
      index_ = i;
      return;
    }
  }
  throw EPrinter(kNoDefaultPrinter);
}

int TPrinter::PrinterIndex() {
  EnsureCurrent();
  return index_;
}

QString TPrinter::PrinterName() { return Printers().value(PrinterIndex()); }

QPrinter* TPrinter::Settings() {
  EnsureCurrent();
  return settings_.get();
}

void TPrinter::SetPrinter(const QString& device, std::unique_ptr<QPrinter> settings) {
  // The open job prints on the current settings block: it cannot change under it.
  if (Printing()) throw EPrinter(kPrintingInProgress);
  Printers();
  int found = static_cast<int>(printers_.indexOf(device));
  if (found < 0) {
    printers_.append(device);
    found = static_cast<int>(printers_.size()) - 1;
  }
  index_ = found;
  settings_ = settings != nullptr ? std::move(settings) : system_->DefaultSettings(device);
}

int TPrinter::Copies() {
  QPrinter* settings = Settings();
  if (settings == nullptr) throw EPrinter(kNotSupported);
  return settings->copyCount();
}

void TPrinter::SetCopies(int copies) {
  QPrinter* settings = Settings();
  if (settings == nullptr) throw EPrinter(kNotSupported);
  settings->setCopyCount(copies);
}

QPainter& TPrinter::BeginDoc() {
  if (Printing()) throw EPrinter(kPrintingInProgress);
  EnsureCurrent();
  QPrinter* device = settings_.get();
  job_device_.reset();
  if (device == nullptr) {
    // No settings block: the printer's device is made from the system's defaults, if it has any.
    job_device_ = system_->DefaultSettings(PrinterName());
    device = job_device_.get();
  }
  if (device == nullptr || !device->isValid()) throw EPrinter(kPrinterNotValid);
  device->setDocName(title_);
  device->setFullPage(false);
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(device)) throw EPrinter(kPrinterNotValid);
  painter_ = std::move(painter);
  page_ = 1;
  return *painter_;
}

QPrinter& TPrinter::Device() { return job_device_ != nullptr ? *job_device_ : *settings_; }

void TPrinter::NewPage() {
  Device().newPage();
  ++page_;
  if (abort_proc_) abort_proc_();
}

void TPrinter::EndDoc() {
  if (!Printing()) return;
  // The last page is handed over like every other: messages are handled meanwhile.
  if (abort_proc_) abort_proc_();
  if (!Printing()) return;
  painter_->end();
  FinishJob();
}

void TPrinter::Abort() {
  if (!Printing()) return;
  Device().abort();
  painter_->end();
  FinishJob();
}

void TPrinter::FinishJob() {
  painter_.reset();
  job_device_.reset();
  page_ = 0;
}

namespace {

std::unique_ptr<TPrinter>& Instance() {
  static std::unique_ptr<TPrinter> instance;
  return instance;
}

// The printer object goes with the application, while Qt's print support is still loaded.
void DestroyPrinter() { Instance().reset(); }

}  // namespace

TPrinter& Printer() {
  auto& instance = Instance();
  if (instance == nullptr) {
    instance = std::make_unique<TPrinter>();
    if (QCoreApplication::instance() != nullptr) qAddPostRoutine(DestroyPrinter);
  }
  return *instance;
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer) {
  auto& instance = Instance();
  if (instance == nullptr && printer != nullptr && QCoreApplication::instance() != nullptr) {
    qAddPostRoutine(DestroyPrinter);
  }
  std::swap(instance, printer);
  return printer;
}

}  // namespace lw
