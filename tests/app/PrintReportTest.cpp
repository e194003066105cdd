// Printing the report through the whole Print path (dialog confirmed, PrintReport with the window
// caption) to real PDF files, read back with pdfinfo and pdftotext.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/PrintDialog.h"
#include "app/PrintReport.h"
#include "app/RichEdit.h"
#include "common/Exceptions.h"
#include "tests/app/PrintTestSupport.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

using test::ReadPdf;
using test::Words;

std::string Numbered(const char* prefix, int i) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%05d", prefix, i);
  return text;
}

class PrintReportTest : public ::testing::Test {
 protected:
  PrintReportTest() : pdf_(dir_.File("job.pdf")), printer_(test::OnePdfPrinter(pdf_)) {
    dialog_.SetRunner([](QPrintDialog&) { return int(QDialog::Accepted); });
  }

  // The Print command: the dialog, then the report printed under the window's caption.
  bool PrintCommand() {
    if (!dialog_.Execute()) return false;
    report_.PrintReport(QStringLiteral("Ledgerwick"));
    return true;
  }

  test::PdfDocument PrintLines(const std::vector<std::string>& lines) {
    report_.ClearReport();
    for (const std::string& line : lines) report_.AppendReportLine(line);
    EXPECT_TRUE(PrintCommand());
    return ReadPdf(pdf_);
  }

  // The words printed, page after page.
  static std::vector<std::string> AllWords(const test::PdfDocument& pdf) {
    std::vector<std::string> words;
    for (const std::string& page : pdf.pageTexts) {
      for (std::string& word : Words(page)) words.push_back(std::move(word));
    }
    return words;
  }

  test::TempDir dir_;
  std::string pdf_;
  test::ScopedPrinter printer_;
  TPrintDialog dialog_;
  TRichEdit report_;
};

TEST_F(PrintReportTest, PrintBeforeAnySearchGivesOnePageHoldingRichEdit1TitledLedgerwick) {
  ASSERT_TRUE(PrintCommand());
  const test::PdfDocument pdf = ReadPdf(pdf_);
  EXPECT_EQ(pdf.pages, 1);
  EXPECT_EQ(pdf.title, "Ledgerwick");
  EXPECT_EQ(AllWords(pdf), std::vector<std::string>{"RichEdit1"});
  EXPECT_FALSE(Printer().Printing());
  EXPECT_EQ(Printer().PageNumber(), 0);
}

TEST_F(PrintReportTest, ClearedReportGivesOneBlankPage) {
  const test::PdfDocument pdf = PrintLines({});
  EXPECT_EQ(pdf.pages, 1);
  EXPECT_TRUE(AllWords(pdf).empty());
}

TEST_F(PrintReportTest, PageFilledExactlyStartsNoFurtherPage) {
  std::vector<std::string> lines;
  for (int i = 0; i < 400; ++i) lines.push_back(Numbered("L", i));
  const test::PdfDocument probe = PrintLines(lines);
  ASSERT_GT(probe.pages, 1);
  const std::size_t perPage = Words(probe.pageTexts.at(0)).size();
  ASSERT_GT(perPage, 10u);

  lines.resize(perPage);
  EXPECT_EQ(PrintLines(lines).pages, 1) << perPage << " lines fill exactly one page";
  lines.push_back("overflow");
  const test::PdfDocument two = PrintLines(lines);
  EXPECT_EQ(two.pages, 2);
  EXPECT_EQ(Words(two.pageTexts.at(1)), std::vector<std::string>{"overflow"});
}

TEST_F(PrintReportTest, LineWiderThanThePageWrapsWithNothingLostOrRepeated) {
  std::string line;
  std::vector<std::string> expected;
  for (int i = 0; i < 600; ++i) {
    expected.push_back(Numbered("w", i));
    line += expected.back() + ' ';
  }
  // A word longer than the page is broken anywhere; its characters still come once and in order.
  const std::string giant(3000, 'G');
  line += giant;
  const test::PdfDocument pdf = PrintLines({"head", line, "tail"});
  EXPECT_EQ(report_.Model().LineCount(), 3u) << "the report keeps the wide line as one line";

  const std::vector<std::string> words = AllWords(pdf);
  ASSERT_GE(words.size(), expected.size() + 3);
  EXPECT_EQ(words.front(), "head");
  EXPECT_EQ(std::vector<std::string>(words.begin() + 1, words.begin() + 1 + expected.size()), expected);
  std::string rest;
  for (std::size_t i = 1 + expected.size(); i + 1 < words.size(); ++i) rest += words[i];
  EXPECT_EQ(rest, giant);
  EXPECT_EQ(words.back(), "tail");
  EXPECT_GT(words.size(), expected.size() + 3) << "the long word should need more than one printed line";
}

