#pragma once
// TfrmMain: the program's one main window. It owns every control and component of the program;
// members are declared in the window description's order, so they are created in that order and
// destroyed in the reverse one (the cursors before the connection).

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "app/PrintDialog.h"
#include "app/ProgressBar.h"
#include "app/RichEdit.h"
#include "app/ShellBrowserDialog.h"
#include "app/UpperCaseEdit.h"
#include "data/PracticeComponents.h"

namespace lw {

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the window as described: caption "Ledgerwick", client area 924 x 401 at the screen's
  // top-left corner, button-face colour, the window font on every control. Nothing is connected
  // and no cursor is open.
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The window's members, in their described order. Components that need no window of their
  // own are added here, at their place in the order, as they are built.
  std::unique_ptr<QPushButton> Button1;                          // "Search"
  std::unique_ptr<TcxShellBrowserDialog> cxShellBrowserDialog1;  // the practice folder dialog
  // AdsConnection1, tblChg, tblPax, tblPay, dsTblChg, dsPax, dsQryChg and qryChg, created and
  // destroyed together in that order: closed and disconnected until the first search run.
  // REQUIRES: an engine is installed (lw::ace::SetAce) while the window exists.
  std::unique_ptr<PracticeComponents> Components;
  std::unique_ptr<TRichEdit> RichEdit1;        // the read-only report area
  std::unique_ptr<QPushButton> Button2;        // "Print"
  std::unique_ptr<TPrintDialog> PrintDialog1;  // the printer selection of the Print command
  std::unique_ptr<TcxProgressBar> cxProgressBar1;
  std::unique_ptr<QCheckBox> cbFixData;     // "Fix Balances": the fix flag
  std::unique_ptr<UpperCaseEdit> edtChart;  // the chart number filter, at most 8 bytes
  std::unique_ptr<QLabel> Label1;           // "Chart Number"

  // The Print command: the print dialog and, when it is confirmed, the report printed as one job
  // named after the window's caption. A cancelled dialog does nothing.
  void Button2Click(QObject* Sender);

  // The Search command: confirm the practice folder, then check every selected transaction row,
  // reporting each discrepancy and, with "Fix Balances" ticked, rewriting it. Errors end the run
  // and reach the default error display; Search is enabled again whatever happens. Closing the
  // window during a run stops it between two rows, and the program then ends.
  void Button1Click(QObject* Sender);
};

}  // namespace lw
