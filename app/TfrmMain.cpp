#include "app/TfrmMain.h"

#include "app/ErrorDisplay.h"
#include "app/Fonts.h"
#include "app/MessagePump.h"
#include "app/WindowSearchPorts.h"
#include "reconcile/ChartNumber.h"
#include "reconcile/SearchRun.h"

namespace lw {

// Positions and sizes are in pixels at 96 pixels per inch; the toolkit scales them with the
// screen's text size. No control is anchored to the right or bottom edge: resizing the window
// leaves every control where it is.
TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Ledgerwick"));
  setFont(WindowFont());
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  resize(924, 401);
  move(0, 0);
  setAccessibleName(QStringLiteral("Ledgerwick"));
  setAccessibleDescription(QStringLiteral(
      "Checks the paid amounts recorded on a practice's transactions against their payment applications"));

  Button1 = std::make_unique<QPushButton>(QStringLiteral("Search"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(720, 9, 75, 25);
  Button1->setAccessibleName(QStringLiteral("Search"));
  Button1->setAccessibleDescription(
      QStringLiteral("Choose the practice folder, then list every transaction whose paid amounts disagree with its "
                     "payment applications"));
  ConnectClick(Button1.get(), this, &TfrmMain::Button1Click);

  cxShellBrowserDialog1 = std::make_unique<TcxShellBrowserDialog>(this);

  Components = std::make_unique<PracticeComponents>(nullptr);

  RichEdit1 = std::make_unique<TRichEdit>(this);
  RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
  RichEdit1->setGeometry(8, 40, 907, 329);
  RichEdit1->setAccessibleName(QStringLiteral("Report"));
  RichEdit1->setAccessibleDescription(
      QStringLiteral("The last search's report: the practice checked, then one line per transaction that disagrees"));
  RichEdit1->setTabChangesFocus(true);  // Tab moves on to the next control

  Button2 = std::make_unique<QPushButton>(QStringLiteral("Print"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(808, 8, 75, 25);
  Button2->setAccessibleName(QStringLiteral("Print"));
  Button2->setAccessibleDescription(QStringLiteral("Print the report"));
  ConnectClick(Button2.get(), this, &TfrmMain::Button2Click);

  PrintDialog1 = std::make_unique<TPrintDialog>(this);

  cxProgressBar1 = std::make_unique<TcxProgressBar>(this);
  cxProgressBar1->setObjectName(QStringLiteral("cxProgressBar1"));
  cxProgressBar1->setGeometry(8, 375, 908, cxProgressBar1->sizeHint().height());
  cxProgressBar1->setAccessibleName(QStringLiteral("Search progress"));
  cxProgressBar1->setAccessibleDescription(QStringLiteral("How much of the practice the search has checked"));

  cbFixData = std::make_unique<QCheckBox>(QStringLiteral("Fix Balances"), this);
  cbFixData->setObjectName(QStringLiteral("cbFixData"));
  cbFixData->setGeometry(384, 8, 105, 17);
  cbFixData->setChecked(false);
  cbFixData->setAccessibleName(QStringLiteral("Fix Balances"));
  cbFixData->setAccessibleDescription(QStringLiteral(
      "When ticked, Search rewrites the paid amounts of each transaction it reports from its payment applications"));

  edtChart = std::make_unique<UpperCaseEdit>(kChartNumberBytes, this);
  edtChart->setObjectName(QStringLiteral("edtChart"));
  edtChart->setGeometry(593, 8, 121, 21);
  edtChart->setAccessibleName(QStringLiteral("Chart Number"));
  edtChart->setAccessibleDescription(QStringLiteral(
      "Search checks only this patient chart; empty checks every chart. At most 8 bytes (an accented letter takes 2)"));

  Label1 = std::make_unique<QLabel>(QStringLiteral("Chart Number"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(520, 8);
  Label1->adjustSize();              // sized to its caption
  Label1->setBuddy(edtChart.get());  // the label names the chart box for assistive technology
  Label1->setAccessibleName(QStringLiteral("Chart Number"));
  Label1->setAccessibleDescription(QStringLiteral("Label of the chart number box"));

  QWidget::setTabOrder(Button1.get(), RichEdit1.get());
  QWidget::setTabOrder(RichEdit1.get(), Button2.get());
  QWidget::setTabOrder(Button2.get(), cxProgressBar1.get());
  QWidget::setTabOrder(cxProgressBar1.get(), cbFixData.get());
  QWidget::setTabOrder(cbFixData.get(), edtChart.get());
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::Button1Click(QObject* Sender) {
  ButtonPort button(*Button1);
  FolderDialogPort folder(*cxShellBrowserDialog1);
  WindowMessagePump pump;
  ChartEditPort chart(*edtChart);
  CheckBoxFixFlag fix(*cbFixData);
  SearchFrontEnd frontEnd{button, folder, *RichEdit1, pump, chart, *cxProgressBar1, fix};
  RunSearch(*Components, frontEnd);
}

void TfrmMain::Button2Click(QObject* Sender) {
  if (PrintDialog1->Execute()) RichEdit1->PrintReport(windowTitle());
}

}  // namespace lw
