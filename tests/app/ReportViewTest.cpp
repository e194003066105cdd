// RichEdit1, the report view: it mirrors the report model and the user cannot change it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include "app/RichEdit.h"
#include "common/Exceptions.h"

namespace lw {
namespace {

QString Shown(const ReportModel& model) {
  return QString::fromUtf8(model.Text().c_str()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

TEST(ReportView, StartsShowingRichEdit1ReadOnlyWrappedWithoutScrollBars) {
  TRichEdit view;
  EXPECT_EQ(view.toPlainText(), QStringLiteral("RichEdit1"));
  EXPECT_TRUE(view.isReadOnly());
  EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(ReportView, UserCanSelectAndCopyButNotType) {
  TRichEdit view;
  view.show();
  view.setFocus();
  QTest::keyClicks(&view, "typed");
  QTest::keyClick(&view, Qt::Key_Backspace);
  EXPECT_EQ(view.toPlainText(), QStringLiteral("RichEdit1"));
  EXPECT_EQ(view.Model().Text(), "RichEdit1");

  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("RichEdit1"));
}

TEST(ReportView, MirrorsClearAndAppendedLinesLineForLine) {
  TRichEdit view;
  view.ClearReport();
  EXPECT_EQ(view.toPlainText(), QString());
  EXPECT_FALSE(view.document()->isModified());
  view.AppendReportLine("/practice/MWDDF.ADD");
  view.AppendReportLine("");
  view.AppendReportLine("A\xC3\xA9 12,50 \xC5\xB8");  // 8-bit text in the system's code page, UTF-8
  EXPECT_EQ(view.toPlainText(), Shown(view.Model()));
  EXPECT_EQ(view.toPlainText(), QStringLiteral("/practice/MWDDF.ADD\n\nA\u00E9 12,50 \u0178\n"));
  EXPECT_EQ(view.Model().LineCount(), 3u);
  EXPECT_EQ(view.document()->blockCount(), 4) << "the empty line after the last break, as in the report";
}

TEST(ReportView, IllFormedTextShowsReplacementCharactersAndStaysAsItWas) {
  TRichEdit view;
  view.ClearReport();
  // clang-format off
  view.AppendReportLine("Chart: \xC9" "COLE \xE2\x82");  // Latin-1 É, a cut-short euro sign
  // clang-format on
  EXPECT_EQ(view.toPlainText(), QStringLiteral("Chart: \uFFFDCOLE \uFFFD\n"));
  // clang-format off
  EXPECT_EQ(view.Model().Text(), "Chart: \xC9" "COLE \xE2\x82\r\n");
  // clang-format on
}

TEST(ReportView, AppendThatDoesNotFitShowsWhatTheReportKept) {
  TRichEdit view;
  view.ClearReport();
  const std::string line(1000, 'r');
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) view.AppendReportLine(line);
      },
      EOutOfResources);
  EXPECT_EQ(view.Model().Length(), ReportModel::kCapacity);
  EXPECT_EQ(view.toPlainText(), Shown(view.Model()));
}

TEST(ReportView, AppendingLeavesTheUsersSelectionAlone) {
  TRichEdit view;
  view.ClearReport();
  view.AppendReportLine("first");
  QTextCursor selection(view.document());
  selection.setPosition(0);
  selection.setPosition(5, QTextCursor::KeepAnchor);
  view.setTextCursor(selection);
  view.AppendReportLine("second");
  EXPECT_EQ(view.textCursor().selectedText(), QStringLiteral("first"));
  EXPECT_EQ(view.toPlainText(), QStringLiteral("first\nsecond\n"));
}

}  // namespace
}  // namespace lw
