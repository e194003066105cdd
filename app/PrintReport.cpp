#include "app/PrintReport.h"

#include <QTextLayout>
#include <QTextOption>
#include <string>

#include "app/SystemText.h"
#include "common/Utf8.h"

namespace lw {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr double kDesignDpi = 96.0;
constexpr std::string_view kBreak = "\r\n";

}  // namespace

QRect PageRectTwips(int horzRes, int vertRes, int dpiX, int dpiY) {
  const int right = static_cast<int>(static_cast<long long>(horzRes) * kTwipsPerInch / dpiX);
  const int bottom = static_cast<int>(static_cast<long long>(vertRes) * kTwipsPerInch / dpiY);
  return QRect(QPoint(0, 0), QPoint(right - 1, bottom - 1));  // QRect's right/bottom are inclusive
}

QFont PrintFont(const QFont& reportFont) {
  QFont font = reportFont;
  if (reportFont.pixelSize() > 0) font.setPointSizeF(reportFont.pixelSize() * 72.0 / kDesignDpi);
  // No ligatures: each character of the report is printed as its own glyph.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

std::size_t FormatRange(std::string_view text, std::size_t from, const QFont& font, QPaintDevice& device,
                        QPainter* painter, const QRectF& page) {
  const QFontMetricsF metrics(font, &device);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  qreal y = 0;
  bool placed = false;
  std::size_t pos = from;
  while (pos < text.size()) {
    const std::size_t found = text.find(kBreak, pos);
    const std::size_t end = found == std::string_view::npos ? text.size() : found;
    const std::size_t after = found == std::string_view::npos ? text.size() : found + kBreak.size();
    if (end == pos) {
      // An empty line still takes a display line.
      if (placed && y + metrics.lineSpacing() > page.height()) return pos;
      y += metrics.lineSpacing();
      placed = true;
      pos = after;
      continue;
    }
    const std::string_view bytes = text.substr(pos, end - pos);
    const QString paragraph = FromSystemText(bytes);
    QTextLayout layout(paragraph, font, &device);
    layout.setTextOption(option);
    layout.beginLayout();
    int fitted = 0;
    std::size_t stop = std::string_view::npos;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(page.width());
      if (placed && y + line.height() > page.height()) {
        // The layout counts UTF-16 units; the report counts bytes of its 8-bit text.
        stop = pos + ByteOffsetOfUtf16(bytes, static_cast<std::size_t>(line.textStart()));
        break;
      }
      line.setPosition(QPointF(0, y));
      y += line.height();
      placed = true;
      ++fitted;
    }
    layout.endLayout();
    if (painter != nullptr) {
      for (int i = 0; i < fitted; ++i) layout.lineAt(i).draw(painter, page.topLeft());
    }
    if (stop != std::string_view::npos) return stop;
    pos = after;
  }
  return text.size();
}

void PrintReport(TPrinter& printer, std::string_view text, const QFont& font, const QString& title) {
  printer.SetTitle(title);
  // The job prints the report as it stands now, whatever happens to it while pages are handed over.
  const std::string report(text);
  QPainter& painter = printer.BeginDoc();
  try {
    QPrinter& device = printer.Device();
    const QRect twips = PageRectTwips(device.width(), device.height(), device.logicalDpiX(), device.logicalDpiY());
    // Back to device pixels, so the page is exactly the twips rectangle's extent.
    const QRectF page(0, 0, static_cast<qreal>(twips.width()) * device.logicalDpiX() / kTwipsPerInch,
                      static_cast<qreal>(twips.height()) * device.logicalDpiY() / kTwipsPerInch);
    const QFont printFont = PrintFont(font);
    painter.setFont(printFont);
    painter.setPen(Qt::black);
    const std::size_t length = report.size();
    std::size_t next = 0;
    while (true) {
      next = FormatRange(report, next, printFont, device, &painter, page);
      if (next >= length) break;
      printer.NewPage();
    }
    printer.EndDoc();
  } catch (...) {
    // A job that failed half-way is dropped, so later Print commands are not refused as
    // "Printing in progress" for the rest of the program's run.
    printer.Abort();
    throw;
  }
}

}  // namespace lw
