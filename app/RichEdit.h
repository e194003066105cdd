#pragma once
// RichEdit1: the read-only report area. It shows a ReportModel, which owns the text; the view
// only mirrors each change, so appending a line never re-lays out the whole report.

#include <QPlainTextEdit>
#include <QString>
#include <string>

#include "app/ReportModel.h"
#include "reconcile/Ports.h"

namespace lw {

class TRichEdit : public QPlainTextEdit, public ReportSink {
 public:
  // Starts holding "RichEdit1". Word wrap, no scroll bars, text selectable and copyable but not
  // editable; the font is the parent's, taken over unchanged.
  explicit TRichEdit(QWidget* parent = nullptr);

  // Report operations; see ReportModel. A failed append shows what the model kept, then rethrows.
  void ClearReport() override;
  void AppendReportLine(const std::string& line) override;

  // Prints the whole report as one job named `title` on the current printer (see PrintReport.h).
  void PrintReport(const QString& title);

  const ReportModel& Model() const noexcept { return model_; }

 private:
  void ShowAppended(std::size_t from);

  ReportModel model_;
};

}  // namespace lw
