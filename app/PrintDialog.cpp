#include "app/PrintDialog.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QPrinter>
#include <QScreen>
#include <memory>

#include "app/Printer.h"

namespace lw {

namespace {

// A settings block handed to the dialog is a copy: a cancelled dialog leaves the current one as it was.
std::unique_ptr<QPrinter> CopySettings(const QPrinter* from, const QString& device) {
  auto copy = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (from == nullptr) {
    copy->setPrinterName(device);
    return copy;
  }
  if (from->outputFormat() == QPrinter::NativeFormat) copy->setPrinterName(from->printerName());
  copy->setOutputFormat(from->outputFormat());
  copy->setOutputFileName(from->outputFileName());
  copy->setPageLayout(from->pageLayout());
  copy->setCopyCount(from->copyCount());
  copy->setCollateCopies(from->collateCopies());
  copy->setDuplex(from->duplex());
  copy->setColorMode(from->colorMode());
  copy->setPageOrder(from->pageOrder());
  copy->setDocName(from->docName());
  return copy;
}

// While the dialog runs: centres the dialog (and the printer-setup window opened from it) when
// it first shows, and keeps the page-range parts hidden, which Qt shows even with their options off.
class DialogShowHook : public QObject {
 public:
  DialogShowHook(QPrintDialog& dialog, const QWidget* anchor) : dialog_(dialog), anchor_(anchor) {
    qApp->installEventFilter(this);
  }
  ~DialogShowHook() override { qApp->removeEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget == &dialog_) HideRangeChoices();
    if (widget->isWindow() && OpenedFromDialog(widget) && !widget->property(kCentred).toBool()) {
      widget->setProperty(kCentred, true);
      CentreOnMonitor(*widget, anchor_);
    }
    return false;
  }

 private:
  static constexpr const char* kCentred = "lwCentred";

  bool OpenedFromDialog(const QWidget* window) const {
    for (const QWidget* at = window; at != nullptr; at = at->parentWidget()) {
      if (at == &dialog_) return true;
    }
    return false;
  }

  void HideRangeChoices() {
    for (const char* name : {"gbPrintRange", "pageSetLabel", "pageSetCombo"}) {
      if (auto* part = dialog_.findChild<QWidget*>(name)) part->hide();
    }
  }

  QPrintDialog& dialog_;
  const QWidget* anchor_;
};

}  // namespace

void CentreOnMonitor(QWidget& window, const QWidget* anchor) {
  QScreen* screen = anchor != nullptr ? anchor->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect monitor = screen->geometry();
  const QSize size = window.frameGeometry().size();
  window.move(monitor.left() + (monitor.width() - size.width()) / 2,
              monitor.top() + (monitor.height() - size.height()) / 3);
}

TPrintDialog::TPrintDialog(QWidget* owner)
    : owner_(owner), runner_([](QPrintDialog& dialog) { return dialog.exec(); }) {}

bool TPrintDialog::Execute() {
  TPrinter& printer = Printer();
  const QString current = printer.PrinterName();
  const bool hadSettings = printer.Settings() != nullptr;
  std::unique_ptr<QPrinter> settings = CopySettings(printer.Settings(), current);

  QWidget* active = QApplication::activeWindow();
  QWidget* parent = active != nullptr ? active : (owner_ != nullptr ? owner_->window() : nullptr);
  QPointer<QWidget> previousActive(active);
  QPointer<QWidget> previousFocus(QApplication::focusWidget());

  int result = QDialog::Rejected;
  QPrintDialog dialog(settings.get(), parent);
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  // Last: setting page limits would switch page ranges back on.
  dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
  dialog.setWindowModality(Qt::ApplicationModal);
  {
    DialogShowHook hook(dialog, parent);
    result = runner_(dialog);
  }
  if (previousActive != nullptr) previousActive->activateWindow();
  if (previousFocus != nullptr) previousFocus->setFocus();
  if (result != QDialog::Accepted) return false;

  // The printer the dialog was left on.
  QString chosen = printer.DeviceName(*settings);
  if (chosen.isEmpty()) chosen = current;
  // A printer given no settings block and left unchanged gets none back: its defaults are fetched.
  const bool returnsSettings = hadSettings || chosen != current;
  const int returnedCopies = settings->copyCount();
  collate_ = settings->collateCopies();
  print_to_file_ = dialog.testOption(QAbstractPrintDialog::PrintToFile) && !settings->outputFileName().isEmpty();
  switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection: print_range_ = prSelection; break;
    case QAbstractPrintDialog::PageRange: print_range_ = prPageNums; break;
    default: print_range_ = prAllPages; break;
  }
  from_page_ = dialog.fromPage();
  to_page_ = dialog.toPage();
  printer.SetPrinter(chosen, returnsSettings ? std::move(settings) : nullptr);

  // One copy means "as the printer is set up": the printer's own count is kept.
  const int copies = returnedCopies == 1 ? printer.Copies() : returnedCopies;
  printer.SetCopies(copies);
  copies_ = copies;
  return true;
}

}  // namespace lw