TEST_F(PrintReportTest, MultiPageReportPrintsEveryLineOnceInOrderWithoutBlankPages) {
  std::vector<std::string> lines{"/practice/MWDDF.ADD", ""};
  for (int i = 0; i < 3000; ++i) lines.push_back(Numbered("Row", i));
  lines.push_back("");
  lines.push_back("");
  lines.push_back("last");
  const test::PdfDocument pdf = PrintLines(lines);
  ASSERT_GT(pdf.pages, 10);
  EXPECT_EQ(static_cast<int>(pdf.pageTexts.size()), pdf.pages);
  for (const std::string& page : pdf.pageTexts) EXPECT_FALSE(Words(page).empty());

  std::vector<std::string> expected;
  for (const std::string& line : lines) {
    if (!line.empty()) expected.push_back(line);
  }
  EXPECT_EQ(AllWords(pdf), expected);
}

TEST_F(PrintReportTest, PrintsInTheReportsFont) {
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPixelSize(11);
  report_.setFont(font);
  ASSERT_TRUE(PrintCommand());
  QProcess fonts;
  fonts.start(QStringLiteral("pdffonts"), {QString::fromStdString(pdf_)});
  ASSERT_TRUE(fonts.waitForFinished(60000));
  EXPECT_TRUE(fonts.readAllStandardOutput().contains("DejaVuSerif"));
  EXPECT_DOUBLE_EQ(PrintFont(font).pointSizeF(), 8.25) << "11 pixels at 96 per inch";
}

TEST(PrintLayout, PageRectangleInTwipsDropsRemainders) {
  const QRect page = PageRectTwips(4800, 6360, 600, 600);
  EXPECT_EQ(page.left(), 0);
  EXPECT_EQ(page.top(), 0);
  EXPECT_EQ(page.right() + 1, 11520);
  EXPECT_EQ(page.bottom() + 1, 15264);
  EXPECT_EQ(PageRectTwips(1001, 1001, 300, 300).width(), 4804) << "1001 * 1440 / 300 = 4804.8";
}

TEST(PrintLayout, PageTooSmallForAnyLineStillMovesOn) {
  QImage device(200, 200, QImage::Format_RGB32);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(8);
  const std::string text = "alpha\r\nbeta\r\n";
  const QRectF sliver(0, 0, 200, 1);
  EXPECT_EQ(FormatRange(text, 0, font, device, nullptr, sliver), 7u);
  EXPECT_EQ(FormatRange(text, 7, font, device, nullptr, sliver), text.size());
}

TEST_F(PrintReportTest, SecondPrintWhileAJobIsOpenFailsAndTheFirstJobGoesOn) {
  std::vector<std::string> lines;
  for (int i = 0; i < 400; ++i) lines.push_back(Numbered("Job", i));
  report_.ClearReport();
  for (const std::string& line : lines) report_.AppendReportLine(line);

  // The second Print command arrives while the first job hands over its pages.
  std::string second;
  bool wasPrinting = false;
  QTimer::singleShot(0, [&] {
    wasPrinting = Printer().Printing();
    try {
      PrintCommand();
    } catch (const EPrinter& e) {
      second = e.Message();
    }
  });
  ASSERT_TRUE(PrintCommand());
  EXPECT_TRUE(wasPrinting);
  EXPECT_EQ(second, "Printing in progress");
  EXPECT_EQ(AllWords(ReadPdf(pdf_)), lines);
}

TEST_F(PrintReportTest, SearchDuringPrintingLeavesTheJobAsPrintStartedIt) {
  std::vector<std::string> lines;
  for (int i = 0; i < 400; ++i) lines.push_back(Numbered("Old", i));
  report_.ClearReport();
  for (const std::string& line : lines) report_.AppendReportLine(line);

  QTimer::singleShot(0, [&] {
    report_.ClearReport();
    report_.AppendReportLine("/other/MWDDF.ADD");
  });
  ASSERT_TRUE(PrintCommand());
  EXPECT_EQ(AllWords(ReadPdf(pdf_)), lines);
  EXPECT_EQ(report_.Model().Text(), "/other/MWDDF.ADD\r\n");
}

TEST_F(PrintReportTest, PrinterThatCannotTakeAJobIsNotValidAndLeavesNoJobOpen) {
  printer_.System().devices.push_back({QStringLiteral("Gone"), dir_.File("missing/folder/job.pdf")});
  dialog_.SetRunner([this](QPrintDialog& dialog) {
    printer_.System().Choose(*dialog.printer(), QStringLiteral("Gone"));
    return int(QDialog::Accepted);
  });
  try {
    PrintCommand();
    FAIL() << "expected EPrinter";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), "Printer selected is not valid");
  }
  EXPECT_FALSE(Printer().Printing());

  dialog_.SetRunner([this](QPrintDialog& dialog) {
    printer_.System().Choose(*dialog.printer(), QStringLiteral("PDF"));
    return int(QDialog::Accepted);
  });
  ASSERT_TRUE(PrintCommand());
  EXPECT_EQ(ReadPdf(pdf_).pages, 1);
}

}  // namespace
}  // namespace lw
