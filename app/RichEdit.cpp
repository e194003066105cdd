#include "app/RichEdit.h"

#include <QPalette>
#include <QTextCursor>
#include <QTextDocument>

#include "app/PrintReport.h"
#include "app/Printer.h"
#include "app/SystemText.h"

namespace lw {

namespace {

// The model's 8-bit text with CR LF breaks as the document's paragraph breaks.
QString ToDisplay(std::string_view text) {
  QString shown = FromSystemText(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

}  // namespace

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setUndoRedoEnabled(false);
  // The selection is not shown while the area lacks the focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Inactive, QPalette::Base));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText, colours.color(QPalette::Inactive, QPalette::Text));
  setPalette(colours);
  setPlainText(ToDisplay(model_.Text()));
}

void TRichEdit::ClearReport() {
  model_.ClearReport();
  document()->clear();
  document()->setModified(false);
}

void TRichEdit::AppendReportLine(const std::string& line) {
  const std::size_t from = model_.Length();
  try {
    model_.AppendReportLine(line);
  } catch (...) {
    ShowAppended(from);
    throw;
  }
  ShowAppended(from);
}

void TRichEdit::ShowAppended(std::size_t from) {
  const std::string_view added = std::string_view(model_.Text()).substr(from);
  if (added.empty()) return;
  // A separate cursor at the end: the user's selection and scroll position stay where they are.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(ToDisplay(added));
}

void TRichEdit::PrintReport(const QString& title) { lw::PrintReport(Printer(), model_.Text(), font(), title); }

}  // namespace lw
