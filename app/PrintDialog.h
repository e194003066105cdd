#pragma once
// PrintDialog1: the printer selection dialog of the Print command. All pages only: no page
// range, no selection, no print-to-file choice; a copy count. The window exists only while
// Execute runs.

#include <QPointer>
#include <QPrintDialog>
#include <QWidget>
#include <functional>

namespace lw {

// Which pages the dialog's answer asks for; this dialog only ever offers all pages.
enum TPrintRange { prAllPages, prSelection, prPageNums };

class TPrintDialog {
 public:
  // Shows the dialog and returns its result (QDialog::Accepted or Rejected). Tests replace it to
  // confirm or cancel without a human; the default runs the dialog modally.
  using Runner = std::function<int(QPrintDialog&)>;

  // `owner`: the window that owns the dialog (the main window).
  explicit TPrintDialog(QWidget* owner = nullptr);

  // Shows the dialog on a copy of the current printer's settings. Confirmed: the chosen printer
  // and its settings become the current printer (and are preselected next time), the answer's
  // properties are taken over, and the result is true. Cancelled: nothing changes, false.
  // Errors of the printer object (no default printer, ...) reach the caller before any dialog.
  bool Execute();

  void SetRunner(Runner runner) { runner_ = std::move(runner); }

  TPrintRange PrintRange() const noexcept { return print_range_; }
  bool Collate() const noexcept { return collate_; }
  bool PrintToFile() const noexcept { return print_to_file_; }
  int Copies() const noexcept { return copies_; }
  int FromPage() const noexcept { return from_page_; }
  int ToPage() const noexcept { return to_page_; }
  int MinPage() const noexcept { return 0; }
  int MaxPage() const noexcept { return 0; }

 private:
  QPointer<QWidget> owner_;
  Runner runner_;
  TPrintRange print_range_ = prAllPages;
  bool collate_ = false;
  bool print_to_file_ = false;
  int copies_ = 0;
  int from_page_ = 0;
  int to_page_ = 0;
};

// Moves `window`, keeping its size, so that it is centred horizontally on the monitor showing
// `anchor` (the primary screen when there is none) with its top at one third of the height the
// monitor leaves over: top = monitor top + (monitor height - window height) / 3.
void CentreOnMonitor(QWidget& window, const QWidget* anchor);

}  // namespace lw
